// Layout: every screen's texts, at every display size the settings panel
// offers most often, must be readable: no two texts overlap, none leaves the
// window, and no big picture of the title screen lies over a text. The
// screens run in-process on the headless host with the generated fonts and
// art; the platform records the inked box of every text drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/closing_screen.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/pause_menu.h"
#include "framework/settings_panel.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

namespace {

using testhost::DrawnImage;
using testhost::DrawnText;

struct Size {
  int w, h;
};
void PrintTo(const Size& s, std::ostream* out) { *out << s.w << "x" << s.h; }

std::string Describe(const DrawnText& t) {
  std::ostringstream s;
  s << '"' << t.text << "\" at (" << t.x0 << ", " << t.y0 << ")-(" << t.x1 << ", " << t.y1 << ")";
  return s.str();
}

bool Overlap(float ax0, float ay0, float ax1, float ay1, float bx0, float by0, float bx1, float by1) {
  return ax0 < bx1 && bx0 < ax1 && ay0 < by1 && by0 < ay1;
}

// A shadow or outline is the same text drawn a few pixels aside on purpose.
bool ShadowPair(const DrawnText& a, const DrawnText& b) {
  return a.text == b.text && std::abs(a.x0 - b.x0) <= 4 && std::abs(a.y0 - b.y0) <= 4;
}

// Every fault of one scene, one line each.
std::vector<std::string> TextFaults(const std::vector<DrawnText>& texts, const std::vector<std::string>& decorative) {
  std::vector<std::string> faults;
  std::vector<DrawnText> kept;
  for (const DrawnText& t : texts) {
    if (std::find(decorative.begin(), decorative.end(), t.text) == decorative.end()) kept.push_back(t);
  }
  for (size_t i = 0; i < kept.size(); ++i) {
    const DrawnText& a = kept[i];
    if (a.x0 < 0 || a.y0 < 0 || a.x1 > a.windowWidth || a.y1 > a.windowHeight)
      faults.push_back(Describe(a) + " leaves the " + std::to_string(a.windowWidth) + "x" +
                       std::to_string(a.windowHeight) + " window");
    for (size_t j = i + 1; j < kept.size(); ++j) {
      const DrawnText& b = kept[j];
      if (ShadowPair(a, b)) continue;
      if (Overlap(a.x0, a.y0, a.x1, a.y1, b.x0, b.y0, b.x1, b.y1))
        faults.push_back(Describe(a) + " overlaps " + Describe(b));
    }
  }
  return faults;
}

class LayoutTest : public ::testing::TestWithParam<Size> {
 protected:
  void SetUp() override {
    testhost::Start();
    ResetProgramTables();
    tree_ = std::make_unique<testsupport::TempFolder>("layout", testsupport::TempFolder::kDataTree);
    tree_->CopyAllCommon();
    for (const char* f : {"253/Deck_01.png", "253/BG_01.png", "253/heart.png", "253/logo.png", "253/badges.png"})
      tree_->CopyShipped(f);
    OpenLog((tree_->Path() / "Debug.txt").string());

    const Size size = GetParam();
    ::Setup[kSetupEngine] = 2;   // the software back end, the reference for every picture
    ::Setup[kSetupWidth] = size.w;
    ::Setup[kSetupHeight] = size.h;
    RealWidth = size.w;
    RealHeight = size.h;
    SetGraphicsDriver(kDriverDirectX7, 2);
    ASSERT_EQ(Graphics(size.w, size.h, 0, 60, 0), 1);
    ChooseVirtualSpace();
    GraphicsOpen = 1;   // a later set-up: no splash
    LoadSharedAssets();
    AutoMidHandle(1);
    DeckImages[1] = LoadAnimImage("Deck_01.png", 96, 128, 0, 25, 3);
    TableImages[1] = LoadImage("BG_01.png", 3);
    HeartImage = LoadImage("heart.png", 3);
    TitleImage = LoadImage("logo.png", 3);
    DeckCount = TableCount = 1;
    DeckIndex = TableIndex = 1;
    SpriteBudget[1] = SpriteBudget[2] = SpriteBudget[3] = 50000;
    AudioDriverNames = AudioDrivers();
    DebugOverlay = 0;
    LastFlipTime = MilliSecs();
    // The pointer rests in the window's middle, over no control.
    testhost::PushMouseMove(size.w / 2, size.h - 2);
    PollSystem();
  }

  void TearDown() override {
    testhost::RecordTexts(false);
    FrameWatcher = nullptr;
    CloseLog();
    if (GraphicsOpenNow()) EndGraphics();
    tree_.reset();
  }

  void Expect(const std::string& scene, const std::vector<DrawnText>& texts,
              const std::vector<std::string>& decorative = {}) {
    EXPECT_FALSE(texts.empty()) << scene << ": nothing drawn";
    for (const std::string& f : TextFaults(texts, decorative)) ADD_FAILURE() << scene << ": " << f;
    const char* dir = std::getenv("MNEMORA_LAYOUT_SHOTS");
    if (dir && GraphicsOpenNow()) SaveShot(dir, scene);
  }

  // Saves the back buffer for a look (MNEMORA_LAYOUT_SHOTS names a folder).
  void SaveShot(const std::string& dir, const std::string& scene) {
    float vw = VirtualResolutionWidth(), vh = VirtualResolutionHeight();
    SetVirtualResolution(static_cast<float>(GraphicsWidth()), static_cast<float>(GraphicsHeight()));
    int pixmap = GrabPixmap(0, 0, GraphicsWidth(), GraphicsHeight());
    SetVirtualResolution(vw, vh);
    SavePixmapPNG(pixmap, dir + "/" + scene + "-" + std::to_string(GetParam().w) + "x" +
                              std::to_string(GetParam().h) + ".png");
    FreePixmap(pixmap);
  }

  // The texts of the next frame that passes FlipFrame's first step, while run() drives a screen.
  std::vector<DrawnText> TextsOfWatchedFrame(int frame, const std::function<void()>& run) {
    static int calls;
    static int wanted;
    static std::vector<DrawnText> caught;
    calls = 0;
    wanted = frame;
    caught.clear();
    testhost::RecordTexts(true);
    FrameWatcher = [] {
      if (++calls == wanted) caught = testhost::DrawnTexts();
      testhost::ClearDrawnTexts();
    };
    run();
    FrameWatcher = nullptr;
    testhost::RecordTexts(false);
    return caught;
  }

  // Schedules a script line relative to the virtual clock.
  void At(int afterMs, const std::string& event) {
    testhost::ScriptLines(std::to_string(testhost::Clock() + afterMs) + " " + event + "\n");
  }

  std::unique_ptr<testsupport::TempFolder> tree_;
};

// A full panel: sixteen and more ranked names of the difficulty on show,
// the history graph, the thank-you notice and the details of the newest.
void FillScores() {
  const char* const names[] = {"Alexandra Miller", "Player", "Jo", "Sam Taylor", "Kim", "Robin Hood",
                               "Chris", "Morgan Lee", "Pat", "Dana Scully", "Lee", "Max Power",
                               "Alex", "Jamie Fox", "Ray", "Toni Baker", "Ed", "Lou Reed"};
  int64_t stamp = 40000000;
  int64_t score = 1234;
  for (const char* name : names) {
    auto r = std::make_shared<Scores>();
    r->Name = name;
    r->Score = score;
    r->Timestamp = stamp--;
    r->GameMode = 1;
    ListAddLast(ScoreList, r);
    score = score * 7 % 99991 + 100;
  }
  SortScores();
}

TEST_P(LayoutTest, TitleScreenAtRestWithAFullScorePanel) {
  FillScores();
  Difficulty = 1;
  PanelChoice = 1;
  for (int i = 0; i < 40; ++i) TitleFrame();
  ASSERT_EQ(SlideStep, 32);
  ASSERT_EQ(QuitRequested, false);

  testhost::RecordTexts(true);
  TitleFrame();
  std::vector<DrawnText> texts = testhost::DrawnTexts();
  std::vector<DrawnImage> images = testhost::DrawnImages();
  testhost::RecordTexts(false);
  Expect("title", texts);

  // The pictures (title logo, table picker, turning deck preview at its
  // widest) are drawn over no text.
  for (const DrawnImage& im : images) {
    float x0 = im.x0, x1 = im.x1;
    if (im.image == DeckImages[1]) {
      float centre = (im.x0 + im.x1) / 2, half = (im.y1 - im.y0) * 96 / 128 / 2;
      x0 = centre - half;
      x1 = centre + half;
    } else if (im.image != TableImages[1] && im.image != TitleImage) {
      continue;
    }
    for (const DrawnText& t : texts) {
      if (t.order > im.order) continue;
      EXPECT_FALSE(Overlap(x0, im.y0, x1, im.y1, t.x0, t.y0, t.x1, t.y1))
          << "picture " << im.image << " (" << x0 << ", " << im.y0 << ")-(" << x1 << ", " << im.y1
          << ") lies over " << Describe(t);
    }
  }
}

TEST_P(LayoutTest, SettingsPanelFullyOut) {
  PadCount = 2;
  PadNames[1] = "USB Gamepad";
  PadNames[2] = "Wireless Controller";
  PadEnabled[1] = PadEnabled[2] = 1;
  SettingsOpen = 1;
  for (int i = 0; i < 12; ++i) {
    BeginFrame(1);
    FlipFrame(0);
  }
  ASSERT_EQ(SettingsPanelY, 20);
  testhost::RecordTexts(true);
  BeginFrame(1);
  FlipFrame(0);
  std::vector<DrawnText> texts = testhost::DrawnTexts();
  testhost::RecordTexts(false);
  Expect("settings", texts);

  // Every value's labels in turn.
  for (int frameskip = 0; frameskip <= 1; ++frameskip) {
    for (int engine = 0; engine <= 2; ++engine) {
      for (int display = 0; display <= 1; ++display) {
        ::Setup[kSetupFrameskip] = frameskip;
        ::Setup[kSetupEngine] = engine;
        ::Setup[kSetupFullscreen] = display;
        testhost::RecordTexts(true);
        SettingsPanel();
        texts = testhost::DrawnTexts();
        testhost::RecordTexts(false);
        for (const std::string& f : TextFaults(texts, {}))
          ADD_FAILURE() << "settings with frameskip " << frameskip << ", engine " << engine << ", display "
                        << display << ": " << f;
      }
    }
  }
  ::Setup[kSetupEngine] = 2;
  ::Setup[kSetupFrameskip] = 0;
}

TEST_P(LayoutTest, PauseMenuEntries) {
  PauseState = 2;
  At(300, "key 27");
  std::vector<DrawnText> texts = TextsOfWatchedFrame(3, [] { EXPECT_EQ(PauseMenu(), 1); });
  std::vector<std::string> entries;
  for (const DrawnText& t : texts)
    if (t.text != TitleLine) entries.push_back(t.text);
  EXPECT_EQ(entries, (std::vector<std::string>{"Continue", "Quit"}));
  Expect("pause", texts, {TitleLine});
}

TEST_P(LayoutTest, NameEntry) {
  PlayerName = "Alexandra Miller";
  At(300, "key 13");
  std::vector<DrawnText> texts = TextsOfWatchedFrame(3, [] { EnterName(); });
  Expect("name", texts);
}

TEST_P(LayoutTest, RoundHud) {
  StartRound();
  Combo = 12345;
  Score = 98765432;
  std::vector<DrawnText> texts = TextsOfWatchedFrame(2, [] {
    for (int i = 0; i < 3; ++i) RoundFrame();
  });
  Expect("round", texts);
}

TEST_P(LayoutTest, Statistics) {
  DebugOverlay = 1;
  ShownFps = 60;
  testhost::RecordTexts(true);
  BeginFrame(1);
  FlipFrame(0);
  std::vector<DrawnText> texts = testhost::DrawnTexts();
  testhost::RecordTexts(false);
  Expect("statistics", texts);
}

TEST_P(LayoutTest, TwoNotifications) {
  AddNotification("Can't set to fullscreen in this resolution.", 1);
  AddNotification("Saved Screenshot", 1);
  for (int tick = 1; tick <= 61; tick += 60) {
    testhost::RecordTexts(true);
    BeginFrame(1);
    FlipFrame(0);
    std::vector<DrawnText> texts = testhost::DrawnTexts();
    testhost::RecordTexts(false);
    EXPECT_EQ(texts.size(), 2u);
    Expect("notification", texts);
    for (int i = 0; i < 59; ++i) {
      BeginFrame(1);
      FlipFrame(0);
    }
  }
}

struct ClosingEnded {};
[[noreturn]] void ThrowEnded() { throw ClosingEnded{}; }

TEST_P(LayoutTest, ClosingPage) {
  testhost::SetEndHook(&ThrowEnded);
  testhost::PushKey(32, true);
  testhost::RecordTexts(true);
  EXPECT_THROW(ShowClosingScreen(), ClosingEnded);
  std::vector<DrawnText> texts = testhost::DrawnTexts();
  testhost::RecordTexts(false);
  testhost::SetEndHook(nullptr);
  for (const DrawnText& t : texts) {
    EXPECT_EQ(t.windowWidth, 640);
    EXPECT_EQ(t.windowHeight, 480);
  }
  Expect("closing", texts);
}

INSTANTIATE_TEST_SUITE_P(DisplaySizes, LayoutTest,
                         ::testing::Values(Size{800, 600}, Size{1024, 768}, Size{1280, 720}, Size{1366, 768},
                                           Size{1600, 900}, Size{1920, 1080}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                           return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

}  // namespace
