// A throw-away data tree for in-process tests: ROOT/Common and ROOT/253 with
// the working folder inside ROOT/253, as during a run. Files are copied from
// the generated game folder on request; everything is removed afterwards.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace spinetest {

namespace fs = std::filesystem;

struct TempTree {
  fs::path root;
  std::string startDir;

  explicit TempTree(const std::string& name) {
    root = fs::temp_directory_path() / ("mnemora-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Common");
    fs::create_directories(root / "253");
    startDir = CurrentDir();
    ChangeDir((root / "253").string());
  }
  ~TempTree() {
    ChangeDir(startDir);
    fs::remove_all(root);
  }

  static fs::path Shipped() { return fs::path(MNEMORA_GAME_DIR) / "Files"; }
  // Copies Files/<relative> of the generated tree to the same place here.
  void CopyShipped(const std::string& relative) const {
    fs::copy_file(Shipped() / relative, root / relative, fs::copy_options::overwrite_existing);
  }
  void CopyAllCommon() const {
    for (const auto& e : fs::directory_iterator(Shipped() / "Common"))
      fs::copy_file(e.path(), root / "Common" / e.path().filename(), fs::copy_options::overwrite_existing);
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(root / relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // A log file's lines without their CR LF.
  std::vector<std::string> Lines(const std::string& relative) const {
    std::vector<std::string> lines;
    std::string text = Read(relative);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  std::string Cwd() const { return fs::canonical(CurrentDir()).string(); }
  std::string Canon(const std::string& relative) const { return fs::canonical(root / relative).string(); }
};

}  // namespace spinetest
