// The title screen, the hub of the game: difficulty, table art and deck
// choice, the rules in three lines, credits and the high-score panel, and the
// start button that runs a card round. One loop, one FlipFrame per frame.
#include "game/title_screen.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "audio/sound_effects.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/statistics.h"
#include "framework/settings_panel.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/game_music.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "platform/platform.h"

// Start values: ResetTitleScreen.
int SlideStep;
int SpinAngle;
bool InputLatch;
bool MouseWasDown;
bool EscapeLatch;
bool QuitRequested;

namespace {

constexpr int kSlideSteps = 32;

// The difficulty keys step once per press: without this a held arrow would
// spin through the three rows sixty times a second.
bool DifficultyKeyHeld;

// Keyboard and pad presses act once; all start as held, so whatever ended
// the round (the name's Return, the pad's A) must be let go first.
PressEdge StartPress, DeckPress, TablePress, LeavePress;

const char* const kNoticeLines[3] = {
    "More card decks and table art are on their way:",
    "a later update will bring them, and new cards too.",
    "Until then, press X and Z to try the ones you have.",
};

// Slide offset: 800 while the screen starts to slide in, 0 once it is in place.
int SlideOffset() { return 800 - 25 * SlideStep; }

// A cleared frame with the blue stripes the loading splash draws too.
void DrawBackdrop() {
  BeginFrame(1);
  ResetDrawState();
  DrawStripes({0, 0, 0}, {0, 0, 1});
  ResetDrawState();
}

// The credits panel, sliding in from the left. Narrow displays rasterise
// fonts larger, so the panel is wider there.
// The credits are drawn in the notification font, the one the frame flip
// leaves selected, so they look the same from the first frame on.
void DrawCredits(int vh) {
  int width = 320, step = 10;
  if (RealWidth < 900) {
    width = 416;
    step = 13;
  }
  int o = width - SlideStep * step;
  SetColourAlpha(0, 0, 0, 0.6);
  DrawRect(static_cast<float>(10 - o), static_cast<float>(vh - 430), static_cast<float>(width), 422);
  SetColourAlpha(255, 255, 255, 1);
  SetImageFont(Fonts[kFontNotice]);
  // Lines 20 apart: on narrow displays the font is shrunk until they part.
  SetScaleXY(LineFitScale(20));
  for (int i = 1; i <= CreditCount && i < static_cast<int>(CreditLines.size()); ++i) {
    DrawTextAlignedScaled(width / 2 + 5 - o, vh - 428 + 20 * (i - 1), CreditLines[i], kAlignCentre, kAlignStart);
  }
  SetScaleXY(1);
}

// The settings hint; it blinks only while the setup still holds the default
// width. The statistics' rate figure (F12) takes the corner, so the hint
// then stands beside it.
void DrawSettingsHint() {
  if (Setup[kSetupWidth] == 800 && Clock() % 800 < 400) SetColourAlpha(255, 255, 0, 1);
  SetImageFont(Fonts[kFontNotice]);
  const int rateRight = StatisticsRateRight();
  DrawTextAligned(rateRight > 0 ? rateRight + 12 : 4, 4, "Hit [Tab] for settings", kAlignStart, kAlignStart);
}

// The settings panel counts as hidden up to one slide step out: a click meant
// for one of its rows must not also start a round or change the art below it.
bool PanelHidden() { return SettingsPanelY < -250; }

// While the settings panel is out, the keys and the pad work the panel.
bool KeysForThisScreen() { return !SettingsPanelOut(); }

void StartRound() {
  // The title music must not run on under the round.
  if (ChannelSlots[1] != 0 && ChannelPlaying(ChannelSlots[1])) ClearChannelSlot(1);
  // Escape may pause the round.
  PauseState = 1;
  PlayRound();
  // Whatever ended the round (Escape, a click) must not act here too.
  ClearInputHits();
  PauseState = 0;
  EscapeLatch = true;
  InputLatch = true;
  SlideStep = 0;
  PanelScroll = 0;
  PanelChoice = 0;
  StartPress = DeckPress = TablePress = LeavePress = PressEdge{};
}

// "Click Here to Start", and the keys and pad buttons that start a round as a click does.
void StartButton(int vw, int vh) {
  SetColourAlpha(255, 150, 150, 1);
  if (MouseOver(vw / 2 - 200, vh / 2 + 40 + SlideOffset(), 400, 80)) {
    SetColourAlpha(255, 255, 255, 1);
    if (MouseWasDown && !InputLatch && PanelHidden()) StartRound();
  }
  SetImageFont(Fonts[kFontButton]);
  DrawTextAligned(vw / 2, vh / 2 + 80 + SlideOffset(), "Click Here to Start", kAlignCentre, kAlignCentre);
  MouseWasDown = MouseDown(1) != 0;
  if (!MouseWasDown) InputLatch = false;

  // Return, Space, or the pad's A or Start, like a click on the button.
  bool start = KeyDown(kKeyReturn) || KeyDown(kKeySpace) || ControllerHeld(Nav::Accept) ||
               ControllerHeld(Nav::Start);
  if (StartPress.Fresh(start) && KeysForThisScreen() && PanelHidden()) StartRound();
}

// The three difficulty rows: a click picks one, the up and down keys step once per press.
void DifficultyRows(int vw, int vh) {
  struct Row {
    const char* label;
    int offset, value;
  };
  static const Row rows[3] = {{"Easy", 200, 0}, {"Medium", 250, 1}, {"Hard", 300, 2}};
  SetImageFont(Fonts[kFontRows]);
  for (const Row& row : rows) {
    SetColourAlpha(255, 255, 255, Difficulty == row.value ? 1.0 : 0.5);
    int y = vh / 2 + row.offset - SlideOffset();
    DrawTextAligned(vw / 2 - 100, y, row.label, kAlignStart, kAlignStart);
    if (MouseOver(vw / 2 - 100, y, 200, 40) && MouseDown(1)) Difficulty = row.value;
  }

  bool up = ControlDown(kControlUp, 1) || ControlDown(kControlUp, 2) || ControllerHeld(Nav::Up);
  bool down = ControlDown(kControlDown, 1) || ControlDown(kControlDown, 2) || ControllerHeld(Nav::Down);
  bool fresh = !DifficultyKeyHeld;
  DifficultyKeyHeld = up || down;
  if (!fresh || !KeysForThisScreen()) return;
  if (!InputLatch && up) {
    InputLatch = true;
    Difficulty = Difficulty <= 0 ? 2 : Difficulty - 1;
  }
  if (!InputLatch && down) {
    InputLatch = true;
    Difficulty = Difficulty >= 2 ? 0 : Difficulty + 1;
  }
}

// The title image, the rules in three lines and the notice about more decks.
void DrawTexts(int vw, int vh) {
  int d = SlideOffset();
  SetColourAlpha(255, 255, 255, 1);
  DrawImage(TitleImage, static_cast<float>(vw / 2), static_cast<float>(vh / 2 - 240 - d), 0);
  SelectFont(2, 4);
  SetScaleXY(LineFitScale(30));
  DrawTextAlignedScaled(vw / 2, vh / 2 - 60 + d, "Remember the Layout", kAlignCentre, kAlignCentre);
  DrawTextAlignedScaled(vw / 2, vh / 2 - 30 + d, "Remember the Order", kAlignCentre, kAlignCentre);
  DrawTextAlignedScaled(vw / 2, vh / 2 + d, "Pick the Cards Again", kAlignCentre, kAlignCentre);
  SetScaleXY(1);
  SelectFont(2, 2);
  for (int i = 0; i < 3; ++i) DrawTextAligned(vw / 2, vh / 2 + 120 + 20 * i + d, kNoticeLines[i], kAlignCentre, kAlignCentre);
}

// The turning deck preview (192 units wide) stands in the score panel's
// column, where the thank-you notice lies over its top. A display wide
// enough (16:9) gives it room of its own just left of the column, clear of
// the title logo (640 units wide as shipped).
int DeckPreviewLeft(int vw) {
  const int ownPlace = vw - 332 - 4 - 192;
  const int logoHalf = std::max(ImageWidth(TitleImage), 640) / 2;
  if (ownPlace >= vw / 2 + logoHalf + 4) return ownPlace;
  return vw - 242;
}

// The table picker on the left, the turning deck preview on the right.
void DrawPickers(int vw, int vh) {
  int d = SlideOffset();
  int y1 = static_cast<int>(vh * 0.1);

  SetColourAlpha(255, 255, 255, 1);
  SetScaleXY(0.35f, 0.35f);
  if (MouseOver(50 - d, y1, 224, 336)) {
    SetColourAlpha(247, 255, 247, 1);
    if (MouseDown(1) && !InputLatch && PanelHidden()) {
      StepTable();
      InputLatch = true;
    }
  }
  DrawSpriteCounted(CurrentTableImage(), 50 - d, y1, 0, 1);

  SpinAngle += 4;

  double c = std::fabs(Cos(static_cast<float>(SpinAngle)));
  SetColourAlpha(255, 255, 255, 1);
  SetScaleXY(static_cast<float>(2 * c), 2);
  const int deckLeft = DeckPreviewLeft(vw);
  if (MouseOver(deckLeft + d, y1, 192, 256)) {
    SetColourAlpha(247, 255, 247, 1);
    if (MouseDown(1) && !InputLatch && PanelHidden()) {
      StepDeck();
      InputLatch = true;
    }
  }
  int frame = Cos(static_cast<float>(SpinAngle)) > 0 ? 0 : 23;
  DrawSpriteCounted(CurrentDeckImage(), static_cast<int>((deckLeft + d + 96) - 96 * c), y1, frame, 1);

  SetColourAlpha(255, 255, 255, 1);
  SetScaleXY(1, 1);
  SelectFont(2, 3);
  // The caption keeps clear of the table picture (336 high) above it.
  int captionY = std::max(static_cast<int>(vh * 0.1 + 343.0), y1 + 336 + TextHeight("Click to Change") / 2);
  DrawTextAligned(static_cast<int>(50 - d + 112.0), captionY, "Click to Change", kAlignCentre, kAlignCentre);
  DrawTextAligned(deckLeft + 96 + d, static_cast<int>(vh * 0.1 + 276.0), "Click to Change", kAlignCentre, kAlignCentre);
}

}  // namespace

void ResetTitleScreen() {
  SlideStep = 0;
  SpinAngle = 0;
  InputLatch = false;
  MouseWasDown = false;
  EscapeLatch = false;
  QuitRequested = false;
  DifficultyKeyHeld = false;
  StartPress = DeckPress = TablePress = LeavePress = PressEdge{};
}

void TitleFrame() {
  // Every frame: a display set up again from the settings panel comes back
  // in the screens' space.
  UseDrawingSpace(DrawingSpace::Tall);
  ShowPageScreen(kPageScreenTitle);
  const int vw = VirtualWidth;
  const int vh = VirtualHeight;
  // Rounds saved meanwhile in another tab join the panel.
  PickUpSavedScores();

  DrawBackdrop();
  if (SlideStep < kSlideSteps) ++SlideStep;
  DrawCredits(vh);
  DrawSettingsHint();
  // The pickers come before the score panel: the deck preview stands in the
  // panel's column, and the panel's thank-you notice and details must lie
  // over it, not under it.
  DrawPickers(vw, vh);
  DrawScorePanel(SlideStep * 10, Difficulty, 0, 0);
  StartButton(vw, vh);
  DifficultyRows(vw, vh);
  DrawTexts(vw, vh);
  // X and Z step through the decks and the table art.
  if (KeyHit(kKeyX)) StepDeck();
  if (KeyHit(kKeyZ)) StepTable();
  PlayScreenSong(ScreenSong::Title);
  // The pad's shoulders do what X and Z do.
  if (DeckPress.Fresh(ControllerHeld(Nav::ShoulderRight)) && KeysForThisScreen()) StepDeck();
  if (TablePress.Fresh(ControllerHeld(Nav::ShoulderLeft)) && KeysForThisScreen()) StepTable();
  FlipFrame(1);

  // An Escape still held from the round must be let go before it quits,
  // and so must one that closed the settings panel. The pad's B leaves too.
  if (SettingsPanelOut()) EscapeLatch = true;
  if (!KeyDown(kKeyEscape)) EscapeLatch = false;
  if (!EscapeLatch && KeyDown(kKeyEscape)) QuitRequested = true;
  if (LeavePress.Fresh(ControllerHeld(Nav::Back)) && KeysForThisScreen()) QuitRequested = true;
}

void TitleScreen() {
  // Everything but the deck preview's angle starts afresh.
  int spin = SpinAngle;
  ResetTitleScreen();
  SpinAngle = spin;
  ClearInputHits();
  while (!QuitRequested) TitleFrame();
  UseDrawingSpace(DrawingSpace::Screens);
}
