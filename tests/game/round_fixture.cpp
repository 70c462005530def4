// The card round's test fixture: platform, module resets, display and art.
#include "round_fixture.h"

#include "audio/sound_effects.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/setup_file.h"
#include "game/decks.h"
#include "game/table_drawing.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/headless_display.h"

namespace roundtest {

uint32_t CellColour(int frame) {
  if (frame == 23) return kBackColour;
  if (frame == 21) return 0xF0F000;   // wrong-pick marker
  if (frame == 22) return 0x00F0F0;   // correct-pick marker
  // Faces: red-dominant, every value its own green level.
  return 0xC80000u | (static_cast<uint32_t>(20 + 9 * frame) << 8) | 0x28u;
}

}  // namespace roundtest

using namespace roundtest;

namespace {

void FillColour(uint32_t rgb) {
  SetColor(static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 255), static_cast<int>(rgb & 255));
}

// Draws the art on the back buffer and saves it as the files the game loads.
void MakeArt(const std::string& folder) {
  ResetDrawState();
  SetClsColor(0, 0, 0);
  Cls();
  for (int frame = 0; frame < 25; ++frame) {
    FillColour(CellColour(frame));
    DrawRect(static_cast<float>(frame % 5 * 96), static_cast<float>(frame / 5 * 128), 96, 128);
  }
  int deck = GrabPixmap(0, 0, 480, 640);
  SavePixmapPNG(deck, folder + "/Deck_01.png");
  FreePixmap(deck);

  Cls();
  FillColour(kHeartColour);
  DrawRect(0, 0, 48, 48);
  int heart = GrabPixmap(0, 0, 48, 48);
  SavePixmapPNG(heart, folder + "/heart.png");
  FreePixmap(heart);
  Cls();
}

}  // namespace

void RoundTest::OpenDisplay(int windowWidth, int windowHeight) {
  testsupport::OpenHeadlessDisplay({.width = windowWidth, .height = windowHeight, .driver = kDriverDirectX7});
}

void RoundTest::SetUp() {
  // The art is drawn at full size once per test, then the test's own display
  // opens. No statistics over the pixels under test.
  testsupport::StartHeadlessDisplay({.width = 1280, .height = 960, .driver = kDriverDirectX7, .statistics = false});
  ::Setup[kSetupEngine] = 2;       // software back end
  ::Setup[kSetupFrameskip] = 0;       // every frame drawn
  scratch_.Enter("Files/253");
  MakeArt(scratch_.Path().string());
  AutoMidHandle(1);   // as the game loads every image: handle at the centre
  DeckImages[1] = LoadAnimImage((scratch_ / "Deck_01.png").string(), 96, 128, 0, 25, 3);
  HeartImage = LoadImage((scratch_ / "heart.png").string(), 3);
  DeckCount = 1;
  DeckIndex = 1;
  TableIndex = 1;
}

void RoundTest::LoadEffectSounds() {
  const std::string folder = std::string(MNEMORA_GAME_DIR) + "/Files/253/";
  for (int n = 1; n <= 20; ++n) {
    std::string name = Right("000" + IntToString(n), 3) + ".wav";
    EffectSounds[n] = LoadSound(folder + name);
  }
}

int RoundTest::CellCentreX(int x) { return TableOrigin() - 16 + 96 * x; }
int RoundTest::CellCentreY(int y) { return 128 * y - 32; }

void RoundTest::PushPointer(int vx, int vy) {
  testhost::PushMouseMove(vx * GraphicsWidth() / VirtualWidth, vy * GraphicsHeight() / VirtualHeight);
}
