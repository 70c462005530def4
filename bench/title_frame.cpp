// CPU time per title-screen frame on the headless host: the whole frame
// (drawing, the high-score panel, FlipFrame and the software back end that
// presents it), while sliding in and at rest, with an empty and a full panel.
//
// Usage: bench_title_frame [GAME_FOLDER [WIDTH HEIGHT]]
// GAME_FOLDER holds Files/ (default: the current folder, e.g. build/game). It
// is copied to a temporary folder first, so nothing in it is changed.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "framework/command_line.h"
#include "framework/startup.h"
#include "game/game_entry.h"
#include "game/scores.h"
#include "game/title_screen.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1.0e6;
}

// Runs frames and returns the CPU milliseconds per frame.
double TimeFrames(int frames) {
  double start = CpuMs();
  for (int i = 0; i < frames; ++i) TitleFrame();
  return (CpuMs() - start) / frames;
}

void FillScores(int count) {
  for (int i = 0; i < count; ++i) {
    auto r = std::make_shared<Scores>();
    r->Score = (i * 7919) % 500;
    r->Timestamp = 1000000 + i;
    r->GameMode = 1;
    r->Name = "Bench " + std::to_string(i);
    ListAddLast(ScoreList, r);
  }
  SortScores();
}

}  // namespace

int main(int argc, char** argv) {
  InstallGameHooks();   // as the game's main does
  fs::path source = argc > 1 ? fs::path(argv[1]) : fs::current_path();
  if (!fs::exists(source / "Files" / "253")) {
    std::fprintf(stderr, "no Files/253 in %s (pass the built game folder)\n", source.string().c_str());
    return 1;
  }
  std::random_device rd;
  fs::path work = fs::temp_directory_path() / ("mnemora_bench_" + std::to_string(rd()));
  fs::create_directories(work);
  fs::copy(source / "Files", work / "Files", fs::copy_options::recursive);
  fs::remove(work / "Files" / "253" / "scores.dat");
  if (argc > 3) {
    std::ofstream setup(work / "Files" / "Setup.ini", std::ios::binary);
    setup << "Width=" << argv[2] << "\r\nHeight=" << argv[3] << "\r\n";
  }
  fs::current_path(work);
  DataFolderOption = work.string();   // as --data: the benchmark has no Files/ beside it
  setenv("MNEMORA_HEADLESS", "", 1);

  StartUp();
  ResetTitleScreen();

  std::printf("title screen, headless, %dx%d back buffer\n", GraphicsWidth(), GraphicsHeight());
  double sliding = TimeFrames(32);
  double restEmpty = TimeFrames(300);
  FillScores(100);
  SlideStep = 0;
  double slidingFull = TimeFrames(32);
  double restFull = TimeFrames(300);
  std::printf("  sliding in, empty panel : %7.3f ms CPU per frame\n", sliding);
  std::printf("  at rest,    empty panel : %7.3f ms CPU per frame\n", restEmpty);
  std::printf("  sliding in, full panel  : %7.3f ms CPU per frame\n", slidingFull);
  std::printf("  at rest,    full panel  : %7.3f ms CPU per frame (%zu records after trimming)\n",
              restFull, ScoreList.size());

  std::error_code ec;
  fs::current_path(source, ec);
  fs::remove_all(work, ec);
  return 0;
}
