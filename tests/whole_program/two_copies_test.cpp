// Two copies of the real program on the same player files, headless, portable
// and installed: one left on the title screen while the other plays, and two
// whose rounds and settings overlap. Their scripts wait for each other
// ("waitfor"), so the order is the same on every run. Every round and every
// setting change must be on disk at the end.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

// A round from the title screen, quit through the pause menu, the name
// typed after the default one and taken with Return.
std::string Round(const std::string& name) {
  return "+1000 click 640 560\n+3000 key 27\n+1000 key 40\n+500 key 27\n+4000 text " + name +
         "\n+500 key 13\n+3000 mousemove 640 900\n";
}
// The settings panel (Tab), one click on a volume slider, Tab again (which saves).
std::string Slider(int x, int y) {
  return "+1000 key 9\n+1500 click " + std::to_string(x) + " " + std::to_string(y) + "\n+1000 key 9\n+1000 mousemove 640 900\n";
}
const std::string kMaster78 = Slider(1078, 96);
const std::string kMusic19 = Slider(1018, 196);
const std::string kQuit = "+2000 key 27\n+3000 key 32\n";

class TwoCopies : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    folder_.KeepIfFailed();
    fs::create_directories(Start());
    if (!Installed()) {
      fs::copy(fs::path(MNEMORA_GAME_DIR), folder_.Path() / "game", fs::copy_options::recursive);
      return;
    }
    // The layout an install makes: the executable in <prefix>/games, the
    // data in <prefix>/share/games/mnemora, the player's files in HOME.
    fs::create_directories(folder_ / "prefix/games");
    fs::create_directories(folder_ / "prefix/share/games");
    fs::copy_file(fs::path(MNEMORA_GAME_DIR) / "mnemora", folder_ / "prefix/games/mnemora");
    fs::copy(fs::path(MNEMORA_GAME_DIR) / "Files", folder_ / "prefix/share/games/mnemora", fs::copy_options::recursive);
    fs::create_directories(folder_ / "home");
  }
  void TearDown() override {
    for (pid_t pid : running_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }

  bool Installed() const { return GetParam(); }
  fs::path Start() const { return folder_ / "start"; }   // the working folder of both
  fs::path ScoreFile() const {
    return Installed() ? folder_ / "home/.local/share/mnemora/scores.dat" : folder_ / "game/Files/253/scores.dat";
  }
  fs::path SetupFile() const {
    return Installed() ? folder_ / "home/.config/mnemora/Setup.ini" : folder_ / "game/Files/Setup.ini";
  }
  // The folder of the log and the crash guard.
  fs::path StateFolder() const { return Installed() ? folder_ / "home/.local/state/mnemora" : folder_ / "game/Files"; }
  fs::path CrashGuard() const { return Installed() ? StateFolder() / "crash.dat" : StateFolder() / "253/crash.dat"; }

  // Starts a copy with its script; its output goes to NAME.log.
  pid_t Launch(const std::string& name, const std::string& script) {
    WriteBytes(Start() / (name + ".txt"), script);
    std::string exe = Installed() ? (folder_ / "prefix/games/mnemora").string() : (folder_ / "game/mnemora").string();
    std::string env = "env";
    if (Installed()) {
      env += " -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME HOME='" + (folder_ / "home").string() + "'";
    }
    env += " MNEMORA_HEADLESS=" + name + ".txt SDL_AUDIODRIVER=dummy";
    std::string command = "cd '" + Start().string() + "' && exec " + env + " '" + exe + "' > " + name + ".log 2>&1";
    pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    running_.push_back(pid);
    return pid;
  }
  // The exit code of a copy (-1: it did not end normally or within a minute).
  int Finish(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 6000 && waitpid(pid, &status, WNOHANG) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (waitpid(pid, &status, WNOHANG) == 0) return -1;
    std::erase(running_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Waits until a copy's script has reached a mark (a shot it saves); false
  // when the copy ended first or did not get there within a minute.
  bool Reached(const std::string& mark, pid_t pid) const {
    for (int i = 0; i < 6000; ++i) {
      if (fs::exists(Start() / mark)) return true;
      siginfo_t info{};
      bool ended = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
      if (ended && !fs::exists(Start() / mark)) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Release(const std::string& go) const { WriteBytes(Start() / go, ""); }
  std::string Log(const std::string& name) const { return ReadBytes(Start() / (name + ".log")); }

  // How many records of the score file carry exactly this name.
  int RoundsNamed(const std::string& name) const {
    std::string scores = ReadBytes(ScoreFile());
    int count = 0;
    for (size_t at = 0; (at = scores.find("|" + name + "|", at)) != std::string::npos; ++at) ++count;
    return count;
  }

  testsupport::TempFolder folder_{"twocopies"};
  std::vector<pid_t> running_;
};

}  // namespace

// One copy waits on the title screen while the other plays three rounds and
// changes a setting; the idle one, closed last, must not take them back.
TEST_P(TwoCopies, AnIdleCopyClosedLastKeepsTheOtherCopysRoundsAndSettings) {
  pid_t idle = Launch("idle", "12000 shot idle-ready.png\n12100 waitfor idle-go\n" + kQuit);
  ASSERT_TRUE(Reached("idle-ready.png", idle)) << Log("idle");
  pid_t player = Launch("player", "12000 mousemove 640 900\n" + Round("A") + Round("B") + Round("C") + kMaster78 + kQuit);
  ASSERT_EQ(Finish(player), 0) << Log("player");
  ASSERT_EQ(RoundsNamed("PlayerABC"), 1) << ReadBytes(ScoreFile());
  Release("idle-go");
  ASSERT_EQ(Finish(idle), 0) << Log("idle");

  EXPECT_EQ(RoundsNamed("PlayerA"), 1) << ReadBytes(ScoreFile());
  EXPECT_EQ(RoundsNamed("PlayerAB"), 1);
  EXPECT_EQ(RoundsNamed("PlayerABC"), 1);
  EXPECT_NE(ReadBytes(SetupFile()).find("Master = 78\r\n"), std::string::npos) << ReadBytes(SetupFile());
}

// Both copies play and change settings in turns: each save comes after the
// other's, and none loses what the other wrote.
TEST_P(TwoCopies, OverlappingRoundsAndSettingsAllReachTheDisk) {
  pid_t one = Launch("one", "12000 shot one-ready.png\n12100 waitfor one-go\n" + Round("X") +
                                "+1000 shot one-mid.png\n+100 waitfor one-end\n" + Round("Z") + kMaster78 + kQuit);
  ASSERT_TRUE(Reached("one-ready.png", one)) << Log("one");
  pid_t two = Launch("two", "12000 shot two-ready.png\n12100 waitfor two-go\n" + Round("Y") + kMusic19 + kQuit);
  ASSERT_TRUE(Reached("two-ready.png", two)) << Log("two");

  // One plays a round; two, loaded before it, plays and changes the music
  // volume and closes; one plays again, changes the master volume, closes.
  Release("one-go");
  ASSERT_TRUE(Reached("one-mid.png", one)) << Log("one");
  Release("two-go");
  ASSERT_EQ(Finish(two), 0) << Log("two");
  Release("one-end");
  ASSERT_EQ(Finish(one), 0) << Log("one");

  EXPECT_EQ(RoundsNamed("PlayerX"), 1) << ReadBytes(ScoreFile());
  EXPECT_EQ(RoundsNamed("PlayerY"), 1) << ReadBytes(ScoreFile());
  EXPECT_EQ(RoundsNamed("PlayerXZ"), 1) << ReadBytes(ScoreFile());
  const std::string setup = ReadBytes(SetupFile());
  EXPECT_NE(setup.find("Master = 78\r\n"), std::string::npos) << setup;
  EXPECT_NE(setup.find("Music = 19\r\n"), std::string::npos) << setup;
}

// A copy started while another is still setting its display up (the first
// one stands still inside its engine test, its crash guard up) takes that
// set-up for no crash: it keeps OpenGL and saves nothing about it. Each copy
// keeps a whole log of its own: the first Debug.txt, the second Debug-2.txt.
TEST_P(TwoCopies, ACopyStartedWhileAnotherLoadsTakesItForNoCrashAndKeepsItsOwnLog) {
  const std::string openGL = "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\n";
  fs::create_directories(SetupFile().parent_path());
  WriteBytes(SetupFile(), openGL);
  pid_t loading = Launch("loading", "100 shot loading.png\n150 waitfor loading-go\n+500 close\n+500 key 32\n");
  ASSERT_TRUE(Reached("loading.png", loading)) << Log("loading");
  ASSERT_TRUE(fs::exists(CrashGuard()));   // still inside its set-up

  pid_t second = Launch("second", "12000 key 27\n+3000 key 32\n");
  ASSERT_EQ(Finish(second), 0) << Log("second");
  ASSERT_TRUE(fs::exists(CrashGuard()));   // the first one's guard is left to it
  Release("loading-go");
  ASSERT_EQ(Finish(loading), 0) << Log("loading");
  EXPECT_FALSE(fs::exists(CrashGuard()));

  EXPECT_EQ(ReadBytes(SetupFile()).rfind(openGL, 0), 0u) << ReadBytes(SetupFile());
  const std::string first = ReadBytes(StateFolder() / "Debug.txt");
  const std::string other = ReadBytes(StateFolder() / "Debug-2.txt");
  for (const std::string* log : {&first, &other}) {
    EXPECT_EQ(log->rfind("Quillmar's Zelvane Engine\r\n", 0), 0u) << *log;
    EXPECT_NE(log->find("\tUsing OpenGL Driver\r\n"), std::string::npos) << *log;
    EXPECT_EQ(log->find("DirectX 9"), std::string::npos) << *log;
    EXPECT_TRUE(log->ends_with("Play again, soon!!\r\n")) << *log;
  }
  EXPECT_EQ(first.find("Finished Loading"), std::string::npos) << first;   // closed while loading
  EXPECT_NE(other.find("Finished Loading"), std::string::npos) << other;
}

INSTANTIATE_TEST_SUITE_P(PortableAndInstalled, TwoCopies, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Installed" : "Portable"; });
