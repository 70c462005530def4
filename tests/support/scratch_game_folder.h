// A throw-away game folder for one test: <temp>/<name>_<pid>_<n>/253 is the
// working folder while it lives. The game writes its setup, log and
// screenshots one level above the game folder, so they stay inside too.
// Removed afterwards, with the previous working folder restored.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/platform.h"

class ScratchGameFolder {
 public:
  explicit ScratchGameFolder(const std::string& name) {
    namespace fs = std::filesystem;
    static int serial = 0;
    previous_ = CurrentDir();
    root_ = fs::temp_directory_path() /
            (name + "_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    fs::remove_all(root_);
    fs::create_directories(root_ / "253");
    ChangeDir((root_ / "253").string());
  }
  ~ScratchGameFolder() {
    ChangeDir(previous_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchGameFolder(const ScratchGameFolder&) = delete;
  ScratchGameFolder& operator=(const ScratchGameFolder&) = delete;

  // The folder above the game folder: where Setup.ini goes.
  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
  std::string previous_;
};
