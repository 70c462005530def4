// Every test leaves the working folder as it found it, and none of the
// game's own files lands in the folder above it. The game writes its setup,
// log, scores and screenshots one level above its game folder: a test that
// saves from the build folder, or is left in another folder by a save,
// would write beside the sources.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool IsGameFile(const std::string& name) {
  return name == "Setup.ini" || name == "Debug.txt" || name == "scores.dat" ||
         name.rfind("Mnemora Find the Match (Screenshot_", 0) == 0;
}

std::set<std::string> GameFilesIn(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (IsGameFile(name)) names.insert(name);
  }
  return names;
}

class FolderGuard : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    std::error_code ec;
    start_ = fs::current_path(ec);
    above_ = start_.parent_path();
    before_ = GameFilesIn(above_);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::error_code ec;
    const fs::path now = fs::current_path(ec);
    EXPECT_EQ(now, start_) << "the test left the working folder elsewhere";
    for (const std::string& name : GameFilesIn(above_)) {
      if (!before_.count(name)) {
        ADD_FAILURE() << "the test wrote " << (above_ / name) << " outside its temporary folder";
        fs::remove(above_ / name, ec);
      }
    }
    if (now != start_) fs::current_path(start_, ec);   // the next test starts where it should
  }

 private:
  fs::path start_;
  fs::path above_;
  std::set<std::string> before_;
};

const bool kInstalled = (::testing::UnitTest::GetInstance()->listeners().Append(new FolderGuard), true);

}  // namespace
