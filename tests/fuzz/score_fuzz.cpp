// Fuzz target for the score file reader.
// `scripts/fuzz score` builds it as a clang libFuzzer program (with
// MNEMORA_SCORE_FUZZER defined, the file exports libFuzzer's entry) and
// runs it; without that define the checks are a plain function the corpus
// test calls. From the top folder (CONTRIBUTING.md, "Fuzzing"):
//
//   scripts/fuzz score 600      # build, then fuzz for ten minutes
//
// Every record read holds values the game can show (difficulty 0..2, quit
// 0 or 1, no negative counts, a name name entry could have typed), and the
// file the writer makes of them reads back cleanly to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "game/scores.h"

namespace {

bool NameTypable(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 32 || c == 127 || c == '|') return false;
  }
  return true;
}

}  // namespace

// nullptr when all is well, else what went wrong.
const char* ScoreFuzzOne(const uint8_t* data, size_t size) {
  ScoreTextCheck check;
  RecordList<Scores> records = ReadScoreText(std::string(reinterpret_cast<const char*>(data), size), check);
  if (check.skipped < 0 || check.repaired < 0) return "a negative count";
  for (const auto& r : records) {
    if (r->GameMode < 0 || r->GameMode > 2) return "no such difficulty";
    if (r->Quit < 0 || r->Quit > 1) return "quit neither 0 nor 1";
    if (r->Badges < 0 || r->Level < 0 || r->GameFlags < 0) return "a negative count";
    for (int i = 1; i <= 30; ++i) {
      if (r->Best[i] < 0) return "a negative best";
    }
    if (!NameTypable(r->Name)) return "a name name entry would refuse";
  }

  ScoreList = records;
  std::string text = ScoreFileText();
  RecordList<Scores> again = ReadScoreText(text, check);
  ScoreList = again;
  const char* problem = nullptr;
  if (check.skipped != 0 || check.repaired != 0) problem = "the written file does not read back cleanly";
  else if (again.size() != records.size()) problem = "records lost through a save";
  else if (ScoreFileText() != text) problem = "a second save differs";
  ClearList(ScoreList);
  return problem;
}

#ifdef MNEMORA_SCORE_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ScoreFuzzOne(data, size) != nullptr) __builtin_trap();
  return 0;
}
#endif
