// The parts of the data tree, one generator each. Every function writes its
// files into the given folder and reports failures through Fail (canvas.h).
#pragma once

#include <string>

void MakeDecks(const std::string& gameDir);
void MakeTables(const std::string& gameDir);
void MakeIconSheet(const std::string& commonDir);
void MakeLogos(const std::string& commonDir, const std::string& gameDir);
void MakeHeartAndBadges(const std::string& gameDir);
void MakeSoundEffects(const std::string& gameDir, const std::string& commonDir);
void MakeMusic(const std::string& musicDir);
// The desktop icon: <size>.png for 16, 32, 48, 64, 128 and 256 pixels, and
// scalable.svg.
void MakeAppIcons(const std::string& iconDir);
// Contact sheet of the decks, tables, icons, badges and logos, read back from
// the files just written.
void MakeContactSheet(const std::string& filesDir, const std::string& previewPath);
