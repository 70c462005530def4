// Temporary folders and whole files for tests.
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/platform.h"

namespace testsupport {

TempFolder::TempFolder(const std::string& name, Kind kind, const fs::path& base) : owner_(::getpid()) {
  static int serial = 0;
  path_ = (base.empty() ? fs::temp_directory_path() : base) /
          ("mnemora_" + name + "_" + std::to_string(owner_) + "_" + std::to_string(++serial));
  fs::remove_all(path_);
  fs::create_directories(path_);
  if (kind == kEntered) Enter();
  if (kind == kDataTree) {
    fs::create_directories(path_ / "Common");
    Enter("253");
    UseAsGameData();
  }
}

void TempFolder::UseAsGameData(const fs::path& relative) const {
  usedAsData_ = true;
  const fs::path data = (path_ / relative).lexically_normal();
  DataSearch search;
  search.folder = data.string();
  search.mustHold = {"Common", "253"};
  fs::create_directories(data / "Common");
  fs::create_directories(data / "253");
  FindGameData(search);
}

TempFolder::~TempFolder() {
  if (::getpid() != owner_) return;
  std::error_code ec;
  if (!previous_.empty()) fs::current_path(previous_, ec);
  // The game's data folder goes with it: a later test must not name its
  // files in a folder that is gone.
  if (usedAsData_ && DataFolder().rfind(fs::weakly_canonical(path_, ec).string(), 0) == 0) {
    DataSearch none;
    none.folder = (path_ / "gone").string();
    FindGameData(none);
  }
  if (keepIfFailed_ && ::testing::Test::HasFailure()) {
    std::fprintf(stderr, "folder kept: %s\n", path_.string().c_str());
    return;
  }
  fs::remove_all(path_, ec);
}

void TempFolder::Enter(const fs::path& relative) {
  if (previous_.empty()) previous_ = fs::current_path();
  fs::create_directories(path_ / relative);
  fs::current_path(path_ / relative);
}

std::string TempFolder::Read(const fs::path& relative) const { return ReadBytes(path_ / relative); }

std::vector<std::string> TempFolder::Lines(const fs::path& relative) const { return SplitLines(Read(relative)); }

void TempFolder::Write(const fs::path& relative, const std::string& bytes) const {
  fs::create_directories((path_ / relative).parent_path());
  WriteBytes(path_ / relative, bytes);
}

void TempFolder::CopyShipped(const std::string& relative) const {
  fs::create_directories((path_ / relative).parent_path());
  fs::copy_file(ShippedFiles() / relative, path_ / relative, fs::copy_options::overwrite_existing);
}

void TempFolder::CopyAllCommon() const {
  for (const auto& entry : fs::directory_iterator(ShippedFiles() / "Common"))
    CopyShipped("Common/" + entry.path().filename().string());
}

std::string TempFolder::Cwd() { return fs::canonical(fs::current_path()).string(); }

std::string TempFolder::Canon(const fs::path& relative) const { return fs::canonical(path_ / relative).string(); }

fs::path ShippedFiles() { return fs::path(MNEMORA_GAME_DIR) / "Files"; }

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t at = text.find(end, start);
    if (at == std::string::npos) at = text.size();
    lines.push_back(text.substr(start, at - start));
    start = at + end.size();
  }
  return lines;
}

}  // namespace testsupport
