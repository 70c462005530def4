// The program entry: the command line first (--help and --version end here),
// then the run, which ends inside the closing screen.
#include "framework/command_line.h"
#include "framework/startup.h"
#include "game/game_entry.h"

int main(int argc, char** argv) {
  int exitCode = ReadCommandLine(argc, argv);
  if (exitCode >= 0) return exitCode;
  InstallGameHooks();
  RunProgram();
}
