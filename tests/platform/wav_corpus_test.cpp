// Feeds every file of the WAV fuzz corpus through the reader: files named
// "ok_…" must decode, every other one is broken on purpose and must be refused.
#include "platform/sound/sound_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace {

TEST(WavCorpus, BrokenFilesAreRefusedAndGoodOnesDecode) {
  std::filesystem::path dir = std::filesystem::path(MNEMORA_SOURCE_DIR) / "tests" / "fuzz" / "corpus_wav";
  ASSERT_TRUE(std::filesystem::is_directory(dir));
  int files = 0, good = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = testsupport::ReadBytes(entry.path());
    std::string name = entry.path().filename().string();
    plat::SoundData sound;
    bool decoded = plat::DecodeWav(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), sound);
    bool expectGood = name.rfind("ok_", 0) == 0;
    EXPECT_EQ(decoded, expectGood) << name;
    if (decoded) {
      EXPECT_GT(sound.Frames(), 0u) << name;
      ++good;
    } else {
      EXPECT_TRUE(sound.samples.empty()) << name;
    }
    ++files;
  }
  EXPECT_GE(files, 20);
  EXPECT_GE(good, 1);
}

}  // namespace
