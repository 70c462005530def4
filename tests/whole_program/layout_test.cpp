// Layout: every screen's texts and the pictures that carry meaning, at every
// display size the settings panel offers most often, must be readable: no
// two texts overlap, none leaves the window, no such picture lies over or
// under a text or leaves the window, no box covers what was drawn before it,
// and what belongs in a frame (score rows, the HUD, hearts, a focused row)
// lies inside it. The screens run in-process on the headless host with the
// generated fonts and art; the platform records the inked box of every text
// drawn and the box of every picture and rectangle.
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
using testhost::DrawnRect;
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

// A named box in real pixels, with its place in the drawing order.
struct Box {
  std::string what;
  float x0, y0, x1, y1;
  int order;
};
Box BoxOf(const DrawnText& t) { return {"\"" + t.text + "\"", t.x0, t.y0, t.x1, t.y1, t.order}; }
Box BoxOf(const DrawnImage& im, const std::string& what) { return {what, im.x0, im.y0, im.x1, im.y1, im.order}; }
Box BoxOf(const DrawnRect& r, const std::string& what) { return {what, r.x0, r.y0, r.x1, r.y1, r.order}; }

std::string Describe(const Box& b) {
  std::ostringstream s;
  s << b.what << " at (" << b.x0 << ", " << b.y0 << ")-(" << b.x1 << ", " << b.y1 << ")";
  return s.str();
}
bool Overlap(const Box& a, const Box& b) { return Overlap(a.x0, a.y0, a.x1, a.y1, b.x0, b.y0, b.x1, b.y1); }
// Half a pixel of slack: boxes are placed at fractional pixels.
bool Inside(const Box& in, const Box& out) {
  return in.x0 >= out.x0 - 0.5f && in.y0 >= out.y0 - 0.5f && in.x1 <= out.x1 + 0.5f && in.y1 <= out.y1 + 0.5f;
}

// Pictures that carry meaning lie wholly inside the window, and no text lies
// over or under them.
std::vector<std::string> PictureFaults(const std::vector<Box>& pictures, const std::vector<DrawnText>& texts,
                                       int windowWidth, int windowHeight) {
  std::vector<std::string> faults;
  const Box window{"the window", 0, 0, static_cast<float>(windowWidth), static_cast<float>(windowHeight), 0};
  for (const Box& p : pictures) {
    if (!Inside(p, window)) faults.push_back(Describe(p) + " leaves the window");
    for (const DrawnText& t : texts)
      if (Overlap(p, BoxOf(t))) faults.push_back(Describe(p) + " meets " + Describe(BoxOf(t)));
  }
  return faults;
}

// A box that hides what lies under it (alpha 0.5 or more) drawn after a text
// or a picture must not cover it. Fainter boxes are highlights, meant to lie
// over what they light up.
std::vector<std::string> CoverFaults(const std::vector<DrawnRect>& rects, const std::vector<Box>& under) {
  std::vector<std::string> faults;
  for (const DrawnRect& r : rects) {
    if (r.alpha < 0.5f) continue;
    for (const Box& b : under)
      if (b.order < r.order && Overlap(BoxOf(r, "a box"), b)) faults.push_back(Describe(BoxOf(r, "a box")) + " covers " + Describe(b));
  }
  return faults;
}

// Everything that overlaps the frame lies wholly inside it.
std::vector<std::string> FrameFaults(const Box& frame, const std::vector<Box>& inside) {
  std::vector<std::string> faults;
  for (const Box& b : inside)
    if (Overlap(b, frame) && !Inside(b, frame)) faults.push_back(Describe(b) + " crosses " + Describe(frame));
  return faults;
}

std::vector<Box> TextBoxes(const std::vector<DrawnText>& texts) {
  std::vector<Box> boxes;
  for (const DrawnText& t : texts) boxes.push_back(BoxOf(t));
  return boxes;
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
    Shot(scene);
  }
  void ExpectNone(const std::string& scene, const std::vector<std::string>& faults) {
    for (const std::string& f : faults) ADD_FAILURE() << scene << ": " << f;
  }
  void Shot(const std::string& scene) {
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

// A panel of `count` ranked names of the difficulty on show (more than ten
// bring the thank-you notice, sixteen fill the best list), the history
// graph and the details of the newest.
void FillScores(int count) {
  const char* const names[] = {"Alexandra Miller", "Player", "Jo", "Sam Taylor", "Kim", "Robin Hood",
                               "Chris", "Morgan Lee", "Pat", "Dana Scully", "Lee", "Max Power",
                               "Alex", "Jamie Fox", "Ray", "Toni Baker", "Ed", "Lou Reed"};
  int64_t stamp = 40000000;
  int64_t score = 1234;
  for (int i = 0; i < count && i < 18; ++i) {
    auto r = std::make_shared<Scores>();
    r->Name = names[i];
    r->Score = score;
    r->Timestamp = stamp--;
    r->GameMode = 1;
    ListAddLast(ScoreList, r);
    score = score * 7 % 99991 + 100;
  }
  SortScores();
}

TEST_P(LayoutTest, TitleScreenAtRestWithEveryPanelFilling) {
  for (int records : {5, 11, 18}) {
    SCOPED_TRACE(std::to_string(records) + " records");
    ClearList(ScoreList);
    FillScores(records);
    ResetTitleScreen();
    Difficulty = 1;
    PanelChoice = 1;
    for (int i = 0; i < 40; ++i) TitleFrame();
    ASSERT_EQ(SlideStep, 32);
    ASSERT_EQ(QuitRequested, false);

    testhost::RecordTexts(true);
    TitleFrame();
    const std::vector<DrawnText> texts = testhost::DrawnTexts();
    const std::vector<DrawnImage> images = testhost::DrawnImages();
    const std::vector<DrawnRect> rects = testhost::DrawnRects();
    testhost::RecordTexts(false);
    const std::string scene = "title" + std::to_string(records);
    Expect(scene, texts);

    // The title logo, the table picker and the turning deck preview at its
    // widest lie inside the window, clear of every text, and no box of the
    // score panel covers them or the texts under it.
    std::vector<Box> pictures;
    for (const DrawnImage& im : images) {
      Box box = BoxOf(im, "picture " + std::to_string(im.image));
      if (im.image == DeckImages[1]) {
        float centre = (im.x0 + im.x1) / 2, half = (im.y1 - im.y0) * 96 / 128 / 2;
        box.x0 = centre - half;
        box.x1 = centre + half;
        box.what = "the deck preview";
      } else if (im.image == TableImages[1]) {
        box.what = "the table preview";
      } else if (im.image == TitleImage) {
        box.what = "the title logo";
      } else {
        continue;
      }
      pictures.push_back(box);
    }
    ASSERT_EQ(pictures.size(), 3u);
    const int ww = GetParam().w, wh = GetParam().h;
    // A display without room beside the score panel (4:3) keeps the deck
    // preview in the panel's column, where the thank-you notice and the
    // details lie over its top and its caption by design; a wide one gives
    // it a place of its own, and there nothing may touch it.
    const bool deckBesidePanel = VirtualWidth >= 1600;
    std::vector<Box> kept;
    Box deckColumn{"", 0, 0, 0, 0, 0};
    for (const Box& b : pictures) {
      if (b.what != "the deck preview" || deckBesidePanel) kept.push_back(b);
      // The column from the top down to the caption under the preview.
      if (b.what == "the deck preview") deckColumn = Box{"", b.x0, 0, b.x1, b.y1 + (b.y1 - b.y0) / 4, 0};
    }
    std::vector<DrawnText> notDeck;
    for (const DrawnText& t : texts)
      if (deckBesidePanel || !Overlap(BoxOf(t), deckColumn)) notDeck.push_back(t);
    ExpectNone(scene, PictureFaults(kept, notDeck, ww, wh));
    std::vector<Box> under = TextBoxes(notDeck);
    under.insert(under.end(), kept.begin(), kept.end());
    ExpectNone(scene, CoverFaults(rects, under));

    // The score rows lie inside the panel's frame: the dark box at the right.
    const DrawnRect* frame = nullptr;
    for (const DrawnRect& r : rects)
      if (r.colour == 0 && r.x1 > ww * 0.6f && r.y1 - r.y0 > wh * 0.4f) frame = &r;
    ASSERT_NE(frame, nullptr);
    ExpectNone(scene, FrameFaults(BoxOf(*frame, "the score panel's frame"), TextBoxes(texts)));
  }
}

// The statistics (F12) over the title screen: the rate figure and the lines
// under it keep clear of the screen's own texts.
TEST_P(LayoutTest, TitleScreenWithTheStatistics) {
  for (int i = 0; i < 40; ++i) TitleFrame();
  DebugOverlay = 1;
  ShownFps = 60;
  testhost::RecordTexts(true);
  TitleFrame();
  std::vector<DrawnText> texts = testhost::DrawnTexts();
  testhost::RecordTexts(false);
  Expect("title-statistics", texts);
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

// The keyboard's focus walks every row of the panel: its yellow frame holds
// the whole row, so its edges cross none of the row's texts (those whose
// middle lies within it).
TEST_P(LayoutTest, SettingsPanelFocusOnEveryRow) {
  PadCount = 2;
  PadNames[1] = "USB Gamepad";
  PadNames[2] = "Wireless Controller";
  PadEnabled[1] = PadEnabled[2] = 1;
  MouseMode = 0;   // the controls column too
  SettingsOpen = 1;
  for (int i = 0; i < 12; ++i) {
    BeginFrame(1);
    FlipFrame(0);
  }
  ASSERT_EQ(SettingsPanelY, 20);
  Box previous{"", 0, 0, 0, 0, 0};
  for (int step = 0; step < 40; ++step) {
    testhost::PushKey(40, true);
    PollSystem();
    BeginFrame(1);
    FlipFrame(0);
    testhost::PushKey(40, false);
    PollSystem();
    testhost::RecordTexts(true);
    BeginFrame(1);
    FlipFrame(0);
    const std::vector<DrawnText> texts = testhost::DrawnTexts();
    const std::vector<DrawnRect> rects = testhost::DrawnRects();
    testhost::RecordTexts(false);
    Box frame{"the focus frame", 1e9f, 1e9f, -1e9f, -1e9f, 0};
    for (const DrawnRect& r : rects) {
      if (r.colour != 0xFFE628) continue;
      frame.x0 = std::min(frame.x0, r.x0);
      frame.y0 = std::min(frame.y0, r.y0);
      frame.x1 = std::max(frame.x1, r.x1);
      frame.y1 = std::max(frame.y1, r.y1);
    }
    ASSERT_LT(frame.x0, frame.x1) << "no focus frame at step " << step;
    if (frame.x0 == previous.x0 && frame.y0 == previous.y0) break;   // the last row
    previous = frame;
    if (step == 4) Shot("settings-focus");
    // Two pixels of frame: a text is wholly inside them or wholly outside.
    const float edge = 2.0f * GetParam().h / static_cast<float>(VirtualHeight) + 0.5f;
    const Box within{"inside the focus frame", frame.x0 + edge, frame.y0 + edge, frame.x1 - edge, frame.y1 - edge, 0};
    for (const DrawnText& t : texts) {
      const Box b = BoxOf(t);
      const float cx = (b.x0 + b.x1) / 2, cy = (b.y0 + b.y1) / 2;
      const bool ofTheRow = cx > frame.x0 && cx < frame.x1 && cy > frame.y0 && cy < frame.y1;
      if (ofTheRow && !Inside(b, within))
        ADD_FAILURE() << "settings focus, step " << step << ": " << Describe(b) << " crosses the edge of "
                      << Describe(frame);
    }
  }
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

// With the pad's letter picker up, its box round the letter under the cursor
// and its arrows leave the heading and the help line alone.
TEST_P(LayoutTest, NameEntryWithThePadPicker) {
  PlayerName = "Jo";   // short: the box stands under the middle of the heading
  At(100, "paddown up");   // the first press brings the picker up
  At(200, "padup up");
  At(400, "pad a");
  static int calls;
  static std::vector<DrawnText> texts;
  static std::vector<DrawnRect> rects;
  calls = 0;
  texts.clear();
  rects.clear();
  testhost::RecordTexts(true);
  FrameWatcher = [] {
    if (++calls == 20) {
      texts = testhost::DrawnTexts();
      rects = testhost::DrawnRects();
    }
    testhost::ClearDrawnTexts();
  };
  EnterName();
  FrameWatcher = nullptr;
  testhost::RecordTexts(false);
  ASSERT_FALSE(rects.empty()) << "the picker never came up";
  Expect("name-picker", texts);
  // The box lies round a letter of the name by design; nothing else.
  std::vector<DrawnText> others;
  for (const DrawnText& t : texts)
    if (t.text != PlayerName) others.push_back(t);
  ExpectNone("name-picker", CoverFaults(rects, TextBoxes(others)));
}

// The round at every difficulty (five hearts on Easy): the table art lies
// inside the window, the HUD's texts inside its band and the hearts inside
// its right-hand cell; the cards lie on the table.
TEST_P(LayoutTest, RoundHud) {
  for (int difficulty = 0; difficulty <= 2; ++difficulty) {
    SCOPED_TRACE("difficulty " + std::to_string(difficulty));
    Difficulty = difficulty;
    StartRound();
    Combo = 12345;
    Score = 98765432;
    testhost::RecordTexts(true);
    for (int i = 0; i < 3; ++i) {
      testhost::ClearDrawnTexts();
      RoundFrame();
    }
    const std::vector<DrawnText> texts = testhost::DrawnTexts();
    const std::vector<DrawnImage> images = testhost::DrawnImages();
    testhost::RecordTexts(false);
    const std::string scene = "round" + std::to_string(difficulty);
    Expect(scene, texts);

    const DrawnImage* table = nullptr;
    std::vector<Box> hearts, cards;
    for (const DrawnImage& im : images) {
      if (im.image == TableImages[1]) table = &im;
      if (im.image == HeartImage) hearts.push_back(BoxOf(im, "a heart"));
      if (im.image == DeckImages[1]) cards.push_back(BoxOf(im, "a card"));
    }
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(static_cast<int>(hearts.size()), DifficultyValues(difficulty).lives);
    EXPECT_FALSE(cards.empty());
    const Box art = BoxOf(*table, "the table art");
    ExpectNone(scene, PictureFaults({art}, {}, GetParam().w, GetParam().h));
    // The art's own places, 640 x 960 units: the HUD band and its hearts cell.
    const float sx = (art.x1 - art.x0) / 640, sy = (art.y1 - art.y0) / 960;
    auto inArt = [&](const std::string& what, float x0, float y0, float x1, float y1) {
      return Box{what, art.x0 + x0 * sx, art.y0 + y0 * sy, art.x0 + x1 * sx, art.y0 + y1 * sy, 0};
    };
    const Box band = inArt("the HUD band", 4, 818, 636, 902);
    const Box heartsCell = inArt("the HUD's hearts cell", 316, 818, 636, 902);
    for (const DrawnText& t : texts)
      if (!Inside(BoxOf(t), band)) ADD_FAILURE() << scene << ": " << Describe(BoxOf(t)) << " outside " << Describe(band);
    for (const Box& h : hearts)
      if (!Inside(h, heartsCell)) ADD_FAILURE() << scene << ": " << Describe(h) << " outside " << Describe(heartsCell);
    ExpectNone(scene, PictureFaults(hearts, texts, GetParam().w, GetParam().h));
    for (const Box& c : cards)
      if (!Inside(c, art)) ADD_FAILURE() << scene << ": " << Describe(c) << " off the table";
    UseDrawingSpace(DrawingSpace::Screens);
  }
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
  At(50, "key 32");
  testhost::RecordTexts(true);
  EXPECT_THROW(ShowClosingScreen(), ClosingEnded);
  std::vector<DrawnText> texts = testhost::DrawnTexts();
  std::vector<DrawnImage> images = testhost::DrawnImages();
  testhost::RecordTexts(false);
  testhost::SetEndHook(nullptr);
  for (const DrawnText& t : texts) {
    EXPECT_EQ(t.windowWidth, 640);
    EXPECT_EQ(t.windowHeight, 480);
  }
  Expect("closing", texts);
  // The two logos keep clear of every line.
  std::vector<Box> logos;
  for (const DrawnImage& im : images)
    logos.push_back(BoxOf(im, im.image == PartnerLogoImage ? "the partner logo" : "the logo"));
  EXPECT_EQ(logos.size(), 2u);
  ExpectNone("closing", PictureFaults(logos, texts, 640, 480));
}

INSTANTIATE_TEST_SUITE_P(DisplaySizes, LayoutTest,
                         ::testing::Values(Size{800, 600}, Size{1024, 768}, Size{1280, 720}, Size{1366, 768},
                                           Size{1600, 900}, Size{1920, 1080}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                           return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

}  // namespace
