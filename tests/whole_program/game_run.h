// Runs the real game executable headless in a fresh copy of the game folder,
// with an input script, and reads back the files it wrote.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/command_line.h"
#include "framework/startup.h"
#include "support/temp_folder.h"

namespace gamerun {

namespace fs = std::filesystem;

struct GameDir {
  testsupport::TempFolder folder;
  fs::path root;   // holds mnemora and Files/

  // base: where to make it (empty: the test's own temporary folder).
  explicit GameDir(const std::string& name, const fs::path& base = {})
      : folder(name, testsupport::TempFolder::kPlain, base), root(folder.Path()) {
    fs::copy(fs::path(MNEMORA_GAME_DIR), root, fs::copy_options::recursive);
  }

  fs::path Files() const { return root / "Files"; }
  fs::path Game() const { return root / "Files" / "253"; }

  void Write(const fs::path& relative, const std::string& bytes) const { folder.Write(relative, bytes); }
  std::string Read(const fs::path& relative) const { return folder.Read(relative); }
  bool Exists(const fs::path& relative) const { return fs::exists(root / relative); }
  // A picture the headless host's "shot" line saved: relative to the start
  // folder, or to the folder current at the time (the game folder).
  std::string Shot(const std::string& name) const {
    if (Exists(name)) return Read(name);
    return Read(fs::path("Files") / "253" / name);
  }

  // Runs ./mnemora headless with the script; returns the exit code (-1 when
  // it did not exit normally).
  int Run(const std::string& script) const {
    Write("script.txt", script);
    std::string cmd = "cd '" + root.string() + "' && MNEMORA_HEADLESS=script.txt SDL_AUDIODRIVER=dummy ./mnemora > run.log 2>&1";
    int status = std::system(cmd.c_str());
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  // Runs ./mnemora headless without input and kills it (SIGKILL) while its
  // display is being set up (as soon as the crash guard's file appears), as a
  // start that hung in the driver and was killed by the player would end. A
  // wall-clock delay would race a fast machine past the set-up.
  void RunKilledDuringDisplaySetUp() const {
    Write("script.txt", "");
    std::string cmd = "cd '" + root.string() +
                      "' && { MNEMORA_HEADLESS=script.txt SDL_AUDIODRIVER=dummy ./mnemora > run.log 2>&1 & "
                      "pid=$!; for i in $(seq 3000); do [ -e Files/253/crash.dat ] && break; sleep 0.01; done; "
                      "kill -KILL $pid; wait $pid; } 2>/dev/null";
    (void)std::system(cmd.c_str());
  }

  // The log as lines, without their CR LF.
  std::vector<std::string> LogLines() const { return folder.Lines("Files/Debug.txt"); }
};

// Plays the program headless in a child of the test process, which can set
// the platform's switches first (`prepare` runs in the child just before
// the start), in a copy of the built Files/ at root, with the script. The
// exit code; -1 when it did not exit normally.
inline int PlayInChild(const fs::path& root, const std::string& script, void (*prepare)()) {
  fs::create_directories(root);
  fs::copy(fs::path(MNEMORA_GAME_DIR) / "Files", root / "Files", fs::copy_options::recursive);
  testsupport::WriteBytes(root / "script.txt", script);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    alarm(300);
    if (chdir(root.c_str()) != 0) _exit(90);
    setenv("MNEMORA_HEADLESS", "script.txt", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    DataFolderOption = root.string();   // a test program has no Files/ beside it
    prepare();
    RunProgram();
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Index of the first line equal to text at or after from; -1 if none.
inline int Find(const std::vector<std::string>& lines, const std::string& text, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[i] == text) return i;
  }
  return -1;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return Find(lines, text) >= 0;
}

// A script that waits for the title screen, leaves it with Escape and ends
// the closing page with a key.
inline std::string QuitScript(int atMs = 12000) {
  return std::to_string(atMs) + " key 27\n+3000 key 32\n";
}

// A close request while the first display set-up is still running (its
// engine test calls FlipFrame): everything read and chosen before the engine
// test is in the log and in the saved setup, at a fraction of a full run's
// cost.
inline std::string CloseWhileLoadingScript() { return "100 close\n+500 key 32\n"; }

}  // namespace gamerun
