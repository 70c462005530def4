// The session bot: title screen → round → name → title, driven through the
// per-frame watcher with the headless host's input queue.
#include "session_bot.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "audio/music.h"
#include "framework/command_line.h"
#include "framework/display_setup.h"
#include "framework/frame_flip.h"
#include "framework/startup.h"
#include "game/decks.h"
#include "game/card_round.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/temp_folder.h"
#include "support/test_host.h"

namespace e2e {

int CellCentreX(int cell) { return (VirtualWidth - 640) / 2 - 16 + 96 * (cell % 10); }
int CellCentreY(int cell) { return 128 * (cell / 10) - 96 + 64; }

namespace {

constexpr int kTimeLimitSeconds = 600;

struct Step {
  int waitFrames;              // frames to wait before running the action
  std::function<void()> action;
};

struct Bot {
  BotConfig config;
  std::ofstream report;
  std::deque<Step> queue;
  int waiting = 0;
  int frames = 0;

  enum class Stage { Title, Round, Name, Leaving } stage = Stage::Title;
  int roundsStarted = 0;
  int difficultyInspected = 0;

  // Board watch during a round.
  std::array<int, 110> prevValue{};
  std::array<int, 110> prevAngle{};
  std::array<bool, 110> pickedByMe{};
  std::vector<int> shown;      // values shown this turn, in order
  bool picksQueued = false;
  int turn = 0;                // turns seen so far in this round
  int keyPicks = 0;            // picks made with Space
};

Bot* g_bot = nullptr;

// ---------------------------------------------------------------- input helpers
void MoveTo(int vx, int vy) {
  int wx = vx * GraphicsWidth() / VirtualWidth;
  int wy = vy * GraphicsHeight() / VirtualHeight;
  testhost::PushMouseMove(wx, wy);
}
void Button(bool down) { testhost::PushMouseButton(1, down); }
void Press(int vk) {
  testhost::PushKey(vk, true);
  testhost::PushKey(vk, false);
}

void Then(int frames, std::function<void()> action) { g_bot->queue.push_back({frames, std::move(action)}); }

// Move, let the frame flip sample the pointer, press, hold two frames, release.
void QueueClick(int vx, int vy) {
  Then(0, [vx, vy] { MoveTo(vx, vy); });
  Then(3, [] { Button(true); });
  Then(3, [] { Button(false); });
}

// A key held for three frames: the game acts on the first frame it sees it held.
void Hold(int vk) {
  testhost::PushKey(vk, true);
  g_bot->queue.push_front({3, [vk] { testhost::PushKey(vk, false); }});
}

// The arrow that starts the shortest walk of the focus from one card to
// another, found over the moves the game makes (-1 when none gets there).
int FirstKeyTowards(int from, int to) {
  struct Way {
    int key, dx, dy;
  };
  static const Way kWays[4] = {{kKeyLeft, -1, 0}, {kKeyUp, 0, -1}, {kKeyRight, 1, 0}, {kKeyDown, 0, 1}};
  std::array<int, 100> firstKey{};
  firstKey.fill(0);
  std::deque<int> open;
  for (const Way& w : kWays) {
    int next = NearestCard(from, w.dx, w.dy);
    if (next >= 0 && firstKey[next] == 0) {
      firstKey[next] = w.key;
      open.push_back(next);
    }
  }
  while (!open.empty()) {
    int cell = open.front();
    open.pop_front();
    if (cell == to) return firstKey[cell];
    for (const Way& w : kWays) {
      int next = NearestCard(cell, w.dx, w.dy);
      if (next >= 0 && next != from && firstKey[next] == 0) {
        firstKey[next] = firstKey[cell];
        open.push_back(next);
      }
    }
  }
  return -1;
}

// Walks the focus to the cell one arrow at a time, then picks with Space.
void KeyWalkAndPick(int cell, int presses) {
  Bot& b = *g_bot;
  auto again = [cell, presses] { KeyWalkAndPick(cell, presses + 1); };
  if (presses > 60) {
    b.report << "error focus never reached cell " << cell << "\n";
    return;
  }
  if (!FocusShown) {
    b.queue.push_front({3, again});
    Hold(kKeyRight);
    return;
  }
  if (FocusCell == cell) {
    ++b.keyPicks;
    Hold(kKeySpace);
    return;
  }
  int key = FirstKeyTowards(FocusCell, cell);
  if (key < 0) {
    b.report << "error no way from cell " << FocusCell << " to " << cell << "\n";
    return;
  }
  b.queue.push_front({3, again});
  Hold(key);
}

void RunQueue() {
  Bot& b = *g_bot;
  while (!b.queue.empty()) {
    if (b.waiting < b.queue.front().waitFrames) {
      ++b.waiting;
      return;
    }
    b.waiting = 0;
    auto step = std::move(b.queue.front());
    b.queue.pop_front();
    step.action();
  }
}

// ---------------------------------------------------------------- screens
int RowY(int difficulty) { return VirtualHeight / 2 + 200 + 50 * difficulty + 20; }

void OnTitle() {
  Bot& b = *g_bot;
  if (!b.queue.empty() || SlideStep < 32) return;
  if (b.config.plan == Plan::PlayEachDifficulty) {
    if (b.roundsStarted < 3) {
      int d = b.roundsStarted;
      QueueClick(VirtualWidth / 2 - 50, RowY(d));
      Then(2, [d] {
        if (Difficulty != d) g_bot->report << "error difficulty " << Difficulty << " not " << d << "\n";
      });
      QueueClick(VirtualWidth / 2, VirtualHeight / 2 + 80);
      Then(120, [] {});   // the round starts inside the next frames
      return;
    }
  } else if (b.config.plan == Plan::KeysOnlyMedium) {
    if (b.roundsStarted < 1) {
      // Medium with the arrows, then Return.
      if (Difficulty != 1) {
        Then(0, [] { Hold(Difficulty == 0 ? kKeyDown : kKeyUp); });
        Then(5, [] {});
        return;
      }
      Then(0, [] { Hold(kKeyReturn); });
      Then(120, [] {});
      return;
    }
  } else if (b.difficultyInspected < 3) {
    if (b.difficultyInspected == 0) b.report << "player " << PlayerName << "\n";
    int d = b.difficultyInspected;
    QueueClick(VirtualWidth / 2 - 50, RowY(d));
    Then(2, [d] {
      for (int k = 1; k <= 25; ++k) {
        if (TopScores[k]) {
          g_bot->report << "top " << d << " " << k << " " << TopScores[k]->GameMode << " "
                        << TopScores[k]->Score << " " << TopScores[k]->Name << "\n";
        }
      }
      ++g_bot->difficultyInspected;
    });
    return;
  }
  // Done: Escape quits; a key pressed on the closing page ends it (the
  // Escape still held there does not).
  b.stage = Bot::Stage::Leaving;
  b.report << "quit\n";
  b.report.flush();
  testhost::PushKey(kKeyEscape, true);
  testhost::ScriptLines(std::to_string(testhost::Clock() + 300) + " key 65\n");
}

void QueuePicks() {
  Bot& b = *g_bot;
  std::vector<int> targets;
  for (int value : b.shown) {
    for (int cell = 0; cell < 110; ++cell) {
      if (CardValue[cell] == value && FlipAngle[cell] == 0 && !b.pickedByMe[cell]) {
        targets.push_back(cell);
        break;
      }
    }
  }
  // Right for the first turns, then in reverse order, which is wrong at
  // least for the first pick, so every later turn costs a life.
  if (b.turn > b.config.correctTurns) std::reverse(targets.begin(), targets.end());
  for (int cell : targets) {
    b.pickedByMe[cell] = true;
    if (b.config.plan == Plan::KeysOnlyMedium) {
      Then(2, [cell] { KeyWalkAndPick(cell, 0); });
      Then(3, [] {});
    } else {
      QueueClick(CellCentreX(cell), CellCentreY(cell));
    }
  }
}

void OnRound() {
  Bot& b = *g_bot;
  int cards = 0;
  bool turnStarts = false;
  for (int cell = 0; cell < 110; ++cell) {
    if (CardValue[cell] == 0) continue;
    ++cards;
    if (FlipAngle[cell] == 181 && b.prevAngle[cell] != 181) turnStarts = true;
  }
  if (turnStarts) {
    b.shown.clear();
    b.pickedByMe.fill(false);
    b.picksQueued = false;
    ++b.turn;
  }
  for (int cell = 0; cell < 110; ++cell) {
    int v = CardValue[cell];
    if (v != 0 && FlipAngle[cell] == 1 && b.prevValue[cell] == v && !b.pickedByMe[cell] &&
        b.prevAngle[cell] != 1) {
      b.shown.push_back(v);
    }
  }
  if (!b.picksQueued && cards > 0 && static_cast<int>(b.shown.size()) == cards / 2) {
    b.picksQueued = true;
    QueuePicks();
  }
  for (int cell = 0; cell < 110; ++cell) {
    b.prevValue[cell] = CardValue[cell];
    b.prevAngle[cell] = FlipAngle[cell];
  }
}

void OnNameEntry() {
  Bot& b = *g_bot;
  b.report << "round " << Difficulty << " " << Score << " " << Lives << " " << b.turn << "\n";
  if (b.keyPicks > 0) b.report << "keypicks " << b.keyPicks << "\n";
  int round = b.roundsStarted - 1;
  std::string name = round >= 0 && round < static_cast<int>(b.config.names.size())
                         ? b.config.names[round] : "Bot";
  b.queue.clear();
  b.waiting = 0;
  if (b.config.plan != Plan::KeysOnlyMedium) Button(false);
  Then(3, [] {});
  for (size_t i = 0; i < PlayerName.size(); ++i) Then(1, [] { Press(kKeyBackspace); });
  Then(1, [name] { testhost::PushText(name); });
  Then(static_cast<int>(name.size()) + 3, [] {
    g_bot->report << "entered " << PlayerName << "\n";
    Press(kKeyReturn);
  });
}

void Watch() {
  Bot& b = *g_bot;
  // A trace line now and then shows where a session that went wrong stood.
  if (++b.frames % 600 == 0) {
    b.report << "trace " << b.frames << " stage " << static_cast<int>(b.stage) << " pause "
             << PauseState << " slide " << SlideStep << " lives " << Lives << " turn " << b.turn
             << " shown " << b.shown.size() << " queued " << b.queue.size() << " focus "
             << (FocusShown ? FocusCell : -1) << " keypicks " << b.keyPicks << " phase "
             << static_cast<int>(CurrentRound().phase) << "\n";
    b.report.flush();
  }
  switch (b.stage) {
    case Bot::Stage::Title:
      if (PauseState == 1) {
        b.stage = Bot::Stage::Round;
        ++b.roundsStarted;
        b.queue.clear();
        b.waiting = 0;
        b.turn = 0;
        b.shown.clear();
        b.picksQueued = false;
        b.prevValue.fill(0);
        b.prevAngle.fill(0);
        b.pickedByMe.fill(false);
        if (b.config.plan != Plan::KeysOnlyMedium) Button(false);
        // The Return that started the round: its release was still queued.
        if (b.config.plan == Plan::KeysOnlyMedium) testhost::PushKey(kKeyReturn, false);
      } else {
        OnTitle();
      }
      break;
    case Bot::Stage::Round:
      if (NameEntryOpen) {
        b.stage = Bot::Stage::Name;
        OnNameEntry();
      } else {
        OnRound();
      }
      break;
    case Bot::Stage::Name:
      if (!NameEntryOpen) {
        b.stage = Bot::Stage::Title;
        b.queue.clear();
        b.waiting = 0;
      }
      break;
    case Bot::Stage::Leaving:
      break;
  }
  RunQueue();
}

// ---------------------------------------------------------------- listening
// A fixed walk through the screens, one scene after another; each scene waits
// for its screen, lets the music play for a while and reports the notes the
// music started meanwhile: "scene NAME song SONG notes N loudest V seed S".
struct Listener {
  int scene = 0;
  int framesInScene = 0;
  size_t playedSeen = 0;
};
Listener g_listener;

bool IsMusicNote(int sound) {
  return sound != 0 && std::find(MusicParts.begin(), MusicParts.end(), sound) != MusicParts.end();
}

void ReportScene(const char* name) {
  auto played = testhost::Played();
  int notes = 0;
  float loudest = 0;
  for (size_t i = g_listener.playedSeen; i < played.size(); ++i) {
    if (!IsMusicNote(played[i].sound)) continue;
    ++notes;
    loudest = std::max(loudest, played[i].volume);
  }
  g_listener.playedSeen = played.size();
  g_bot->report << "scene " << name << " song " << (SongName.empty() ? "-" : SongName) << " notes " << notes
                << " loudest " << loudest << " seed " << SongSeed << "\n";
  g_bot->report.flush();
}

// A key held for a while on the virtual clock: the pause menu waits for
// Escape to be let go without drawing frames, and reads its keys as held.
void HoldKey(int vk, int inMs) {
  uint32_t at = testhost::Clock() + static_cast<uint32_t>(inMs);
  testhost::ScriptLines(std::to_string(at) + " keydown " + std::to_string(vk) + "\n" + std::to_string(at + 100) +
                        " keyup " + std::to_string(vk) + "\n");
}

// Forgets the notes so far: the next report counts from here.
void SkipPlayed() { g_listener.playedSeen = testhost::Played().size(); }

void WatchListening() {
  Listener& l = g_listener;
  ++l.framesInScene;
  auto next = [&l] {
    ++l.scene;
    l.framesInScene = 0;
  };
  constexpr int kListen = 240;   // four seconds of frames
  switch (l.scene) {
    case 0:   // the title screen, slid in and playing for a while
      if (SlideStep < 32) l.framesInScene = 0;
      if (l.framesInScene > kListen) {
        ReportScene("title");
        QueueClick(VirtualWidth / 2 - 50, RowY(1));
        QueueClick(VirtualWidth / 2, VirtualHeight / 2 + 80);
        next();
      }
      break;
    case 1:   // the round has started: settle, then listen
      if (PauseState != 1) l.framesInScene = 0;
      if (l.framesInScene == 30) SkipPlayed();
      if (l.framesInScene > 30 + kListen) {
        ReportScene("round");
        HoldKey(kKeyEscape, 1);
        next();
      }
      break;
    case 2:   // the pause menu
      if (PauseState != 2) l.framesInScene = 0;
      if (l.framesInScene == 30) SkipPlayed();
      if (l.framesInScene > 30 + kListen) {
        ReportScene("paused");
        HoldKey(' ', 1);   // Continue
        next();
      }
      break;
    case 3:   // back in the round
      if (PauseState != 1) l.framesInScene = 0;
      if (l.framesInScene == 30) SkipPlayed();
      if (l.framesInScene > 30 + kListen) {
        ReportScene("continued");
        // Pause again and quit: up from Continue selects Quit.
        HoldKey(kKeyEscape, 1);
        HoldKey(38, 1000);
        HoldKey(' ', 1500);
        next();
      }
      break;
    case 4:   // name entry: the round's song fades out
      if (!NameEntryOpen) l.framesInScene = 0;
      if (l.framesInScene == 1) SkipPlayed();
      if (l.framesInScene > 150) {
        ReportScene("name");
        Button(false);
        Press(kKeyReturn);
        next();
      }
      break;
    case 5:   // the title again
      if (NameEntryOpen || SlideStep < 32) l.framesInScene = 0;
      if (l.framesInScene == 1) SkipPlayed();
      if (l.framesInScene > kListen) {
        ReportScene("title");
        g_bot->report << "quit\n";
        g_bot->report.flush();
        testhost::PushKey(kKeyEscape, true);
        testhost::ScriptLines(std::to_string(testhost::Clock() + 300) + " key 65\n");
        next();
      }
      break;
    default:
      break;
  }
  RunQueue();
}

}  // namespace

int RunInRealWindow(const std::string& root, void (*inChild)(), void (*watcher)()) {
  namespace fs = std::filesystem;
  fs::copy(fs::path(MNEMORA_GAME_DIR) / "Files", fs::path(root) / "Files", fs::copy_options::recursive);
  testsupport::WriteBytes(fs::path(root) / "Files" / "Setup.ini", "[Graphics]\r\nGFX Engine = DX7\r\n");
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    alarm(kTimeLimitSeconds);
    if (chdir(root.c_str()) != 0) _exit(90);
    unsetenv("MNEMORA_HEADLESS");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    inChild();
    FrameWatcher = watcher;
    DataFolderOption = root;   // a test program has no Files/ beside it
    RunProgram();
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunSession(const std::string& root, const BotConfig& config) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    alarm(kTimeLimitSeconds);   // a session that hangs is killed and reported
    if (chdir(root.c_str()) != 0) _exit(90);
    DataFolderOption = root;   // as --data: the test executable has no Files/ beside it
    setenv("MNEMORA_HEADLESS", "", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    static Bot bot;
    bot.config = config;
    bot.report.open(config.reportPath, std::ios::trunc);
    g_bot = &bot;
    FrameWatcher = config.plan == Plan::Listen ? WatchListening : Watch;
    RunProgram();
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace e2e
