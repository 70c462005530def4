// Shared set-up for the title, panel and name-entry tests.
#include "test_support.h"

#include <fstream>
#include <sstream>

#include "audio/music.h"
#include "audio/sound_effects.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/menus.h"
#include "framework/setup_file.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/title_screen.h"
#include "platform/platform.h"
#include "support/test_host.h"

namespace title_test {

void StartHeadlessDisplay() {
  testhost::Start("");
  ResetProgramTables();
  FrameWatcher = nullptr;
  NameEntryOpen = false;
  Graphics(800, 600, 0, 60, 0);
  SetVirtualResolution(1280, 960);
  RealWidth = 800;
  RealHeight = 600;
  VirtualWidth = 1280;
  VirtualHeight = 960;
  LastFlipTime = MilliSecs();
}

std::shared_ptr<Scores> MakeRecord(int64_t score, int64_t stamp, int mode, const std::string& name) {
  auto r = std::make_shared<Scores>();
  r->Score = score;
  r->Timestamp = stamp;
  r->GameMode = mode;
  r->Name = name;
  return r;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace title_test
