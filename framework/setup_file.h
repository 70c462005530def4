// "Setup.ini": the table of setup values, the audio driver names, reading,
// the audio driver choice and writing.
#pragma once

#include <array>
#include <string>
#include <vector>

// Slot 1 fullscreen, 2 widescreen flag, 3 graphics engine, 4 mode number,
// 5 width, 6 height, 7 slow-system flag (frameskip), 11 master, 12 sound,
// 13 music volume, 14 audio driver. Written by ReadSetup, the settings
// panel, the display set-up (mode, size, engine) and the engine test
// (frameskip); lives for the run and is saved by SaveSetup.
extern std::array<int, 100> Setup;

// The slots of Setup that carry a meaning.
enum SetupSlot : int {
  kSetupFullscreen = 1,    // 1 full screen, 0 a window
  kSetupWidescreen = 2,    // 1 when the drawing space is 16:9 or 16:10
  kSetupEngine = 3,        // graphics engine: 0 OpenGL, 1 DirectX 9, 2 DirectX 7
  kSetupMode = 4,          // number of the display mode in the mode list
  kSetupWidth = 5,         // requested display width in pixels
  kSetupHeight = 6,        // requested display height in pixels
  kSetupFrameskip = 7,     // 1: a slow system, every other frame presented
  kSetupMaster = 11,       // volumes 0..100
  kSetupSounds = 12,
  kSetupMusic = 13,
  kSetupAudioDriver = 14,  // index into AudioDriverNames
};
// Written at start-up (the platform's list, then ReadSetup); for the run.
extern std::vector<std::string> AudioDriverNames;   // the platform's drivers, 0-based
extern bool AudioDriverNamed;                        // the file had an AudioDriver line
extern bool EngineNamed;                             // the file had a GFX Engine line

// A whole set of stored values: the setup table and the bindings.
struct SetupValues {
  std::array<int, 100> setup;
  std::array<int, 101> bindings;
};
// The start-up defaults of both.
void ResetSetupValues(SetupValues& values);

void ResetSetup();          // start-up defaults (the bindings are ResetBindings')
// Reads "Setup.ini" of the data folder. Values are held in range (volumes
// 0..100), a Key line with a code no input has is ignored. A file that is
// there but can't be read is logged and never saved over this session.
void ReadSetup();
// True when this session's setup file was there but could not be read.
bool SetupFileUnreadable();
// Applies the lines of a setup file's text (LF, CR LF or a lone CR end a
// line; a byte-order mark is skipped, UTF-16 read as the text it holds).
// A line is applied only with its "=" and, for the keys that take numbers,
// its numbers; the others are logged and counted: the result.
int ApplySetupText(const std::string& text);
void ChooseAudioDriver();
// Writes "Setup.ini" of the data folder (or the file it links to) through a
// temporary file renamed over the old one after a complete write, under a
// lock beside it. Another copy of the game may have saved since this session
// read the file: only the settings this session changed are written over the
// file as it is now; with none changed, nothing is written. A failure is
// logged and the player told once.
void SaveSetup();
// The file's text exactly as SaveSetup writes it (CR LF line ends), of the
// live values or of the values given.
std::string SetupFileText();
std::string SetupFileText(const SetupValues& values);
