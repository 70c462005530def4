// The pause menu: Escape during a round freezes the picture, shows it turning
// and pulsing behind a scatter of title lines, and offers Continue and Quit.
#include <cmath>

#include "audio/music.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/menus.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
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
bool UpActive() { return !SettingsPanelOut() && (AnyPlayer(0) || KeyDown(kKeyUp) || ControllerHeld(Nav::Up)); }
bool DownActive() { return !SettingsPanelOut() && (AnyPlayer(8) || KeyDown(kKeyDown) || ControllerHeld(Nav::Down)); }
bool ConfirmActive() {
  return !SettingsPanelOut() &&
         (AnyPlayer(10) || AnyPlayer(11) || KeyDown(kKeySpace) || KeyDown(kKeyReturn) || ControllerHeld(Nav::Accept));
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

void SetPulse(double phase) {
  SetScaleXY(static_cast<float>(1.5 + 0.5 * Sin(static_cast<float>(phase))),
             static_cast<float>(1.5 + 0.5 * Sin(static_cast<float>(1.3 * phase))));
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

}  // namespace

int PauseMenu() {
  // On entry: the press that opened the menu is not a command; the back
  // buffer still holds the caller's scene, without FlipFrame's overlays.
  SetMusicLevel(kPausedMusicLevel, kPauseFadeMs);
  WaitEscapeReleased();
  int frozen = CreateImage(RealWidth, RealHeight, 1, kImageDynamic | kImageFiltered);
  MidHandleImage(frozen);
  // The picture is grabbed in logical units covering the whole back buffer.
  {
    float vw = VirtualResolutionWidth(), vh = VirtualResolutionHeight();
    SetVirtualResolution(static_cast<float>(RealWidth), static_cast<float>(RealHeight));
    GrabImage(frozen, 0, 0, 0);
    SetVirtualResolution(vw, vh);
  }

  double phase = 0, angle = 0;
  int selection = 0;
  bool latch = true;
  int result = 0;
  while (result == 0) {
    // 1-4: the frozen picture, pulsing and turning.
    BeginFrame(1);
    ResetDrawState();
    SetBlend(kBlendAlpha);
    phase += 0.4;
    SetPulse(phase);
    angle += 0.1;
    SetRotationDeg(static_cast<float>(angle));
    SetImageFont(Fonts[kFontButton]);
    DrawImage(frozen, static_cast<float>(VirtualWidth / 2), static_cast<float>(VirtualHeight / 2), 0);

    // 5: the same seed every frame keeps every copy in its place.
    SeedRnd(37171650);
    for (int i = 1; i <= 140; ++i) DrawTitleCopy(i, angle);

    // 6: the box.
    SetRotationDeg(0);
    SetScaleXY(1, 1);
    SetColourAlpha(0, 0, 0, 0.5);
    DrawRect(0.1f * VirtualWidth, 0.375f * VirtualHeight, static_cast<float>(VirtualWidth / 6),
             static_cast<float>(VirtualHeight / 4));

    // 7: a held input acts once.
    bool up = UpActive(), down = DownActive(), confirm = ConfirmActive();
    if (up && !latch) {
      --selection;
      latch = true;
    }
    if (down && !latch) {
      ++selection;
      latch = true;
    }
    if (!confirm && !down && !up) latch = false;

    // 8: the entries.
    int y = static_cast<int>(0.375 * VirtualHeight);
    SetColourAlpha(255, 255, 255);
    SetImageFont(Fonts[kFontButton]);
    if (selection < 0) selection = 1;
    const char* const kEntries[2] = {"Continue", "Quit"};
    const int kResults[2] = {kMenuContinue, kMenuQuit};
    for (int entry = 0; entry < 2; ++entry) {
      y += 60;
      int offset = 0;
      SetColourAlpha(255, 255, 255, 1);
      if (selection == entry) {
        SetColourAlpha(255, 255, 0, 1);
        offset = 20;
        if (confirm && !latch) {
          latch = true;
          result = kResults[entry];
        }
      }
      DrawTextAligned(static_cast<int>(0.1 * VirtualWidth + offset + 10), y, kEntries[entry], kAlignStart, kAlignStart);
    }
    if (selection > 1) selection = 0;

    // 9: forty more copies over the box, continuing the same sequence.
    SetPulse(phase);
    for (int i = 141; i <= 180; ++i) DrawTitleCopy(i, angle);

    // 10-11
    FlipFrame(1);
    bool leave = EscapeForScreen() || (!SettingsPanelOut() && (ControllerHeld(Nav::Back) || ControllerHeld(Nav::Start)));
    if (leave) result = selection == 1 ? kMenuQuit : kMenuContinue;
  }

  // On exit: fresh random numbers again, and no Escape left for the caller.
  SeedRnd(MilliSecs());
  WaitEscapeReleased();
  FreeImage(frozen);
  // Quit leaves it down: the name entry that follows fades it out.
  if (result == 1) SetMusicLevel(1, kPauseFadeMs);
  return result;
}
