// The game's identity (number, title, subtitle), the game folder it names,
// and the search for the game's data with the player's files placed.
#pragma once

#include <array>
#include <string>

constexpr int GameNumber = 253;                 // names the game folder "253/"
extern const std::string GameTitle;             // "Mnemora"
extern const std::string GameSubtitle;          // "Find the Match"

// Written only by ResetStartup, at start-up; read for the whole run.
extern std::string TitleLine;                   // "#253 : Mnemora Find the Match"; window caption
extern std::array<std::string, 100> CreditLines;  // used from slot 1
extern int CreditCount;
extern int MouseMode;         // 1: played with the mouse
extern int ControlSetsShown;  // control sets the settings panel lists
extern int BadgeCount;        // badges the score panel shows

// Makes a folder of the data (below it: "Common/", GameFolder()) the working
// folder, where the data's own files are loaded from. False, with a log line
// saying why, when it can't be entered.
bool EnterDataFolder(const std::string& folder);

// "253/": the game folder's name, relative to Files/.
std::string GameFolder();

// Where to look for the data, as the command line chose.
struct GameDataOptions {
  std::string folder;         // a game folder or its Files/; "" = found from the executable's place
  bool portableOnly = false;  // only the Files/ folder beside the executable
};

// Finds the game's data from the executable's own place (or the command
// line's choice) and tells the platform which files are the player's own:
// Setup.ini, Debug.txt, the crash guard, scores.dat and screenshots. Returns
// the kind of data folder found (kData...).
int SearchGameData(const GameDataOptions& options);
