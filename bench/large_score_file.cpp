// A large score file (a merged one, say) on its way to the title screen: the
// time to read it, the first title frame of each difficulty (whose panel
// trims the old records of that difficulty), a frame at rest, and the save,
// in CPU milliseconds of the main thread.
//
// Usage: bench_large_score_file [GAME_FOLDER [RECORDS [merge]]]
// GAME_FOLDER holds Files/ (default: the current folder, e.g. build/game); it
// is copied to a temporary folder first. RECORDS defaults to 500000, spread
// over the three difficulties.
//
// With "merge": this copy reads RECORDS records, another copy then saves a
// file of RECORDS other records, and this copy's next save merges the two.
// Reported: the save's wall and CPU time, the longest stretch the lock was
// held (watched from a thread of its own) and the peak memory of the process.
#include <sys/file.h>
#include <sys/resource.h>
#include <time.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "framework/command_line.h"
#include "framework/startup.h"
#include "game/decks.h"
#include "game/game_entry.h"
#include "game/scores.h"
#include "game/title_screen.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1.0e6;
}

void WriteScoreFile(const fs::path& path, int records, const std::string& name = "Merged ") {
  std::ofstream out(path, std::ios::binary);
  std::string zeros = "0";
  for (int b = 2; b <= 30; ++b) zeros += "|0";
  for (int i = 0; i < records; ++i) {
    out << (i * 7919) % 5000 << "|" << name << i << "|0|" << 62000000000LL - i << "|0|" << i % 3 << "|0|0\r\n"
        << zeros << "\r\n";
  }
}

double WallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Watches the score file's lock from a descriptor of its own: the longest
// stretch in which it could not be had.
class LockWatch {
 public:
  LockWatch() : thread_([this] { Run(); }) {}
  ~LockWatch() {
    stop_ = true;
    thread_.join();
  }
  double LongestMs() const { return longest_; }

 private:
  void Run() {
    double heldSince = -1;
    while (!stop_) {
      int fd = open("scores.dat.lock", O_RDONLY | O_CLOEXEC);
      bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
      if (fd >= 0) close(fd);
      double now = WallMs();
      if (held && heldSince < 0) heldSince = now;
      if (!held && heldSince >= 0) {
        longest_ = std::max(longest_.load(), now - heldSince);
        heldSince = -1;
      }
      usleep(200);
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<double> longest_{0};
  std::thread thread_;
};

int Merge(int records) {
  WriteScoreFile("scores.dat", records, "Mine ");
  ResetScores();
  double start = CpuMs();
  LoadScores();
  std::printf("%d records here, %d others saved meanwhile by another copy, headless\n", records, records);
  std::printf("  read scores.dat           : %8.1f ms (%zu records)\n", CpuMs() - start, ScoreList.size());
  WriteScoreFile("scores.dat.other", records, "Other ");
  fs::rename("scores.dat.other", "scores.dat");
  auto round = std::make_shared<Scores>();
  round->Name = "New";
  round->Timestamp = 63000000000LL;
  ListAddLast(ScoreList, round);
  int saved = 0;
  double wall = WallMs();
  start = CpuMs();
  double lockMs = 0;
  {
    LockWatch watch;
    saved = SaveScores();
    usleep(5000);
    lockMs = watch.LongestMs();
  }
  double cpu = CpuMs() - start;
  wall = WallMs() - wall;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("  merging save              : %8.1f ms wall, %8.1f ms CPU (%s, %zu records)\n", wall, cpu,
              saved ? "saved" : "failed", ScoreList.size());
  std::printf("  lock held at most         : %8.1f ms\n", lockMs);
  std::printf("  peak memory               : %8.1f MB\n", usage.ru_maxrss / 1024.0);
  return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  InstallGameHooks();   // as the game's main does
  fs::path source = argc > 1 ? fs::path(argv[1]) : fs::current_path();
  int records = argc > 2 ? std::atoi(argv[2]) : 500000;
  if (!fs::exists(source / "Files" / "253")) {
    std::fprintf(stderr, "no Files/253 in %s (pass the built game folder)\n", source.string().c_str());
    return 1;
  }
  std::random_device rd;
  fs::path work = fs::temp_directory_path() / ("mnemora_bench_" + std::to_string(rd()));
  fs::create_directories(work);
  fs::copy(source / "Files", work / "Files", fs::copy_options::recursive);
  fs::remove(work / "Files" / "253" / "scores.dat");
  fs::current_path(work);
  DataFolderOption = work.string();   // as --data: the benchmark has no Files/ beside it
  setenv("MNEMORA_HEADLESS", "", 1);

  StartUp();
  ResetTitleScreen();
  if (argc > 3 && std::string(argv[3]) == "merge") {
    int result = Merge(records);
    std::error_code ec;
    fs::current_path(source, ec);
    fs::remove_all(work, ec);
    return result;
  }
  WriteScoreFile("scores.dat", records);

  std::printf("%d records, three difficulties, headless\n", records);
  ResetScores();
  double start = CpuMs();
  LoadScores();
  std::printf("  read scores.dat           : %8.1f ms (%zu records)\n", CpuMs() - start, ScoreList.size());
  for (int d = 0; d <= 2; ++d) {
    Difficulty = d;
    start = CpuMs();
    TitleFrame();
    std::printf("  first frame, difficulty %d : %8.1f ms (%zu records left)\n", d, CpuMs() - start,
                ScoreList.size());
  }
  start = CpuMs();
  for (int i = 0; i < 60; ++i) TitleFrame();
  std::printf("  a frame at rest            : %8.2f ms\n", (CpuMs() - start) / 60);
  start = CpuMs();
  int saved = SaveScores();
  std::printf("  save scores.dat           : %8.1f ms (%s)\n", CpuMs() - start, saved ? "saved" : "failed");

  std::error_code ec;
  fs::current_path(source, ec);
  fs::remove_all(work, ec);
  return 0;
}
