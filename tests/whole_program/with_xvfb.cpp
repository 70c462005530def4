// Runs one command on a private X server: with_xvfb COMMAND [ARGS...].
// The server is started by the same helper the window tests and benchmarks
// use (support/xvfb_server.h), so every X server of the test run is started
// one way. DISPLAY names it, MNEMORA_XVFB=1 tells the command it runs on one.
// Exit code: the command's; 77 (skipped) when Xvfb is not installed; 1 when
// the server does not start.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "support/xvfb_server.h"

namespace {

volatile pid_t g_child = -1;

// A test harness ending us on a timeout ends the command as well; the
// server is then stopped on the way out.
void PassOn(int signal) {
  if (g_child > 0) kill(g_child, signal);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: with_xvfb COMMAND [ARGS...]\n");
    return 2;
  }
  if (!XvfbServer::Installed()) {
    std::printf("SKIPPED: Xvfb is not installed, so the real window can't be tested here\n");
    return 77;
  }
  XvfbServer server;
  if (!server.Start()) {
    std::fprintf(stderr, "FAILED: %s\n", server.Error().c_str());
    return 1;
  }
  setenv("MNEMORA_XVFB", "1", 1);
  std::fflush(stdout);

  struct sigaction passOn {};
  passOn.sa_handler = &PassOn;
  sigemptyset(&passOn.sa_mask);
  sigaction(SIGTERM, &passOn, nullptr);
  sigaction(SIGINT, &passOn, nullptr);
  sigaction(SIGHUP, &passOn, nullptr);

  pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    return 1;
  }
  if (child == 0) {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(127);
  }
  g_child = child;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 1;  // a signal passed on: wait for the command to end
  }
  server.Stop();
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
