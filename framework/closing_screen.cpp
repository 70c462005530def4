// The closing screen: the only way the program ends. Saves the settings and
// the scores, writes the last log lines, shows the thank-you page in a small
// window and waits for any input.
#include "framework/closing_screen.h"

#include <algorithm>

#include "audio/music.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/game_identity.h"
#include "framework/game_hooks.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"

namespace {

struct PageText {
  int font;
  int r, g, b;
  float alpha;
  int x, y;
  const char* text;
};

const PageText kPage[] = {
    {kFontLarge, 0, 0, 0, 0.8f, 2, 222, "Thanks for Playing"},
    {kFontButton, 0, 0, 0, 0.8f, 52, 276, "Send Feedback!"},
    {kFontLarge, 255, 255, 255, 1, 0, 220, "Thanks for Playing"},
    {kFontButton, 255, 255, 255, 1, 50, 274, "Send Feedback!"},
    {kFontRows, 180, 255, 255, 1, 320, 4, "This Game is Free"},
    {kFontTiny, 180, 255, 255, 1, 270, 44, "I do not ask for money."},
    {kFontTiny, 180, 255, 255, 1, 270, 64, "I create these games for fun."},
    {kFontTiny, 180, 255, 255, 1, 270, 84, "All I ask is that players send some feedback."},
    {kFontTiny, 180, 255, 255, 1, 270, 104, "A comment, an email, a vote."},
    {kFontTiny, 180, 255, 255, 1, 270, 134, "Do the right thing."},
    {kFontTiny, 180, 255, 255, 1, 270, 164, "Support Homebrew games by"},
    {kFontTiny, 180, 255, 255, 1, 270, 184, "saying thanks to their developers."},
};

// The song fades out under the thank-you page.
constexpr int kClosingFadeMs = 1500;

// Input that starts after the page is shown ends it: a key or mouse button
// pressed since (the Escape that quit the title screen, still held for a
// moment as a hand lets go, is not), a pad pushed after every pad input was
// let go, or a close request.
bool FreshInputToLeave(PressEdge& pad) {
  bool pressed = false;
  for (int key = 1; key <= 255; ++key) pressed = KeyHit(key) > 0 || pressed;
  for (int button = 1; button <= 3; ++button) pressed = MouseHit(button) > 0 || pressed;
  // Also a pad plugged in after start-up.
  const bool padHeld = CaptureInput() >= kInputPadBase || AnyControllerButtonHeld();
  if (pad.Fresh(padHeld)) pressed = true;
  return AppTerminate() != 0 || pressed;
}

// The song fades; the settings and the game's records are saved, and the
// log says goodbye.
void SaveOnLeaving() {
  // The records hook also records a round still waiting for its name, so that
  // it is saved.
  FadeOutMusic(kClosingFadeMs);
  ShowMouse();
  SaveSetup();
  CallGameHook(GameHooks.saveRecords);
  // A close request while a display is being set up (during the engine test,
  // say) is an orderly exit, not a crash: without this the guard would move
  // the next start away from OpenGL.
  DropCrashGuard();
  LogLine("Closing Up");
  LogLine("");
  LogLine("Bye!");
  LogLine("");
  LogLine("Play again, soon!!");
}

// The thank-you page, drawn into the page's own 640 x 480 window.
void DrawClosingPage() {
  SetVirtualResolution(640, 480);
  Cls();
  SetColourAlpha(0, 0, 80, 1);
  DrawRect(0, 0, 640, 480);

  // The logos are loaded with their handle at the top-left corner.
  EnterDataFolder("Common/");
  SetBlend(kBlendAlpha);
  SetColourAlpha(255, 255, 255, 1);
  AutoMidHandle(0);
  FreeImage(LogoImage);
  FreeImage(PartnerLogoImage);
  LogoImage = LoadImage("logo.png", 3);
  PartnerLogoImage = LoadImage("Kestrine.png", 3);
  SetImageHandle(LogoImage, 0, 0);
  SetImageHandle(PartnerLogoImage, 0, 0);
  // The fonts follow the last display's size, the page does not: the
  // big line shrinks to fit the window's width, and the line under it moves
  // down as far as the big line then reaches.
  SetImageFont(Fonts[kFontLarge]);
  const float bigScale = WidthFitScale("Thanks for Playing", 636);
  const int bigBottom = 220 + static_cast<int>(TextHeight("") * bigScale);

  // The partner logo stands in the lower right corner under the big line,
  // as large as the room there allows (half size at most), its right edge
  // where it always was.
  SetScaleXY(0.5f, 0.5f);
  DrawImage(LogoImage, 0, 0, 0);
  const float partnerTop = static_cast<float>(std::max(224, bigBottom + 4));
  const float partnerScale =
      std::min(0.5f, (480 - partnerTop) / static_cast<float>(std::max(1, ImageHeight(PartnerLogoImage))));
  SetScaleXY(partnerScale, partnerScale);
  DrawImage(PartnerLogoImage, 624 - ImageWidth(PartnerLogoImage) * partnerScale, partnerTop, 0);
  SetScaleXY(1, 1);
  SetImageFont(Fonts[kFontButton]);
  const int feedbackDown = std::max(0, bigBottom - TextHeight("") / 6 - 274);
  for (const PageText& t : kPage) {
    SetImageFont(Fonts[t.font]);
    SetColourAlpha(t.r, t.g, t.b, t.alpha);
    SetScaleXY(t.font == kFontLarge ? bigScale : 1);
    DrawTextAligned(t.x, t.y + (t.font == kFontButton ? feedbackDown : 0), t.text, kAlignStart, kAlignStart);
  }
  SetScaleXY(1);
}

}  // namespace

void ShowClosingScreen() {
  SaveOnLeaving();

  // The page's own small window. Without it the page could never be seen
  // nor closed, and no input would ever end its wait: the program ends then.
  EndGraphics();
  if (Graphics(640, 480, 0, 60, 0) == 0) {
    CloseLog();
    End();
  }
  DrawClosingPage();
  Flip(-1);

  // Wait for fresh input, pumping events and sleeping between polls.
  ClearInputHits();
  PressEdge padPress;
  while (!FreshInputToLeave(padPress)) {
    PollSystem();
    UpdateMusic();
    Delay(1);
  }

  // A song still heard is stopped, and its notes' fades play out.
  if (MusicPlaying == 1) {
    StopMusic();
    Delay(20);
  }
  EndGraphics();
  CloseLog();
  End();
}
