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
void ReadSetup();           // working folder Files/
void ChooseAudioDriver();
// Working folder: the game folder; it is left so. Writes "Setup.ini" in Files/
// through a temporary file renamed over the old one after a complete write.
void SaveSetup();
// The file's text exactly as SaveSetup writes it (CR LF line ends).
std::string SetupFileText();
