// The pause menu: Escape (or the pad's Start) during a round.
#pragma once

// What the pause menu ended with; the frame routine passes it on.
enum MenuResult : int { kMenuContinue = 1, kMenuQuit = 99 };
int PauseMenu();                      // kMenuContinue or kMenuQuit
