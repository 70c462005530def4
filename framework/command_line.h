// The command line: --help, --version, --portable, --data DIR and
// --headless SCRIPT. Owns the choices it reads.
#pragma once

#include <string>

#include "framework/game_identity.h"

// Written by ReadCommandLine before start-up; kept for the whole run (the
// resets leave them).
extern std::string DataFolderOption;  // --data DIR; "" = found from the executable's place
extern bool PortableOption;           // --portable: only the Files/ folder beside the executable

// The data search the options ask for.
GameDataOptions DataOptions();

// Reads the options. Returns -1 to go on and run the game, else the exit code
// to end with at once: 0 after --help or --version, 2 for a bad command line
// (with a one-line error on stderr).
int ReadCommandLine(int argc, const char* const* argv);

// The data and player folders in use, one "  what  where" line each.
std::string FoldersInUse();
