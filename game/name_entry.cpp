// Name entry after a round: a full-screen prompt over red-to-blue stripes that
// edits PlayerName one typed character per frame until Enter, a click or
// Escape. The score file separates fields with "|" and holds one byte per
// character, so those characters are refused here.
#include "game/name_entry.h"

#include <algorithm>

#include "audio/music.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/settings_panel.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/shared_assets.h"
#include "game/scores.h"
#include "platform/platform.h"

bool NameEntryOpen;   // start value: ResetNameEntry
const char* const kPickerLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .-_!?";

namespace {

// The round's song fades out while the player types.
constexpr int kNameEntryFadeMs = 1200;

// Keys and the click that ended the round (or the entry) must be let go
// first, so they neither end the entry at once nor reach the title screen.
// A close request ends the wait too (a button can stay held for ever) and is
// left for the next frame, which closes the program.
void WaitForRelease() {
  while ((KeyDown(kKeyEscape) || MouseDown(1) || KeyDown(kKeyReturn)) && !AppTerminatePending()) {
    PollSystem();
    Delay(1);
  }
}

void DrawBackdrop() {
  DrawStripes({100, 0, 0}, {-1, 0, 1});
  ResetDrawState();
}

// ---------------------------------------------------------------- the pad's letter picker
struct Picker {
  bool shown = false;
  int pos = 0;
  RepeatPress up, down, left, right;
  PressEdge accept, erase;
};

// One frame of pad input; true when A accepts the name. The first press of
// any other button only brings the picker up.
bool PickerInput(Picker& p) {
  bool up = p.up.Step(ControllerHeld(Nav::Up));
  bool down = p.down.Step(ControllerHeld(Nav::Down));
  bool left = p.left.Step(ControllerHeld(Nav::Left));
  bool right = p.right.Step(ControllerHeld(Nav::Right));
  bool accept = p.accept.Fresh(ControllerHeld(Nav::Accept));
  bool erase = p.erase.Fresh(ControllerHeld(Nav::Back));
  if (SettingsPanelOut()) return false;
  if (accept) return true;
  if (!(up || down || left || right || erase)) return false;
  const int size = static_cast<int>(PlayerName.size());
  if (!p.shown) {
    p.shown = true;
    p.pos = size < kNameMaxLength ? size : size - 1;
    return false;
  }
  if (p.pos > size) p.pos = size;   // the keyboard may have erased meanwhile
  if (up) ApplyPickerAction(PlayerName, p.pos, PickerAction::Up);
  if (down) ApplyPickerAction(PlayerName, p.pos, PickerAction::Down);
  if (left) ApplyPickerAction(PlayerName, p.pos, PickerAction::Left);
  if (right) ApplyPickerAction(PlayerName, p.pos, PickerAction::Right);
  if (erase) ApplyPickerAction(PlayerName, p.pos, PickerAction::Delete);
  return false;
}

// A solid triangle pointing up (dir -1) or down (dir 1), apex at (cx, tipY),
// 12 units tall, in two-unit rows.
void DrawArrow(int cx, int tipY, int dir) {
  for (int row = 0; row < 6; ++row) {
    const int y = dir < 0 ? tipY + 2 * row : tipY - 2 * row - 2;
    DrawRect(static_cast<float>(cx - 2 * row - 2), static_cast<float>(y), static_cast<float>(4 * row + 4), 2);
  }
}

// "Enter Your Name", 100 units over the name; with the picker up, moved up
// as far as it takes to keep clear of the picker's box (on narrow displays
// the name's font, and the box with it, are larger).
void DrawHeading(bool pickerShown) {
  int y = VirtualHeight / 2 - 100;
  if (pickerShown) {
    SetImageFont(Fonts[kFontHuge]);
    const int boxTop = VirtualHeight / 2 - TextHeight("W") / 2 - 7;
    SetImageFont(Fonts[kFontLarge]);
    y = std::min(y, boxTop - 4 - (TextHeight("Enter Your Name") + 1) / 2);
  }
  SetImageFont(Fonts[kFontLarge]);
  DrawTextAligned(VirtualWidth / 2, y, "Enter Your Name", kAlignCentre, kAlignCentre);
}

// The box round the letter under the cursor, arrows above and below it, and
// what the buttons do. nameX, nameY: where the name is drawn (left, middle).
void DrawPicker(const Picker& p, int nameX, int nameY) {
  const std::string& name = PlayerName;
  const int size = static_cast<int>(name.size());
  const int pos = p.pos < size ? p.pos : size;
  const int x = nameX + TextWidth(name.substr(0, pos));
  const int w = pos < size ? TextWidth(name.substr(pos, 1)) : TextWidth("W");
  const int h = TextHeight("W");
  const int top = nameY - h / 2;
  ResetDrawState();
  // Dark, bright, dark: it stands out on the red and the blue stripes.
  const struct {
    int grow, r, g, b;
  } kBands[3] = {{7, 0, 0, 0}, {5, 255, 230, 40}, {2, 0, 0, 0}};
  for (const auto& band : kBands) {
    SetColourAlpha(band.r, band.g, band.b, 1);
    const float bx = static_cast<float>(x - band.grow), by = static_cast<float>(top - band.grow);
    const float bw = static_cast<float>(w + 2 * band.grow), bh = static_cast<float>(h + 2 * band.grow);
    DrawRect(bx, by, bw, 2);
    DrawRect(bx, by + bh - 2, bw, 2);
    DrawRect(bx, by, 2, bh);
    DrawRect(bx + bw - 2, by, 2, bh);
  }
  // The up arrow sits in the line's blank top margin inside the box, clear
  // of the heading above; the down arrow under the box, clear of descenders.
  SetColourAlpha(255, 230, 40, 1);
  DrawArrow(x + w / 2, top + 2, -1);
  DrawArrow(x + w / 2, top + h + 22, 1);
  SelectFont(2, 3);
  SetColourAlpha(255, 255, 255, 1);
  DrawTextAligned(VirtualWidth / 2, nameY + h / 2 + 60, "D-pad: letter and place     A: done     B: delete", kAlignCentre, kAlignCentre);
  ResetDrawState();
}

}  // namespace

void ApplyPickerAction(std::string& name, int& pos, PickerAction action) {
  const int size = static_cast<int>(name.size());
  const std::string letters = kPickerLetters;
  const int count = static_cast<int>(letters.size());
  if (pos < 0) pos = 0;
  if (pos > size) pos = size;
  switch (action) {
    case PickerAction::Up:
    case PickerAction::Down: {
      const int step = action == PickerAction::Up ? 1 : -1;
      if (pos == size) {
        // The place past the end: a new letter, while the name has room.
        if (size >= kNameMaxLength) return;
        name += letters[step > 0 ? 0 : count - 1];
        return;
      }
      // A letter typed on the keyboard that the picker does not offer
      // starts the picker's list from its end.
      std::string::size_type at = letters.find(name[pos]);
      int index = at == std::string::npos ? (step > 0 ? -1 : count) : static_cast<int>(at);
      index = ((index + step) % count + count) % count;
      name[pos] = letters[index];
      return;
    }
    case PickerAction::Left:
      if (pos > 0) --pos;
      return;
    case PickerAction::Right:
      if (pos < size && (pos + 1 < size || size < kNameMaxLength)) ++pos;
      return;
    case PickerAction::Delete:
      if (pos < size) {
        name.erase(pos, 1);
      } else if (size > 0) {
        name.erase(size - 1, 1);
        pos = size - 1;
      }
      return;
  }
}

void ResetNameEntry() { NameEntryOpen = false; }

bool TakePageField(std::string& name) {
  std::string text;
  const int state = ReadPageTextField(text);
  if (state == 0) return false;
  name.clear();
  for (char c : text) {
    if (static_cast<int>(name.size()) < kNameMaxLength && NameCharAccepted(static_cast<unsigned char>(c))) name += c;
  }
  return state == 2;
}

bool NameCharAccepted(int code) {
  return code >= 32 && code <= 255 && code != '|' && code != 127;
}

void EnterName(const std::function<void()>& named) {
  NameEntryOpen = true;
  FadeOutMusic(kNameEntryFadeMs);
  FlushKeys();
  ClearInputHits();
  WaitForRelease();

  // On a touch device the page's own text field takes the name, with the
  // device's keyboard; taps on the game do not end the entry there.
  ShowPageScreen(kPageScreenOther);
  const bool pageField = OpenPageTextField(PlayerName, kNameMaxLength) == 1;
  bool fieldDone = false;

  Picker picker;
  bool done = false;
  while (!done) {
    Cls();
    DrawBackdrop();

    // One character per frame; the rest wait in the queue.
    int code = GetChar();
    if (NameCharAccepted(code)) PlayerName += static_cast<char>(code);
    if (KeyHit(kKeyBackspace) && !PlayerName.empty()) PlayerName.pop_back();
    if (pageField) fieldDone = TakePageField(PlayerName);
    bool padDone = PickerInput(picker);

    SetColourAlpha(0, 255, 0);
    DrawHeading(picker.shown);
    // The cursor is left out of the centring so the name keeps still while it blinks.
    SetImageFont(Fonts[kFontHuge]);
    std::string cursor = Clock() % 600 < 300 ? "_" : " ";
    // With the picker up, its box is the cursor.
    if (picker.shown) cursor = "";
    const int nameX = VirtualWidth / 2 - TextWidth(PlayerName) / 2;
    DrawTextAligned(nameX, VirtualHeight / 2, PlayerName + cursor, kAlignStart, kAlignCentre);
    if (picker.shown) DrawPicker(picker, nameX, VirtualHeight / 2);

    // Return or Escape while the settings panel is out belong to the panel.
    bool enter = KeyHit(kKeyReturn) && !SettingsPanelOut();
    done = enter || (MouseDown(1) && !pageField) || (KeyDown(kKeyEscape) && EscapeForScreen()) || padDone ||
           fieldDone;
    if (done && named) named();
    FlipFrame(1);
  }
  if (pageField) ClosePageTextField();

  SeedRnd(MilliSecs());
  WaitForRelease();
  // The letters of the name (X and Z among them) are not the next screen's keys.
  ClearInputHits();
  NameEntryOpen = false;
}
