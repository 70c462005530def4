// The whole program end to end on the headless host: a fresh start, a round
// on each difficulty played by the bot to "Game Over", names typed, Escape,
// the closing page; then the files, and a second run that shows the records
// in the panel and keeps the last name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "session_bot.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::SplitLines;

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream s(line);
  for (std::string f; std::getline(s, f, '|');) fields.push_back(f);
  if (!line.empty() && line.back() == '|') fields.push_back("");
  return fields;
}

// A copy of the built game folder in a fresh temporary folder; a failed
// session leaves it for inspection.
class GameCopy {
 public:
  GameCopy() {
    folder_.KeepIfFailed();
    fs::copy(fs::path(MNEMORA_GAME_DIR) / "Files", folder_ / "Files", fs::copy_options::recursive);
  }
  const fs::path& root() const { return folder_.Path(); }

 private:
  testsupport::TempFolder folder_{"e2e"};
};

struct RoundSeen {
  int difficulty = -1;
  long long score = 0;
  int lives = 0, turns = 0;
};

struct Report {
  std::vector<RoundSeen> rounds;
  std::vector<std::string> entered;
  std::string player;
  std::map<int, std::vector<std::string>> top;   // difficulty -> "mode score name"
  std::vector<std::string> errors;
  bool quit = false;
};

Report ReadReport(const fs::path& path) {
  Report r;
  for (const auto& line : SplitLines(ReadBytes(path), "\n")) {
    std::istringstream in(line);
    std::string kind;
    in >> kind;
    std::string rest = line.size() > kind.size() ? line.substr(kind.size() + 1) : "";
    if (kind == "round") {
      RoundSeen seen;
      in >> seen.difficulty >> seen.score >> seen.lives >> seen.turns;
      r.rounds.push_back(seen);
    } else if (kind == "entered") {
      r.entered.push_back(rest);
    } else if (kind == "player") {
      r.player = rest;
    } else if (kind == "top") {
      int d = 0, k = 0;
      in >> d >> k;
      std::string entry;
      std::getline(in, entry);
      r.top[d].push_back(entry.empty() ? entry : entry.substr(1));
    } else if (kind == "error") {
      r.errors.push_back(rest);
    } else if (kind == "quit") {
      r.quit = true;
    }
  }
  return r;
}

TEST(EndToEnd, ThreeRoundsRecordedThenShownInTheNextRun) {
  ASSERT_TRUE(fs::exists(fs::path(MNEMORA_GAME_DIR) / "Files" / "253"))
      << "the game folder has not been built";
  GameCopy game;
  const fs::path gameFolder = game.root() / "Files" / "253";

  // ---- first run: a fresh start, one round per difficulty
  e2e::BotConfig play;
  play.plan = e2e::Plan::PlayEachDifficulty;
  play.names = {"Eve", "Max|Med", " Hal "};
  play.correctTurns = 1;
  play.reportPath = (game.root() / "report1.txt").string();
  ASSERT_FALSE(fs::exists(gameFolder / "scores.dat"));
  ASSERT_EQ(e2e::RunSession(game.root().string(), play), 0);

  Report first = ReadReport(play.reportPath);
  EXPECT_TRUE(first.errors.empty()) << first.errors.front();
  EXPECT_TRUE(first.quit);
  ASSERT_EQ(first.rounds.size(), 3u);
  const int livesAtStart[3] = {5, 3, 1};
  for (int d = 0; d < 3; ++d) {
    EXPECT_EQ(first.rounds[d].difficulty, d);
    EXPECT_EQ(first.rounds[d].lives, -1) << "round " << d << " ended before Game Over";
    // One right turn, then a wrong one for every life and one more.
    EXPECT_EQ(first.rounds[d].turns, 1 + livesAtStart[d] + 1) << d;
    EXPECT_GT(first.rounds[d].score, 0) << d;
  }
  // "|" can't be typed into a name.
  EXPECT_EQ(first.entered, (std::vector<std::string>{"Eve", "MaxMed", " Hal "}));

  // ---- the files of the first run
  std::string debug = ReadBytes(game.root() / "Files" / "Debug.txt");
  EXPECT_NE(debug.find("Closing Up\r\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(game.root() / "Files" / "Setup.ini"));
  for (const auto& entry : fs::directory_iterator(gameFolder)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();   // no save left one
  }

  std::string scores = ReadBytes(gameFolder / "scores.dat");
  ASSERT_GE(scores.size(), 2u);
  EXPECT_EQ(scores.substr(scores.size() - 2), "\r\n");
  auto lines = SplitLines(scores, "\r\n");
  ASSERT_EQ(lines.size(), 6u);
  std::string zeros = "0";
  for (int i = 1; i < 30; ++i) zeros += "|0";
  const char* stored[3] = {" Hal ", "MaxMed", "Eve"};   // newest first, as typed
  long long previousStamp = 0;
  for (int i = 0; i < 3; ++i) {
    auto f = SplitFields(lines[2 * i]);
    ASSERT_EQ(f.size(), 8u) << lines[2 * i];
    int d = 2 - i;
    EXPECT_EQ(std::stoll(f[0]), first.rounds[d].score);
    EXPECT_EQ(f[1], stored[i]);
    EXPECT_EQ(f[2], "0");                     // badges
    long long stamp = std::stoll(f[3]);
    if (i > 0) {
      EXPECT_LE(stamp, previousStamp);
    }
    previousStamp = stamp;
    EXPECT_GT(stamp, 0);
    EXPECT_EQ(f[4], "0");                     // level
    EXPECT_EQ(f[5], std::to_string(d));       // difficulty
    EXPECT_EQ(f[6], "0");                     // flags
    EXPECT_EQ(f[7], "0");                     // not quit
    EXPECT_EQ(lines[2 * i + 1], zeros);
  }

  // ---- second run: the panel ranks the stored rounds; the name is kept
  e2e::BotConfig look;
  look.plan = e2e::Plan::InspectPanel;
  look.reportPath = (game.root() / "report2.txt").string();
  ASSERT_EQ(e2e::RunSession(game.root().string(), look), 0);
  Report second = ReadReport(look.reportPath);
  EXPECT_TRUE(second.quit);
  EXPECT_EQ(second.player, "Hal");
  const char* shownNames[3] = {"Eve", "MaxMed", "Hal"};
  for (int d = 0; d < 3; ++d) {
    ASSERT_EQ(second.top[d].size(), 1u) << d;
    EXPECT_EQ(second.top[d][0], std::to_string(d) + " " + std::to_string(first.rounds[d].score) +
                                    " " + shownNames[d]);
  }
  // Nothing played, nothing trimmed: nothing is written, the file is as the
  // first run left it.
  EXPECT_EQ(ReadBytes(gameFolder / "scores.dat"), scores);
}

// The keyboard alone: Return on the title screen, arrows and Space in the
// round, a typed name. Right picks score, and the round is on disk.
TEST(EndToEnd, AMediumRoundPlayedWithKeysOnlyIsScoredAndSaved) {
  GameCopy game;
  const fs::path gameFolder = game.root() / "Files" / "253";
  e2e::BotConfig keys;
  keys.plan = e2e::Plan::KeysOnlyMedium;
  keys.names = {"Kay"};
  keys.correctTurns = 2;
  keys.reportPath = (game.root() / "report.txt").string();
  ASSERT_EQ(e2e::RunSession(game.root().string(), keys), 0);

  Report report = ReadReport(keys.reportPath);
  EXPECT_TRUE(report.errors.empty()) << report.errors.front();
  EXPECT_TRUE(report.quit);
  ASSERT_EQ(report.rounds.size(), 1u);
  EXPECT_EQ(report.rounds[0].difficulty, 1);
  EXPECT_EQ(report.rounds[0].lives, -1);
  // Two right turns, then a wrong one for each of the three lives and one more.
  EXPECT_EQ(report.rounds[0].turns, 2 + 3 + 1);
  EXPECT_GT(report.rounds[0].score, 0);
  EXPECT_NE(ReadBytes(keys.reportPath).find("keypicks "), std::string::npos);
  EXPECT_EQ(report.entered, (std::vector<std::string>{"Kay"}));

  auto lines = SplitLines(ReadBytes(gameFolder / "scores.dat"), "\r\n");
  ASSERT_EQ(lines.size(), 2u);
  auto f = SplitFields(lines[0]);
  ASSERT_EQ(f.size(), 8u);
  EXPECT_EQ(std::stoll(f[0]), report.rounds[0].score);
  EXPECT_EQ(f[1], "Kay");
  EXPECT_EQ(f[5], "1");   // Medium
  EXPECT_EQ(f[7], "0");   // played to the end, not quit
}

}  // namespace

namespace {

struct Scene {
  std::string name, song;
  int notes = 0;
  float loudest = 0;
  int seed = 0;
};

std::vector<Scene> ReadScenes(const std::string& path) {
  std::vector<Scene> scenes;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string kind, skip;
    words >> kind;
    if (kind != "scene") continue;
    Scene s;
    words >> s.name >> skip >> s.song >> skip >> s.notes >> skip >> s.loudest >> skip >> s.seed;
    scenes.push_back(s);
  }
  return scenes;
}

void SetMusicVolume(const fs::path& setup, int volume) {
  std::string text = ReadBytes(setup);
  size_t at = text.find("Music = ");
  ASSERT_NE(at, std::string::npos);
  size_t end = text.find("\r\n", at);
  text.replace(at, end - at, "Music = " + std::to_string(volume));
  testsupport::WriteBytes(setup, text);
}

}  // namespace

// The title plays its song, a round switches to the difficulty's, the pause
// menu turns it down and Continue back up, the name entry fades it out and
// the title comes back with the same tune; at Music 0 nothing plays at all.
TEST(EndToEnd, MusicFollowsTheScreens) {
  GameCopy game;
  e2e::BotConfig listen;
  listen.plan = e2e::Plan::Listen;
  listen.reportPath = (game.root() / "listen1.txt").string();
  ASSERT_EQ(e2e::RunSession(game.root().string(), listen), 0);
  std::vector<Scene> s = ReadScenes(listen.reportPath);
  ASSERT_EQ(s.size(), 6u) << ReadBytes(listen.reportPath);
  const char* names[6] = {"title", "round", "paused", "continued", "name", "title"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(s[i].name, names[i]);

  // Music 50 and Master 50 by default: a quarter, the accompaniment half of it.
  EXPECT_EQ(s[0].song, "title");
  EXPECT_GT(s[0].notes, 10);
  EXPECT_FLOAT_EQ(s[0].loudest, 0.25f);
  EXPECT_EQ(s[1].song, "medium");
  EXPECT_GT(s[1].notes, 10);
  EXPECT_FLOAT_EQ(s[1].loudest, 0.25f);
  EXPECT_NE(s[1].seed, s[0].seed);
  EXPECT_EQ(s[2].song, "medium");   // still playing under the menu, lower
  EXPECT_GT(s[2].notes, 10);
  EXPECT_GT(s[2].loudest, 0);
  EXPECT_LT(s[2].loudest, 0.5f * s[1].loudest);
  EXPECT_EQ(s[3].song, "medium");
  EXPECT_FLOAT_EQ(s[3].loudest, 0.25f);
  EXPECT_EQ(s[4].song, "-");        // faded out and stopped in the name entry
  EXPECT_EQ(s[5].song, "title");
  EXPECT_GT(s[5].notes, 10);
  EXPECT_EQ(s[5].seed, s[0].seed);  // the same title tune after the round

  // Music 0: the same walk, and not one note.
  SetMusicVolume(game.root() / "Files" / "Setup.ini", 0);
  listen.reportPath = (game.root() / "listen2.txt").string();
  ASSERT_EQ(e2e::RunSession(game.root().string(), listen), 0);
  s = ReadScenes(listen.reportPath);
  ASSERT_EQ(s.size(), 6u) << ReadBytes(listen.reportPath);
  for (const Scene& scene : s) {
    EXPECT_EQ(scene.song, "-") << scene.name;
    EXPECT_EQ(scene.notes, 0) << scene.name;
  }
}
