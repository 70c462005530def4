// Screenshots: F11 saves the screen's own scene as a PNG beside the game
// folder, named after the game, the date and the time.
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/game_identity.h"
#include "framework/log.h"
#include "framework/screenshots.h"
#include "framework/notifications.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"

std::string SafeFileName(const std::string& text) {
  std::string out = text;
  for (const char* c : {"#", "'", ",", "`", ".", "\\", "/", ":", "|", "*", "?", "\""}) {
    out = Replace(out, c, "");
  }
  return out;
}

namespace {

// A second screenshot within the same second must not overwrite the first:
// a counter goes before ".png" when the name is taken.
std::string FreeName(const std::string& base) {
  std::string name = base + ".png";
  for (int n = 2; FileType(DataFilePath(name)) != 0 && n < 10000; ++n) name = base + " " + std::to_string(n) + ".png";
  return name;
}

}  // namespace

void TakeScreenshot() {
  // The picture is taken before the notice is drawn over it.
  LogLine("");
  LogLine("\tScreenshot");
  LogLine("\tGrabbing Screenshot");
  int pixmap = GrabPixmap(0, 0, RealWidth, RealHeight);

  // Saving at the highest compression can take a while; say so first.
  ResetDrawState();
  SetImageFont(Fonts[kFontHuge]);
  DrawTextAligned(VirtualWidth / 2, VirtualHeight / 2 - 30, "Saving Screenshot", kAlignCentre, kAlignCentre);
  SetImageFont(Fonts[kFontLarge]);
  DrawTextAligned(VirtualWidth / 2, VirtualHeight / 2 + 30, "Sometimes, this takes a while!", kAlignCentre, kAlignCentre);
  Flip(-1);

  // Saved under a free name made of the title, the date and the time.
  std::string base = SafeFileName(GameTitle + " " + GameSubtitle + " (Screenshot_" + CurrentDate() + "_" +
                                  CurrentTime() + ")");
  std::string name = FreeName(base);
  LogLine("\tSaving Screenshot : " + name);
  // Beside the game folder (installed: in the player's pictures folder).
  int saved = pixmap != 0 ? SavePixmapPNG(pixmap, DataFilePath(name), 9) : 0;
  if (saved == 1) HandOverFile(DataFilePath(name));
  FreePixmap(pixmap);
  LogLine("\tSaved Screenshot " + std::to_string(saved));
  LogLine("");

  // A failed save says so.
  AddNotification(saved == 1 ? "Saved Screenshot" : "Could not save the Screenshot", 1);
}
