// Debug log: lines go through the platform's buffered stream and are not
// flushed one by one; CloseLog flushes, and an atexit handler closes the log
// on any ordinary exit so no line written before it is lost.
#include "framework/log.h"

#include <cstdlib>

#include "platform/platform.h"

int LogStream = 0;

namespace {
bool g_closeAtExitRegistered = false;
void CloseLogAtExit() { CloseLog(); }
}  // namespace

int OpenLog(const std::string& path) {
  CloseLog();
  LogStream = WriteFile(path);
  if (LogStream != 0 && !g_closeAtExitRegistered) {
    g_closeAtExitRegistered = std::atexit(CloseLogAtExit) == 0;
  }
  return LogStream != 0 ? 1 : 0;
}

void LogLine(const std::string& text) {
  if (LogStream == 0) return;
  WriteLine(LogStream, text);
}

void CloseLog() {
  if (LogStream == 0) return;
  CloseStream(LogStream);
  LogStream = 0;
}

void ResetLog() { CloseLog(); }
