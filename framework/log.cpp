// Debug log: every line is handed to the operating system as it is written,
// so a crash inside a graphics driver (the very case the crash guard is for)
// still leaves the lines that lead up to it, and a watcher can follow the
// log live. An atexit handler closes the log on any ordinary exit.
#include "framework/log.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

int LogStream;   // start value: ResetLog

namespace {
bool g_closeAtExitRegistered = false;   // once per process
bool g_logToStderr;   // the log file could not be created; start value: ResetLog
void CloseLogAtExit() { CloseLog(); }
}  // namespace

namespace {

constexpr int kMostLogs = 9;   // copies running at once that each get a log of their own

// "Debug.txt", then "Debug-2.txt", "Debug-3.txt"...
std::string NumberedLog(const std::string& path, int n) {
  if (n == 1) return path;
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

}  // namespace

int OpenLog(const std::string& path) {
  CloseLog();
  // Another copy of the game running from the same folder holds its log
  // open: its log is left whole, and this copy writes its own beside it.
  std::string name = path;
  LogStream = -1;
  for (int n = 1; LogStream == -1 && n <= kMostLogs; ++n) {
    name = NumberedLog(path, n);
    LogStream = WriteHeldFile(name);
  }
  if (LogStream < 0) LogStream = 0;
  if (LogStream != 0 && !g_closeAtExitRegistered) {
    g_closeAtExitRegistered = std::atexit(CloseLogAtExit) == 0;
  }
  g_logToStderr = LogStream == 0;
  if (g_logToStderr) std::fprintf(stderr, "Could not create the log %s; logging here instead\n", name.c_str());
  return LogStream != 0 ? 1 : 0;
}

void LogLine(const std::string& text) {
  if (LogStream == 0) {
    // Someone may still need the trace when the folder can't be written.
    if (g_logToStderr) {
      std::fwrite(text.data(), 1, text.size(), stderr);
      std::fputc('\n', stderr);
    }
    return;
  }
  WriteLine(LogStream, text);
  FlushStream(LogStream);
}

void CloseLog() {
  if (LogStream == 0) return;
  CloseStream(LogStream);
  LogStream = 0;
}

void ResetLog() {
  CloseLog();
  g_logToStderr = false;
}
