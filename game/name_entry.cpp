// Name entry after a round: a full-screen prompt over red-to-blue stripes that
// edits PlayerName one typed character per frame until Enter, a click or
// Escape. The score file separates fields with "|" and holds one byte per
// character, so those characters are refused here.
#include "game/name_entry.h"

#include "audio/music.h"
#include "framework/clock.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/shared_assets.h"
#include "game/scores.h"
#include "platform/platform.h"

bool NameEntryOpen = false;

namespace {

constexpr int kKeyBackspace = 8, kKeyEnter = 13, kKeyEscape = 27;
// The round's song fades out while the player types.
constexpr int kNameEntryFadeMs = 1200;

// Keys and the click that ended the round (or the entry) must be let go
// first, so they neither end the entry at once nor reach the title screen.
// A close request ends the wait too (a button can stay held for ever) and is
// left for the next frame, which closes the program.
void WaitForRelease() {
  while ((KeyDown(kKeyEscape) || MouseDown(1) || KeyDown(kKeyEnter)) && !AppTerminatePending()) {
    PollSystem();
    Delay(1);
  }
}

void DrawBackdrop() {
  DrawStripes({100, 0, 0}, {-1, 0, 1});
  ResetDrawState();
}

}  // namespace

bool NameCharAccepted(int code) {
  return code >= 32 && code <= 255 && code != '|' && code != 127;
}

void EnterName() {
  NameEntryOpen = true;
  FadeOutMusic(kNameEntryFadeMs);
  FlushKeys();
  WaitForRelease();

  bool done = false;
  while (!done) {
    Cls();
    DrawBackdrop();

    // One character per frame; the rest wait in the queue.
    int code = GetChar();
    if (NameCharAccepted(code)) PlayerName += static_cast<char>(code);
    if (KeyHit(kKeyBackspace) && !PlayerName.empty()) PlayerName.pop_back();

    SetColourAlpha(0, 255, 0);
    SetImageFont(Fonts[6]);
    DrawTextAligned(VirtualWidth / 2, VirtualHeight / 2 - 100, "Enter Your Name", 1, 1);
    // The cursor is left out of the centring so the name keeps still while it blinks.
    SetImageFont(Fonts[5]);
    std::string cursor = Clock() % 600 < 300 ? "_" : " ";
    DrawTextAligned(VirtualWidth / 2 - TextWidth(PlayerName) / 2, VirtualHeight / 2, PlayerName + cursor, 0, 1);

    done = KeyHit(kKeyEnter) || MouseDown(1) || KeyDown(kKeyEscape);
    FlipFrame(1);
  }

  SeedRnd(MilliSecs());
  WaitForRelease();
  NameEntryOpen = false;
}
