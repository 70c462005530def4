// The closing screen: saves, says goodbye, waits for any input, ends the process.
#pragma once

[[noreturn]] void ShowClosingScreen();
