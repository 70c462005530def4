// Fuzz target for the song file reader and the sequencer that arranges what
// it read.
// `scripts/fuzz song` builds it as a clang libFuzzer program (with
// MNEMORA_SONG_FUZZER defined, the file exports libFuzzer's entry) and
// runs it; without that define the checks are a plain function the corpus
// test calls. From the top folder (CONTRIBUTING.md, "Fuzzing"):
//
//   scripts/fuzz song 600      # build, then fuzz for ten minutes
//
// The reader takes a file from music/, so each input is written to a scratch
// folder first. Whatever the file holds, the sections stay within their
// limits and a song started from it arranges blocks without fault.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/music.h"
#include "platform/platform.h"
#include "support/test_host.h"

namespace {

std::filesystem::path g_scratch;

void RemoveScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(g_scratch, ec);
}

// Puts the working folder back when an input is done, however it ends:
// libFuzzer names its corpus and the files it writes relative to it.
struct BackToStartFolder {
  std::filesystem::path start = std::filesystem::current_path();
  ~BackToStartFolder() {
    std::error_code ec;
    std::filesystem::current_path(start, ec);
  }
};

// The scratch folder, made once for the whole run and removed at its end;
// it is made the working folder while an input is read.
void EnterScratchFolder() {
  if (g_scratch.empty()) {
    testhost::Start("");
    g_scratch = std::filesystem::temp_directory_path() / ("mnemora_song_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(g_scratch / "music");
    std::atexit(RemoveScratchFolder);
  }
  ChangeDir(g_scratch.string());
}

}  // namespace

// nullptr when all is well, else what went wrong.
const char* SongFuzzOne(const uint8_t* data, size_t size) {
  BackToStartFolder back;
  EnterScratchFolder();
  ResetMusic();
  {
    std::ofstream out("music/fuzz.ini", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  if (!ReadSongFile("fuzz")) return "an existing song file was not read";
  for (int s = 0; s < 5; ++s) {
    if (PatternCounts[s] < 0 || PatternCounts[s] > 998) return "a section beyond its limit";
    if (static_cast<int>(SongPatterns[s].size()) != PatternCounts[s] + 1) return "a count that disagrees with the patterns";
    if (StretchModes[s] < -2 || StretchModes[s] > 2) return "no such stretch mode";
  }

  StartSong("fuzz", 7, 250);
  for (int block = 0; block < 3 && MusicPlaying == 1; ++block) ArrangeBlock();
  for (const auto& track : StepGrid) {
    for (float step : track) {
      if (!std::isfinite(step)) return "a step that is not a number";
    }
  }
  StopMusic();
  return nullptr;
}

#ifdef MNEMORA_SONG_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (SongFuzzOne(data, size) != nullptr) __builtin_trap();
  return 0;
}
#endif
