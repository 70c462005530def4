// Shared assets: fonts, icon sheets, logos, the badge sheet and chime, the
// numbered sound effects, and the loading splash on the first set-up.
#pragma once

#include <array>

// Loaded anew by every display set-up (LoadSharedAssets) and held until the
// next; the closing screen loads the logos once more for its page.
extern float FontScale;                  // factor A of the last set-up
extern std::array<int, 20> Fonts;        // named fonts, slots 1..9

// The named font slots: family (1 the UI face, 2 the display face), base
// size and size factor, and who uses them.
enum FontSlot : int {
  kFontFigures = 1,  // 1, 24, A: frame-rate figure, score panel
  kFontSmall = 2,    // 1, 16, B: statistics lines, settings panel
  kFontNotice = 3,   // 1, 16, B: notifications, score panel, title credits
  kFontPanel = 4,    // 1, 20, A: score panel
  kFontHuge = 5,     // 2, 96, A: round, name entry, screenshot notice
  kFontLarge = 6,    // 2, 72, A: closing page, name entry, screenshot notice
  kFontButton = 7,   // 2, 32, A: "Click Here to Start", closing page, pause menu
  kFontRows = 8,     // 1, 32, A: difficulty rows, closing page
  kFontTiny = 9,     // 1, 14, A: closing page
};
extern std::array<int, 100> SizedFonts;  // (family - 1) * 10 + size index
extern int IconSheet;                    // icons.png, 64 cells, masked and filtered
extern int IconSheetUnfiltered;          // icons.png, crisp
extern int LogoImage;                    // the framework's logo
extern int PartnerLogoImage;             // the partner community's logo
extern int BadgeSheet;                   // badges.png, 16 cells of 64 x 64
extern int BadgeGetSound;                // badgeget.wav

void ResetSharedAssets();
// Working folder: the game folder; it is left so.
void LoadSharedAssets();
// Family 1..3 (else 1), size index 0..8 (else 0).
void SelectFont(int family, int size);
// Font sizes by display width: factor A (or B) in tenths, the pixel size of
// Fonts slot 1..9, and of a SizedFonts size index 0..8 (any family).
int FontFactorTenths(int realWidth, bool factorB);
int NamedFontSize(int slot, int realWidth);
int SizedFontSize(int sizeIndex, int realWidth);
