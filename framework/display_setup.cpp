// Display set-up: lists the modes, picks the requested one, chooses the
// graphics driver, opens the display, fixes the virtual drawing space and
// reloads everything that belongs to the display. "crash.dat" marks a set-up
// in progress, so a start that died inside the OpenGL driver moves the next
// one to the alternative driver. The guard is held while the set-up runs:
// one that another running copy of the game holds is no crash.
#include "framework/display_setup.h"

#include <cmath>

#include "audio/music.h"
#include "framework/game_hooks.h"
#include "framework/game_identity.h"
#include "framework/log.h"
#include "framework/notifications.h"
#include "framework/setup_file.h"
#include "platform/platform.h"

// Start values: ResetDisplaySetup.
int RealWidth, RealHeight;
int VirtualWidth, VirtualHeight;
int ModeCount;
std::array<int, 2500> ModeWidths;
std::array<int, 2500> ModeHeights;
int GraphicsOpen;
bool DisplaySetupRunning;

namespace {
bool g_guardSwitched;   // a leftover guard moved OpenGL away this run
int g_guard;            // the guard this copy holds during a set-up; 0 = none
bool g_engineLooked;    // the first set-up of this run has chosen the engine
DrawingSpace g_space;   // the last one a screen asked for
}  // namespace

std::string CrashGuardPath() { return DataFilePath(GameFolder() + "crash.dat"); }

void ResetDisplaySetup() {
  RealWidth = 800;
  RealHeight = 600;
  VirtualWidth = 1280;
  VirtualHeight = 960;
  ModeCount = 0;
  ModeWidths.fill(0);
  ModeHeights.fill(0);
  GraphicsOpen = 0;
  DisplaySetupRunning = false;
  g_guardSwitched = false;
  g_space = DrawingSpace::Screens;
  DropGuardFile(g_guard);
  g_guard = 0;
  g_engineLooked = false;
}

void DropCrashGuard() {
  if (g_guard != 0) {
    DropGuardFile(g_guard);
    g_guard = 0;
  } else if (GuardFileState(CrashGuardPath()) == 1) {
    DeleteFile(CrashGuardPath());
  }
}

namespace {

// 16:10, 16:9 and 4:3 displays, compared with truncating integer division.
bool AcceptableShape(int w, int h) {
  return h == w * 10 / 16 || h == w * 9 / 16 || h == w * 3 / 4;
}

// Makes driver 0, 1 or 2 the graphics driver (other values select nothing).
void SelectDriver(int driver) {
  if (driver == 0) {
    SetGraphicsDriver(kDriverOpenGL, 2);
    LogLine("\tUsing OpenGL Driver");
  } else if (driver == 1) {
    SetGraphicsDriver(kDriverDirect3D9, 2);
    LogLine("\tUsing DirectX 9 Driver");
  } else if (driver == 2) {
    SetGraphicsDriver(kDriverDirectX7, 2);
    LogLine("\tUsing DirectX 7 Driver");
  }
}

}  // namespace

void ListDisplayModes() {
  ModeCount = 0;
  int count = CountGraphicsModes();
  for (int i = 0; i < count; ++i) {
    int w = 0, h = 0, depth = 0, hertz = 0;
    GetGraphicsMode(i, w, h, depth, hertz);
    if (!AcceptableShape(w, h)) continue;
    bool listed = false;
    for (int k = 1; k <= ModeCount; ++k) {
      if (ModeWidths[k] == w && ModeHeights[k] == h) listed = true;
    }
    if (listed || ModeCount >= static_cast<int>(ModeWidths.size()) - 1) continue;
    ++ModeCount;
    ModeWidths[ModeCount] = w;
    ModeHeights[ModeCount] = h;
    if (w == Setup[kSetupWidth] && h == Setup[kSetupHeight]) {
      Setup[kSetupMode] = ModeCount;
      RealWidth = w;
      RealHeight = h;
    }
  }
  // In the browser the page's size is the display's; the stored size stays
  // as it is for the desktop's sake.
  int pageW = 0, pageH = 0;
  if (PageDisplaySize(pageW, pageH) == 1) {
    RealWidth = pageW;
    RealHeight = pageH;
    return;
  }
  // An unlisted size keeps the one in use before.
  Setup[kSetupWidth] = RealWidth;
  Setup[kSetupHeight] = RealHeight;
}

int ChooseColourDepth() {
  // A page goes full screen by the player's own tap on its button only.
  int pageW = 0, pageH = 0;
  if (Setup[kSetupFullscreen] != 1 || PageDisplaySize(pageW, pageH) == 1) return 0;
  for (int d : {32, 24, 16}) {
    if (GraphicsModeExists(RealWidth, RealHeight, d, 0)) return d;
  }
  AddNotification("Can't set to fullscreen in this resolution.", 1);
  return 0;
}

namespace {

// The screens' space by the display's shape: 0 for 4:3 and other shapes, 1
// for 16:9, 2 for 16:10.
int ScreenSpace(int& width, int& height) {
  width = 1280;
  height = 960;
  int wide = 0;
  if (RealHeight == RealWidth * 9 / 16) {
    width = 1600;
    height = 900;
    wide = 1;
  }
  if (RealHeight == RealWidth * 10 / 16) {
    width = 1440;
    height = 900;
    wide = 2;
  }
  // A page has any shape: one wider than 4:3 gets a space 900 tall and as
  // wide as the page's shape, as a 16:9 display gets 1600 x 900.
  int pageW = 0, pageH = 0;
  if (wide == 0 && RealWidth * 3 > RealHeight * 4 && PageDisplaySize(pageW, pageH) == 1) {
    width = static_cast<int>(std::lround(900.0 * RealWidth / RealHeight));
    height = 900;
    wide = 1;
  }
  return wide;
}

constexpr int kTallSpaceHeight = 960;   // the round's table art's height, virtual units


// The first start (the setup names no engine) on OpenGL: where OpenGL draws
// on the CPU, the software engine fills the screen faster and draws only
// what changed, so the game starts on it.
void LeaveSoftwareGl(int depth) {
  if (GraphicsRendererInSoftware() != 1) return;
  LogLine("\tOpenGL draws in software here (" + GraphicsRenderer() + "): starting on the software engine");
  ReopenDisplayWith(2, depth);
}

}  // namespace

void ChooseVirtualSpace() {
  const int wide = ScreenSpace(VirtualWidth, VirtualHeight);
  Setup[kSetupWidescreen] = wide != 0 ? 1 : 0;
  if (wide == 1) LogLine("\tWidescreen mode!");
  if (wide == 2) LogLine("\tWidescreen mode B (10:16)!");
  SetVirtualResolution(static_cast<float>(VirtualWidth), static_cast<float>(VirtualHeight));
}

void UseDrawingSpace(DrawingSpace space) {
  g_space = space;
  int width = 0, height = 0;
  ScreenSpace(width, height);
  float exactWidth = static_cast<float>(width);
  if (space == DrawingSpace::Tall && height < kTallSpaceHeight) {
    exactWidth = static_cast<float>(width) * kTallSpaceHeight / static_cast<float>(height);
    width = static_cast<int>(std::lround(exactWidth));
    height = kTallSpaceHeight;
  }
  VirtualWidth = width;
  VirtualHeight = height;
  SetVirtualResolution(exactWidth, static_cast<float>(height));
}

void ApplyDisplaySettings() {
  DisplaySetupRunning = true;
  ListDisplayModes();

  // A display already open is closed first.
  LogLine("");
  LogLine("-=-=-=-=-=-=-=-=-=-=-=-=-=-");
  LogLine("Applying Graphical Settings");
  if (GraphicsOpen == 1) {
    EndGraphics();
    LogLine("\tChanged Graphics Mode ingame.");
  }

  // A set-up that never finished leaves crash.dat; OpenGL is then
  // replaced by the alternative driver. One that another copy of the game
  // holds is a set-up running there, not a crash.
  if (Setup[kSetupEngine] == 0 && GuardFileState(CrashGuardPath()) == 1) {
    Setup[kSetupEngine] = 1;
    g_guardSwitched = true;
  }

  SelectDriver(Setup[kSetupEngine]);

  // The colour depth; a full screen impossible at this size opens a window.
  int depth = ChooseColourDepth();

  // The display opens behind the crash guard.
  LogLine("\tResolution : " + std::to_string(RealWidth) + "x" + std::to_string(RealHeight) + "," +
          std::to_string(depth));
  if (g_guard == 0) g_guard = RaiseGuardFile(CrashGuardPath());
  // A driver that cannot open a display at all (no OpenGL on this machine,
  // say) would leave the game running without a window that nobody can see
  // or close: try the other drivers, in their numbered order, before giving up.
  int chosen = Setup[kSetupEngine];
  bool open = Graphics(RealWidth, RealHeight, depth, 60, 0) == 1;
  for (int other = 0; !open && chosen >= 0 && chosen <= 2 && other <= 2; ++other) {
    if (other == chosen) continue;
    LogLine("\tThe display could not be opened with that driver");
    Setup[kSetupEngine] = other;
    SelectDriver(other);
    open = Graphics(RealWidth, RealHeight, depth, 60, 0) == 1;
  }
  if (!open) {
    // No driver opens a display (no screen at all): nothing could be shown
    // or clicked, so end with a failure instead of running unseen.
    Setup[kSetupEngine] = chosen;
    LogLine("\tThe display could not be opened with that driver");
    LogLine("\tNo display could be opened; the game cannot run");
    DropCrashGuard();
    CloseLog();
    End(1);
  }

  // The virtual drawing space by the display's shape.
  ChooseVirtualSpace();

  // The first start chooses the engine where the setup names none; the
  // player's own choice, and any later set-up, keeps the one asked for.
  const bool choosing = !g_engineLooked && !EngineNamed && Setup[kSetupEngine] == 0;
  g_engineLooked = true;
  if (choosing) LeaveSoftwareGl(depth);
  const int frameskipBefore = Setup[kSetupFrameskip];

  // What belongs to the display, in this order: the engine test measures
  // this display before any art is drawn on it.
  CallGameHook(DisplaySetupHooks.loadAssets);
  if (DisplaySetupHooks.engineTest != nullptr) DisplaySetupHooks.engineTest({choosing, depth, frameskipBefore});
  // The driver has opened the display, made the textures and drawn the
  // engine test's frames: what can crash in it is behind us. Reading the
  // music and the decks is no reason to leave OpenGL, so a player who
  // closes a slow start keeps the driver.
  DropCrashGuard();
  LoadMusicParts();
  CallGameHook(GameHooks.loadMedia);
  LogLine("-=-=-=-=-=-=-=-=-=-=-=-=-=-");
  DisplaySetupRunning = false;
}

bool CrashGuardSwitchedEngine() { return g_guardSwitched; }

bool ReopenDisplayWith(int driver, int depth) {
  const int before = Setup[kSetupEngine];
  EndGraphics();
  Setup[kSetupEngine] = driver;
  SelectDriver(driver);
  bool open = Graphics(RealWidth, RealHeight, depth, 60, 0) == 1;
  if (!open) {
    LogLine("\tThe display could not be opened with that driver");
    Setup[kSetupEngine] = before;
    SelectDriver(before);
    Graphics(RealWidth, RealHeight, depth, 60, 0);
  }
  SetVirtualResolution(static_cast<float>(VirtualWidth), static_cast<float>(VirtualHeight));
  return open;
}

bool FollowPageSize() {
  int width = 0, height = 0;
  if (GraphicsOpen != 1 || DisplaySetupRunning || PageDisplaySize(width, height) != 1) return false;
  if (width == RealWidth && height == RealHeight) return false;
  // The display opens again at the page's size on the same engine. Images
  // and fonts keep their pixels and go to the new display as they are next
  // drawn: nothing is loaded again, no splash, no engine test.
  LogLine("\tThe page changed size: " + std::to_string(width) + "x" + std::to_string(height));
  if (Graphics(width, height, 0, 60, 0) != 1) {
    LogLine("\tThe display could not be opened at that size");
    if (Graphics(RealWidth, RealHeight, 0, 60, 0) != 1) return false;
  } else {
    RealWidth = width;
    RealHeight = height;
  }
  ChooseVirtualSpace();
  UseDrawingSpace(g_space);
  return true;
}
