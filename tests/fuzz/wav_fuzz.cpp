// Fuzz target for the WAV reader.
// `scripts/fuzz wav` builds it as a clang libFuzzer program (with
// MNEMORA_WAV_FUZZER defined, the file exports libFuzzer's entry) and
// runs it; without that define the checks are a plain function (the
// platform tests read the corpus themselves). From the top folder
// (CONTRIBUTING.md, "Fuzzing"):
//
//   scripts/fuzz wav 600      # build, then fuzz for ten minutes
//
// Any input may be refused, leaving nothing behind; an accepted one must
// describe itself consistently and never hold more samples than input bytes.
#include <cstddef>
#include <cstdint>

#include "platform/sound/sound_driver.h"

int WavFuzzOne(const uint8_t* data, size_t size) {
  plat::SoundData sound;
  if (!plat::DecodeWav(data, size, sound)) {
    if (!sound.samples.empty() || sound.channels != 0) __builtin_trap();
    return 0;
  }
  bool sane = (sound.channels == 1 || sound.channels == 2) && sound.rate >= plat::kWavMinRate &&
              sound.rate <= plat::kWavMaxRate && sound.Frames() > 0 &&
              sound.samples.size() % size_t(sound.channels) == 0 && sound.samples.size() <= size;
  if (!sane) __builtin_trap();
  return 1;
}

#ifdef MNEMORA_WAV_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WavFuzzOne(data, size);
  return 0;
}
#endif
