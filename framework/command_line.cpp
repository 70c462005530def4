// The command line. Options are read before anything starts, so --help and
// --version answer without opening a display or writing a file.
#include "framework/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/game_identity.h"
#include "platform/platform.h"

#ifndef MNEMORA_VERSION
#define MNEMORA_VERSION "0"
#endif

std::string DataFolderOption;
bool PortableOption = false;

namespace {

const char* const kUsage =
    "Usage: mnemora [OPTION]...\n"
    "Mnemora, Find the Match: a card memory game.\n"
    "\n"
    "  --help             show this help and the folders in use, then end\n"
    "  --version          show the version, then end\n"
    "  --portable         use only the Files/ folder beside the executable\n"
    "  --data DIR         use the game data in DIR (a game folder holding Files/,\n"
    "                     or that Files/ folder), read and written in place\n"
    "  --headless SCRIPT  run without a window, input read from SCRIPT\n"
    "                     (the same as MNEMORA_HEADLESS=SCRIPT)\n";

int BadCommandLine(const std::string& what) {
  std::fprintf(stderr, "mnemora: %s (try 'mnemora --help')\n", what.c_str());
  return 2;
}

std::string Line(const std::string& what, const std::string& where) {
  std::string label = "  " + what;
  label.resize(16, ' ');
  return label + where + "\n";
}

std::string FolderOf(const std::string& file) {
  size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? file : file.substr(0, slash);
}

}  // namespace

GameDataOptions DataOptions() { return {DataFolderOption, PortableOption}; }

std::string FoldersInUse() {
  int kind = SearchGameData(DataOptions());
  if (kind == kDataNotFound) {
    std::string tried;
    for (const std::string& place : DataPlacesTried()) tried += (tried.empty() ? "" : ", ") + place;
    return Line("game data", "not found; looked in " + tried);
  }
  std::string game = GameFolder();
  std::string text = Line("game data", DataFolder() + (kind == kDataInstalled ? " (installed, read only)"
                                                                               : " (read and written in place)"));
  text += Line("settings", WhereFileGoes("Setup.ini"));
  text += Line("scores", WhereFileGoes(game + "scores.dat"));
  text += Line("log", WhereFileGoes("Debug.txt"));
  text += Line("screenshots", FolderOf(WhereFileGoes("Screenshot.png")));
  if (kind == kDataInstalled) text += Line("own decks", PlayerFolderPath(PlayerFolder::Data));
  return text;
}

int ReadCommandLine(int argc, const char* const* argv) {
  // Everything is checked before anything is answered: "--version --bogus"
  // is as wrong as "--bogus --version".
  bool help = false;
  bool version = false;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    std::string value;
    bool hasValue = false;
    size_t equals = option.find('=');
    if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
      hasValue = true;
    }
    if (option == "--data" || option == "--headless") {
      if (!hasValue) {
        if (i + 1 >= argc) return BadCommandLine("option '" + option + "' needs a value");
        value = argv[++i];
      }
      if (value.empty()) return BadCommandLine("option '" + option + "' needs a value");
      // The platform picks its host from this variable when it starts.
      if (option == "--data") DataFolderOption = value; else setenv("MNEMORA_HEADLESS", value.c_str(), 1);
      continue;
    }
    if (hasValue) return BadCommandLine("option '" + option + "' takes no value");
    if (option == "--help") {
      help = true;
    } else if (option == "--version") {
      version = true;
    } else if (option == "--portable") {
      PortableOption = true;
    } else if (option.rfind("-", 0) != 0) {
      return BadCommandLine("unexpected argument '" + option + "'");
    } else {
      return BadCommandLine("unknown option '" + option + "'");
    }
  }
  if (version) {
    std::printf("mnemora %s\n", MNEMORA_VERSION);
    return 0;
  }
  if (!help) {
    // A script that can't be read would leave the game running on its own
    // for ten virtual minutes: say so at once instead.
    // One too big for the headless host to read would be ignored: refused
    // here too.
    const char* script = std::getenv("MNEMORA_HEADLESS");
    if (script != nullptr && script[0] != '\0') {
      int stream = ReadFile(script);
      if (stream == 0) return BadCommandLine(std::string("cannot read the input script '") + script + "'");
      CloseStream(stream);
      if (StampOfFile(script).size > static_cast<int64_t>(kMaxInputScriptBytes)) {
        return BadCommandLine(std::string("the input script '") + script + "' is over " +
                              std::to_string(kMaxInputScriptBytes >> 20) + " MB");
      }
    }
    return -1;
  }
  // Answered last, so the folders shown follow --data and --portable.
  std::printf("%s\nFolders in use:\n%s", kUsage, FoldersInUse().c_str());
  return 0;
}
