// Feeds every file of the broken-text corpora through the fuzz checks of the
// setup file, score file, song file and input script readers: none may crash,
// hang or break the reader's promises. The score and setup corpora are also
// read as the game reads them at start-up.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "game/scores.h"
#include "support/temp_folder.h"

const char* SetupFuzzOne(const uint8_t* data, size_t size);   // setup_fuzz.cpp
const char* ScoreFuzzOne(const uint8_t* data, size_t size);   // score_fuzz.cpp
const char* SongFuzzOne(const uint8_t* data, size_t size);    // song_fuzz.cpp
const char* ScriptFuzzOne(const uint8_t* data, size_t size);  // script_fuzz.cpp

namespace {

// Runs check on every file of the corpus; returns the number of files. The
// song and script checks work in a scratch folder of their own and must come
// back from it after every file (libFuzzer finds its next input by a path
// relative to the working folder).
int RunCorpus(const std::string& corpus, const char* (*check)(const uint8_t*, size_t)) {
  const std::filesystem::path dir = std::filesystem::path(MNEMORA_SOURCE_DIR) / "tests/fuzz" / corpus;
  const std::filesystem::path start = std::filesystem::current_path();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string bytes = testsupport::ReadBytes(entry.path());
    const char* problem = check(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(problem, nullptr) << entry.path().filename().string() << ": " << problem;
    EXPECT_EQ(std::filesystem::current_path(), start) << entry.path().filename().string() << " left the working folder";
    std::filesystem::current_path(start);
  }
  return files;
}

}  // namespace

TEST(TextCorpora, SetupFiles) { EXPECT_GE(RunCorpus("corpus_setup", SetupFuzzOne), 8); }

TEST(TextCorpora, ScoreFiles) {
  EXPECT_GE(RunCorpus("corpus_scores", ScoreFuzzOne), 12);
  // The valid file is clean; the damaged ones keep their whole records.
  const auto dir = std::filesystem::path(MNEMORA_SOURCE_DIR) / "tests/fuzz/corpus_scores";
  auto read = [&](const char* name, ScoreTextCheck& check) {
    return ReadScoreText(testsupport::ReadBytes(dir / name), check);
  };
  ScoreTextCheck check;
  EXPECT_EQ(read("valid_three.dat", check).size(), 3u);
  EXPECT_EQ(check.skipped + check.repaired, 0);
  EXPECT_EQ(read("stray_lines.dat", check).size(), 2u);
  EXPECT_EQ(check.skipped, 4);
  EXPECT_EQ(read("cr_only.dat", check).size(), 3u);
  EXPECT_EQ(read("binary_junk.dat", check).size(), 3u);
  EXPECT_EQ(read("name_with_bar.dat", check).size(), 0u);
}

TEST(TextCorpora, SongFiles) { EXPECT_GE(RunCorpus("corpus_song", SongFuzzOne), 8); }

TEST(TextCorpora, InputScripts) { EXPECT_GE(RunCorpus("corpus_script", ScriptFuzzOne), 8); }
