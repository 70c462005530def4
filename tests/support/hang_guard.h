// For tests of waits that must end: if the test is still running after the
// given wall-clock seconds, the test program says what hung and ends with a
// failure, instead of hanging the whole run until the harness gives up.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cstring>

class HangGuard {
 public:
  HangGuard(unsigned seconds, const char* what) {
    What() = what;
    signal(SIGALRM, &OnAlarm);
    alarm(seconds);
  }
  ~HangGuard() { alarm(0); }
  HangGuard(const HangGuard&) = delete;
  HangGuard& operator=(const HangGuard&) = delete;

 private:
  static const char*& What() {
    static const char* what = "";
    return what;
  }
  static void OnAlarm(int) {
    const char* prefix = "\nHUNG: ";
    (void)!write(2, prefix, std::strlen(prefix));
    (void)!write(2, What(), std::strlen(What()));
    (void)!write(2, "\n", 1);
    _exit(1);
  }
};
