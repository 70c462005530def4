// The game's entry into the framework: fills the framework's hook table.
#pragma once

void InstallGameHooks();
