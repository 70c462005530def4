// The settings panel: slides down over any screen (Tab, the pad's Back),
// changes the setup, the bindings and the volumes, and applies a display.
#pragma once

#include <string>

// Moved by the settings panel every frame; for the run.
extern int SettingsPanelY;   // virtual units; -300 hidden, 20 fully out
// True while the panel is wanted out or still sliding: the keys and the
// pad's buttons work the panel then, not the screen beneath.
bool SettingsPanelOut();
// Escape held and meant for the screen: not while the panel is out, nor while
// the press that closed the panel is still held.
bool EscapeForScreen();

void ResetMenus();
void SettingsPanel();                 // every frame, from FlipFrame
int OptionRow(int setupIndex, int x, int y, int iconBase, const std::string labels[6]);
int VolumeSlider(int value, int x, int y, const std::string& caption);
void BindingButton(int slot, int x, int y);
// The resolution's quality note by display height, with its red and green (blue is 80).
std::string QualityNote(int height, int& red, int& green);
