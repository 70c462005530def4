// CPU time of a whole scripted session on the headless host against the
// virtual time it covers: start-up with the splash and the engine test, the
// title screen, a round on Easy with a few picks, the pause menu, the
// settings panel and the closing page, about 26 virtual seconds. Each run
// is a child process that plays the session with the real program; its CPU
// time (user + system, all threads) is what the kernel counted for it.
//
// Usage: bench_headless_session [--eager] [GAME_FOLDER [RUNS [SHOT_FOLDER]]]
// GAME_FOLDER holds Files/ (default: the current folder, e.g. build/game). It
// is copied to a temporary folder for every run, so nothing in it changes.
// RUNS (default 3): the best run is reported beside the mean, since the
// machine may be shared. SHOT_FOLDER keeps the session's shots for a look.
// --eager rasterises every frame as it is drawn, as a window would, instead
// of only the frames the shots read.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "framework/command_line.h"
#include "framework/startup.h"
#include "game/game_entry.h"
#include "support/test_host.h"

namespace fs = std::filesystem;

namespace {

// Virtual milliseconds; clicks in the 1280 x 960 drawing space.
const char kScript[] = R"(# start: splash, engine test, the title sliding in
9000 shot 1-title.png
# Easy, then "Click Here to Start"
9500 click 590 700
+500 click 640 560
+3000 shot 2-round.png
+1500 click 224 224
+600 click 320 224
+600 click 416 352
+2000 shot 3-picks.png
# the pause menu, then Continue
+1000 key 27
+1500 shot 4-pause.png
+500 key 32
+1000 key 9
+1500 shot 5-settings.png
+500 key 9
# the close button: the closing page, ended with a key
+1000 close
+2000 shot 6-closing.png
+1000 key 32
)";

fs::path g_clockFile;
bool g_eager = false;

// End() in the child: the virtual clock at the end of the session.
void RecordEnd() {
  std::ofstream(g_clockFile) << testhost::Clock() << "\n";
  std::fflush(nullptr);
  _exit(0);
}

struct RunResult {
  bool ok = false;
  double cpuSeconds = 0, virtualSeconds = 0, wallSeconds = 0;
};

RunResult RunOnce(const fs::path& source, const fs::path& keepShots) {
  RunResult r;
  std::random_device rd;
  fs::path work = fs::temp_directory_path() / ("mnemora_session_" + std::to_string(rd()));
  fs::create_directories(work);
  fs::copy(source / "Files", work / "Files", fs::copy_options::recursive);
  std::ofstream(work / "script.txt") << kScript;
  g_clockFile = work / "clock.txt";

  auto start = std::chrono::steady_clock::now();
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(work.c_str()) != 0) _exit(90);
    DataFolderOption = work.string();   // as --data: the benchmark has no Files/ beside it
    setenv("MNEMORA_HEADLESS", "script.txt", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testhost::SetEndHook(RecordEnd);
    testhost::RasteriseEveryFrame(g_eager);
    RunProgram();
  }
  int status = 0;
  rusage usage{};
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) &&
      WEXITSTATUS(status) == 0) {
    r.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec / 1e6;
    std::ifstream in(g_clockFile);
    uint32_t clock = 0;
    r.ok = static_cast<bool>(in >> clock) && clock > 0;
    r.virtualSeconds = clock / 1000.0;
  }
  if (r.ok && !keepShots.empty()) {
    fs::create_directories(keepShots);
    for (const auto& entry : fs::directory_iterator(work))
      if (entry.path().extension() == ".png")
        fs::copy_file(entry.path(), keepShots / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  InstallGameHooks();   // as the game's main does
  if (argc > 1 && std::string(argv[1]) == "--eager") {
    g_eager = true;
    --argc;
    ++argv;
  }
  fs::path source = argc > 1 ? fs::path(argv[1]) : fs::current_path();
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  fs::path keep = argc > 3 ? fs::absolute(argv[3]) : fs::path();
  if (!fs::exists(source / "Files" / "253")) {
    std::fprintf(stderr, "no Files/253 in %s (pass the built game folder)\n", source.string().c_str());
    return 1;
  }
  source = fs::absolute(source);
  std::printf("headless session: start, title, a round, pause, settings, closing page (%s)\n",
              g_eager ? "every frame rasterised" : "rasterised when read");
  std::vector<double> ratios;
  for (int i = 0; i < runs; ++i) {
    RunResult r = RunOnce(source, i == 0 ? keep : fs::path());
    if (!r.ok) {
      std::fprintf(stderr, "run %d: the session did not end normally\n", i + 1);
      return 1;
    }
    ratios.push_back(r.cpuSeconds / r.virtualSeconds);
    std::printf("  run %d: CPU %6.2f s   virtual %6.2f s   wall %6.2f s   CPU/virtual %.3f\n", i + 1,
                r.cpuSeconds, r.virtualSeconds, r.wallSeconds, ratios.back());
    std::fflush(stdout);
  }
  double mean = 0;
  for (double v : ratios) mean += v;
  mean /= ratios.size();
  std::printf("CPU/virtual: best %.3f   mean %.3f\n", *std::min_element(ratios.begin(), ratios.end()), mean);
  return 0;
}
