// Fuzz target for the PNG loader. Build and run by hand from the repository
// root with clang's libFuzzer (MNEMORA_PNG_FUZZER exports the libFuzzer
// entry; without it the same checks are a plain function, so this folder can
// hold several fuzz targets and still link into one test program):
//
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
//     -DMNEMORA_PNG_FUZZER -I. $(pkg-config --cflags sdl2 libpng freetype2 openal)
//     tests/fuzz/png_fuzz.cpp platform/*.cpp
//     $(pkg-config --libs sdl2 libpng freetype2 openal) -lGL -lpthread -o png_fuzz
//   ./png_fuzz -max_len=65536 tests/fuzz/corpus_png
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
