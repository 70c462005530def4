// The program entry: no arguments; the run ends inside the closing screen.
#include "framework/startup.h"
#include "game/game_entry.h"

int main() {
  InstallGameHooks();
  RunProgram();
}
