// The command line: options that set choices, options that answer and end,
// and the one-line error with exit code 2 for anything else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "framework/command_line.h"
#include "support/temp_folder.h"

namespace {

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    DataFolderOption.clear();
    PortableOption = false;
    unsetenv("MNEMORA_HEADLESS");
  }
  static int Read(std::vector<const char*> args) {
    args.insert(args.begin(), "mnemora");
    return ReadCommandLine(static_cast<int>(args.size()), args.data());
  }
};

TEST_F(CommandLine, OptionsThatSetChoicesLetTheGameRun) {
  testsupport::TempFolder here("cmdline", testsupport::TempFolder::kEntered);
  here.Write("play.txt", "100 close\n");
  EXPECT_EQ(Read({}), -1);
  EXPECT_EQ(Read({"--portable", "--data", "/some/game", "--headless", "play.txt"}), -1);
  EXPECT_TRUE(PortableOption);
  EXPECT_EQ(DataFolderOption, "/some/game");
  ASSERT_NE(std::getenv("MNEMORA_HEADLESS"), nullptr);
  EXPECT_STREQ(std::getenv("MNEMORA_HEADLESS"), "play.txt");
  EXPECT_EQ(Read({"--data=/other", "--headless="}), 2);   // an empty script name is no script
  EXPECT_EQ(Read({"--data=/other"}), -1);
  EXPECT_EQ(DataFolderOption, "/other");
  // A script that is not there, or is no file, ends the start at once.
  testing::internal::CaptureStderr();
  EXPECT_EQ(Read({"--headless", "missing.txt"}), 2);
  EXPECT_EQ(Read({"--headless", "."}), 2);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("mnemora: cannot read the input script 'missing.txt'"), std::string::npos) << said;
}

// The headless host reads scripts up to 64 MB: a bigger one is refused here,
// where the player still hears of it, not ignored once the game runs.
TEST_F(CommandLine, AnInputScriptOverItsLimitIsRefused) {
  testsupport::TempFolder here("cmdline", testsupport::TempFolder::kEntered);
  here.Write("limit.txt", "");
  std::filesystem::resize_file("limit.txt", std::uintmax_t(64) << 20);   // sparse: no real bytes
  here.Write("over.txt", "");
  std::filesystem::resize_file("over.txt", (std::uintmax_t(64) << 20) + 1);
  EXPECT_EQ(Read({"--headless", "limit.txt"}), -1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Read({"--headless", "over.txt"}), 2);
  setenv("MNEMORA_HEADLESS", "over.txt", 1);
  EXPECT_EQ(Read({}), 2);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("mnemora: the input script 'over.txt' is over 64 MB"), std::string::npos) << said;
}

TEST_F(CommandLine, AnythingElseEndsWithExitCodeTwo) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(Read({"--fullscreen"}), 2);
  EXPECT_EQ(Read({"-h"}), 2);
  EXPECT_EQ(Read({"savegame.dat"}), 2);
  EXPECT_EQ(Read({"--data"}), 2);          // the folder is missing
  EXPECT_EQ(Read({"--portable=yes"}), 2);  // takes no value
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("mnemora: unknown option '--fullscreen' (try 'mnemora --help')\n"), std::string::npos)
      << said;
  EXPECT_NE(said.find("mnemora: option '--data' needs a value"), std::string::npos) << said;
  EXPECT_NE(said.find("mnemora: unexpected argument 'savegame.dat'"), std::string::npos) << said;
  // One line per error.
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 5);
}

TEST_F(CommandLine, VersionAndHelpAnswerAndEnd) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(Read({"--version"}), 0);
  std::string version = testing::internal::GetCapturedStdout();
  // Everything is checked first, whatever the order.
  testing::internal::CaptureStderr();
  EXPECT_EQ(Read({"--version", "--bogus"}), 2);
  EXPECT_EQ(Read({"--bogus", "--version"}), 2);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(version, "mnemora " MNEMORA_TEST_VERSION "\n");

  testing::internal::CaptureStdout();
  EXPECT_EQ(Read({"--help", "--data", "/nowhere/at/all"}), 0);
  std::string help = testing::internal::GetCapturedStdout();
  for (const char* option : {"--help", "--version", "--portable", "--data DIR", "--headless SCRIPT"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  EXPECT_NE(help.find("game data     not found; looked in /nowhere/at/all"), std::string::npos) << help;
}

}  // namespace
