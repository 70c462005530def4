// Whole runs of the real program on the headless host: the log, the setup
// file as written, the crash guard and the ways out.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform.h"
#include "support/unprivileged.h"
#include "whole_program/game_run.h"

using gamerun::Contains;
using gamerun::Find;
using gamerun::GameDir;

namespace {

const std::string kRule = "-=-=-=-=-=-=-=-=-=-=-=-=-=-";

// The driver the automatic choice takes from the platform's list.
std::string AutoDriver() {
  std::string picked;
  for (const std::string& name : AudioDrivers()) {
    std::string up = Upper(name);
    if (up.rfind("DIRECT", 0) == 0) picked = name;
  }
  if (!picked.empty()) return picked;
  for (const std::string& name : AudioDrivers()) {
    std::string up = Upper(name);
    if (up.rfind("OPENAL", 0) == 0 || up.rfind("FREE", 0) == 0) return name;
  }
  return AudioDrivers().empty() ? "" : AudioDrivers()[0];
}

std::string DriverLines() {
  std::string out;
  for (const std::string& name : AudioDrivers()) out += "; AudioDriver = " + name + "\r\n";
  return out;
}

const std::string kDefaultControls =
    "[Controls]\r\nKey=0,38\r\nKey=3,37\r\nKey=5,39\r\nKey=8,40\r\n"
    "Key=10,90\r\nKey=11,88\r\nKey=12,67\r\nKey=13,86\r\n";

}  // namespace

TEST(StartupLog, FirstRunWithoutSetupFile) {
  GameDir dir("firstrun");
  ASSERT_EQ(dir.Run(gamerun::QuitScript()), 0) << dir.Read("run.log");
  auto log = dir.LogLines();

  const std::vector<std::string> head = {
      "Quillmar's Zelvane Engine", "----------------------------", "Week #253",
      "----------------------------", "#253 : Mnemora Find the Match", "----------------------------",
      "", "Loading", "Setting Audio Driver", "Set Audio Driver", "",
      "\tRequested Resolution : 800x600", "\tSetup Loaded", "", "Grabbing Previous Scores", "",
      "", kRule, "Applying Graphical Settings", "\tUsing OpenGL Driver", "\tResolution : 800x600,0",
      "", "Loading : Common Objects", "", "Switching to Default Folder", "", "\tDefault Fonts",
      "\tDefault Icons", "\tLogos", "\tBadgeGet", "", "Switching to Game Folder", "",
      "Loading Sound effects"};
  ASSERT_GE(log.size(), head.size());
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(log[i], head[i]) << "line " << i;

  // The effects the data tree ships, then the decks (the engine test first),
  // the closing rule, and the end of loading.
  int sounds = Find(log, "Sounds loaded");
  ASSERT_GT(sounds, 0);
  for (int i = static_cast<int>(head.size()); i < sounds; ++i) EXPECT_EQ(log[i].rfind("\tSFX(", 0), 0u) << log[i];
  EXPECT_TRUE(Contains(log, "\tSFX(18)"));
  int engine = Find(log, "Starting Engine Test", sounds);
  int rule = Find(log, kRule, sounds);
  int finished = Find(log, "Finished Loading");
  EXPECT_GT(engine, sounds);
  EXPECT_GT(rule, engine);
  EXPECT_EQ(finished, rule + 1);

  const std::vector<std::string> tail = {"Closing Up", "", "Bye!", "", "Play again, soon!!"};
  ASSERT_GE(log.size(), tail.size());
  for (size_t i = 0; i < tail.size(); ++i) EXPECT_EQ(log[log.size() - tail.size() + i], tail[i]);

  // No display set-up left behind.
  EXPECT_FALSE(dir.Exists("Files/253/crash.dat"));
  std::string expected = "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=800\r\nHeight=600\r\n\r\n"
                         "[Audio]\r\nMaster = 50\r\nSound = 50\r\nMusic = 50\r\nAudioDriver = " +
                         AutoDriver() + "\r\n" + DriverLines() + "\r\n" + kDefaultControls;
  EXPECT_EQ(dir.Read("Files/Setup.ini"), expected);
}

TEST(StartupLog, TrickySetupFileAndALeftoverGuardWithDirectX7) {
  GameDir dir("tricky");
  // The guard moves only OpenGL: DirectX 7 named in any letter case stays.
  dir.Write("Files/253/crash.dat", "");
  dir.Write("Files/Setup.ini",
            "[Graphics]\r\ngfxengine=dx7\r\nESS\r\nWidth=1234\nHeight=567\r\n[Audio]\r\n"
            "AudioDriver = No Such Driver\r\n[Controls]\r\nKey=12,$4B\r\nKey=0,99\r\nKey=100,5\r\n");
  ASSERT_EQ(dir.Run(gamerun::CloseWhileLoadingScript()), 0) << dir.Read("run.log");
  auto log = dir.LogLines();

  int reading = Find(log, "\tReading Setup File");
  ASSERT_GT(reading, 0);
  EXPECT_EQ(log[reading + 1], "\tDirectX 7 Mode");
  EXPECT_EQ(log[reading + 2], "\tAssuming Emergency Slow System values.");
  EXPECT_EQ(log[reading + 3], "Setting Audio Driver");
  EXPECT_TRUE(Contains(log, "\tRequested Resolution : 1234x567"));
  EXPECT_TRUE(Contains(log, "\tUsing DirectX 7 Driver"));
  EXPECT_FALSE(Contains(log, "\tUsing DirectX 9 Driver"));
  EXPECT_TRUE(Contains(log, "\tResolution : 800x600,0"));
  EXPECT_EQ(log.back(), "Play again, soon!!");

  // An unknown driver name suppresses the automatic pick: the first driver is
  // used. Slot 0 is read like any other; slot 12 was given in hex.
  std::string first = AudioDrivers().empty() ? "" : AudioDrivers()[0];
  std::string expected =
      "[Graphics]\r\nFullscreen = False\r\nGFX Engine = DX7\r\nWidth=800\r\nHeight=600\r\n"
      "ESS=1 ; This is a slow system, and things must run a wee bit slower for it.  Awww..\r\n\r\n"
      "[Audio]\r\nMaster = 50\r\nSound = 50\r\nMusic = 50\r\nAudioDriver = " +
      first + "\r\n" + DriverLines() +
      "\r\n[Controls]\r\nKey=0,99\r\nKey=3,37\r\nKey=5,39\r\nKey=8,40\r\n"
      "Key=10,90\r\nKey=11,88\r\nKey=12,75\r\nKey=13,86\r\n";
  EXPECT_EQ(dir.Read("Files/Setup.ini"), expected);
}

TEST(StartupLog, CrashGuardAndACloseRequestDuringLoading) {
  GameDir dir("crashguard");
  // Killed in the middle of its engine test, the first start leaves the guard.
  dir.RunKilledDuringDisplaySetUp();
  ASSERT_TRUE(Contains(dir.LogLines(), "\tUsing OpenGL Driver"));
  ASSERT_FALSE(Contains(dir.LogLines(), "Finished Loading"));
  ASSERT_TRUE(dir.Exists("Files/253/crash.dat"));
  ASSERT_EQ(dir.Run(gamerun::CloseWhileLoadingScript()), 0) << dir.Read("run.log");
  auto log = dir.LogLines();
  EXPECT_TRUE(Contains(log, "\tUsing DirectX 9 Driver"));
  EXPECT_FALSE(Contains(log, "\tUsing OpenGL Driver"));
  // The close request inside the set-up's frames still goes through the
  // closing screen, which saves the switched engine. An orderly close is no
  // crash: the guard does not outlive it.
  const std::vector<std::string> tail = {"Closing Up", "", "Bye!", "", "Play again, soon!!"};
  ASSERT_GE(log.size(), tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), log.end() - tail.size()));
  EXPECT_FALSE(Contains(log, "Finished Loading"));
  EXPECT_NE(dir.Read("Files/Setup.ini").find("GFX Engine = DX9\r\n"), std::string::npos);
  EXPECT_FALSE(dir.Exists("Files/253/scores.dat"));   // no round, nothing to save
  EXPECT_FALSE(dir.Exists("Files/253/crash.dat"));
}

TEST(StartupLog, AbsurdSetupFilesStartWithSaneValues) {
  GameDir dir("absurd");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  std::string longLine(10 * 1024 * 1024, 'W');
  dir.Write("Files/Setup.ini", garbage + "\r\n" + longLine + "\r\nWidth=-99999\r\nHeight=abc\r\nKey=99999,1\r\n"
                                                    "Key=5,-77\r\nMaster=-30\r\n");
  ASSERT_EQ(dir.Run(gamerun::CloseWhileLoadingScript()), 0) << dir.Read("run.log");
  auto log = dir.LogLines();
  EXPECT_TRUE(Contains(log, "\tRequested Resolution : 99999x600"));   // "abc" is no height: the default stays
  EXPECT_TRUE(Contains(log, "\tResolution : 800x600,0"));
  std::string setup = dir.Read("Files/Setup.ini");
  EXPECT_NE(setup.find("Width=800\r\nHeight=600\r\n"), std::string::npos);
  EXPECT_NE(setup.find("Master = 30\r\n"), std::string::npos);
  EXPECT_NE(setup.find("Key=5,77\r\n"), std::string::npos);
}

// Started where there is no game data, the program says where it looked and
// ends with a failure instead of running without art in an empty tree it made.
TEST(StartupLog, MissingDataEndsWithAMessageNamingWhereItLooked) {
  GameDir dir("nofiles");
  std::filesystem::remove_all(dir.Files());
  EXPECT_EQ(dir.Run(gamerun::CloseWhileLoadingScript()), 1);
  std::string said = dir.Read("run.log");
  EXPECT_NE(said.find("Game data not found: looked for " + dir.root.string() + "/Files/Common and " +
                      dir.root.string() + "/Files/253"),
            std::string::npos)
      << said;
  EXPECT_FALSE(dir.Exists("Files"));

  // With Files/ there but the game's own folder gone, the log says it too.
  GameDir half("nogame");
  std::filesystem::remove_all(half.Game());
  EXPECT_EQ(half.Run(gamerun::CloseWhileLoadingScript()), 1);
  auto log = half.LogLines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("Game data not found: looked for ", 0), 0u) << log[0];
  EXPECT_FALSE(half.Exists("Files/253"));
  EXPECT_FALSE(half.Exists("Files/Setup.ini"));
}

// A game folder the player can't enter (a shared copy another user
// restricted): the program stops as without its data, says "permission
// denied", and writes no settings or scores anywhere, least of all in the
// folder above the game.
TEST(StartupLog, AGameFolderThatCannotBeEnteredStopsTheGameSayingSo) {
  GameDir dir("shut", FolderAnybodyCanReach());
  std::filesystem::permissions(dir.root, std::filesystem::perms::all);
  std::filesystem::permissions(dir.Files(), std::filesystem::perms::all);
  std::filesystem::permissions(dir.Game(), std::filesystem::perms::none);
  dir.Write("script.txt", gamerun::CloseWhileLoadingScript());
  std::string failure = RunUnprivileged([&dir] {
    if (access(dir.root.c_str(), X_OK) != 0) return std::string("unreachable");
    std::string cmd = "cd '" + dir.root.string() + "' && MNEMORA_HEADLESS=script.txt SDL_AUDIODRIVER=dummy ./mnemora > run.log 2>&1";
    int status = std::system(cmd.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 1) return "exit status " + std::to_string(status);
    return std::string();
  });
  std::filesystem::permissions(dir.Game(), std::filesystem::perms::owner_all);
  if (failure == "unreachable") GTEST_SKIP() << "the test folder can't be reached by another user";
  EXPECT_EQ(failure, "") << dir.Read("run.log");
  std::string said = dir.Read("run.log");
  EXPECT_NE(said.find("Game data can't be read: " + dir.Game().string() + ": permission denied"), std::string::npos) << said;
  EXPECT_EQ(said.find("not found"), std::string::npos) << said;
  EXPECT_FALSE(dir.Exists("Setup.ini"));
  EXPECT_FALSE(dir.Exists("scores.dat"));
  EXPECT_FALSE(dir.Exists("Files/Setup.ini"));
}
