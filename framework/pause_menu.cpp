// The pause menu: Escape during a round freezes the picture, shows it turning
// and pulsing behind a scatter of title lines, and offers Continue and Quit.
#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/frame_samples.h"
#include "framework/game_identity.h"
#include "framework/pause_menu.h"
#include "framework/settings_panel.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"

namespace {

// The music plays on under the menu, turned down; Continue brings it back.
constexpr float kPausedMusicLevel = 0.3f;
constexpr int kPauseFadeMs = 250;

bool AnyPlayer(int control) {
  for (int player = 1; player <= 4; ++player) {
    if (ControlDown(control, player)) return true;
  }
  return false;
}

// The pad's D-pad (or left stick) and A work as the arrows and Space do;
// Return confirms too. While the settings panel is out, they work the panel.
bool UpActive() {
  return !SettingsPanelOut() && (AnyPlayer(kControlUp) || KeyDown(kKeyUp) || ControllerHeld(Nav::Up));
}
bool DownActive() {
  return !SettingsPanelOut() && (AnyPlayer(kControlDown) || KeyDown(kKeyDown) || ControllerHeld(Nav::Down));
}
bool ConfirmActive() {
  return !SettingsPanelOut() && (AnyPlayer(kControlButton1) || AnyPlayer(kControlButton2) || KeyDown(kKeySpace) ||
                                 KeyDown(kKeyReturn) || ControllerHeld(Nav::Accept));
}
// Escape, or the pad's B or Start: leave the menu with what is highlighted.
bool LeaveHeld() {
  return KeyDown(kKeyEscape) || ControllerHeld(Nav::Back) || ControllerHeld(Nav::Start);
}

// Waits, pumping events and sleeping briefly, while Escape (or the pad's B
// or Start) is held, or until a close request, which the next frame then
// acts on.
void WaitEscapeReleased() {
  while (LeaveHeld() && !AppTerminatePending()) {
    PollSystem();
    Delay(1);
  }
}

// The pulse, 1 to 2 on each axis, times a base scale.
void SetPulse(double phase, float baseX = 1, float baseY = 1) {
  SetScaleXY(baseX * static_cast<float>(1.5 + 0.5 * Sin(static_cast<float>(phase))),
             baseY * static_cast<float>(1.5 + 0.5 * Sin(static_cast<float>(1.3 * phase))));
}

// The caller's scene, still in the back buffer without FlipFrame's overlays,
// as an image with its handle at the centre. The picture is grabbed in
// logical units covering the whole back buffer.
int GrabFrozenPicture() {
  int frozen = CreateImage(RealWidth, RealHeight, 1, kImageDynamic | kImageFiltered);
  MidHandleImage(frozen);
  float vw = VirtualResolutionWidth(), vh = VirtualResolutionHeight();
  SetVirtualResolution(static_cast<float>(RealWidth), static_cast<float>(RealHeight));
  GrabImage(frozen, 0, 0, 0);
  SetVirtualResolution(vw, vh);
  return frozen;
}

// How the frozen picture pulses and turns; one step per frame.
struct Motion {
  double phase = 0, angle = 0;
};

// A fresh frame with the frozen picture, one step further in its pulse and
// turn. The picture holds real pixels and is drawn in virtual units: its base
// scale (virtual over real) makes it cover the screen exactly at pulse 1,
// whatever the display's size.
void DrawFrozenPicture(int frozen, Motion& motion) {
  BeginFrame(1);
  ResetDrawState();
  SetBlend(kBlendAlpha);
  motion.phase += 0.4;
  SetPulse(motion.phase, static_cast<float>(VirtualWidth) / static_cast<float>(RealWidth),
           static_cast<float>(VirtualHeight) / static_cast<float>(RealHeight));
  motion.angle += 0.1;
  SetRotationDeg(static_cast<float>(motion.angle));
  SetImageFont(Fonts[kFontButton]);
  DrawImage(frozen, static_cast<float>(VirtualWidth / 2), static_cast<float>(VirtualHeight / 2), 0);
}

void DrawTitleCopy(int i, double angle) {
  SetRotationDeg(static_cast<float>(angle + 2 * i));
  int blue = 50 * Rand(1, 5);
  int green = 50 * Rand(1, 5);
  int red = 50 * Rand(1, 5);
  SetColourAlpha(red, green, blue, 0.4);
  int y = Rand(0, VirtualHeight);
  int x = Rand(0, VirtualWidth);
  DrawTextAligned(x, y, TitleLine, kAlignCentre, kAlignCentre);
}

// Copies first..last of the title line, each at its own turn, colour and place.
void DrawTitleCopies(int first, int last, double angle) {
  for (int i = first; i <= last; ++i) DrawTitleCopy(i, angle);
}

void DrawMenuBox() {
  SetRotationDeg(0);
  SetScaleXY(1, 1);
  SetColourAlpha(0, 0, 0, 0.5);
  DrawRect(0.1f * VirtualWidth, 0.375f * VirtualHeight, static_cast<float>(VirtualWidth / 6),
           static_cast<float>(VirtualHeight / 4));
}

// The highlighted entry, and what the menu ended with (0 while it runs). A
// held input acts once: the latch holds until every input is let go.
struct MenuCursor {
  int selection = 0;
  bool latch = true;
  int result = 0;
  PressEdge button;   // the left button: a click is a fresh press, one held at opening is not
};

struct MenuInput {
  bool up, down, confirm, click;
};

MenuInput ReadMenuInput(MenuCursor& cursor) {
  MenuInput input;
  input.up = UpActive();
  input.down = DownActive();
  input.confirm = ConfirmActive();
  input.click = cursor.button.Fresh(MouseDown(1) != 0) && !SettingsPanelOut();
  return input;
}

void MoveSelection(MenuCursor& cursor, const MenuInput& input) {
  if (input.up && !cursor.latch) {
    --cursor.selection;
    cursor.latch = true;
  }
  if (input.down && !cursor.latch) {
    ++cursor.selection;
    cursor.latch = true;
  }
  if (!input.confirm && !input.down && !input.up) cursor.latch = false;
}

// The pointer works the entries as on every other screen: moved over one it
// highlights it (a pointer at rest leaves the keys' highlight alone), and a
// click on one takes it. The entry's row spans the box and its text, moved in
// or not. While the settings panel is out, the pointer is the panel's.
void PointAtEntry(MenuCursor& cursor, bool click, int entry, int y, const char* text, int result) {
  if (SettingsPanelOut()) return;
  const int left = static_cast<int>(0.1 * VirtualWidth);
  const int width = std::max(VirtualWidth / 6, 30 + TextWidth(text));
  if (!MouseOver(left, y, width, std::max(TextHeight(text), 30))) return;
  if (MouseXNow != MouseXPrev || MouseYNow != MouseYPrev) cursor.selection = entry;
  if (click) {
    cursor.selection = entry;
    cursor.latch = true;
    cursor.result = result;
  }
}

// Continue and Quit, the highlighted one in yellow and moved in; a fresh
// confirm takes the highlighted one. The selection wraps round both ways.
void DrawEntries(MenuCursor& cursor, const MenuInput& input) {
  int y = static_cast<int>(0.375 * VirtualHeight);
  SetColourAlpha(255, 255, 255);
  SetImageFont(Fonts[kFontButton]);
  if (cursor.selection < 0) cursor.selection = 1;
  const char* const kEntries[2] = {"Continue", "Quit"};
  const int kResults[2] = {kMenuContinue, kMenuQuit};
  for (int entry = 0; entry < 2; ++entry) {
    y += 60;
    PointAtEntry(cursor, input.click, entry, y, kEntries[entry], kResults[entry]);
    int offset = 0;
    SetColourAlpha(255, 255, 255, 1);
    if (cursor.selection == entry) {
      SetColourAlpha(255, 255, 0, 1);
      offset = 20;
      if (input.confirm && !cursor.latch) {
        cursor.latch = true;
        cursor.result = kResults[entry];
      }
    }
    DrawTextAligned(static_cast<int>(0.1 * VirtualWidth + offset + 10), y, kEntries[entry], kAlignStart, kAlignStart);
  }
  if (cursor.selection > 1) cursor.selection = 0;
}

// Escape meant for the screen, or the pad's B or Start while the settings
// panel is in, leaves the menu with the highlighted entry.
bool LeaveRequested() {
  return EscapeForScreen() || (!SettingsPanelOut() && (ControllerHeld(Nav::Back) || ControllerHeld(Nav::Start)));
}

}  // namespace

int PauseMenu() {
  // On entry: the press that opened the menu is not a command.
  SetMusicLevel(kPausedMusicLevel, kPauseFadeMs);
  WaitEscapeReleased();
  ClearInputHits();
  int frozen = GrabFrozenPicture();

  Motion motion;
  MenuCursor cursor;
  while (cursor.result == 0) {
    DrawFrozenPicture(frozen, motion);
    // The same seed every frame keeps every copy in its place.
    SeedRnd(37171650);
    DrawTitleCopies(1, 140, motion.angle);
    DrawMenuBox();
    const MenuInput input = ReadMenuInput(cursor);
    MoveSelection(cursor, input);
    DrawEntries(cursor, input);
    // Forty more copies over the box, continuing the same sequence.
    SetPulse(motion.phase);
    DrawTitleCopies(141, 180, motion.angle);
    FlipFrame(1);
    if (LeaveRequested()) cursor.result = cursor.selection == 1 ? kMenuQuit : kMenuContinue;
  }

  // On exit: fresh random numbers again, and no Escape left for the caller.
  SeedRnd(MilliSecs());
  WaitEscapeReleased();
  ClearInputHits();
  FreeImage(frozen);
  // Quit leaves it down: the name entry that follows fades it out.
  if (cursor.result == kMenuContinue) SetMusicLevel(1, kPauseFadeMs);
  return cursor.result;
}
