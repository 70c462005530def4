// Screenshots (F11): the back buffer saved as a PNG beside the game folder.
#pragma once

#include <string>

void TakeScreenshot();
// The text with the characters a file name cannot hold taken out.
std::string SafeFileName(const std::string& text);
