// Runs a piece of a test in a child process, so that what it changes about
// the process stays there: without root's powers, so a file without read
// permission really can't be read (tests often run as root, whom permissions
// do not stop), or with a limit on the size of the files it writes, so a
// write fails part-way as on a full disk. The body returns "" when all is
// well, else what went wrong.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

// The test's own temporary folder lies in the build folder, which may lie in
// a home that only its owner can enter (mode 700): a child without root's
// powers could not reach a scene there by its full name. Scenes for it go to
// the system's shared temporary folder, which everybody can enter.
inline std::filesystem::path FolderAnybodyCanReach() { return std::filesystem::path(P_tmpdir); }

inline std::string RunInChild(const std::function<std::string()>& body) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "no pipe";
  pid_t child = fork();
  if (child < 0) return "no fork";
  if (child == 0) {
    close(pipeEnds[0]);
    std::string failure = body();
    if (write(pipeEnds[1], failure.data(), failure.size()) < 0) failure = "?";
    _exit(failure.empty() ? 0 : 1);
  }
  close(pipeEnds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, size_t(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "the child did not end normally";
  if (WEXITSTATUS(status) != 0 && report.empty()) return "the child failed";
  return report;
}

// The folder it works in must let anybody write, and the child must be able
// to reach it: see FolderAnybodyCanReach.
inline std::string RunUnprivileged(const std::function<std::string()>& body) {
  return RunInChild([&body] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return std::string("could not drop root");
    return body();
  });
}

// No file grows past `bytes`: a write that would is cut short there, and the
// next one fails (with EFBIG, the signal it would raise being ignored).
inline std::string RunWithFileSizeLimit(rlim_t bytes, const std::function<std::string()>& body) {
  return RunInChild([&body, bytes] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("could not limit the file size");
    return body();
  });
}

// In this process, until the object goes: no file grows past `bytes` (a
// write that would is cut short there and the next one fails), as on a disk
// about to be full. Only the soft limit moves, so it can be put back.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*previous_)(int) = nullptr;
};
