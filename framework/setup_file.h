// "Setup.ini": the table of setup values, the audio driver names, reading,
// the audio driver choice and writing.
#pragma once

#include <array>
#include <string>
#include <vector>

// Slot 1 fullscreen, 2 widescreen flag, 3 graphics engine, 4 mode number,
// 5 width, 6 height, 7 slow-system flag (frameskip), 11 master, 12 sound,
// 13 music volume, 14 audio driver. Survives display set-up; saved by SaveSetup.
extern std::array<int, 100> Setup;
extern std::vector<std::string> AudioDriverNames;   // the platform's drivers, 0-based
extern bool AudioDriverNamed;                        // the file had an AudioDriver line

void ResetSetup();          // start-up defaults
// Working folder Files/. Values are held in range (volumes 0..100), a Key
// line with a code no input has is ignored. A file that is there but can't be
// read is logged and never saved over this session.
void ReadSetup();
// True when this session's setup file was there but could not be read.
bool SetupFileUnreadable();
// Applies the lines of a setup file's text (LF, CR LF or a lone CR end a line).
void ApplySetupText(const std::string& text);
void ChooseAudioDriver();
// Working folder: the game folder; it is left so. Writes "Setup.ini" in Files/
// (or the file it links to) through a temporary file renamed over the old one
// after a complete write. A failure is logged and the player told once.
void SaveSetup();
// The file's text exactly as SaveSetup writes it (CR LF line ends).
std::string SetupFileText();
