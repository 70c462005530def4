// The headless back buffer rasterises only what is read. A whole scripted
// session (start-up with the engine test, title, a round with picks, the
// pause menu, the settings panel, the closing page) is played twice, once
// rasterising every frame as it is drawn and once only for the shots; every
// shot must be the same file, byte for byte.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "framework/command_line.h"
#include "framework/startup.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Script() {
  std::ostringstream s;
  s << "9500 click 590 700\n"          // Easy
       "10000 click 640 560\n"         // Click Here to Start
       "14500 click 592 352\n"
       "15100 click 592 480\n"
       "15700 click 688 352\n"
       "18000 key 27\n"                // the pause menu
       "20000 key 32\n"                // Continue
       "21000 key 9\n"                 // settings
       "22500 key 9\n"
       "23500 close\n"                 // the closing page
       "27000 key 32\n";
  // A shot every 600 ms from the splash to the closing page; a few land in
  // the same instant as an input or between the frames of a wait.
  for (int t = 300; t <= 26700; t += 600) s << t << " shot shot" << t << ".png\n";
  return s.str();
}

void PlaySession(const fs::path& root, bool eager) {
  fs::create_directories(root);
  fs::copy(fs::path(MNEMORA_GAME_DIR) / "Files", root / "Files", fs::copy_options::recursive);
  testsupport::WriteBytes(root / "script.txt", Script());
  std::fflush(nullptr);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    alarm(300);
    if (chdir(root.c_str()) != 0) _exit(90);
    setenv("MNEMORA_HEADLESS", "script.txt", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    DataFolderOption = root.string();   // a test program has no Files/ beside it
    testhost::RasteriseEveryFrame(eager);
    RunProgram();
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(LazyRaster, EveryShotOfASessionMatchesRasterisingEveryFrame) {
  testsupport::TempFolder base("lazy");
  base.KeepIfFailed();   // the shots, for a look
  PlaySession(base / "eager", true);
  PlaySession(base / "lazy", false);
  int shots = 0, distinct = 0;
  std::string previous;
  for (int t = 300; t <= 26700; t += 600) {
    const std::string name = "shot" + std::to_string(t) + ".png";
    std::string eager = base.Read(fs::path("eager") / name), lazy = base.Read(fs::path("lazy") / name);
    ASSERT_FALSE(eager.empty()) << name << " missing";
    EXPECT_TRUE(eager == lazy) << name << " differs";
    distinct += eager != previous;
    previous = eager;
    ++shots;
  }
  // The session moved through its screens: the shots are not all one picture.
  EXPECT_GT(distinct, shots / 2);
}

}  // namespace
