// In a real window on a private X server: the real start-up, then Apply to
// each back end in turn (OpenGL -> Direct3D 9 slot -> DirectX 7 slot ->
// OpenGL). After every change the same scene, drawn through the reloaded
// fonts and icon sheets, the settings panel and a glow sprite, must match
// the software back end's picture: a handle left over from the previous back
// end would draw nothing or garbage.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <vector>

#include "framework/command_line.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/settings_panel.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/xvfb_server.h"
#include "whole_program/game_run.h"

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

// The back buffer as it is now, through a PNG as a screenshot would write it.
Picture Grab(const std::string& path) {
  Picture p;
  int pixmap = GrabPixmap(0, 0, RealWidth, RealHeight);
  if (SavePixmapPNG(pixmap, path, 1) != 1) return p;
  FreePixmap(pixmap);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGB;
  p.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
    p.rgb.clear();
    return p;
  }
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  return p;
}

// A scene touching everything a display set-up reloads.
// Returns the main sprites it counted before the panel.
int DrawScene() {
  // Drawn in full whatever the engine test decided about frameskip and the
  // budgets (a slow virtual X server may be given none at all).
  ::Setup[kSetupFrameskip] = 0;
  SpriteBudget[1] = SpriteBudget[2] = 50000;
  BeginFrame(1);
  ResetDrawState();
  SetColourAlpha(30, 60, 140, 1);
  DrawRect(0, 0, static_cast<float>(VirtualWidth), static_cast<float>(VirtualHeight));
  ResetDrawState();
  SetScaleXY(0.8f);
  DrawSpriteCounted(LogoImage, 500, 350, 0, 1);
  SetScaleXY(3);
  for (int i = 0; i < 12; ++i) DrawSpriteCounted(IconSheetUnfiltered, 40 + i * 60, 700, i * 5, 1);
  DrawGlowSprite(IconSheetUnfiltered, 900, 700, 23, IconSheet, 1.1f, 0.8f);
  SetScaleXY(1);
  SetImageFont(Fonts[kFontButton]);
  DrawTextAligned(VirtualWidth / 2, 880, "Remember the Order", kAlignCentre, kAlignCentre);
  int counted = SpriteDrawn[1];
  // The panel fully out, over the scene: shade and alpha blends, rows, sliders.
  MouseXNow = MouseYNow = 0;
  SettingsOpen = 1;
  SettingsPanelY = -12;
  SettingsPanel();
  SettingsOpen = 0;
  return counted;
}

struct Difference {
  double mean = 0;      // mean absolute difference per channel
  double far = 0;       // share of pixels with a channel more than 64 apart
};

Difference Compare(const Picture& a, const Picture& b) {
  Difference d;
  if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return {255, 1};
  size_t pixels = a.rgb.size() / 3, farCount = 0;
  double sum = 0;
  for (size_t i = 0; i < pixels; ++i) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      int diff = std::abs(a.rgb[i * 3 + c] - b.rgb[i * 3 + c]);
      sum += diff;
      worst = std::max(worst, diff);
    }
    farCount += worst > 64;
  }
  d.mean = sum / (pixels * 3.0);
  d.far = static_cast<double>(farCount) / pixels;
  return d;
}

}  // namespace

TEST(ApplyInARealWindow, EveryBackEndDrawsTheReloadedAssetsLikeTheSoftwareOne) {
  if (!XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  // The SDL host must let go of the server while it still runs: swapping in
  // the headless host on the way out (before the server stops) closes SDL's
  // video; left to process exit, it would talk to a server already gone.
  struct LeaveSdlHost {
    ~LeaveSdlHost() { testhost::Start(); }
  } leaveSdlHost;
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  unsetenv("MNEMORA_HEADLESS");

  gamerun::GameDir dir("applywin");
  // Named, or the first start would leave this server's software OpenGL.
  dir.Write("Files/Setup.ini", "[Graphics]\r\nGFX Engine = OpenGL\r\n");
  std::string before = CurrentDir();
  ASSERT_EQ(ChangeDir(dir.root.string()), 1);
  DataFolderOption = dir.root.string();   // as --data: the test executable has no Files/ beside it
  StartUp();   // the real sequence: OpenGL unless the guard moved it
  ASSERT_EQ(::Setup[kSetupEngine], 0);

  std::vector<Picture> pictures;
  std::vector<int> engines = {0};
  EXPECT_EQ(DrawScene(), 14);
  pictures.push_back(Grab((dir.root / "shot0.png").string()));
  for (int engine : {1, 2, 0}) {
    ::Setup[kSetupEngine] = engine;
    ApplyDisplaySettings();
    ASSERT_EQ(GraphicsOpenNow(), 1);
    ASSERT_NE(IconSheet, 0);
    EXPECT_EQ(DrawScene(), 14);
    pictures.push_back(Grab((dir.root / ("shot" + std::to_string(pictures.size()) + ".png")).string()));
    engines.push_back(engine);
  }
  EndGraphics();
  ChangeDir(before);

  const Picture& reference = pictures[2];   // the software back end
  ASSERT_EQ(reference.width, 800);
  ASSERT_EQ(reference.height, 600);
  // The reference itself shows the scene: the panel's dark sheet at the top,
  // the blue backdrop below it.
  auto at = [&](int x, int y, int c) { return reference.rgb[(y * reference.width + x) * 3 + c]; };
  EXPECT_LT(at(400, 100, 2), 60);
  EXPECT_GT(at(400, 400, 2), 100);
  for (size_t i = 0; i < pictures.size(); ++i) {
    if (i == 2) continue;
    Difference d = Compare(pictures[i], reference);
    EXPECT_LT(d.mean, 3.0) << "picture " << i << " (engine " << engines[i] << ")";
    EXPECT_LT(d.far, 0.01) << "picture " << i << " (engine " << engines[i] << ")";
  }
  auto log = dir.LogLines();
  EXPECT_EQ(gamerun::Find(log, "\tUsing DirectX 9 Driver"), gamerun::Find(log, "\tChanged Graphics Mode ingame.") + 1);
}
