// Shared assets: the framework's fonts, icons, logos and chime from
// Files/Common, then the game's badge sheet and numbered sound effects, then
// the stored scores. Every display set-up loads the assets anew and frees the
// old ones; the first one also draws the loading splash and reads the scores.
#include "framework/shared_assets.h"

#include <string>

#include "audio/sound_effects.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/game_hooks.h"
#include "framework/game_identity.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "platform/platform.h"

// Start values: ResetSharedAssets.
float FontScale;
std::array<int, 20> Fonts;
std::array<int, 100> SizedFonts;
int IconSheet;
int IconSheetUnfiltered;
int LogoImage;
int PartnerLogoImage;
int BadgeSheet;
int BadgeGetSound;

namespace {

const char* const kFamilyFiles[4] = {"", "SVBasicManual.ttf", "Blue Highway.ttf", "Acknowledge TT QVX.ttf"};
const int kSizedBase[9] = {8, 12, 18, 24, 32, 40, 52, 64, 96};

struct NamedFont {
  int family, base;
  bool factorB;
};
const NamedFont kNamedFonts[10] = {
    {0, 0, false},  {1, 24, false}, {1, 16, true},  {1, 16, true},  {1, 20, false},
    {2, 96, false}, {2, 72, false}, {2, 32, false}, {1, 32, false}, {1, 14, false},
};

void FreeAll() {
  for (int& f : Fonts) FreeFont(f), f = 0;
  for (int& f : SizedFonts) FreeFont(f), f = 0;
  for (int* image : {&IconSheet, &IconSheetUnfiltered, &LogoImage, &PartnerLogoImage, &BadgeSheet}) {
    FreeImage(*image);
    *image = 0;
  }
  FreeSound(BadgeGetSound);
  BadgeGetSound = 0;
  for (int& s : EffectSounds) FreeSound(s), s = 0;
}

void DrawSplash() {
  BeginFrame(1);
  ResetDrawState();
  DrawStripes({0, 0, 0}, {0, 0, 1});
  ResetDrawState();

  SetScaleXY(1.5f, 1.5f);
  DrawImage(LogoImage, VirtualHeight * 0.4f, VirtualHeight * 0.3f, 0);
  DrawImage(PartnerLogoImage, VirtualWidth - VirtualHeight * 0.4f, VirtualHeight * 0.7f, 0);
  SetScaleXY(1, 1);

  // The chime keeps its own slot so nothing else cuts it.
  ClearChannelSlot(256);
  int channel = AllocChannel();
  ChannelSlots[256] = channel;
  CueSound(BadgeGetSound, channel);
  if (channel != 0) {
    SetChannelVolume(channel, MixVolume(VolumeKind::Sounds));
    ResumeChannel(channel);
  }
  Flip(-1);
  GraphicsOpen = 1;
}

}  // namespace

// Counted in tenths so that 24 x 1.2 is 28 and 20 x 1.2 is 24 exactly, with
// no float product landing a hair below a whole number.
int FontFactorTenths(int realWidth, bool factorB) {
  if (realWidth >= 900) return 10;
  if (realWidth >= 600) return factorB ? 14 : 12;
  return factorB ? 20 : 15;
}

int NamedFontSize(int slot, int realWidth) {
  if (slot < 1 || slot > 9) return 0;
  return kNamedFonts[slot].base * FontFactorTenths(realWidth, kNamedFonts[slot].factorB) / 10;
}

int SizedFontSize(int sizeIndex, int realWidth) {
  if (sizeIndex < 0 || sizeIndex > 8) sizeIndex = 0;
  return kSizedBase[sizeIndex] * FontFactorTenths(realWidth, false) / 10;
}

void ResetSharedAssets() {
  FreeAll();
  FontScale = 1.0f;
}

void SelectFont(int family, int size) {
  if (family < 1 || family > 3) family = 1;
  if (size < 0 || size > 8) size = 0;
  SetImageFont(SizedFonts[(family - 1) * 10 + size]);
}

void LoadSharedAssets() {
  FreeAll();

  // Images with their handle at the centre, from Files/Common.
  AutoMidHandle(1);
  LogLine("");
  LogLine("Loading : Common Objects");
  LogLine("");
  LogLine("Switching to Default Folder");
  LogLine("");
  EnterDataFolder("Common/");

  // The fonts, rasterised larger on narrow displays.
  LogLine("\tDefault Fonts");
  FontScale = FontFactorTenths(RealWidth, false) / 10.0f;
  for (int slot = 1; slot <= 9; ++slot) {
    Fonts[slot] = LoadImageFont(kFamilyFiles[kNamedFonts[slot].family], NamedFontSize(slot, RealWidth), kFontSmooth);
  }
  for (int family = 1; family <= 3; ++family) {
    for (int s = 0; s <= 8; ++s) {
      SizedFonts[(family - 1) * 10 + s] = LoadImageFont(kFamilyFiles[family], SizedFontSize(s, RealWidth), kFontSmooth);
    }
  }

  // The icon sheets, the logos and the chime.
  LogLine("\tDefault Icons");
  IconSheet = LoadAnimImage("icons.png", 16, 16, 0, 64, 3);
  IconSheetUnfiltered = LoadAnimImage("icons.png", 16, 16, 0, 64, 1);
  LogLine("\tLogos");
  LogoImage = LoadImage("logo.png", 3);
  PartnerLogoImage = LoadImage("Kestrine.png", 3);
  LogLine("\tBadgeGet");
  BadgeGetSound = LoadSound("badgeget.wav", 0);

  // The splash, on the first set-up only.
  if (GraphicsOpen == 0) DrawSplash();

  // From the game folder: the badge sheet and the numbered sound effects.
  LogLine("");
  LogLine("Switching to Game Folder");
  EnterDataFolder(GameFolder());
  BadgeSheet = LoadAnimImage("badges.png", 64, 64, 0, 16, 3);
  LogLine("");
  LogLine("Loading Sound effects");
  for (int n = 1; n <= 200; ++n) {
    std::string digits = "000" + std::to_string(n);
    std::string name = digits.substr(digits.size() - 3) + ".wav";
    if (FileType(name) != 0) {
      LogLine("\tSFX(" + std::to_string(n) + ")");
      EffectSounds[n] = LoadSound(name, 0);
    }
  }
  LogLine("Sounds loaded");
  LogLine("");

  // The game's records (it reads its file once per run).
  CallGameHook(GameHooks.loadRecords);
}
