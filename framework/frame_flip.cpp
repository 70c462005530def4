// The frame routine: every screen ends each frame here. It hooks the global
// services into every screen (hotkeys, popups, settings panel, statistics,
// pointer, notifications), paces to 60 calls per second, ticks the music,
// presents drawing frames and measures the rate.
#include "framework/frame_flip.h"

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "framework/clock.h"
#include "framework/closing_screen.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/game_hooks.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/icon_frames.h"
#include "platform/platform.h"

// Start values: ResetFrameFlip.
int SettingsOpen;
int DebugOverlay;
int PauseState;
int GcCollected;
int LastFlipTime;
int FrameMs;
int SmoothedFps, ShownFps;

namespace {

// The pad's Back toggles the settings panel as Tab does; its Start pauses a
// round as Escape does, once per press, and only a press made during the
// round: the Start that began the round from the title screen must be let go.
PressEdge PadSettingsPress, PadPausePress;
// Escape or Start seen on a skipped frame waits for the next drawing frame:
// a short press is gone by then.
bool PauseWanted;

}  // namespace

void ResetFrameFlip() {
  ResetNotifications();
  SettingsOpen = 0;
  DebugOverlay = 1;
  PauseState = 0;
  GcCollected = 0;
  ResetFrameSamples();
  LastFlipTime = 0;
  FrameMs = 0;
  SmoothedFps = ShownFps = 0;
  PadSettingsPress = PadPausePress = PressEdge{};
  PauseWanted = false;
}

namespace {

bool HookSays(bool (*hook)()) { return hook != nullptr && hook(); }

// A font taller than the rows' 16 and 14 units moves the rows up by its
// height, so the lowest box ends at the screen's edge and none covers another.
void DrawNotifications() {
  SetScaleXY(1, 1);
  SetImageFont(Fonts[kFontNotice]);
  const int height = TextHeight("");
  const int step = std::max(14, height);
  int row = VirtualHeight - std::max(16, height);
  ListPass(MessageList, [&row, step](const std::shared_ptr<ment>& m) {
    ++m->tick;
    if (m->tick < 60) {
      SetColourAlpha(255, 255, 0, 0.7);
    } else {
      SetColourAlpha(0, 0, 0, 0.7);
    }
    DrawRect(0, static_cast<float>(row), static_cast<float>(TextWidth(m->txt)),
             static_cast<float>(TextHeight(m->txt)));
    if (m->tick < 60) {
      SetColourAlpha(0, 0, 0, 1);
    } else {
      SetColourAlpha(255, 255, 255, 1);
    }
    DrawTextAligned(0, row, m->txt, kAlignStart, kAlignStart);
    row -= step;
    if (m->tick == 180) ListRemove(MessageList, m);
  });
}

}  // namespace

int FlipFrame(int showPointer) {
  int result = 0;

  // The game's overlay, the settings key, the collector's count.
  CallGameHook(GameHooks.drawOverlay);
  bool padSettings = PadSettingsPress.Fresh(ControllerHeld(Nav::Select));
  if (KeyHit(kKeyTab) || padSettings) {
    SettingsOpen = 1 - SettingsOpen;
    SaveSetup();
  }
  if (SkipPhase == 1) GcCollected = GCCollect();

  // Screenshots and the pause menu only on drawing frames; a skipped
  // frame leaves the F11 hit count for the next drawing frame, and so does
  // the engine test, whose measurement neither may interrupt.
  if (PauseState != 1) {
    PadPausePress = PressEdge{};
    PauseWanted = false;
  }
  if (PadPausePress.Fresh(ControllerHeld(Nav::Start)) && !HookSays(FrameHooks.panelOut)) PauseWanted = true;
  if (HookSays(FrameHooks.escapeForScreen) && PauseState == 1) PauseWanted = true;
  bool drawing = IsDrawingFrame();
  if (drawing && !HookSays(FrameHooks.measuring)) {
    if (KeyHit(kKeyF11)) CallGameHook(FrameHooks.screenshot);
    bool pause = PauseWanted;
    PauseWanted = false;
    if (pause && PauseState == 1) {
      PauseState = 2;
      result = FrameHooks.pauseMenu != nullptr ? FrameHooks.pauseMenu() : 0;
      PauseState = 1;
    }
  }

  // The settings panel, the statistics and the pointer.
  CallGameHook(FrameHooks.settingsPanel);
  ResetDrawState();
  SetScaleXY(1.5f, 1.5f);
  SetImageFont(Fonts[kFontFigures]);
  if (KeyHit(kKeyF12)) DebugOverlay = 1 - DebugOverlay;
  if (DebugOverlay == 1) CallGameHook(FrameHooks.statistics);
  if (showPointer == 1 || SettingsOpen == 1) {
    DrawImage(IconSheet, VirtualMouseX() + 12, VirtualMouseY() + 12, icon::kPointer);
  }

  // The clicks of this frame.
  LeftClick = MouseHit(1);
  RightClick = MouseHit(2);

  // Pacing: sleep until 2 ms short of a 60th of a second after the last
  // flip, in one wait (which pumps events between its slices) rather than a
  // wake-up every millisecond. The sleep comes first, so even a late frame
  // gives the machine a millisecond. A drawing frame's scene goes to the
  // back end first: it renders during the sleep instead of after it (a GL
  // driver that rasterises on the CPU only starts at a flush).
  if (IsDrawingFrame()) FlushDrawing();
  const double due = LastFlipTime - 2 + 1000.0 / 60.0;
  do {
    Delay(std::max(1, static_cast<int>(std::ceil(due - Clock()))));
  } while (static_cast<double>(Clock()) < due);

  // The music, the notifications, the picture. The drawing-frame test is
  // made again here: the settings panel may have switched frameskip, and the
  // pause menu's own frames move SkipPhase.
  UpdateMusic();
  DrawNotifications();
  if (IsDrawingFrame()) Flip(0);

  // The measured rate; pacing guarantees FrameMs >= 15, so the division is safe.
  FrameMs = Clock() - LastFlipTime;
  if (FrameMs < 1) FrameMs = 1;
  SmoothedFps = (1000 / FrameMs + 2 * SmoothedFps) / 3;
  ShownFps = SmoothedFps;
  LastFlipTime = Clock();
  SkipPhase = 1 - SkipPhase;

  // Events, and the ways to close the program. The pointer is sampled after
  // the last pump, so the next frame sees it where any press it reads was
  // made: a tap moves the pointer and presses in one pump. A page that
  // changed size gets a display of its new size before the next frame is
  // drawn (not under the pause menu, whose frozen picture has the old one).
  PollSystem();
  if (PauseState != 2 && !HookSays(FrameHooks.measuring)) FollowPageSize();
  MouseXPrev = MouseXNow;
  MouseYPrev = MouseYNow;
  MouseXNow = static_cast<int>(VirtualMouseX());
  MouseYNow = static_cast<int>(VirtualMouseY());
  if ((KeyDown(kKeyF4) && (KeyDown(kKeyLAlt) || KeyDown(kKeyRAlt))) || AppTerminate()) ShowClosingScreen();
  return result;
}
