// The software back end rasterises and presents only what changed between
// two frames. A whole scripted session (start-up with the engine test, the
// title screen under the statistics and a notification, the settings panel
// sliding over it, a round with picks, the pause menu, Quit, name entry, then
// a change of resolution with Apply and its engine test, the closing page)
// is played twice: once rasterising and presenting every frame whole, once
// only what changed. At every present the test's "window" takes only the
// rectangles the back end reports as changed; every frame it shows must be
// the full redraw's, and every shot and screenshot file the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/sprite_budgets.h"
#include "platform/render/render_backend.h"
#include "support/temp_folder.h"
#include "support/test_host.h"
#include "whole_program/game_run.h"

namespace fs = std::filesystem;

namespace {

std::string Script() {
  std::ostringstream s;
  s << "9000 key 123\n"                // the statistics
       "9400 key 122\n"                // a screenshot, and its notification
       "10000 key 9\n"                 // the settings panel slides over the title screen
       "10800 mousemove 40 120\n"
       "11500 key 9\n"
       "12300 key 123\n"
       "12800 click 590 700\n"         // Easy
       "13300 click 640 560\n"         // Click Here to Start
       "17800 click 592 352\n"
       "18400 click 592 480\n"
       "19500 key 27\n"                // the pause menu
       "20300 key 40\n"                // Quit
       "20800 key 13\n"
       "25000 text Tiles\n"            // name entry
       "26000 key 13\n"
       "28000 key 9\n"                 // back on the title: one resolution up, Apply
       "28800 mousemove 40 120\n"
       "29000 click 40 120\n"
       "29600 mousemove 25 285\n"
       "29800 click 25 285\n"
       "40000 close\n"                 // the closing page
       "43000 key 32\n";
  for (int t = 500; t <= 42500; t += 1000) s << t << " shot shot" << t << ".png\n";
  return s.str();
}

// The test's window: the pixels it shows, updated only where the back end
// says the picture changed, and one line per present naming what it shows.
std::vector<plat::Rgba8> g_window;
FILE* g_frames = nullptr;

uint64_t Digest(const std::vector<plat::Rgba8>& pixels) {
  uint64_t h = 0xcbf29ce484222325ull;
  const auto* words = reinterpret_cast<const uint32_t*>(pixels.data());
  for (size_t i = 0; i < pixels.size(); ++i) h = (h ^ words[i]) * 0x100000001b3ull;
  return h;
}

void Present(const plat::Rgba8* pixels, int width, int height) {
  std::vector<plat::ClipRect> rects;
  if (!plat::SoftwareChangedRects(plat::CurrentBackend(), rects)) return;
  const size_t size = static_cast<size_t>(width) * height;
  // A new display shows nothing of ours yet (a colour no frame has).
  if (g_window.size() != size) g_window.assign(size, plat::Rgba8{255, 0, 255, 7});
  for (const plat::ClipRect& r : rects)
    plat::CopyFromArea(r, pixels, width, g_window.data(), 0, 0, width);
  std::fprintf(g_frames, "%dx%d %016llx\n", width, height,
               static_cast<unsigned long long>(Digest(g_window)));
}

// The three ways of drawing a session: whole, as a window draws (each flush
// at once) and as the headless host draws (only what is read, here every
// present).
// The engine test's virtual clock holds every load, up to 20000 sprites; this
// machine holds 3000 a frame, so each engine test ends after a few steps.
void Holds3000(int sprites) {
  if (sprites > 3000) testhost::Advance(20);
}
void Watch() {
  g_frames = std::fopen("frames.txt", "w");
  if (!g_frames) _exit(91);
  plat::SetSoftwarePresentWatcher(&Present);
  EngineTestDrawCost = &Holds3000;
}
void Full() {
  Watch();
  testhost::RasteriseEveryFrame(true);
  plat::SetSoftwareFullRedraw(true);
}
void Eager() {
  Watch();
  testhost::RasteriseEveryFrame(true);
}
void Lazy() {
  Watch();
  testhost::RasteriseEveryFrame(false);
}

// The pictures a session left: its shots and the screenshot, by name.
std::vector<std::string> Pictures(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.path().extension() == ".png") names.push_back(fs::relative(entry.path(), root).string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ChangedTiles, EveryFrameOfASessionMatchesAFullRedraw) {
  testsupport::TempFolder base("tiles");
  base.KeepIfFailed();   // the shots, for a look
  ASSERT_EQ(gamerun::PlayInChild(base / "full", Script(), &Full), 0);
  for (bool eager : {true, false}) {
    const std::string run = eager ? "eager" : "lazy";
    ASSERT_EQ(gamerun::PlayInChild(base / run, Script(), eager ? &Eager : &Lazy), 0);
    const std::vector<std::string> full = testsupport::SplitLines(base.Read("full/frames.txt"), "\n");
    const std::vector<std::string> tiles = testsupport::SplitLines(base.Read(run + "/frames.txt"), "\n");
    ASSERT_GT(full.size(), 2000u);
    ASSERT_EQ(tiles.size(), full.size()) << run;
    int differing = 0, first = -1;
    for (size_t i = 0; i < full.size(); ++i) {
      if (full[i] == tiles[i]) continue;
      if (first < 0) first = static_cast<int>(i);
      ++differing;
    }
    EXPECT_EQ(differing, 0) << run << ": first at frame " << first;
    // Three display sizes: the start's, the title's after Apply, and the
    // closing page's.
    std::set<std::string> sizes;
    for (const std::string& line : full) sizes.insert(line.substr(0, line.find(' ')));
    EXPECT_EQ(sizes.size(), 3u);

    const std::vector<std::string> pictures = Pictures(base / "full");
    EXPECT_EQ(Pictures(base / run), pictures) << run;
    EXPECT_GT(pictures.size(), 40u);
    for (const std::string& name : pictures)
      EXPECT_TRUE(base.Read(fs::path("full") / name) == base.Read(fs::path(run) / name)) << run << " " << name;
  }
}

}  // namespace
