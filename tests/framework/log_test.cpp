// The debug log: bytes and line ends, a log that can't be created, and lines
// surviving a plain process exit without an explicit close.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/log.h"
#include "platform/internal.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

using testsupport::ReadBytes;
using testsupport::TempFolder;

namespace {

class Log : public ::testing::Test {
 protected:
  void SetUp() override { ResetLog(); }
  void TearDown() override { ResetLog(); }
  TempFolder folder{"log", TempFolder::kEntered};
};

TEST_F(Log, LinesAreBytesWithCrLf) {
  ASSERT_EQ(OpenLog("Debug.txt"), 1);
  LogLine("Quillmar's Zelvane Engine");
  LogLine("");
  LogLine("\tSFX(12)");
  LogLine("\xE9t\xE9");
  CloseLog();
  EXPECT_EQ(ReadBytes("Debug.txt"), "Quillmar's Zelvane Engine\r\n\r\n\tSFX(12)\r\n\xE9t\xE9\r\n");
  EXPECT_EQ(LogStream, 0);
  CloseLog();  // twice is harmless
  LogLine("after close");
  EXPECT_EQ(ReadBytes("Debug.txt").find("after"), std::string::npos);
}

// A folder that can't be written must not make the trace vanish: the lines
// go to stderr instead, after one line that says why.
TEST_F(Log, UncreatableLogGoesToStderr) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(OpenLog("no/such/folder/Debug.txt"), 0);
  EXPECT_EQ(LogStream, 0);
  LogLine("Loading");
  LogLine("\tCould not save scores.dat");
  CloseLog();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("no/such/folder/Debug.txt"), std::string::npos) << err;
  EXPECT_NE(err.find("\nLoading\n\tCould not save scores.dat\n"), std::string::npos) << err;

  // A log that never was opened (a test, a tool) stays silent.
  ResetLog();
  ::testing::internal::CaptureStderr();
  LogLine("nowhere");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(Log, PlatformResetDoesNotRedirectTheLog) {
  OpenLog("Debug.txt");
  LogLine("kept");
  plat::ResetStreams();          // a test restarting the platform closes the file
  int other = WriteFile("other.txt");
  LogLine("must not land in other.txt");
  CloseStream(other);
  EXPECT_EQ(ReadBytes("other.txt"), "");
  EXPECT_EQ(ReadBytes("Debug.txt"), "kept\r\n");
}

TEST_F(Log, LinesReachTheFileOnAPlainExit) {
  // The child never calls CloseLog: the exit handler must flush.
  EXPECT_EXIT(
      {
        OpenLog("Debug.txt");
        for (int i = 0; i < 1000; ++i) LogLine("line " + std::to_string(i));
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  std::string bytes = ReadBytes("Debug.txt");
  EXPECT_EQ(bytes.substr(0, 8), "line 0\r\n");
  EXPECT_EQ(bytes.substr(bytes.size() - 10), "line 999\r\n");
}

}  // namespace
