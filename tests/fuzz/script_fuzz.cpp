// Fuzz target for the headless host's input script reader.
// `scripts/fuzz script` builds it as a clang libFuzzer program (with
// MNEMORA_SCRIPT_FUZZER defined, the file exports libFuzzer's entry) and
// runs it; without that define the checks are a plain function the corpus
// test calls. From the top folder (CONTRIBUTING.md, "Fuzzing"):
//
//   scripts/fuzz script 600      # build, then fuzz for ten minutes
//
// Lines the reader does not understand are reported on stderr (the run
// leaves it out); pictures of "shot" lines go to a scratch folder. Whatever
// the script holds, it is read, its events are delivered as the clock passes
// them, and the input state stays within its tables.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <string>

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

}  // namespace

// nullptr when all is well, else what went wrong.
const char* ScriptFuzzOne(const uint8_t* data, size_t size) {
  BackToStartFolder back;
  // "shot" lines save pictures in the working folder: a scratch one, removed
  // when the run ends.
  if (g_scratch.empty()) {
    g_scratch = std::filesystem::temp_directory_path() / ("mnemora_script_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(g_scratch);
    std::atexit(RemoveScratchFolder);
  }
  ChangeDir(g_scratch.string());
  testhost::Start("");
  // A "waitfor" line would stand still for minutes waiting for a file no
  // one makes: it looks once and goes on.
  testhost::LimitWaits(0);
  testhost::ScriptLines(std::string(reinterpret_cast<const char*>(data), size));
  // Deliver what falls within the first minute, as a program's frames would.
  for (int frame = 0; frame < 60; ++frame) {
    testhost::Advance(1000);
    PollSystem();
    for (int vk = 0; vk < 256; ++vk) {
      int down = KeyDown(vk);
      if (down != 0 && down != 1) return "a key neither up nor down";
    }
    for (int button = 1; button <= 3; ++button) {
      int down = MouseDown(button);
      if (down != 0 && down != 1) return "a button neither up nor down";
    }
    while (GetChar() != 0) {
    }
  }
  return nullptr;
}

#ifdef MNEMORA_SCRIPT_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ScriptFuzzOne(data, size) != nullptr) __builtin_trap();
  return 0;
}
#endif
