// Every test program runs with the game's hooks in place, as the game's own
// main installs them before start-up.
#include "game/game_entry.h"

namespace {

const bool kInstalled = (InstallGameHooks(), true);

}  // namespace
