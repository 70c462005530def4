// Apply in the settings panel sets the display up again with another back
// end, in both directions between all three, while the game keeps running.
#include <gtest/gtest.h>

#include "whole_program/game_run.h"

using gamerun::Find;
using gamerun::GameDir;

TEST(ApplySettings, SwitchesBackEndLiveAndBack) {
  GameDir dir("apply");
  // Tab opens the panel, a click on the graphics-engine row steps the engine,
  // a click on Apply sets the display up again (engine test included). The
  // pointer rests on each target a moment before the click, as a hand does.
  std::string cycle =
      "+9000 key 9\n+600 mousemove 30 214\n+100 click 30 214\n+400 mousemove 25 285\n+100 click 25 285\n";
  std::string script = "3000 mousemove 640 900\n" + cycle + cycle + cycle +
                       "+9000 shot final.png\n+500 close\n+3000 key 32\n";
  ASSERT_EQ(dir.Run(script), 0) << dir.Read("run.log");
  auto log = dir.LogLines();

  int at = 0;
  for (const char* driver : {"\tUsing DirectX 9 Driver", "\tUsing DirectX 7 Driver", "\tUsing OpenGL Driver"}) {
    int changed = Find(log, "\tChanged Graphics Mode ingame.", at);
    ASSERT_GT(changed, at) << driver;
    EXPECT_EQ(log[changed + 1], driver);
    // Every set-up reloads the assets and re-runs the engine test, without a splash.
    EXPECT_GT(Find(log, "\tDefault Fonts", changed), changed);
    EXPECT_GT(Find(log, "Starting Engine Test", changed), changed);
    at = changed + 1;
  }
  EXPECT_NE(dir.Read("Files/Setup.ini").find("GFX Engine = OpenGL\r\n"), std::string::npos);
  // The title screen is still drawn after three changes of back end.
  std::string shot = dir.Shot("final.png");
  EXPECT_GT(shot.size(), 20000u);
  // Closing the window on the title screen goes through the closing screen.
  EXPECT_EQ(log.back(), "Play again, soon!!");
}

// Apply pressed again while its own set-up measures (the panel reopened with
// Tab during the engine test, Apply clicked, then Return on its row) starts
// no set-up inside the running one: one engine test per Apply.
TEST(ApplySettings, ApplyDuringASetUpDoesNothing) {
  GameDir dir("apply_nested");
  std::string script =
      "3000 mousemove 640 900\n+9000 key 9\n+600 mousemove 25 285\n+100 click 25 285\n"
      "+300 key 9\n+600 click 25 285\n"
      "+300 key 40\n+100 key 40\n+100 key 40\n+100 key 40\n+100 key 40\n+100 key 13\n"
      "+20000 close\n+3000 key 32\n";
  ASSERT_EQ(dir.Run(script), 0) << dir.Read("run.log");
  auto log = dir.LogLines();
  int tests = 0;
  for (const std::string& line : log) tests += line == "Starting Engine Test";
  EXPECT_EQ(tests, 2);   // the start's, and the first Apply's
  EXPECT_EQ(log.back(), "Play again, soon!!");
}
