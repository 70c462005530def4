// A screenshot whose picture is grabbed but cannot be written: the log says
// 0, the player is told it failed, no file or half file is left under the
// name, and the working folder is the game folder again.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/screenshots.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/headless_display.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(ScreenshotSave, AFailedWriteIsLoggedAndReportedAndLeavesNoFile) {
  testsupport::StartHeadlessDisplay();
  testsupport::TempFolder folder("shotsave");
  folder.Enter("253");
  folder.UseAsGameData();
  const fs::path root = folder.Path();
  OpenLog((root / "Debug.txt").string());

  // Early in a second, so the name is the one worked out here. A folder
  // where the picture's part file would go makes the write itself fail.
  testhost::Advance(static_cast<int>((1100 - testhost::Clock() % 1000) % 1000));
  const std::string name = SafeFileName(GameTitle + " " + GameSubtitle + " (Screenshot_" + CurrentDate() + "_" +
                                        CurrentTime() + ")") + ".png";
  fs::create_directories(root / (name + ".part"));
  Cls();
  TakeScreenshot();
  CloseLog();

  EXPECT_EQ(fs::canonical(CurrentDir()), fs::canonical(root / "253"));
  EXPECT_FALSE(fs::exists(root / name));
  EXPECT_TRUE(fs::is_directory(root / (name + ".part")));   // left as it was
  ASSERT_FALSE(MessageList.empty());
  EXPECT_EQ(MessageList.back()->txt, "Could not save the Screenshot");
  const std::string text = folder.Read("Debug.txt");
  EXPECT_NE(text.find("\tSaving Screenshot : " + name + "\r\n\tSaved Screenshot 0\r\n\r\n"), std::string::npos) << text;
  EndGraphics();
}
