// Generates the default data tree: Files/Common (fonts, icons, logos, the
// loading chime) and Files/253 (decks, table art, heart, title logo, badges,
// sound effects, music parts and songs), plus a contact sheet for review.
// Everything is drawn and synthesised here from fixed seeds, so two runs give
// identical files. With --app-icons it draws only the desktop icon.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "canvas.h"
#include "generators.h"

namespace fs = std::filesystem;

namespace {

// Copies a font under the name the game loads it by, after checking that it
// really is an outline font file (TrueType or OpenType signature).
void CopyFont(const std::string& from, const fs::path& to) {
  std::ifstream in(from, std::ios::binary);
  char sig[4] = {};
  in.read(sig, 4);
  bool known = in.gcount() == 4 && ((sig[0] == 0 && sig[1] == 1 && sig[2] == 0 && sig[3] == 0) ||
                                    std::string(sig, 4) == "true" || std::string(sig, 4) == "OTTO");
  if (!known) {
    Fail("not a TrueType font: " + from);
    return;
  }
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) Fail("cannot copy font to " + to.string() + ": " + ec.message());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--app-icons") {
    std::error_code ec;
    fs::create_directories(argv[2], ec);
    MakeAppIcons(argv[2]);
    return Failed() ? 1 : 0;
  }
  // The art's display lettering may come from another face than the shipped
  // display font (which must be condensed enough for the game's big words).
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr,
                 "usage: mnemora_assets FILES_DIR PREVIEW_PNG FONT_UI FONT_DISPLAY FONT_DECORATIVE"
                 " [FONT_ART_DISPLAY]\n"
                 "       mnemora_assets --app-icons ICON_DIR\n");
    return 2;
  }
  const char* artDisplay = argc == 7 ? argv[6] : argv[4];
  fs::path files = argv[1];
  std::string preview = argv[2];
  fs::path common = files / "Common";
  fs::path game = files / "253";
  std::error_code ec;
  fs::create_directories(common, ec);
  fs::create_directories(game / "music", ec);
  if (ec) {
    std::fprintf(stderr, "mnemora_assets: cannot create %s: %s\n", files.string().c_str(), ec.message().c_str());
    return 1;
  }

  CopyFont(argv[3], common / "SVBasicManual.ttf");
  CopyFont(argv[4], common / "Blue Highway.ttf");
  CopyFont(argv[5], common / "Acknowledge TT QVX.ttf");
  if (!LoadArtFonts(argv[3], artDisplay, argv[5])) return 1;

  MakeIconSheet(common.string());
  MakeLogos(common.string(), game.string());
  MakeDecks(game.string());
  MakeTables(game.string());
  MakeHeartAndBadges(game.string());
  MakeSoundEffects(game.string(), common.string());
  MakeMusic((game / "music").string());
  MakeContactSheet(files.string(), preview);

  FreeArtFonts();
  return Failed() ? 1 : 0;
}
