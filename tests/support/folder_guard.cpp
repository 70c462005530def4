// Every test leaves the working folder as it found it, and none of the
// game's own files lands in the folder above it. The game writes its setup,
// log, scores and screenshots one level above its game folder: a test that
// saves from the build folder, or is left in another folder by a save,
// would write beside the sources.
//
// A test whose program reaches its end (a host that closes after its idle
// time, a screen that quits) would otherwise leave the test program with
// exit code 0 and the tests after it unrun, which CTest counts as a pass:
// while a test runs, ending the program fails it, unless the test installed
// an end hook of its own. A child the test forked ends as the program does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "support/test_host.h"

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

pid_t g_testProcess = 0;

void EndDuringATest() {
  if (getpid() != g_testProcess) return;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::fprintf(stderr, "FAILED: the program ended during %s.%s\n", test ? test->test_suite_name() : "?",
               test ? test->name() : "?");
  std::fflush(nullptr);
  std::_Exit(1);
}

class FolderGuard : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    g_testProcess = getpid();
    testhost::SetEndHook(&EndDuringATest);
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
    testhost::SetEndHook(nullptr);
  }

 private:
  fs::path start_;
  fs::path above_;
  std::set<std::string> before_;
};

const bool kInstalled = (::testing::UnitTest::GetInstance()->listeners().Append(new FolderGuard), true);

}  // namespace
