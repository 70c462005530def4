// Fuzz target for the setup file reader.
// `scripts/fuzz setup` builds it as a clang libFuzzer program (with
// MNEMORA_SETUP_FUZZER defined, the file exports libFuzzer's entry) and
// runs it; without that define the checks are a plain function the corpus
// test calls. From the top folder (CONTRIBUTING.md, "Fuzzing"):
//
//   scripts/fuzz setup 600      # build, then fuzz for ten minutes
//
// Whatever the file holds, every value read is one the program can use
// (volumes 0..100, sizes and codes in range), and what the writer makes of
// those values reads back to the very same values.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/controls.h"
#include "framework/setup_file.h"

namespace {

constexpr int kStoredSlots[] = {1, 3, 5, 6, 7, 11, 12, 13, 14};

bool Bindable(int code) {
  return code == 0 || (code >= 1 && code <= 255) ||
         (code >= kInputPadBase && code < kInputPadBase + kMaxPads * kInputPadStride);
}

void FreshTables() {
  ResetSetup();
  ResetBindings();
  AudioDriverNames = {"FreeMix SDL Audio", "OpenAL Soft"};
}

}  // namespace

// nullptr when all is well, else what went wrong.
const char* SetupFuzzOne(const uint8_t* data, size_t size) {
  FreshTables();
  ApplySetupText(std::string(reinterpret_cast<const char*>(data), size));
  for (int slot : {11, 12, 13}) {
    if (Setup[slot] < 0 || Setup[slot] > 100) return "a volume out of 0..100";
  }
  if (Setup[kSetupWidth] < 0 || Setup[kSetupWidth] > 100000 || Setup[kSetupHeight] < 0 || Setup[kSetupHeight] > 100000) return "a size out of range";
  if (Setup[kSetupEngine] < 0 || Setup[kSetupEngine] > 2) return "no such graphics engine";
  if (Setup[kSetupAudioDriver] < 0 || Setup[kSetupAudioDriver] >= static_cast<int>(AudioDriverNames.size())) return "no such audio driver";
  for (int n = 0; n <= 100; ++n) {
    if (!Bindable(Bindings[n])) return "a binding no input has";
  }

  std::array<int, 100> setup = Setup;
  std::array<int, 101> bindings = Bindings;
  std::string text = SetupFileText();
  FreshTables();
  ApplySetupText(text);
  for (int slot : kStoredSlots) {
    if (Setup[slot] != setup[slot]) return "a setting changed through a save";
  }
  for (int n = 0; n < 100; ++n) {
    if (Bindings[n] != bindings[n]) return "a binding changed through a save";
  }
  if (SetupFileText() != text) return "a second save differs";
  return nullptr;
}

#ifdef MNEMORA_SETUP_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (SetupFuzzOne(data, size) != nullptr) __builtin_trap();
  return 0;
}
#endif
