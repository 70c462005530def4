// The millisecond clock, delays, the local date and time texts, memory
// statistics and ending the process. Clock and calendar come from the host;
// without one (unit tests that start no host) a steady clock and the real
// local time stand in.
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/internal.h"
#include "platform/host/host.h"
#include "platform/platform.h"

namespace {

std::atomic<int64_t> g_memoryBytes{0};  // bytes held by the handle tables

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void LocalNow(int& year, int& month, int& day, int& hour, int& minute, int& second) {
  if (plat::Host* host = plat::CurrentHost()) {
    host->LocalTime(year, month, day, hour, minute, second);
    return;
  }
  plat::SystemLocalTime(year, month, day, hour, minute, second);
}

}  // namespace

namespace plat {
void CountMemory(int64_t delta) { g_memoryBytes += delta; }
}  // namespace plat

int MilliSecs() {
  if (plat::Host* host = plat::CurrentHost()) return static_cast<int>(host->Millisecs());
  static const auto origin = std::chrono::steady_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - origin).count();
  return static_cast<int>(static_cast<uint32_t>(ms));
}

// Sleeps in slices of at most 20 ms and pumps events between them, so a long
// delay neither freezes the window nor misses a close request, while the
// frame routine's wait for the next frame is a single sleep. On the headless
// host each Sleep advances the virtual clock by exactly its argument.
void Delay(int ms) {
  constexpr uint32_t kSliceMs = 20;
  plat::Host* host = plat::CurrentHost();
  if (!host) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  plat::PumpHostEvents(*host);
  if (ms <= 0) return;
  const uint32_t start = host->Millisecs();
  for (;;) {
    uint32_t elapsed = host->Millisecs() - start;
    if (elapsed >= static_cast<uint32_t>(ms)) break;
    uint32_t left = static_cast<uint32_t>(ms) - elapsed;
    host->Sleep(static_cast<int>(left < kSliceMs ? left : kSliceMs));
    plat::PumpHostEvents(*host);
  }
}

std::string CurrentDate() {
  int year, month, day, hour, minute, second;
  LocalNow(year, month, day, hour, minute, second);
  const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : "???";
  char text[32];
  std::snprintf(text, sizeof text, "%02d %s %04d", day, name, year);
  return text;
}

std::string CurrentTime() {
  int year, month, day, hour, minute, second;
  LocalNow(year, month, day, hour, minute, second);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
  return text;
}

// Nothing is garbage-collected here; the overlay shows the count anyway.
int GCCollect() { return 0; }

int64_t GCMemAlloced() { return g_memoryBytes.load(); }

namespace plat {
void (*g_endHook)() = nullptr;
int g_lastEndCode = -1;
}  // namespace plat

// Output is flushed before leaving; exit() also runs the atexit handlers that
// close the log. Tests swap the exit for a hook that unwinds back to them.
void End(int exitCode) {
  std::fflush(nullptr);
  if (plat::g_endHook) {
    plat::g_lastEndCode = exitCode;
    plat::g_endHook();
  }
  std::exit(exitCode);
}

namespace plat {

void SystemLocalTime(int& year, int& month, int& day, int& hour, int& minute, int& second) {
  time_t now = time(nullptr);
  struct tm t {};
  localtime_r(&now, &t);
  year = t.tm_year + 1900;
  month = t.tm_mon + 1;
  day = t.tm_mday;
  hour = t.tm_hour;
  minute = t.tm_min;
  second = t.tm_sec;
}

}  // namespace plat
