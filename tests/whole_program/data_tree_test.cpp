// Structure of the generated data tree: every file the game loads is present
// and in the form its loader expects (image sizes and cell grids, WAV
// formats and lengths, fonts FreeType can use, a song file the sequencer can
// read). Reads the files directly with libpng and FreeType, so it does not
// depend on the game's own loaders.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "framework/icon_frames.h"
#include "game/effect_numbers.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFiles = fs::path(MNEMORA_GAME_DIR) / "Files";
const fs::path kCommon = kFiles / "Common";
const fs::path kGame = kFiles / "253";

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // 4 bytes per pixel
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

bool ReadPng(const fs::path& path, Image& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
    std::vector<png_bytep> rows(out.height);
    for (int y = 0; y < out.height; ++y) rows[y] = &out.rgba[static_cast<size_t>(y) * out.width * 4];
    png_read_image(png, rows.data());
    ok = true;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return ok;
}

int OpaquePixels(const Image& img, int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) n += img.At(x, y)[3] > 127;
  return n;
}

// Opaque pixels of pure black would turn into holes: the game masks black.
int OpaqueBlackPixels(const Image& img) {
  int n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p = img.At(x, y);
      n += p[3] > 127 && p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
  return n;
}

// Mean absolute difference of two cells, 0..255.
double CellDifference(const Image& img, int cw, int ch, int a, int b) {
  int cols = img.width / cw;
  int ax = (a % cols) * cw, ay = (a / cols) * ch, bx = (b % cols) * cw, by = (b / cols) * ch;
  double sum = 0;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      for (int c = 0; c < 4; ++c) sum += std::abs(img.At(ax + x, ay + y)[c] - img.At(bx + x, by + y)[c]);
  return sum / (cw * ch * 4.0);
}

struct Wav {
  int format = 0, channels = 0, rate = 0, bits = 0;
  std::vector<int16_t> samples;  // interleaved
  double Seconds() const { return channels ? static_cast<double>(samples.size()) / channels / rate : 0; }
};

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// Walks the RIFF chunks, as a tolerant loader would.
bool ReadWav(const fs::path& path, Wav& out) {
  const std::string text = testsupport::ReadBytes(path);
  const std::vector<uint8_t> b(text.begin(), text.end());
  if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
    return false;
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    std::string id(b.begin() + at, b.begin() + at + 4);
    size_t size = Le(b, at + 4, 4);
    if (at + 8 + size > b.size()) return false;
    if (id == "fmt " && size >= 16) {
      out.format = static_cast<int>(Le(b, at + 8, 2));
      out.channels = static_cast<int>(Le(b, at + 10, 2));
      out.rate = static_cast<int>(Le(b, at + 12, 4));
      out.bits = static_cast<int>(Le(b, at + 22, 2));
      haveFormat = true;
    } else if (id == "data" && haveFormat && out.bits == 16) {
      out.samples.resize(size / 2);
      for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = static_cast<int16_t>(Le(b, at + 8 + i * 2, 2));
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

// A finished sound: 16-bit PCM at 44.1 kHz, of a sensible length, starting
// and ending at silence (no click) and not near silence. Effects are levelled
// by the loudness of their loudest 100 ms, so a dense cue peaks well under
// full scale; music parts, levelled by loudness too, ask for less still
// (minPeak).
void ExpectCleanSound(const fs::path& path, double minSeconds, double maxSeconds, int minPeak = 8000) {
  SCOPED_TRACE(path.string());
  Wav wav;
  ASSERT_TRUE(ReadWav(path, wav));
  EXPECT_EQ(wav.format, 1);
  EXPECT_TRUE(wav.channels == 1 || wav.channels == 2);
  EXPECT_EQ(wav.rate, 44100);
  EXPECT_EQ(wav.bits, 16);
  EXPECT_GE(wav.Seconds(), minSeconds);
  EXPECT_LE(wav.Seconds(), maxSeconds);
  ASSERT_FALSE(wav.samples.empty());
  EXPECT_LT(std::abs(wav.samples.front()), 330);
  EXPECT_LT(std::abs(wav.samples.back()), 330);
  int peak = 0, run = 0, longestClip = 0;
  for (int16_t s : wav.samples) {
    int a = std::abs(static_cast<int>(s));
    peak = std::max(peak, a);
    run = a >= 32767 ? run + 1 : 0;
    longestClip = std::max(longestClip, run);
  }
  EXPECT_GT(peak, minPeak) << "not normalised";
  EXPECT_LT(longestClip, 3) << "clipped";
}

// Fundamental frequency by autocorrelation over a window after the attack.
double EstimatePitch(const Wav& wav) {
  const size_t start = wav.rate / 10, window = 4096;
  if (wav.channels != 1 || wav.samples.size() < start + window + wav.rate / 40) return 0;
  auto corr = [&](int lag) {
    double sum = 0;
    for (size_t i = 0; i < window; ++i) sum += double(wav.samples[start + i]) * wav.samples[start + i + lag];
    return sum;
  };
  int best = 0;
  double bestValue = 0;
  for (int lag = wav.rate / 1200; lag <= wav.rate / 40; ++lag) {
    double v = corr(lag);
    if (v > bestValue * 1.02) {  // the first clear maximum wins over near-equal later ones
      bestValue = v;
      best = lag;
    }
  }
  if (best == 0) return 0;
  double a = corr(best - 1), b = corr(best), c = corr(best + 1);
  double shift = (a - c) / (2 * (a - 2 * b + c));
  return wav.rate / (best + shift);
}

std::string Numbered(const char* prefix, int n) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%02d.png", prefix, n);
  return name;
}

int CountNumbered(const char* prefix) {
  int n = 0;
  while (fs::exists(kGame / Numbered(prefix, n + 1))) ++n;
  return n;
}

}  // namespace

TEST(DataTree, SharedFolderHoldsEveryFile) {
  for (const char* name : {"SVBasicManual.ttf", "Blue Highway.ttf", "Acknowledge TT QVX.ttf", "icons.png",
                           "logo.png", "Kestrine.png", "badgeget.wav"})
    EXPECT_TRUE(fs::is_regular_file(kCommon / name)) << name;
}

// The three families render every printable ASCII character the game can
// show (names are typed from the keyboard), at the smallest and largest sizes used.
TEST(DataTree, FontsLoadAndCoverPrintableAscii) {
  FT_Library lib;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  std::string families[3];
  int f = 0;
  for (const char* name : {"SVBasicManual.ttf", "Blue Highway.ttf", "Acknowledge TT QVX.ttf"}) {
    SCOPED_TRACE(name);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(lib, (kCommon / name).c_str(), 0, &face), 0);
    EXPECT_TRUE(FT_IS_SCALABLE(face));
    families[f++] = face->family_name ? face->family_name : "";
    for (int px : {8, 96}) {
      ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, px), 0);
      for (FT_ULong c = 33; c < 127; ++c) {
        FT_UInt glyph = FT_Get_Char_Index(face, c);
        EXPECT_NE(glyph, 0u) << "missing '" << static_cast<char>(c) << "'";
        if (glyph) {
          EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_RENDER), 0);
        }
      }
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(lib);
  // Three roles, three different faces.
  EXPECT_NE(families[0], families[1]);
  EXPECT_NE(families[1], families[2]);
  EXPECT_NE(families[0], families[2]);
}

TEST(DataTree, IconSheetHasTheFramesTheProgramDraws) {
  Image img;
  ASSERT_TRUE(ReadPng(kCommon / "icons.png", img));
  ASSERT_EQ(img.width, 128);  // 8 x 8 cells of 16 x 16
  ASSERT_EQ(img.height, 128);
  for (int frame : icon::kDrawn)
    EXPECT_GT(OpaquePixels(img, (frame % icon::kColumns) * icon::kCellSize,
                           (frame / icon::kColumns) * icon::kCellSize, icon::kCellSize, icon::kCellSize),
              8)
        << "frame " << frame;
  // The pointer is drawn with its cell's top-left at the mouse position.
  EXPECT_GT(img.At(icon::kPointer % icon::kColumns * icon::kCellSize,
                   icon::kPointer / icon::kColumns * icon::kCellSize)[3],
            127);
  // Alternative choices of one option must look different.
  EXPECT_GT(CellDifference(img, 16, 16, icon::kResolution, icon::kResolution + 1), 5);
  EXPECT_GT(CellDifference(img, 16, 16, icon::kWindowMode, icon::kWindowMode + 1), 5);
  EXPECT_GT(CellDifference(img, 16, 16, icon::kQualityTier, icon::kQualityTier + 1), 5);
  EXPECT_GT(CellDifference(img, 16, 16, icon::kQualityTier + 1, icon::kQualityTier + 2), 5);
  EXPECT_EQ(OpaqueBlackPixels(img), 0);
}

TEST(DataTree, DecksAreFullGridsWithDistinctFacesAndBack) {
  int decks = CountNumbered("Deck_");
  EXPECT_GE(decks, 3);
  for (int d = 1; d <= decks; ++d) {
    SCOPED_TRACE(Numbered("Deck_", d));
    Image img;
    ASSERT_TRUE(ReadPng(kGame / Numbered("Deck_", d), img));
    ASSERT_EQ(img.width % 96, 0);
    ASSERT_EQ(img.height % 128, 0);
    ASSERT_GE((img.width / 96) * (img.height / 128), 25);
    int cols = img.width / 96;
    for (int frame = 0; frame < 25; ++frame)
      EXPECT_GT(OpaquePixels(img, (frame % cols) * 96, (frame / cols) * 128, 96, 128), 2000) << "frame " << frame;
    // Every dealt face differs from every other and from the back (frame 23);
    // the two markers differ from each other.
    for (int a = 0; a < 18; ++a) {
      EXPECT_GT(CellDifference(img, 96, 128, a, 23), 8) << "face " << a << " vs back";
      for (int b = a + 1; b < 18; ++b) EXPECT_GT(CellDifference(img, 96, 128, a, b), 3) << a << " vs " << b;
    }
    EXPECT_GT(CellDifference(img, 96, 128, 21, 22), 8);
    EXPECT_EQ(OpaqueBlackPixels(img), 0);
  }
}

TEST(DataTree, TablesCoverThePlayColumn) {
  int tables = CountNumbered("BG_");
  EXPECT_GE(tables, 3);
  for (int t = 1; t <= tables; ++t) {
    SCOPED_TRACE(Numbered("BG_", t));
    Image img;
    ASSERT_TRUE(ReadPng(kGame / Numbered("BG_", t), img));
    EXPECT_EQ(img.width, 640);
    EXPECT_GE(img.height, 960);
    // Opaque over the card area and the HUD strip, so the backdrop stripes do not show through.
    EXPECT_EQ(OpaquePixels(img, 32, 32, 576, 768), 576 * 768);
    EXPECT_EQ(OpaquePixels(img, 0, 830, 640, 60), 640 * 60);
    EXPECT_EQ(OpaqueBlackPixels(img), 0);
  }
}

TEST(DataTree, GameImagesHaveTheirSizes) {
  Image heart, logo, badges, common, partner;
  ASSERT_TRUE(ReadPng(kGame / "heart.png", heart));
  EXPECT_EQ(heart.width, 64);
  EXPECT_EQ(heart.height, 64);
  ASSERT_TRUE(ReadPng(kGame / "badges.png", badges));
  EXPECT_EQ(badges.width, 256);  // 4 x 4 cells of 64 x 64
  EXPECT_EQ(badges.height, 256);
  for (int k = 0; k < 16; ++k) EXPECT_GT(OpaquePixels(badges, (k % 4) * 64, (k / 4) * 64, 64, 64), 1000) << k;
  // The title image sits between the two pickers above the summary lines.
  ASSERT_TRUE(ReadPng(kGame / "logo.png", logo));
  EXPECT_LE(logo.width, 700);
  EXPECT_LE(logo.height, 300);
  // The logos share the closing page with text from x = 270 and y = 220 at scale 0.5.
  for (const char* name : {"logo.png", "Kestrine.png"}) {
    SCOPED_TRACE(name);
    Image img;
    ASSERT_TRUE(ReadPng(kCommon / name, img));
    EXPECT_LE(img.width / 2, 270);
    EXPECT_LE(img.height / 2, 220);
    EXPECT_GE(img.width, 256);
  }
}

TEST(DataTree, SoundEffectsForEveryCueAreClean) {
  for (int n : effect::kAll) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.wav", n);
    ExpectCleanSound(kGame / name, 0.05, 4.0);
  }
  ExpectCleanSound(kCommon / "badgeget.wav", 0.3, 3.0);
}

TEST(DataTree, MusicPartsArePresentAndUsable) {
  for (int kit : {1, 2})
    for (int n = 1; n <= 8; ++n)
      ExpectCleanSound(kGame / "music" / ("d" + std::to_string(kit) + "-" + std::to_string(n) + ".wav"), 0.03, 3.0, 1000);
  for (const char* family : {"bass", "lead", "accompany"}) {
    int count = 0;
    while (fs::exists(kGame / "music" / (family + std::to_string(count + 1) + ".wav"))) ++count;
    EXPECT_GE(count, 2) << family;
    // Tonal notes ring until the next note cuts them, so they must last.
    // The variants of one instrument stand in for each other from cycle to
    // cycle, so they must sound equally loud while a note is heard.
    std::vector<double> levels;
    for (int n = 1; n <= count; ++n) {
      fs::path path = kGame / "music" / (family + std::to_string(n) + ".wav");
      ExpectCleanSound(path, 0.8, 4.0, 1000);
      Wav wav;
      ASSERT_TRUE(ReadWav(path, wav));
      double sum = 0;
      const size_t window = std::min<size_t>(wav.samples.size(), 44100 / 4);
      for (size_t i = 0; i < window; ++i) sum += double(wav.samples[i]) * wav.samples[i];
      levels.push_back(10 * std::log10(sum / double(window)));
    }
    auto [low, high] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_LT(*high - *low, 1.0) << family;
  }
}

// Reads every song file the way the sequencer does and checks that each
// section has patterns it can play.
TEST(DataTree, SongFilesHaveFivePlayableSections) {
  const std::string headers[5] = {"[DRUMS", "[CHORDS", "[BASS", "[MELODY", "[ACCOMPANY"};
  const std::string notes = "zsxdcvgbhnjmq2w3er5t6y7ui9o0p[=]";
  int songs = 0;
  for (const auto& entry : fs::directory_iterator(kGame / "music")) {
    if (entry.path().extension() != ".ini") continue;
    ++songs;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path());
    std::string line;
    int section = -1;
    std::vector<std::string> patterns[5];
    bool stretch[5] = {};
    while (std::getline(in, line)) {
      while (!line.empty() && static_cast<unsigned char>(line.back()) < 33) line.pop_back();
      while (!line.empty() && static_cast<unsigned char>(line.front()) < 33) line.erase(0, 1);
      std::string upper = line;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (!line.empty() && line[0] == '[') {
        std::string h;
        for (char c : upper) if (c != ']') h += c;
        for (int s = 0; s < 5; ++s) if (h == headers[s]) section = s;
      } else if (upper.rfind("STRETCH", 0) == 0 && section >= 0) {
        stretch[section] = true;
      } else if (!line.empty() && line[0] == '"' && section >= 0) {
        std::string p;
        for (char c : line) if (c != '"') p += c;
        patterns[section].push_back(p);
      }
    }
    for (int s = 0; s < 5; ++s) {
      SCOPED_TRACE(headers[s]);
      EXPECT_TRUE(stretch[s]);
      ASSERT_FALSE(patterns[s].empty());
      for (const std::string& p : patterns[s]) {
        ASSERT_FALSE(p.empty());
        bool sounds = false;
        for (char c : p) {
          char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          if (s == 0) {
            EXPECT_TRUE(c == ' ' || (c >= '1' && c <= '8')) << p;
            sounds |= c != ' ';
          } else if (s == 1) {
            // A chord letter of 0 would silence every note for 16 steps.
            EXPECT_TRUE(lower != 'z' && notes.find(lower) != std::string::npos) << p;
            sounds = true;
          } else {
            EXPECT_TRUE(c == ' ' || notes.find(lower) != std::string::npos) << p;
            sounds |= c != ' ' && lower != 'z';
          }
        }
        EXPECT_TRUE(sounds) << p;
      }
    }
    // A chord progression is heard four letters per block.
    for (const std::string& p : patterns[1]) EXPECT_EQ(p.size() % 4, 0u) << p;
  }
  EXPECT_GE(songs, 1);
}

// Tonal parts are pitched by playback rate from the letter q, so every
// variant must really sound a C; one out of tune would sour the whole band.
TEST(DataTree, TonalPartsAreRecordedAtC) {
  for (const char* family : {"bass", "lead", "accompany"}) {
    for (int n = 1; fs::exists(kGame / "music" / (family + std::to_string(n) + ".wav")); ++n) {
      std::string name = family + std::to_string(n) + ".wav";
      SCOPED_TRACE(name);
      Wav wav;
      ASSERT_TRUE(ReadWav(kGame / "music" / name, wav));
      double f = EstimatePitch(wav);
      ASSERT_GT(f, 0);
      double semitones = 12 * std::log2(f / 16.3516);  // from C0
      double offC = std::fabs(semitones - 12 * std::round(semitones / 12));
      EXPECT_LT(offC, 0.3) << f << " Hz";
    }
  }
}

namespace {

// Luminance of a cell sampled on every `step`th column: greyscale stands in
// for colour-blind sight, the column step for a card narrowed while it turns.
std::vector<double> GreyCell(const Image& img, int frame, int step) {
  std::vector<double> out;
  int x0 = (frame % 5) * 96, y0 = (frame / 5) * 128;
  for (int y = 0; y < 128; y += 2)
    for (int x = 0; x < 96; x += step) {
      const uint8_t* p = img.At(x0 + x, y0 + y);
      out.push_back((0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]) * p[3] / 255.0);
    }
  return out;
}

double Distance(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::fabs(a[i] - b[i]);
  return sum / a.size();
}

}  // namespace

// Faces must stay apart without colour (the first deck is the one for
// colour-blind players) and when squeezed to a quarter of their width
// mid-turn; the markers must say right or wrong by shape alone.
TEST(DataTree, FacesStayDistinctInGreyAndMidTurn) {
  for (int d = 1; d <= CountNumbered("Deck_"); ++d) {
    SCOPED_TRACE(Numbered("Deck_", d));
    Image img;
    ASSERT_TRUE(ReadPng(kGame / Numbered("Deck_", d), img));
    ASSERT_GE(img.width, 480);
    std::vector<std::vector<double>> narrow;
    for (int f = 0; f < 18; ++f) narrow.push_back(GreyCell(img, f, 4));
    for (int a = 0; a < 18; ++a)
      for (int b = a + 1; b < 18; ++b) EXPECT_GT(Distance(narrow[a], narrow[b]), 2.0) << a << " vs " << b;
    EXPECT_GT(Distance(GreyCell(img, 21, 1), GreyCell(img, 22, 1)), 6.0);
  }
  Image shapes;
  ASSERT_TRUE(ReadPng(kGame / "Deck_01.png", shapes));
  for (int a = 0; a < 18; ++a)
    for (int b = a + 1; b < 18; ++b)
      EXPECT_GT(Distance(GreyCell(shapes, a, 1), GreyCell(shapes, b, 1)), 4.0) << a << " vs " << b;
}
