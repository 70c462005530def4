// Feeds every file of the broken-PNG corpus through the fuzz checks: none may
// crash or hang. Files named valid_* must load, tolerated_* (damage libpng
// repairs, such as palette indices past the palette) may load, and every
// other file must be refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "platform/internal.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"

int PngFuzzOne(const uint8_t* data, size_t size);  // png_fuzz.cpp

TEST(PngCorpus, EveryBrokenFileIsRejectedCleanly) {
  testhost::Start("");
  const std::filesystem::path dir = std::filesystem::path(MNEMORA_SOURCE_DIR) / "tests/fuzz/corpus_png";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string file = testsupport::ReadBytes(entry.path());
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    PngFuzzOne(bytes, file.size());
    int img = plat::LoadImageFromMemory(bytes, file.size(), 0, 0, 0, 1, 0);
    const std::string name = entry.path().filename().string();
    const bool valid = name.rfind("valid_", 0) == 0;
    const bool tolerated = name.rfind("tolerated_", 0) == 0;
    if (valid) {
      EXPECT_NE(img, 0) << name;
      EXPECT_EQ(ImageWidth(img), 8);
    } else if (!tolerated) {
      EXPECT_EQ(img, 0) << name;
    }
    FreeImage(img);
    // The same bytes read from the file take the same path.
    int fromFile = LoadImage(entry.path().string(), 0);
    EXPECT_EQ(fromFile != 0, img != 0) << name;
    FreeImage(fromFile);
  }
  EXPECT_GT(files, 10);
}
