// The game's identity and the search for its data.
#include "framework/game_identity.h"

#include "framework/log.h"
#include "platform/platform.h"

const std::string GameTitle = "Mnemora";
const std::string GameSubtitle = "Find the Match";

// Start values: ResetStartup.
std::string TitleLine;
std::array<std::string, 100> CreditLines;
int CreditCount;
int MouseMode;
int ControlSetsShown;
int BadgeCount;

bool EnterDataFolder(const std::string& folder) {
  const std::string path = DataFilePath(folder);
  if (ChangeDir(path) == 1) return true;
  LogLine("\tCould not enter " + path + (FileType(path) == 2 ? ": permission denied" : ": not found"));
  return false;
}

std::string GameFolder() {
  std::string digits = "000" + std::to_string(GameNumber);
  return digits.substr(digits.size() - 3) + "/";
}

int SearchGameData(const GameDataOptions& options) {
  std::string game = GameFolder();
  // Installed, these go to the player's folders; temporary files of a save
  // go beside the file they replace.
  PlacePlayerFiles("Setup.ini*", PlayerFolder::Config);
  PlacePlayerFiles("Debug.txt", PlayerFolder::State);
  PlacePlayerFiles("Debug-[0-9].txt", PlayerFolder::State);   // the logs of further copies running at once
  PlacePlayerFiles(game + "crash.dat", PlayerFolder::State);
  PlacePlayerFiles(game + "scores.dat*", PlayerFolder::Data);
  PlacePlayerFiles("*.png*", PlayerFolder::Pictures);   // screenshots, saved beside the game folder
  OverlayPlayerData(game);                             // the player's own decks and tables

  DataSearch search;
  search.folder = options.folder;
  search.portableOnly = options.portableOnly;
  search.mustHold = {"Common", game.substr(0, game.size() - 1)};
  return FindGameData(search);
}
