// The shared icon sheet: 64 cells of 16 x 16 in an 8 x 8 grid, hand-placed
// pixel art so the icons stay crisp when drawn unfiltered at scale 2 and 3.
// Most icons are white and greys with a dark outline because the game tints
// them (the settings panel draws them green, the graph point takes its colour
// from the score), and a multiplied tint only shows on light pixels.
// The frames the program draws are named in framework/icon_frames.h.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "canvas.h"
#include "framework/icon_frames.h"
#include "generators.h"

namespace {

struct Icon {
  int frame;
  const char* rows[16];
};

// Palette: '.' transparent, D outline, K deepest shade, W white, L light
// grey, G mid grey, F dark face, S shadow, and a few colours for the icons
// the game does not tint.
const std::map<char, unsigned> kPalette = {
    {'D', 0x1C1C26}, {'K', 0x0C0C12}, {'W', 0xFFFFFF}, {'L', 0xC8CAD2}, {'G', 0x8C8E98},
    {'F', 0x4A4C5A}, {'S', 0x2C2D38}, {'R', 0xE53935}, {'Y', 0xFFD54F}, {'B', 0x42A5F5},
    {'N', 0x66BB6A}, {'O', 0xFF9800}, {'P', 0xF06292}, {'C', 0x4DD0E1}};

const Icon kIcons[] = {
    {icon::kSprite, {"................", ".......W........", ".......W........", "......WWW.......",
         "......WWW.......", ".....WWWWW......", "..WWWWWWWWWWW...", "WWWWWWWWWWWWWWW.",
         "..WWWWWWWWWWW...", ".....WWWWW......", "......WWW.......", "......WWW.......",
         ".......W........", ".......W........", "................", "................"}},
    // 1 heart
    {1, {"................", "................", "..DDDD....DDDD..", ".DPPPPD..DPPPPD.",
         "DPPWWPPDDPPPPPPD", "DPWWPPPPPPPPPPPD", "DPPPPPPPPPPPPPPD", "DPPPPPPPPPPPPPPD",
         ".DPPPPPPPPPPPPD.", "..DPPPPPPPPPPD..", "...DPPPPPPPPD...", "....DPPPPPPD....",
         ".....DPPPPD.....", "......DPPD......", ".......DD.......", "................"}},
    // 2 star
    {2, {"................", ".......DD.......", "......DYYD......", "......DYYD......",
         ".....DYYYYD.....", "DDDDDDYYYYDDDDDD", "DYYYYYYYYYYYYYYD", ".DYYYYYYYYYYYYD.",
         "..DYYYYYYYYYYD..", "...DYYYYYYYYD...", "...DYYYYYYYYD...", "..DYYYYDDYYYYD..",
         "..DYYYD..DYYYD..", ".DYYDD....DDYYD.", ".DDD........DDD.", "................"}},
    // 3 key cap: dark face so the key's name reads on top of it
    {icon::kKeyCap, {".DDDDDDDDDDDDDD.", "DLLLLLLLLLLLLLLD", "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD",
         "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD",
         "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD", "DLFFFFFFFFFFFFLD",
         "DLLLLLLLLLLLLLLD", "DGGGGGGGGGGGGGGD", "DSSSSSSSSSSSSSSD", ".DDDDDDDDDDDDDD."}},
    // 4 mouse
    {4, {"................", ".....DDDDDD.....", "....DWWDDWWD....", "...DWWWDLWWWD...",
         "...DWWWDLWWWD...", "...DWWWDDWWWD...", "...DDDDDDDDDDD..", "...DLLLLLLLLLD..",
         "...DWWWWWWWWWD..", "...DWWWWWWWWWD..", "...DWWWWWWWWWD..", "...DLWWWWWWWLD..",
         "....DLWWWWWLD...", ".....DDDDDDD....", "................", "................"}},
    // 5 speaker (spare)
    {5, {"................", "........D.......", ".......DD.......", "......DWD...D...",
         ".....DWWD....D..", "DDDDDWWWD..D..D.", "DLLLWWWWD...D.D.", "DLLLWWWWD...D.D.",
         "DLLLWWWWD...D.D.", "DLLLWWWWD...D.D.", "DDDDDWWWD..D..D.", ".....DWWD....D..",
         "......DWD...D...", ".......DD.......", "........D.......", "................"}},
    // 6 music note
    {6, {"................", "......DDDDDDDD..", "......DWWWWWWD..", "......DWDDDDWD..",
         "......DWD..DWD..", "......DWD..DWD..", "......DWD..DWD..", "......DWD..DWD..",
         "......DWD..DWD..", "..DDDDDWD.DDWD..", ".DWWWWWWDDWWWD..", ".DWWWWWWDWWWWD..",
         ".DWWWWWWDWWWWD..", "..DWWWWD.DDDD...", "...DDDD.........", "................"}},
    // 7 history-graph point: a plain light dot, coloured by the panel
    {icon::kGraphPoint, {"................", "................", "................", "................",
         "................", "......DDDD......", ".....DWWWWD.....", ".....DWWWWD.....",
         ".....DWWWWD.....", ".....DLWWLD.....", "......DDDD......", "................",
         "................", "................", "................", "................"}},
    // 8 pad hat: a d-pad cross
    {icon::kPadHat, {"................", ".....DDDDDD.....", ".....DWWWWD.....", ".....DWLLWD.....",
         ".....DWWWWD.....", ".DDDDDWWWWDDDDD.", ".DWWWWWWWWWWWWD.", ".DWLWWWGGWWWLWD.",
         ".DWLWWWGGWWWLWD.", ".DWWWWWWWWWWWWD.", ".DDDDDWWWWDDDDD.", ".....DWWWWD.....",
         ".....DWLLWD.....", ".....DWWWWD.....", ".....DDDDDD.....", "................"}},
    // 9 pad axis: a thumbstick in its ring, with arrows for the directions
    {icon::kPadAxis, {".......D........", "......DWD.......", ".....DWWWD......", "....DDDDDDD.....",
         "...DGGGGGGGD....", "..DGGDDDDDGGD...", ".DDGDWWWWWDGDD..", "DWDGDWLLWWDGDWD.",
         "DWDGDWLWWWDGDWD.", ".DDGDWWWWWDGDD..", "..DGGDDDDDGGD...", "...DGGGGGGGD....",
         "....DDDDDDD.....", ".....DWWWD......", "......DWD.......", ".......D........"}},
    // 10 pad button
    {icon::kPadButton, {"................", "................", ".....DDDDDD.....", "...DDWWWWWWDD...",
          "..DWWLLWWWWWWD..", "..DWLLWWWWWWWD..", ".DWWLWWWWWWWWWD.", ".DWWWWWWWWWWWWD.",
          ".DWWWWWWWWWWWWD.", ".DWWWWWWWWWWWLD.", "..DWWWWWWWWWLD..", "..DGWWWWWWWLGD..",
          "...DDGGGGGGDD...", ".....DDDDDD.....", "................", "................"}},
    // 11 resolution, 4:3 monitor
    {icon::kResolution, {"................", "..DDDDDDDDDDDD..", "..DLLLLLLLLLLD..", "..DLWWWWWWWWLD..",
          "..DLWWWWWWWWLD..", "..DLWWWWWWWWLD..", "..DLWWWWWWWWLD..", "..DLWWWWWWWWLD..",
          "..DLWWWWWWWWLD..", "..DLLLLLLLLLLD..", "..DDDDDDDDDDDD..", "......DLLD......",
          "......DLLD......", "....DDDDDDDD....", "....DLLLLLLD....", "....DDDDDDDD...."}},
    // 12 resolution, wide monitor
    {icon::kResolution + 1, {"................", "................", "DDDDDDDDDDDDDDDD", "DLLLLLLLLLLLLLLD",
          "DLWWWWWWWWWWWWLD", "DLWWWWWWWWWWWWLD", "DLWWWWWWWWWWWWLD", "DLWWWWWWWWWWWWLD",
          "DLWWWWWWWWWWWWLD", "DLLLLLLLLLLLLLLD", "DDDDDDDDDDDDDDDD", "......DLLD......",
          "......DLLD......", "....DDDDDDDD....", "....DLLLLLLD....", "....DDDDDDDD...."}},
    // 13 windowed: a small window with a title bar
    {icon::kWindowMode, {"................", "................", ".DDDDDDDDDDDDDD.", ".DGGGGGGGGDWDWD.",
          ".DDDDDDDDDDDDDD.", ".DWWWWWWWWWWWWD.", ".DWWWWWWWWWWWWD.", ".DWLLLLWWWWWWWD.",
          ".DWWWWWWWWWWWWD.", ".DWLLLLLLLWWWWD.", ".DWWWWWWWWWWWWD.", ".DWLLLWWWWWWWWD.",
          ".DWWWWWWWWWWWWD.", ".DDDDDDDDDDDDDD.", "................", "................"}},
    // 14 full screen: the frame filled to its corners, arrows outward
    {icon::kWindowMode + 1, {"DDDDD......DDDDD", "DWWWD......DWWWD", "DWWD........DWWD", "DWD.DDDDDDDD.DWD",
          "DD.DWWWWWWWWD.DD", "...DWWWWWWWWD...", "...DWWWWWWWWD...", "...DWWWWWWWWD...",
          "...DWWWWWWWWD...", "...DWWWWWWWWD...", "...DWWWWWWWWD...", "DD.DWWWWWWWWD.DD",
          "DWD.DDDDDDDD.DWD", "DWWD........DWWD", "DWWWD......DWWWD", "DDDDD......DDDDD"}},
    // 15 gear
    {15, {"................", "......DDDD......", "..DD..DWWD..DD..", ".DWWDDDWWDDDWWD.",
          ".DWWWWWWWWWWWWD.", "..DWWWDDDDWWWD..", "DDDWWD....DWWDDD", "DWWWWD....DWWWWD",
          "DWWWWD....DWWWWD", "DDDWWD....DWWDDD", "..DWWWDDDDWWWD..", ".DWWWWWWWWWWWWD.",
          ".DWWDDDWWDDDWWD.", "..DD..DWWD..DD..", "......DDDD......", "................"}},
    // 16 camera (screenshots)
    {16, {"................", "................", ".....DDDDD......", "....DLLLLLD.....",
          ".DDDDDDDDDDDDDD.", ".DWWWWWWWWWWWWD.", ".DWWWWDDDDWWWWD.", ".DWWWDGGGGDWWWD.",
          ".DWWDGGLLGGDWWD.", ".DWWDGGLGGGDWWD.", ".DWWDGGGGGGDWWD.", ".DWWWDGGGGDWWWD.",
          ".DWWWWDDDDWWWWD.", ".DDDDDDDDDDDDDD.", "................", "................"}},
    // 17 clock
    {17, {"................", ".....DDDDDD.....", "...DDWWWWWWDD...", "..DWWWWDWWWWWD..",
          ".DWWWWWDWWWWWWD.", ".DWWWWWDWWWWWWD.", "DWWWWWWDWWWWWWWD", "DWWWWWWDDDDDWWWD",
          "DWWWWWWWWWWWWWWD", "DWWWWWWWWWWWWWWD", ".DWWWWWWWWWWWWD.", ".DWWWWWWWWWWWWD.",
          "..DWWWWWWWWWWD..", "...DDWWWWWWDD...", ".....DDDDDD.....", "................"}},
    // 18-20 quality tiers: three, two and one lit bars
    {icon::kQualityTier, {"................", "................", "...........DDDD.", "...........DWWD.",
          "...........DWWD.", "...........DWWD.", "......DDDD.DWWD.", "......DWWD.DWWD.",
          "......DWWD.DWWD.", "......DWWD.DWWD.", ".DDDD.DWWD.DWWD.", ".DWWD.DWWD.DWWD.",
          ".DWWD.DWWD.DWWD.", ".DWWD.DWWD.DWWD.", ".DDDD.DDDD.DDDD.", "................"}},
    {icon::kQualityTier + 1, {"................", "................", "...........DDDD.", "...........D..D.",
          "...........D..D.", "...........D..D.", "......DDDD.D..D.", "......DWWD.D..D.",
          "......DWWD.D..D.", "......DWWD.D..D.", ".DDDD.DWWD.D..D.", ".DWWD.DWWD.D..D.",
          ".DWWD.DWWD.D..D.", ".DWWD.DWWD.D..D.", ".DDDD.DDDD.DDDD.", "................"}},
    {icon::kQualityTier + 2, {"................", "................", "...........DDDD.", "...........D..D.",
          "...........D..D.", "...........D..D.", "......DDDD.D..D.", "......D..D.D..D.",
          "......D..D.D..D.", "......D..D.D..D.", ".DDDD.D..D.D..D.", ".DWWD.D..D.D..D.",
          ".DWWD.D..D.D..D.", ".DWWD.D..D.D..D.", ".DDDD.DDDD.DDDD.", "................"}},
    // 21-22 the volume bar's left and right halves (stretched 3.1 x 1.5 by the panel)
    {icon::kVolumeBarLeft, {"................", "................", "................", "................",
          "................", "..DDDDDDDDDDDDDD", ".DWWWWWWWWWWWWWW", "DWWLLLLLLLLLLLLL",
          "DWWLLLLLLLLLLLLL", ".DWWWWWWWWWWWWWW", "..DDDDDDDDDDDDDD", "................",
          "................", "................", "................", "................"}},
    {icon::kVolumeBarRight, {"................", "................", "................", "................",
          "................", "DDDDDDDDDDDDDD..", "WWWWWWWWWWWWWWD.", "LLLLLLLLLLLLLWWD",
          "LLLLLLLLLLLLLWWD", "WWWWWWWWWWWWWWD.", "DDDDDDDDDDDDDD..", "................",
          "................", "................", "................", "................"}},
    // 23 volume knob
    {icon::kVolumeKnob, {"................", "................", "....DDDDDDDD....", "...DWWWWWWWWD...",
          "...DWWLLLLWWD...", "...DWLWWWWLWD...", "...DWLWWWWLWD...", "...DWLWWWWLWD...",
          "...DWLWWWWLWD...", "...DWLWWWWLWD...", "...DWLWWWWLWD...", "...DWWLLLLWWD...",
          "...DWWWWWWWWD...", "....DDDDDDDD....", "................", "................"}},
    // 24-29 audio drivers: speaker, headphones, sound chip, wave, speaker with
    // sound waves, muted speaker
    {icon::kAudioDriver, {"................", "........D.......", ".......DD.......", "......DWD.......",
          ".....DWWD.......", "DDDDDWWWD.......", "DLLLWWWWD.......", "DLLLWWWWD.......",
          "DLLLWWWWD.......", "DLLLWWWWD.......", "DDDDDWWWD.......", ".....DWWD.......",
          "......DWD.......", ".......DD.......", "........D.......", "................"}},
    {icon::kAudioDriver + 1, {"................", ".....DDDDDD.....", "...DDWWWWWWDD...", "..DWWDDDDDDWWD..",
          ".DWD........DWD.", ".DWD........DWD.", "DWD..........DWD", "DWD..........DWD",
          "DDDDD......DDDDD", "DWWWD......DWWWD", "DWLWD......DWLWD", "DWLWD......DWLWD",
          "DWLWD......DWLWD", "DWWWD......DWWWD", "DDDDD......DDDDD", "................"}},
    {icon::kAudioDriver + 2, {"................", "..D.D.D.D.D.D...", "..D.D.D.D.D.D...", ".DDDDDDDDDDDDD..",
          "DDWWWWWWWWWWWDD.", ".DWLLLLLLLLLWD..", "DDWLGGGGGGGLWDD.", ".DWLGGWWWGGLWD..",
          "DDWLGGWWWGGLWDD.", ".DWLGGGGGGGLWD..", "DDWLLLLLLLLLWDD.", ".DWWWWWWWWWWWD..",
          ".DDDDDDDDDDDDD..", "..D.D.D.D.D.D...", "..D.D.D.D.D.D...", "................"}},
    {icon::kAudioDriver + 3, {"................", "................", "................", "..DDD...........",
          ".DWWWD..........", "DWD.DWD.........", "DWD.DWD......DD.", "DWD..DWD....DWWD",
          ".....DWD...DWD.D", "......DWD..DWD..", "......DWD.DWD...", ".......DWDWD....",
          "........DWWD....", ".........DD.....", "................", "................"}},
    {icon::kAudioDriver + 4, {"................", "........D...D...", ".......DD....D..", "......DWD..D..D.",
          ".....DWWD...D.D.", "DDDDDWWWD.D..D.D", "DLLLWWWWD..D.D.D", "DLLLWWWWD..D.D.D",
          "DLLLWWWWD..D.D.D", "DLLLWWWWD..D.D.D", "DDDDDWWWD.D..D.D", ".....DWWD...D.D.",
          "......DWD..D..D.", ".......DD....D..", "........D...D...", "................"}},
    {icon::kAudioDriver + 5, {"................", "........D.......", ".......DD.......", "......DWD.......",
          ".....DWWD.......", "DDDDDWWWD.......", "DLLLWWWWD.R...R.", "DLLLWWWWD..R.R..",
          "DLLLWWWWD...R...", "DLLLWWWWD..R.R..", "DDDDDWWWD.R...R.", ".....DWWD.......",
          "......DWD.......", ".......DD.......", "........D.......", "................"}},
    // 30 trophy
    {30, {"................", "..DDDDDDDDDDDD..", "DDDYYYYYYYYYYDDD", "DYDYYYYYYYYYYDYD",
          "DYDYYWYYYYYYYDYD", ".DDYYWYYYYYYYDD.", "...DYYYYYYYYD...", "....DYYYYYYD....",
          ".....DDYYDD.....", "......DYYD......", "......DYYD......", ".....DDYYDD.....",
          "....DYYYYYYD....", "...DDDDDDDDDD...", "...DOOOOOOOOD...", "...DDDDDDDDDD..."}},
    // 31 flag
    {31, {"................", ".DD.............", ".DWDDDD...DDD...", ".DWDNNNDDDNNNDD.",
          ".DWDNNNNNNNNNND.", ".DWDNNNNNNNNNND.", ".DWDNNNNNNNNNND.", ".DWDNNNNNNNNNND.",
          ".DWDDDNNNDDNNND.", ".DWD..DDD..DDD..", ".DWD............", ".DWD............",
          ".DWD............", ".DWD............", ".DDD............", "................"}},
    // 32 tick, 33 cross
    {32, {"................", "................", "...........DDD..", "..........DNNND.",
          ".........DNNND..", "........DNNND...", ".DDD...DNNND....", "DNNND.DNNND.....",
          ".DNNNDNNND......", "..DNNNNND.......", "...DNNND........", "....DDD.........",
          "................", "................", "................", "................"}},
    {33, {"................", "................", "..DDD.....DDD...", ".DRRRD...DRRRD..",
          "..DRRRD.DRRRD...", "...DRRRDRRRD....", "....DRRRRRD.....", ".....DRRRD......",
          "....DRRRRRD.....", "...DRRRDRRRD....", "..DRRRD.DRRRD...", ".DRRRD...DRRRD..",
          "..DDD.....DDD...", "................", "................", "................"}},
    // 63 mouse pointer, tip at the very top-left pixel
    {icon::kPointer, {"D...............", "DD..............", "DWD.............", "DWWD............",
          "DWWWD...........", "DWWWWD..........", "DWWWWWD.........", "DWWWWWWD........",
          "DWWWWWWWD.......", "DWWWWWWWWD......", "DWWWWWDDDDD.....", "DWWDWWD.........",
          "DWD.DWWD........", "DD..DWWD........", "D....DWWD.......", ".....DDD........"}},
};

bool PaintIcon(cairo_surface_t* s, const Icon& icon) {
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  int ox = (icon.frame % icon::kColumns) * icon::kCellSize;
  int oy = (icon.frame / icon::kColumns) * icon::kCellSize;
  for (int y = 0; y < 16; ++y) {
    if (std::strlen(icon.rows[y]) != 16) {
      Fail("icon " + std::to_string(icon.frame) + " row " + std::to_string(y) + " is not 16 wide");
      return false;
    }
    for (int x = 0; x < 16; ++x) {
      char c = icon.rows[y][x];
      if (c == '.') continue;
      auto it = kPalette.find(c);
      if (it == kPalette.end()) {
        Fail(std::string("icon ") + std::to_string(icon.frame) + " uses unknown colour " + c);
        return false;
      }
      auto* px = reinterpret_cast<uint32_t*>(data + (oy + y) * stride) + ox + x;
      *px = 0xFF000000u | it->second;
    }
  }
  return true;
}

}  // namespace

void MakeIconSheet(const std::string& commonDir) {
  Canvas canvas(128, 128);
  cairo_surface_flush(canvas.surface());
  for (const Icon& icon : kIcons) PaintIcon(canvas.surface(), icon);
  cairo_surface_mark_dirty(canvas.surface());
  SavePng(canvas, commonDir + "/icons.png");
}
