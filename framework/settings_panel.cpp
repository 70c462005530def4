// The settings panel: a translucent sheet that slides down over any screen on
// Tab. It edits the setup values in place; Apply saves them and sets the
// display up again. FlipFrame calls it every frame so it animates everywhere.
#include <algorithm>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/fields.h"
#include "framework/game_identity.h"
#include "framework/frame_flip.h"
#include "framework/icon_frames.h"
#include "framework/key_names.h"
#include "framework/settings_panel.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"

int SettingsPanelY;   // start value: ResetMenus

namespace {

// The panel's text (font slot 2) at the scale where two-line labels, 16
// units apart, do not touch: 1 unless a narrow display enlarged the font.
float PanelTextScale() {
  SetImageFont(Fonts[kFontSmall]);
  return LineFitScale(16);
}

// ---------------------------------------------------------------- keyboard and pad focus
// Every row the panel draws registers itself, in drawing order, with what a
// key does to it and where it stands; the focus walks that list, so it
// follows the layout wherever the rows are drawn.
enum class RowKind { Option, Resolution, Apply, Volume, Pad };
struct PanelRow {
  RowKind kind;
  int target;     // setup index (option, volume) or pad number
  int count;      // values of an option row
  int x, y, w, h; // virtual units, as drawn this frame
};
// Start values: ResetMenus.
std::vector<PanelRow> Rows;
int FocusRow;
bool FocusShown;
RepeatPress UpPress, DownPress, LeftPress, RightPress;
PressEdge AcceptPress, EscapePress, PadClosePress;
bool PanelTookEscape;   // the Escape that closed the panel is still held

void AddRow(RowKind kind, int target, int count, int x, int y, int w, int h) {
  Rows.push_back({kind, target, count, x, y, w, h});
}

int SnapVolume(int value) {
  if (value < 6) return 0;
  if (value > 94) return 100;
  return value;
}

void StepMode(int direction) {
  if (ModeCount < 1) return;
  int mode = Setup[kSetupMode] + direction;
  if (mode > ModeCount) mode = 1;
  if (mode < 1) mode = ModeCount;
  Setup[kSetupMode] = mode;
  Setup[kSetupWidth] = ModeWidths[mode];
  Setup[kSetupHeight] = ModeHeights[mode];
}

void DrawLabelled(int setupIndex, int x, int y, int iconBase, std::initializer_list<const char*> texts) {
  std::string labels[6];
  int k = 0;
  for (const char* t : texts) labels[k++] = t;
  OptionRow(setupIndex, x, y, iconBase, labels);
}

void ResolutionRow() {
  std::string labels[6] = {"Resolution"};
  int hovered = OptionRow(kSetupWidescreen, 20, 70, icon::kResolution, labels);
  if (!Rows.empty()) Rows.pop_back();   // keys step the mode, as the arrows over it do
  // The row holds the size and the note under it, however wide and tall the
  // font draws them.
  // In the browser the page's size is the display's: the row shows it and
  // says so, and there is nothing to step.
  int pageW = 0, pageH = 0;
  const bool page = PageDisplaySize(pageW, pageH) == 1;
  const std::string size = page ? std::to_string(RealWidth) + "x" + std::to_string(RealHeight)
                                : std::to_string(Setup[kSetupWidth]) + "x" + std::to_string(Setup[kSetupHeight]);
  int r = 180, g = 255;
  const std::string note = page ? "Fits the page (sharp)" : QualityNote(Setup[kSetupHeight], r, g);
  {
    const float scale = PanelTextScale();
    const int noteRight = 60 + static_cast<int>(TextWidth(note) * scale + 0.999f);
    const int sizeRight = static_cast<int>(TextWidth(size) * scale + 0.999f);
    const int noteBottom = 58 + static_cast<int>(TextHeight(note) * scale + 0.999f);
    AddRow(RowKind::Resolution, kSetupWidescreen, 1, 20, SettingsPanelY + 70, std::max({200, noteRight, sizeRight}),
           std::max(70, noteBottom));
  }
  if (hovered || MouseOver(20, SettingsPanelY + 70, 200, 70)) {
    // Read every count so no press is left over for a later frame.
    int up = KeyHit(kKeyRight) + KeyHit(kKeyUp);
    int down = KeyHit(kKeyLeft) + KeyHit(kKeyDown);
    if (!page && (up > 0 || LeftClick)) StepMode(1);
    if (!page && (down > 0 || RightClick)) StepMode(-1);
  }
  SetScaleXY(PanelTextScale());
  DrawTextAligned(20, SettingsPanelY + 108, size, kAlignStart, kAlignStart);
  SetColourAlpha(r, g, 80);
  DrawTextAligned(80, SettingsPanelY + 128, note, kAlignStart, kAlignStart);
  SetColourAlpha(80, 255, 80);
}

void ApplyNow() {
  SettingsOpen = 0;
  SaveSetup();
  ApplyDisplaySettings();
}

void ApplyButton() {
  const float scale = PanelTextScale();
  SetScaleXY(scale);
  SetColourAlpha(0, 120, 0, 0.5);
  int w = static_cast<int>(TextWidth("Apply") * scale) + 4;
  int h = static_cast<int>(TextHeight("Apply") * scale) + 4;
  AddRow(RowKind::Apply, 0, 1, 18, SettingsPanelY + 258, w, h);
  if (MouseOver(18, SettingsPanelY + 258, w, h)) {
    DrawRect(18, static_cast<float>(SettingsPanelY + 258), static_cast<float>(w), static_cast<float>(h));
    if (LeftClick) {
      LeftClick = 0;
      ApplyNow();
    }
  }
  SetColourAlpha(80, 255, 80, 1);
  DrawTextAligned(20, SettingsPanelY + 260, "Apply", kAlignStart, kAlignStart);
}

void ControlsColumn() {
  struct Button {
    int control, r, g, b, dx, dy;
  };
  const Button kButtons[] = {
      {kControlUp, 80, 255, 80, 50, 0},         {kControlLeft, 80, 255, 80, 0, 50},
      {kControlRight, 80, 255, 80, 100, 50},    {kControlDown, 80, 255, 80, 50, 50},
      {kControlButton4, 255, 255, 80, 190, 0},  {kControlButton3, 80, 80, 255, 155, 30},
      {kControlButton2, 255, 80, 80, 225, 30},  {kControlButton1, 80, 255, 80, 190, 60},
  };
  for (int set = 1; set <= ControlSetsShown && set <= 4; ++set) {
    int x = set <= 2 ? 250 : 650;
    int y = SettingsPanelY + 10 + ((set - 1) % 2) * 150;
    int base = (set - 1) * kControlsPerPlayer;
    for (const Button& b : kButtons) {
      SetColourAlpha(b.r, b.g, b.b);
      BindingButton(base + b.control, x + b.dx, y + b.dy);
    }
  }
}

void RightColumn() {
  int x = VirtualWidth - 280;
  std::string audio[6] = {"AUDIO"};
  OptionRow(kSetupAudioDriver, x, 20, icon::kAudioDriver, audio);
  SetScaleXY(PanelTextScale());
  SetColourAlpha(255, 180, 180, 1);
  DrawTextAligned(x, SettingsPanelY + 50, "Changes require a Restart", kAlignStart, kAlignStart);
  const struct {
    int index, y;
    const char* caption;
  } kSliders[3] = {{kSetupMaster, 70, "Master Volume"}, {kSetupSounds, 120, "Sounds"}, {kSetupMusic, 170, "Music"}};
  for (const auto& slider : kSliders) {
    int y = SettingsPanelY + slider.y;
    Setup[slider.index] = SnapVolume(VolumeSlider(Setup[slider.index], x, y, slider.caption));
    // The slider and its caption under it, as wide and tall as the font draws it.
    const float scale = PanelTextScale();
    const std::string caption = std::string(slider.caption) + " : " + std::to_string(Setup[slider.index]);
    AddRow(RowKind::Volume, slider.index, 0, x - 2, y - 4,
           std::max(100, 2 + static_cast<int>(TextWidth(caption) * scale + 0.999f)),
           24 + static_cast<int>(TextHeight(caption) * scale + 0.999f));
  }

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
    AddRow(RowKind::Pad, i, 2, x, y, static_cast<int>(TextWidth(PadNames[i]) * scale + 0.999f),
           std::max(14, static_cast<int>(TextHeight(PadNames[i]) * scale + 0.999f)));
    if (MouseOver(x, y, static_cast<int>(TextWidth(PadNames[i]) * scale), 14) && LeftClick) {
      LeftClick = 0;
      PadEnabled[i] = 1 - PadEnabled[i];
    }
    DrawTextAligned(x, y, PadNames[i], kAlignStart, kAlignStart);
  }
}

// One key or pad step on the focused row: direction -1 (left), +1 (right),
// 0 to activate (Return or A).
void ActOnRow(const PanelRow& row, int direction) {
  switch (row.kind) {
    case RowKind::Option: {
      int count = row.count > 0 ? row.count : 1;
      int v = Setup[row.target] + (direction < 0 ? -1 : 1);
      Setup[row.target] = ((v % count) + count) % count;
      break;
    }
    case RowKind::Resolution: StepMode(direction < 0 ? -1 : 1); break;
    case RowKind::Volume:
      if (direction != 0) {
        int v = Setup[row.target] + 5 * direction;
        Setup[row.target] = SnapVolume(v < 0 ? 0 : (v > 100 ? 100 : v));
      }
      break;
    case RowKind::Pad: PadEnabled[row.target] = 1 - PadEnabled[row.target]; break;
    case RowKind::Apply:
      if (direction == 0) ApplyNow();
      break;
  }
}

// Up and Down move the focus over the rows, Left and Right change the
// focused value, Return or A activates it; Escape or the pad's B closes the
// panel (the pad's Back toggles it in the frame routine, as Tab does). The
// first press only shows the focus, and the mouse hides it again.
void PanelKeys() {
  bool up = UpPress.Step(DirectionHeld(kControlUp));
  bool down = DownPress.Step(DirectionHeld(kControlDown));
  bool left = LeftPress.Step(DirectionHeld(kControlLeft));
  bool right = RightPress.Step(DirectionHeld(kControlRight));
  bool accept = AcceptPress.Fresh(KeyDown(kKeyReturn) || ControllerHeld(Nav::Accept));
  bool escape = EscapePress.Fresh(KeyDown(kKeyEscape));
  bool padClose = PadClosePress.Fresh(ControllerHeld(Nav::Back));
  if (!KeyDown(kKeyEscape)) PanelTookEscape = false;
  if (MouseXNow != MouseXPrev || MouseYNow != MouseYPrev) FocusShown = false;
  if (SettingsOpen != 1) return;

  if (escape || padClose) {
    PanelTookEscape = escape;
    SettingsOpen = 0;
    SaveSetup();
    return;
  }
  if (Rows.empty() || !(up || down || left || right || accept)) return;
  if (FocusRow < 0 || FocusRow >= static_cast<int>(Rows.size())) FocusRow = 0;
  if (!FocusShown) {
    FocusShown = true;
    return;
  }
  const int last = static_cast<int>(Rows.size()) - 1;
  if (up && FocusRow > 0) --FocusRow;
  if (down && FocusRow < last) ++FocusRow;
  const PanelRow row = Rows[FocusRow];
  // While a display set-up runs (the panel is drawn over its engine test),
  // the focus moves but no row acts: Apply would start a set-up inside the
  // running one.
  if (DisplaySetupRunning) return;
  if (left) ActOnRow(row, -1);
  if (right) ActOnRow(row, 1);
  if (accept) ActOnRow(row, 0);
}

// A yellow frame round the focused row.
void DrawPanelFocus() {
  if (!FocusShown || FocusRow < 0 || FocusRow >= static_cast<int>(Rows.size())) return;
  const PanelRow& row = Rows[FocusRow];
  ResetDrawState();
  SetColourAlpha(255, 230, 40, 1);
  const float x = static_cast<float>(row.x - 4), y = static_cast<float>(row.y - 4);
  const float w = static_cast<float>(row.w + 8), h = static_cast<float>(row.h + 8);
  DrawRect(x, y, w, 2);
  DrawRect(x, y + h - 2, w, 2);
  DrawRect(x, y, 2, h);
  DrawRect(x + w - 2, y, 2, h);
}

}  // namespace

bool EscapeForScreen() { return KeyDown(kKeyEscape) && !SettingsPanelOut() && !PanelTookEscape; }

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

bool SettingsPanelOut() { return SettingsOpen == 1 || SettingsPanelY > -300; }

void ResetMenus() {
  SettingsPanelY = -300;
  Rows.clear();
  FocusRow = 0;
  FocusShown = false;
  UpPress = DownPress = LeftPress = RightPress = RepeatPress{};
  AcceptPress = EscapePress = PadClosePress = PressEdge{};
  PanelTookEscape = false;
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
    DrawTextAlignedScaled(x + 38, top + 16, shown, kAlignStart, kAlignCentre);
  } else {
    DrawTextAlignedScaled(x + 38, top + 8, Field(shown, "|", 1), kAlignStart, kAlignCentre);
    DrawTextAlignedScaled(x + 38, top + 24, Field(shown, "|", 2), kAlignStart, kAlignCentre);
  }

  SetScaleXY(2);
  int width = static_cast<int>(TextWidth(Field(shown, "|", 1)) * scale) + 38;
  // The focus frame holds both lines of a two-line label; the pointer keeps
  // to the first line's width, as it always has.
  const int rowWidth = std::max(width, static_cast<int>(TextWidth(Field(shown, "|", 2)) * scale) + 38);
  AddRow(RowKind::Option, setupIndex, count, x, top, rowWidth, 32);
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
  DrawSpriteCounted(IconSheetUnfiltered, x - 2, y, icon::kVolumeBarLeft, 1);
  DrawSpriteCounted(IconSheetUnfiltered, x + 48, y, icon::kVolumeBarRight, 1);
  SetColourAlpha(255, 80, 80);
  SetScaleXY(1, 1.5f);
  DrawSpriteCounted(IconSheetUnfiltered, x + value - 9, y, icon::kVolumeKnob, 1);
  SetColourAlpha(80, 180, 255);
  if (MouseOver(x - 2, y - 4, 100, 24) && MouseDown(1)) value = MouseXNow - (x - 2);
  SetScaleXY(PanelTextScale());
  DrawTextAligned(x, y + 20, caption + " : " + std::to_string(value), kAlignStart, kAlignStart);
  return value;
}

void BindingButton(int slot, int x, int y) {
  if (slot < 0 || slot >= static_cast<int>(Bindings.size())) return;
  int c = Bindings[slot];
  float active = 0;
  if (MouseOver(x, y, 48, 48) && SettingsPanelY >= 0) {
    active = 1;
    int captured = CaptureInput();
    // Backspace clears the binding; anything above it binds.
    if (captured > kKeyBackspace) Bindings[slot] = captured;
    if (captured == kKeyBackspace) Bindings[slot] = kInputNone;
  }
  if (InputDown(Bindings[slot])) active = 1;

  int frame = -1;
  int cx = x + 24, cy = y + 24;
  std::string caption;
  if (c == kInputNone) {
    frame = icon::kKeyCap;
    caption = "?!";
  } else if (c > kKeyBackspace && c < 255) {
    frame = icon::kKeyCap;
    caption = InputName(c);
  } else if (c >= kInputPadBase) {
    int sub = (c - kInputPadBase) % kInputPadStride;
    caption = InputName(c);
    if (sub <= kPadRPlus) {
      frame = icon::kPadAxis;
      cx = x;
      cy = y;
    } else if (sub >= kPadHatUp && sub < kPadButton0) {
      frame = icon::kPadHat;
      cx = x;
      cy = y;
    } else if (sub >= kPadButton0) {
      frame = icon::kPadButton;
    }
  }
  if (frame < 0) return;
  SetScaleXY(3);
  DrawGlowSprite(IconSheetUnfiltered, x, y, frame, IconSheet, 1.1f, active);
  SetScaleXY(1);
  DrawTextAligned(cx, cy, caption, kAlignCentre, kAlignCentre);
}

void SettingsPanel() {
  // The clicks, and the slide in or out. While a display set-up runs (the
  // panel is drawn over its engine test) clicks act on no row: Apply, a pad
  // switched off or a value stepped would change what is being set up.
  LeftClick = MouseHit(1);
  RightClick = MouseHit(2);
  if (DisplaySetupRunning) LeftClick = RightClick = 0;
  if (SettingsOpen == 1 && SettingsPanelY < 0) SettingsPanelY += 32;
  if (SettingsOpen == 0 && SettingsPanelY > -300) SettingsPanelY -= 32;
  if (SettingsPanelY <= -300) {
    // Hidden: the presses are still followed, so none is taken twice.
    Rows.clear();
    PanelKeys();
    return;
  }
  Rows.clear();

  // The sheet, and fresh budgets so the panel is never cut off.
  SetImageFont(Fonts[kFontSmall]);
  ResetDrawState();
  float w = static_cast<float>(VirtualWidth);
  SetBlend(kBlendShade);
  SetColourAlpha(40, 40, 40, 0.8);
  DrawRect(0, 0, w, static_cast<float>(SettingsPanelY + 300));
  SetBlend(kBlendAlpha);
  SetColourAlpha(80, 80, 80, 0.4);
  DrawRect(0, 0, w, static_cast<float>(SettingsPanelY + 298));
  SetColourAlpha(180, 255, 180, 1);
  DrawRect(0, static_cast<float>(SettingsPanelY + 298), w, 2);
  SpriteDrawn[1] = 0;
  SpriteDrawn[2] = 0;

  // The left column.
  SetColourAlpha(80, 255, 80, 1);
  SetScaleXY(PanelTextScale());
  DrawTextAligned(20, SettingsPanelY + 4, "Graphics", kAlignStart, kAlignStart);
  DrawLabelled(kSetupFullscreen, 20, 30, icon::kWindowMode, {"Windowed", "Fullscreen"});
  ResolutionRow();
  DrawLabelled(kSetupFrameskip, 20, 146, icon::kQualityTier, {"Draw all Frames|Decent System", "Frameskip|Slow System"});
  DrawLabelled(kSetupEngine, 20, 184, icon::kQualityTier, {"OpenGL|Optimum", "DirectX 9|Alternative", "DirectX 7|Backup"});

  // Apply, the controls (keyboard and pad play only), the right column.
  ApplyButton();
  if (MouseMode == 0) ControlsColumn();
  RightColumn();

  // The keyboard and the pad, once every row has its place.
  PanelKeys();
  DrawPanelFocus();
}
