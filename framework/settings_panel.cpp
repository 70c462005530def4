// The settings panel: a translucent sheet that slides down over any screen on
// Tab. It edits the setup values in place; Apply saves them and sets the
// display up again. FlipFrame calls it every frame so it animates everywhere.
#include <algorithm>
#include <string>

#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/fields.h"
#include "framework/frame_flip.h"
#include "framework/key_names.h"
#include "framework/menus.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "platform/platform.h"

int SettingsPanelY = -300;

namespace {

// The panel's text (font slot 2) at the scale where two-line labels, 16
// units apart, do not touch: 1 unless a narrow display enlarged the font.
float PanelTextScale() {
  SetImageFont(Fonts[2]);
  return LineFitScale(16);
}

int SnapVolume(int value) {
  if (value < 6) return 0;
  if (value > 94) return 100;
  return value;
}

void StepMode(int direction) {
  if (ModeCount < 1) return;
  int mode = Setup[4] + direction;
  if (mode > ModeCount) mode = 1;
  if (mode < 1) mode = ModeCount;
  Setup[4] = mode;
  Setup[5] = ModeWidths[mode];
  Setup[6] = ModeHeights[mode];
}

void DrawLabelled(int setupIndex, int x, int y, int iconBase, std::initializer_list<const char*> texts) {
  std::string labels[6];
  int k = 0;
  for (const char* t : texts) labels[k++] = t;
  OptionRow(setupIndex, x, y, iconBase, labels);
}

void ResolutionRow() {
  std::string labels[6] = {"Resolution"};
  int hovered = OptionRow(2, 20, 70, 11, labels);
  if (hovered || MouseOver(20, SettingsPanelY + 70, 200, 70)) {
    // Read every count so no press is left over for a later frame.
    int up = KeyHit(39) + KeyHit(38);
    int down = KeyHit(37) + KeyHit(40);
    if (up > 0 || LeftClick) StepMode(1);
    if (down > 0 || RightClick) StepMode(-1);
  }
  SetScaleXY(PanelTextScale());
  DrawTextAligned(20, SettingsPanelY + 108, std::to_string(Setup[5]) + "x" + std::to_string(Setup[6]), 0, 0);
  int r = 0, g = 0;
  std::string note = QualityNote(Setup[6], r, g);
  SetColourAlpha(r, g, 80);
  DrawTextAligned(80, SettingsPanelY + 128, note, 0, 0);
  SetColourAlpha(80, 255, 80);
}

void ApplyButton() {
  const float scale = PanelTextScale();
  SetScaleXY(scale);
  SetColourAlpha(0, 120, 0, 0.5);
  int w = static_cast<int>(TextWidth("Apply") * scale) + 4;
  int h = static_cast<int>(TextHeight("Apply") * scale) + 4;
  if (MouseOver(18, SettingsPanelY + 258, w, h)) {
    DrawRect(18, static_cast<float>(SettingsPanelY + 258), static_cast<float>(w), static_cast<float>(h));
    if (LeftClick) {
      LeftClick = 0;
      SettingsOpen = 0;
      SaveSetup();
      ApplyDisplaySettings();
    }
  }
  SetColourAlpha(80, 255, 80, 1);
  DrawTextAligned(20, SettingsPanelY + 260, "Apply", 0, 0);
}

void ControlsColumn() {
  struct Button {
    int control, r, g, b, dx, dy;
  };
  const Button kButtons[] = {
      {0, 80, 255, 80, 50, 0},    {3, 80, 255, 80, 0, 50},    {5, 80, 255, 80, 100, 50},
      {8, 80, 255, 80, 50, 50},   {13, 255, 255, 80, 190, 0}, {12, 80, 80, 255, 155, 30},
      {11, 255, 80, 80, 225, 30}, {10, 80, 255, 80, 190, 60},
  };
  for (int set = 1; set <= ControlSetsShown && set <= 4; ++set) {
    int x = set <= 2 ? 250 : 650;
    int y = SettingsPanelY + 10 + ((set - 1) % 2) * 150;
    int base = (set - 1) * 20;
    for (const Button& b : kButtons) {
      SetColourAlpha(b.r, b.g, b.b);
      BindingButton(base + b.control, x + b.dx, y + b.dy);
    }
  }
}

void RightColumn() {
  int x = VirtualWidth - 280;
  std::string audio[6] = {"AUDIO"};
  OptionRow(14, x, 20, 24, audio);
  SetScaleXY(PanelTextScale());
  SetColourAlpha(255, 180, 180, 1);
  DrawTextAligned(x, SettingsPanelY + 50, "Changes require a Restart", 0, 0);
  Setup[11] = SnapVolume(VolumeSlider(Setup[11], x, SettingsPanelY + 70, "Master Volume"));
  Setup[12] = SnapVolume(VolumeSlider(Setup[12], x, SettingsPanelY + 120, "Sounds"));
  Setup[13] = SnapVolume(VolumeSlider(Setup[13], x, SettingsPanelY + 170, "Music"));

  // The pads: a held first button lights the name so the player can tell
  // them apart. Their lines are 15 apart.
  const float scale = std::min(PanelTextScale(), LineFitScale(15));
  SetScaleXY(scale);
  for (int i = 1; i <= PadCount; ++i) {
    int y = SettingsPanelY + 230 + (i - 1) * 15;
    double alpha = PadEnabled[i] ? 1.0 : 0.2;
    if (JoyDown(0, i - 1)) {
      SetColourAlpha(255, 255, 80, alpha);
    } else {
      SetColourAlpha(80, 255, 80, alpha);
    }
    if (MouseOver(x, y, static_cast<int>(TextWidth(PadNames[i]) * scale), 14) && LeftClick) {
      LeftClick = 0;
      PadEnabled[i] = 1 - PadEnabled[i];
    }
    DrawTextAligned(x, y, PadNames[i], 0, 0);
  }
}

}  // namespace

std::string QualityNote(int height, int& red, int& green) {
  if (height < 900) {
    red = 255, green = 180;
    return "Small (Bit blurry)";
  }
  if (height <= 960) {
    red = 255, green = 255;
    return "Native (Crisp, Clear)";
  }
  red = 180, green = 255;
  return "Bigger! (High-Definition!)";
}

void ResetMenus() {
  SettingsPanelY = -300;
}

int OptionRow(int setupIndex, int x, int y, int iconBase, const std::string labelsIn[6]) {
  std::string labels[6];
  for (int k = 0; k < 6; ++k) labels[k] = labelsIn[k];
  if (labels[0] == "AUDIO") {
    int n = static_cast<int>(AudioDriverNames.size());
    for (int k = 0; k < n && k < 6; ++k) labels[k] = "Audio Driver|" + AudioDriverNames[k];
  }
  int count = 1;
  for (int k = 0; k < 6; ++k) {
    if (!labels[k].empty()) count = k + 1;
  }
  int v = Setup[setupIndex];
  const std::string& shown = (v >= 0 && v < 6 && !labels[v].empty()) ? labels[v] : labels[0];

  const float scale = PanelTextScale();
  SetScaleXY(scale);
  int top = SettingsPanelY + y;
  if (Instr(shown, "|") == 0) {
    DrawTextAlignedScaled(x + 38, top + 16, shown, 0, 1);
  } else {
    DrawTextAlignedScaled(x + 38, top + 8, Field(shown, "|", 1), 0, 1);
    DrawTextAlignedScaled(x + 38, top + 24, Field(shown, "|", 2), 0, 1);
  }

  SetScaleXY(2);
  int width = static_cast<int>(TextWidth(Field(shown, "|", 1)) * scale) + 38;
  if (MouseOver(x, top, width, 32)) {
    DrawGlowSprite(IconSheetUnfiltered, x, top, iconBase + v, IconSheet, 1.1f, 0.8f);
    if (LeftClick) Setup[setupIndex] = (v + 1) % count;
    return 1;
  }
  DrawSpriteCounted(IconSheetUnfiltered, x, top, iconBase + v, 1);
  return 0;
}

int VolumeSlider(int value, int x, int y, const std::string& caption) {
  SetColourAlpha(80, 255, 80);
  SetScaleXY(3.1f, 1.5f);
  DrawSpriteCounted(IconSheetUnfiltered, x - 2, y, 21, 1);
  DrawSpriteCounted(IconSheetUnfiltered, x + 48, y, 22, 1);
  SetColourAlpha(255, 80, 80);
  SetScaleXY(1, 1.5f);
  DrawSpriteCounted(IconSheetUnfiltered, x + value - 9, y, 23, 1);
  SetColourAlpha(80, 180, 255);
  if (MouseOver(x - 2, y - 4, 100, 24) && MouseDown(1)) value = MouseXNow - (x - 2);
  SetScaleXY(PanelTextScale());
  DrawTextAligned(x, y + 20, caption + " : " + std::to_string(value), 0, 0);
  return value;
}

void BindingButton(int slot, int x, int y) {
  if (slot < 0 || slot >= static_cast<int>(Bindings.size())) return;
  int c = Bindings[slot];
  float active = 0;
  if (MouseOver(x, y, 48, 48) && SettingsPanelY >= 0) {
    active = 1;
    int captured = CaptureInput();
    if (captured > 8) Bindings[slot] = captured;
    if (captured == 8) Bindings[slot] = 0;
  }
  if (InputDown(Bindings[slot])) active = 1;

  int frame = -1;
  int cx = x + 24, cy = y + 24;
  std::string caption;
  if (c == 0) {
    frame = 3;
    caption = "?!";
  } else if (c >= 9 && c <= 254) {
    frame = 3;
    caption = InputName(c);
  } else if (c >= 300) {
    int sub = c % 50;
    caption = InputName(c);
    if (sub < 12) {
      frame = 9;
      cx = x;
      cy = y;
    } else if (sub >= 20 && sub <= 29) {
      frame = 8;
      cx = x;
      cy = y;
    } else if (sub >= 30) {
      frame = 10;
    }
  }
  if (frame < 0) return;
  SetScaleXY(3);
  DrawGlowSprite(IconSheetUnfiltered, x, y, frame, IconSheet, 1.1f, active);
  SetScaleXY(1);
  DrawTextAligned(cx, cy, caption, 1, 1);
}

void SettingsPanel() {
  // 1-2
  LeftClick = MouseHit(1);
  RightClick = MouseHit(2);
  if (SettingsOpen == 1 && SettingsPanelY < 0) SettingsPanelY += 32;
  if (SettingsOpen == 0 && SettingsPanelY > -300) SettingsPanelY -= 32;
  if (SettingsPanelY <= -300) return;

  // 3-5: the sheet, and fresh budgets so the panel is never cut off.
  SetImageFont(Fonts[2]);
  ResetDrawState();
  float w = static_cast<float>(VirtualWidth);
  SetBlendKind(2);
  SetColourAlpha(40, 40, 40, 0.8);
  DrawRect(0, 0, w, static_cast<float>(SettingsPanelY + 300));
  SetBlendKind(1);
  SetColourAlpha(80, 80, 80, 0.4);
  DrawRect(0, 0, w, static_cast<float>(SettingsPanelY + 298));
  SetColourAlpha(180, 255, 180, 1);
  DrawRect(0, static_cast<float>(SettingsPanelY + 298), w, 2);
  SpriteDrawn[1] = 0;
  SpriteDrawn[2] = 0;

  // 6-7: the left column.
  SetColourAlpha(80, 255, 80, 1);
  SetScaleXY(PanelTextScale());
  DrawTextAligned(20, SettingsPanelY + 4, "Graphics", 0, 0);
  DrawLabelled(1, 20, 30, 13, {"Windowed", "Fullscreen"});
  ResolutionRow();
  DrawLabelled(7, 20, 146, 18, {"Draw all Frames|Decent System", "Frameskip|Slow System"});
  DrawLabelled(3, 20, 184, 18, {"OpenGL|Optimum", "DirectX 9|Alternative", "DirectX 7|Backup"});

  // 8-10
  ApplyButton();
  if (MouseMode == 0) ControlsColumn();
  RightColumn();
}
