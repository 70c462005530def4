// Shared set-up for the title, panel and name-entry tests.
#include "title_fixture.h"

#include "game/name_entry.h"
#include "game/score_panel.h"
#include "support/headless_display.h"

namespace title_test {

void StartTitleDisplay() {
  testsupport::StartHeadlessDisplay();
  FrameWatcher = nullptr;
  NameEntryOpen = false;
}

std::shared_ptr<Scores> MakeRecord(int64_t score, int64_t stamp, int mode, const std::string& name) {
  auto r = std::make_shared<Scores>();
  r->Score = score;
  r->Timestamp = stamp;
  r->GameMode = mode;
  r->Name = name;
  return r;
}

}  // namespace title_test
