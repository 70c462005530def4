// The table of the game's hooks, filled by the game before start-up.
#include "framework/game_hooks.h"

GameHookTable GameHooks;
