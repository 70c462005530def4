// Fuzz target for the PNG loader.
// `scripts/fuzz png` builds it as a clang libFuzzer program (with
// MNEMORA_PNG_FUZZER defined, the file exports libFuzzer's entry) and
// runs it; without that define the checks are a plain function the corpus
// test calls. From the top folder (CONTRIBUTING.md, "Fuzzing"):
//
//   scripts/fuzz png 600      # build, then fuzz for ten minutes
//
// Every input is decoded as a whole picture and as a sheet of cells, with and
// without the mask colour; a picture that decodes must describe itself
// sensibly and is freed again so the handle table does not grow.
#include <cstddef>
#include <cstdint>

#include "platform/internal.h"
#include "platform/platform.h"

int PngFuzzOne(const uint8_t* data, size_t size) {
  int whole = plat::LoadImageFromMemory(data, size, 0, 0, 0, 1, kImageFiltered);
  if (whole) {
    if (ImageWidth(whole) <= 0 || ImageHeight(whole) <= 0 || ImageFrames(whole) != 1) __builtin_trap();
    FreeImage(whole);
  }
  int cells = plat::LoadImageFromMemory(data, size, 3, 2, 1, 2, kImageMasked);
  if (cells) {
    if (ImageWidth(cells) != 3 || ImageHeight(cells) != 2 || ImageFrames(cells) != 2) __builtin_trap();
    FreeImage(cells);
  }
  return 0;
}

#ifdef MNEMORA_PNG_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return PngFuzzOne(data, size); }
#endif
