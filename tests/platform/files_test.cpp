// Files and folders: the 8-bit line format, end of file, stream handles,
// delete and rename.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>

#include "platform/internal.h"
#include "platform/platform.h"
#include "support/hang_guard.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

class Files : public ::testing::Test {
 protected:
  void SetUp() override { plat::ResetStreams(); }
  void TearDown() override { plat::ResetStreams(); }
  TempFolder folder{"files", TempFolder::kEntered};
};

std::vector<std::string> ReadAll(const std::string& path) {
  std::vector<std::string> lines;
  int f = ReadFile(path);
  while (!Eof(f)) lines.push_back(ReadLine(f));
  CloseStream(f);
  return lines;
}

TEST_F(Files, LinesRoundTripWithCrLfOnDisk) {
  // Every byte that is not a line end survives, including the high half.
  std::string all;
  for (int c = 1; c < 256; ++c) {
    if (c != '\r' && c != '\n') all.push_back(static_cast<char>(c));
  }
  int f = WriteFile("lines.txt");
  ASSERT_NE(f, 0);
  WriteLine(f, "first");
  WriteLine(f, "");
  WriteLine(f, all);
  EXPECT_EQ(CloseStream(f), 1);

  EXPECT_EQ(ReadBytes("lines.txt"), "first\r\n\r\n" + all + "\r\n");
  EXPECT_EQ(ReadAll("lines.txt"), (std::vector<std::string>{"first", "", all}));
}

TEST_F(Files, ReadingSplitsAtLfDropsCrAndStopsAtZero) {
  WriteBytes("in.txt", std::string("a\nb\r\nc\rd\r\ne\0f\ng", 15));
  EXPECT_EQ(ReadAll("in.txt"), (std::vector<std::string>{"a", "b", "cd", "e", "f", "g"}));
}

TEST_F(Files, EofTurnsOnAfterTheLastLineAndStays) {
  WriteBytes("two.txt", "x\r\ny\r\n");
  int f = ReadFile("two.txt");
  EXPECT_EQ(Eof(f), 0);
  EXPECT_EQ(ReadLine(f), "x");
  EXPECT_EQ(Eof(f), 0);
  EXPECT_EQ(ReadLine(f), "y");
  EXPECT_EQ(Eof(f), 1);  // no phantom empty line after the final CR LF
  EXPECT_EQ(ReadLine(f), "");
  EXPECT_EQ(Eof(f), 1);
  CloseStream(f);

  WriteBytes("empty.txt", "");
  f = ReadFile("empty.txt");
  ASSERT_NE(f, 0);
  EXPECT_EQ(Eof(f), 1);
  EXPECT_EQ(ReadLine(f), "");
  CloseStream(f);
}

TEST_F(Files, TenMegabyteLine) {
  std::string big(10 * 1024 * 1024, 'q');
  big[12345] = '\r';
  WriteBytes("big.txt", big + "\nend");
  std::string expected = big;
  expected.erase(12345, 1);
  EXPECT_EQ(ReadAll("big.txt"), (std::vector<std::string>{expected, "end"}));
}

TEST_F(Files, BadHandlesAreIgnoredAndNeverReused) {
  EXPECT_EQ(ReadLine(0), "");
  EXPECT_EQ(Eof(0), 1);  // a "read until Eof" loop over a failed open must end
  EXPECT_EQ(CloseStream(0), 0);
  WriteLine(0, "nothing");

  EXPECT_EQ(ReadFile("missing.txt"), 0);
  EXPECT_EQ(ReadFile("."), 0);  // a folder is not a readable file
  EXPECT_EQ(WriteFile("no/such/folder/x.txt"), 0);
  EXPECT_EQ(ReadFile(""), 0);

  int a = WriteFile("a.txt");
  EXPECT_EQ(CloseStream(a), 1);
  EXPECT_EQ(CloseStream(a), 0);
  int b = WriteFile("b.txt");
  EXPECT_NE(a, b);
  WriteLine(a, "stale");  // must not land in b.txt
  CloseStream(b);
  EXPECT_EQ(ReadBytes("b.txt"), "");

  // A reset closes everything but handles keep counting.
  int c = WriteFile("c.txt");
  plat::ResetStreams();
  int d = WriteFile("d.txt");
  EXPECT_NE(c, d);
  WriteLine(c, "stale");
  CloseStream(d);
  EXPECT_EQ(ReadBytes("d.txt"), "");
}

TEST_F(Files, CloseReportsBytesThatNeverReachedTheFile) {
  if (FileType("/dev/full") == 0) GTEST_SKIP() << "no full device";
  int f = WriteFile("/dev/full");
  ASSERT_NE(f, 0);
  WriteLine(f, std::string(1000, 'x'));
  EXPECT_EQ(CloseStream(f), 0);
}

TEST_F(Files, TypesFoldersDeleteAndRename) {
  WriteBytes("file.txt", "old");
  std::filesystem::create_directory("sub");
  EXPECT_EQ(FileType("file.txt"), 1);
  EXPECT_EQ(FileType("sub"), 2);
  EXPECT_EQ(FileType("none"), 0);
  EXPECT_EQ(FileType(""), 0);

  WriteBytes("new.txt", "new");
  EXPECT_EQ(RenameFile("new.txt", "file.txt"), 1);  // over an existing file
  EXPECT_EQ(ReadBytes("file.txt"), "new");
  EXPECT_EQ(FileType("new.txt"), 0);
  EXPECT_EQ(RenameFile("new.txt", "file.txt"), 0);

  EXPECT_EQ(DeleteFile("file.txt"), 1);
  EXPECT_EQ(FileType("file.txt"), 0);
  EXPECT_EQ(DeleteFile("file.txt"), 1);  // already gone counts as gone
  EXPECT_EQ(DeleteFile("sub"), 0);       // folders are not deleted
  EXPECT_EQ(FileType("sub"), 2);

  std::string here = CurrentDir();
  EXPECT_EQ(ChangeDir("sub"), 1);
  EXPECT_EQ(std::filesystem::path(CurrentDir()), std::filesystem::path(here) / "sub");
  EXPECT_EQ(ChangeDir("missing"), 0);
  EXPECT_EQ(ChangeDir(".."), 1);
  EXPECT_EQ(CurrentDir(), here);
}

}  // namespace

// Pipes and devices, named directly or through a link, are refused at once
// by every reader and writer instead of keeping the program waiting (a pipe
// without a writer) or reading for ever (/dev/zero); the log and the crash
// guard do not write through a link.
TEST_F(Files, PipesDevicesAndLinksAreRefusedWithoutWaiting) {
  HangGuard guard(20, "opening a pipe or a device");
  ASSERT_EQ(mkfifo("pipe", 0644), 0);
  std::filesystem::create_symlink("/dev/zero", "zero");
  for (const char* name : {"pipe", "zero"}) {
    SCOPED_TRACE(name);
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(name, bytes), -1);
    EXPECT_EQ(ReadFile(name), 0);
    EXPECT_EQ(FileType(name), 0);
    EXPECT_EQ(WriteFile(name), 0);
    std::vector<uint8_t> data;
    EXPECT_FALSE(plat::ReadRegularFile(name, data, 1 << 20));
    EXPECT_EQ(LockFile(name, 0), 0);
  }

  WriteBytes("target.txt", "precious");
  std::filesystem::create_symlink("target.txt", "Debug.txt");
  EXPECT_EQ(WriteFile("Debug.txt"), 0);
  EXPECT_EQ(ReadBytes("target.txt"), "precious");
  // A regular file is still read through a link.
  std::string bytes;
  EXPECT_EQ(ReadWholeFile("Debug.txt", bytes), 1);
  EXPECT_EQ(bytes, "precious");
}

// A pad layout file is taken up to its limit of layouts (comments and blank
// lines do not count): a file of a hundred thousand lines would otherwise
// hold the start for minutes.
TEST_F(Files, PadLayoutFilesStopAtTheirLimit) {
  std::string text = "# a comment\n\n";
  for (int i = 0; i < kMaxControllerLayouts + 3; ++i) text += "0300000000000000" + std::to_string(100000 + i) + ",Pad,a:b0,platform:Linux,\n";
  WriteBytes("db.txt", text);
  int left = -1;
  LoadControllerLayouts("db.txt", &left);
  EXPECT_EQ(left, 3);
  WriteBytes("db.txt", "# nothing but a comment\n");
  LoadControllerLayouts("db.txt", &left);
  EXPECT_EQ(left, 0);
}

namespace {

std::vector<std::string> FolderEntries() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Sets a file's (or a link's own) change time some minutes back.
void MakeOld(const std::string& name, int minutes) {
  timeval back[2];
  gettimeofday(&back[0], nullptr);
  back[0].tv_sec -= minutes * 60;
  back[1] = back[0];
  ASSERT_EQ(lutimes(name.c_str(), back), 0) << name;
}

}  // namespace

// Whatever already stands at the name a save once used for its temporary
// file (a link to another file, a pipe, a link to a device) is neither
// followed nor opened nor waited on: the save writes a file of its own, and
// the thing stays as it was.
TEST_F(Files, NothingAtTheOldTemporaryNameIsFollowedOpenedOrWaitedOn) {
  HangGuard guard(30, "a save with something at its old temporary name");
  struct Case {
    const char* what;
    void (*plant)();
    std::filesystem::file_type type;
  };
  const Case cases[] = {
      {"a link to another file", [] { std::filesystem::create_symlink("victim.txt", "scores.dat.tmp"); },
       std::filesystem::file_type::symlink},
      {"a pipe", [] { ASSERT_EQ(mkfifo("scores.dat.tmp", 0644), 0); }, std::filesystem::file_type::fifo},
      {"a link to a device", [] { std::filesystem::create_symlink("/dev/null", "scores.dat.tmp"); },
       std::filesystem::file_type::symlink},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
    WriteBytes("scores.dat", "old");
    WriteBytes("victim.txt", "precious");
    c.plant();
    EXPECT_EQ(SaveFileAtomically("scores.dat", "new"), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status("scores.dat")));
    EXPECT_EQ(ReadBytes("scores.dat"), "new");
    EXPECT_EQ(ReadBytes("victim.txt"), "precious");
    EXPECT_EQ(std::filesystem::symlink_status("scores.dat.tmp").type(), c.type);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"scores.dat", "scores.dat.tmp", "victim.txt"}));
  }
}

// The temporary files of saves that never finished (the program killed
// while writing) are swept by a later save of the same file once they are
// old: only plain files of that very pattern, never a fresh one (another
// copy of the game may be writing it), a link, or anybody else's name.
TEST_F(Files, LeftoverTemporaryFilesOfCrashedSavesAreSweptWhenOld) {
  for (const char* name : {"scores.dat.tmp-a1B2c3D4", "scores.dat.tmp-Fresh123", "scores.dat.tmp-short",
                           "scores.dat.tmp", "Setup.ini.tmp-a1B2c3D4", "scores.dat.bad-1"}) {
    WriteBytes(name, "left");
  }
  std::filesystem::create_symlink("scores.dat.bad-1", "scores.dat.tmp-L1nk0000");
  for (const char* name : {"scores.dat.tmp-a1B2c3D4", "scores.dat.tmp-short", "scores.dat.tmp",
                           "Setup.ini.tmp-a1B2c3D4", "scores.dat.tmp-L1nk0000"}) {
    MakeOld(name, 120);
  }
  ASSERT_EQ(SaveFileAtomically("scores.dat", "new"), 1);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"Setup.ini.tmp-a1B2c3D4", "scores.dat", "scores.dat.bad-1",
                                                       "scores.dat.tmp", "scores.dat.tmp-Fresh123",
                                                       "scores.dat.tmp-L1nk0000", "scores.dat.tmp-short"}));
}

// On a full disk the copies kept of damaged files stay as they are: the
// oldest goes only once the new copy is written.
TEST_F(Files, AFullDiskCostsNoKeptCopy) {
  for (int n = 1; n <= 5; ++n) {
    WriteBytes("scores.dat.bad-" + std::to_string(n), "damaged " + std::to_string(n));
    MakeOld("scores.dat.bad-" + std::to_string(n), 60 - n);
  }
  std::string failure = RunWithFileSizeLimit(4, [] {
    return KeepCopyBeside("scores.dat", "6", "damaged 6", 5).empty() ? std::string() : std::string("a copy was made");
  });
  EXPECT_EQ(failure, "");
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"scores.dat.bad-1", "scores.dat.bad-2", "scores.dat.bad-3",
                                                       "scores.dat.bad-4", "scores.dat.bad-5"}));
  // With room, the new copy replaces the oldest.
  EXPECT_FALSE(KeepCopyBeside("scores.dat", "6", "damaged 6", 5).empty());
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"scores.dat.bad-2", "scores.dat.bad-3", "scores.dat.bad-4",
                                                       "scores.dat.bad-5", "scores.dat.bad-6"}));
}

// A guard that a running program holds is told from one whose program died;
// the last holder to let go takes it down, and nothing else is left beside it.
TEST_F(Files, AGuardHeldByARunningProgramIsToldFromOneLeftBehind) {
  EXPECT_EQ(GuardFileState("crash.dat"), 0);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    char up = RaiseGuardFile("crash.dat") > 0 ? 1 : 0;
    if (write(ready[1], &up, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char up = 0;
  ASSERT_EQ(read(ready[0], &up, 1), 1);
  close(ready[0]);
  close(ready[1]);
  ASSERT_EQ(up, 1);
  EXPECT_EQ(GuardFileState("crash.dat"), 2);

  // Joined here and let go of: it stays for the other program.
  int mine = RaiseGuardFile("crash.dat");
  ASSERT_GT(mine, 0);
  DropGuardFile(mine);
  EXPECT_EQ(GuardFileState("crash.dat"), 2);

  // The other program dies in the middle: left behind.
  kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
  EXPECT_EQ(GuardFileState("crash.dat"), 1);
  mine = RaiseGuardFile("crash.dat");
  EXPECT_EQ(GuardFileState("crash.dat"), 2);
  DropGuardFile(mine);
  EXPECT_EQ(GuardFileState("crash.dat"), 0);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{});
}
