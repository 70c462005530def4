// The headless back buffer rasterises only what is read. A whole scripted
// session (start-up with the engine test, title, a round with picks, the
// pause menu, the settings panel, the closing page) is played twice, once
// rasterising every frame as it is drawn and once only for the shots; every
// shot must be the same file, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/test_host.h"
#include "support/temp_folder.h"
#include "whole_program/game_run.h"

namespace fs = std::filesystem;

namespace {

std::string Script() {
  std::ostringstream s;
  s << "9500 click 590 700\n"          // Easy
       "10000 click 640 560\n"         // Click Here to Start
       "14500 click 592 352\n"
       "15100 click 592 480\n"
       "15700 click 688 352\n"
       "18000 key 27\n"                // the pause menu
       "20000 key 32\n"                // Continue
       "21000 key 9\n"                 // settings
       "22500 key 9\n"
       "23500 close\n"                 // the closing page
       "27000 key 32\n";
  // A shot every 600 ms from the splash to the closing page; a few land in
  // the same instant as an input or between the frames of a wait.
  for (int t = 300; t <= 26700; t += 600) s << t << " shot shot" << t << ".png\n";
  return s.str();
}

void Eager() { testhost::RasteriseEveryFrame(true); }
void Lazy() { testhost::RasteriseEveryFrame(false); }

TEST(LazyRaster, EveryShotOfASessionMatchesRasterisingEveryFrame) {
  testsupport::TempFolder base("lazy");
  base.KeepIfFailed();   // the shots, for a look
  ASSERT_EQ(gamerun::PlayInChild(base / "eager", Script(), &Eager), 0);
  ASSERT_EQ(gamerun::PlayInChild(base / "lazy", Script(), &Lazy), 0);
  int shots = 0, distinct = 0;
  std::string previous;
  for (int t = 300; t <= 26700; t += 600) {
    const std::string name = "shot" + std::to_string(t) + ".png";
    std::string eager = base.Read(fs::path("eager") / name), lazy = base.Read(fs::path("lazy") / name);
    ASSERT_FALSE(eager.empty()) << name << " missing";
    EXPECT_TRUE(eager == lazy) << name << " differs";
    distinct += eager != previous;
    previous = eager;
    ++shots;
  }
  // The session moved through its screens: the shots are not all one picture.
  EXPECT_GT(distinct, shots / 2);
}

}  // namespace
