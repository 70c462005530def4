// A private X server for window tests and benchmarks: starts Xvfb on a
// display number it picks itself (-displayfd), waits until the server has
// announced it (it is accepting connections by then), points DISPLAY at it,
// and stops it again. Header-only so the sprite benchmark can use it too.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

class XvfbServer {
 public:
  // True when an Xvfb executable is on PATH.
  static bool Installed() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
      if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
      start = end + 1;
    }
    return false;
  }

  // Starts "Xvfb -displayfd N -screen 0 <screen> -nolisten tcp -noreset"
  // (without -noreset the server restarts whenever its last client leaves,
  // and a window opened in that moment fails). Returns false
  // (with the reason in Error()) when it does not come up within ten seconds.
  bool Start(const std::string& screen = "1280x1024x24") {
    int fds[2];
    if (pipe(fds) != 0) return Fail("pipe failed");
    // Built before fork: the child of a threaded process may not allocate.
    const std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ < 0) return Fail("fork failed");
    if (pid_ == 0) {
      close(fds[0]);
      int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) {
        dup2(devnull, 1);
        dup2(devnull, 2);
      }
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it is ready for clients.
    std::string number;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    for (int waited = 0; waited < 10000; waited += 10) {
      char buf[16];
      ssize_t n = read(fds[0], buf, sizeof buf);
      if (n > 0) number.append(buf, static_cast<size_t>(n));
      if (!number.empty() && number.back() == '\n') break;
      if (n == 0) break;  // the server closed the pipe: it has died
      int status;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        close(fds[0]);
        return Fail("Xvfb exited at start-up");
      }
      usleep(10000);
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) number.pop_back();
    if (number.empty()) {
      Stop();
      return Fail("Xvfb did not report a display within 10 s");
    }
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    return true;
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status;
      waitpid(pid_, &status, 0);
      pid_ = -1;
    }
  }

  ~XvfbServer() { Stop(); }

  const std::string& Display() const { return display_; }
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& why) {
    error_ = why;
    return false;
  }

  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
};
