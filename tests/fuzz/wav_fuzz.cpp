// Fuzz target for the WAV reader. Build and run by hand from the repository
// root with clang's libFuzzer (MNEMORA_WAV_FUZZER exports the libFuzzer entry;
// without it the checks are a plain function, so this folder can hold several
// fuzz targets and still link into one test program):
//
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
//     -DMNEMORA_WAV_FUZZER -I. tests/fuzz/wav_fuzz.cpp platform/wav_decode.cpp -o wav_fuzz
//   ./wav_fuzz -max_len=4096 tests/fuzz/corpus_wav
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
