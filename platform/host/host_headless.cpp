// The headless host: no window, a software back buffer, a virtual clock that
// moves only when the program sleeps, and input read from a script, so a whole
// session runs in a fraction of a second and the same way every time.
//
// The script's format is in headless_script.h.
// Lines the script reader refuses are reported on stderr and skipped. 600 virtual seconds after the last event the host
// asks the program to close, so a run cannot hang.
#include <algorithm>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <thread>
#include <sstream>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/headless_script.h"
#include "platform/host/host.h"
#include "platform/platform.h"

namespace plat {
namespace {

constexpr uint32_t kIdleCloseMs = 600000;
// A shot waits this long for a presented frame before the back buffer is
// saved as it stands (a screen that waits without presenting).
constexpr uint32_t kShotPatienceMs = 250;
// A loop that pumps events this many times without sleeping is waiting
// without pacing; the clock is nudged so such a wait still ends.
constexpr int kPumpsBeforeNudge = 100;
// How long a "waitfor" line waits in real time, polling every 10 ms, unless
// a test sets a limit of its own.
constexpr int kWaitForLimitMs = 5 * 60 * 1000;

using Kind = ScriptKind;

// A script event with its place in the queue.
struct Event : ScriptEvent {
  uint64_t seq = 0;  // keeps events of equal time in script order
};

Event MakeEvent(uint32_t time, Kind kind) {
  Event e;
  e.time = time;
  e.kind = kind;
  return e;
}

class HeadlessHost final : public Host, public HeadlessControl {
 public:
  explicit HeadlessHost(const std::string& scriptPath) {
    if (scriptPath.empty()) return;
    // A regular file only: a pipe would wait for a writer, a device such as
    // /dev/zero would never end.
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(scriptPath, bytes, kMaxInputScriptBytes)) {
      std::fprintf(stderr, "headless: cannot read input script %s; running without input\n",
                   scriptPath.c_str());
      return;
    }
    AddScript(std::string(bytes.begin(), bytes.end()));
  }

  const char* Name() const override { return "Headless"; }
  bool Headless() const override { return true; }
  void SetTitle(const std::string& title) override { title_ = title; }

  std::vector<DisplayMode> Modes(int) override {
    static const int sizes[][2] = {{640, 480},   {800, 600},  {1024, 768}, {1280, 720},
                                   {1280, 800},  {1280, 960}, {1280, 1024}, {1366, 768},
                                   {1440, 900},  {1600, 900}, {1920, 1080}};
    std::vector<DisplayMode> modes;
    for (int depth : {16, 24, 32})
      for (const auto& s : sizes) modes.push_back(DisplayMode{s[0], s[1], depth, 60});
    return modes;
  }

  std::unique_ptr<RenderBackend> Open(int driver, int width, int height, int depth,
                                      int hertz) override {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    if (driver >= 0 && driver < 31 && (refusedDrivers_ >> driver & 1)) return nullptr;
    if (depth != 0) {
      // Full screen exists only in the offered modes, as on a real display.
      bool found = false;
      for (const auto& m : Modes(driver))
        found |= m.width == width && m.height == height && m.depth == depth &&
                 (hertz == 0 || m.hertz == hertz);
      if (!found) return nullptr;
    }
    Input().windowW = width;
    Input().windowH = height;
    std::unique_ptr<RenderBackend> backend = MakeHeadlessBackBuffer(width, height);
    if (driver == kDriverOpenGL) backend->renderer = openGlRenderer_;
    return backend;
  }

  void Close() override {}

  void PumpEvents() override {
    if (++pumpsSinceSleep_ > kPumpsBeforeNudge) clock_ += 1;
    // A screen that waits without presenting (the closing page) still
    // answers its shots with the picture it shows.
    SaveDueShots(kShotPatienceMs);
    // Deliver everything that is due, in time order.
    while (!events_.empty() && events_.front().time <= clock_) {
      Event e = std::move(events_.front());
      events_.erase(events_.begin());
      Deliver(e);
    }
    if (events_.empty() && clock_ >= lastEventTime_ + kIdleCloseMs && clock_ >= nextIdleClose_) {
      if (!idleReported_)
        std::fprintf(stderr, "headless: no input for %u virtual seconds, requesting close\n",
                     kIdleCloseMs / 1000);
      idleReported_ = true;
      Input().closeRequested = true;
      nextIdleClose_ = clock_ + 1000;  // ask again each second until the program ends
    }
  }

  uint32_t Millisecs() override { return clock_; }

  void Sleep(int ms) override {
    ++sleeps_;
    pumpsSinceSleep_ = 0;
    if (ms > 0) clock_ += static_cast<uint32_t>(ms);
  }

  void ShowPointer(bool show) override { pointerShown_ = show; }
  void WarpPointer(int x, int y) override { Input().MouseMove(x, y); }

  void AfterPresent() override { SaveDueShots(0); }

  // Saves the shots due at least `patience` ms ago.
  void SaveDueShots(uint32_t patience) {
    for (auto it = shots_.begin(); it != shots_.end();) {
      if (it->time + patience <= clock_) {
        if (!SaveBackBufferPNG(it->text))
          std::fprintf(stderr, "headless: could not save shot %s\n", it->text.c_str());
        it = shots_.erase(it);
      } else {
        ++it;
      }
    }
  }

  void LocalTime(int& year, int& month, int& day, int& hour, int& minute, int& second) override {
    // A fixed start, 06 Dec 2026 12:00:00, plus the virtual clock.
    uint64_t secs = 12 * 3600 + clock_ / 1000;
    int days = static_cast<int>(secs / 86400);
    secs %= 86400;
    hour = static_cast<int>(secs / 3600);
    minute = static_cast<int>(secs / 60 % 60);
    second = static_cast<int>(secs % 60);
    year = 2026;
    month = 12;
    day = 6 + days;
    for (;;) {
      int len = DaysInMonth(year, month);
      if (day <= len) break;
      day -= len;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }

  // ------------------------------------------------ HeadlessControl
  void AddScript(const std::string& lines) override {
    std::istringstream in(lines);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<ScriptEvent> events;
      if (!ParseScriptLine(line, scriptTime_, scriptTime_, events)) {
        std::fprintf(stderr, "headless: input script line %d not understood: %s\n", number,
                     line.c_str());
        continue;
      }
      for (ScriptEvent& e : events) {
        if (e.kind == Kind::Shot) {
          Event shot;
          static_cast<ScriptEvent&>(shot) = std::move(e);
          lastEventTime_ = std::max(lastEventTime_, shot.time);
          shots_.push_back(std::move(shot));
        } else {
          Event queued;
          static_cast<ScriptEvent&>(queued) = std::move(e);
          Insert(std::move(queued));
        }
      }
    }
  }

  void QueueNow(HeadlessEvent kind, int a, int b, const std::string& text) override {
    Event e = MakeEvent(clock_, Kind::Close);
    switch (kind) {
      case HeadlessEvent::KeyDown: e.kind = Kind::KeyDown; break;
      case HeadlessEvent::KeyUp: e.kind = Kind::KeyUp; break;
      case HeadlessEvent::Text: e.kind = Kind::Text; break;
      case HeadlessEvent::MouseMoveWindow: e.kind = Kind::MouseMoveWindow; break;
      case HeadlessEvent::MouseDown: e.kind = Kind::MouseDown; break;
      case HeadlessEvent::MouseUp: e.kind = Kind::MouseUp; break;
      case HeadlessEvent::Close: e.kind = Kind::Close; break;
    }
    e.a = a;
    e.b = b;
    e.text = text;
    Insert(std::move(e));
  }

  uint32_t Clock() const override { return clock_; }
  int Sleeps() const override { return sleeps_; }
  void RefuseDrivers(int mask) override { refusedDrivers_ = mask; }
  void ReportOpenGlRenderer(const std::string& name) override { openGlRenderer_ = name; }
  void LimitWaits(int ms) override { waitForLimitMs_ = std::max(ms, 0); }
  // Time passing by the test's hand counts as a sleep: the nudge for waits
  // that never sleep must not add to it.
  void Advance(int ms) override {
    pumpsSinceSleep_ = 0;
    if (ms > 0) clock_ += static_cast<uint32_t>(ms);
  }

 private:
  static int DaysInMonth(int y, int m) {
    static const int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : len[m - 1];
  }

  void Insert(Event e) {
    e.seq = nextSeq_++;
    auto pos = std::upper_bound(events_.begin(), events_.end(), e, [](const Event& x, const Event& y) {
      return x.time != y.time ? x.time < y.time : x.seq < y.seq;
    });
    lastEventTime_ = std::max(lastEventTime_, e.time);
    events_.insert(pos, std::move(e));
  }

  void Deliver(const Event& e) {
    InputState& in = Input();
    switch (e.kind) {
      case Kind::KeyDown: in.KeyEvent(e.a, true); break;
      case Kind::KeyUp: in.KeyEvent(e.a, false); break;
      case Kind::Text:
        in.TypedText(e.text.c_str());
        break;
      case Kind::MouseMove: {
        // Logical units of the virtual resolution current at delivery.
        float vw = VirtualResolutionWidth(), vh = VirtualResolutionHeight();
        float wx = vw > 0 ? e.x * in.windowW / vw : e.x;
        float wy = vh > 0 ? e.y * in.windowH / vh : e.y;
        in.MouseMove(static_cast<int>(wx), static_cast<int>(wy));
        break;
      }
      case Kind::MouseMoveWindow: in.MouseMove(e.a, e.b); break;
      case Kind::MouseDown: in.MouseButton(e.a, true); break;
      case Kind::MouseUp: in.MouseButton(e.a, false); break;
      case Kind::Close: in.closeRequested = true; break;
      case Kind::Shot: break;
      case Kind::WaitFor: WaitForFile(e.text); break;
      case Kind::PadDown:
      case Kind::PadUp: SetFakeControllerButton(ScriptPad(), e.a, e.kind == Kind::PadDown); break;
      case Kind::Stick:
        SetFakeControllerAxis(ScriptPad(), kControllerLeftX, e.x);
        SetFakeControllerAxis(ScriptPad(), kControllerLeftY, e.y);
        break;
    }
  }

  // Stands still in real time (the virtual clock too) until the file exists.
  void WaitForFile(const std::string& path) const {
    std::error_code error;
    for (int waited = 0; !std::filesystem::exists(path, error); waited += 10) {
      if (waited >= waitForLimitMs_) {
        std::fprintf(stderr, "headless: %s did not appear; going on\n", path.c_str());
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // The script's controller, plugged in when its first line is delivered.
  int ScriptPad() {
    auto& pads = Input().pads;
    if (scriptPad_ < 0 || scriptPad_ >= static_cast<int>(pads.size()) || !pads[scriptPad_].connected)
      scriptPad_ = PlugFakeController("Headless Controller");
    return scriptPad_;
  }

  std::string title_;
  int refusedDrivers_ = 0;
  std::string openGlRenderer_;
  int waitForLimitMs_ = kWaitForLimitMs;
  uint32_t clock_ = 0;
  uint32_t scriptTime_ = 0;     // time of the previous script line, for "+N"
  uint32_t lastEventTime_ = 0;  // the idle guard counts from here
  uint32_t nextIdleClose_ = 0;
  bool idleReported_ = false;
  int pumpsSinceSleep_ = 0;
  int sleeps_ = 0;
  bool pointerShown_ = true;
  int scriptPad_ = -1;
  uint64_t nextSeq_ = 0;
  std::vector<Event> events_;
  std::vector<Event> shots_;
};

}  // namespace

std::unique_ptr<Host> MakeHeadlessHost(const std::string& scriptPath) {
  return std::make_unique<HeadlessHost>(scriptPath);
}

HeadlessControl* CurrentHeadless() { return dynamic_cast<HeadlessControl*>(CurrentHost()); }

}  // namespace plat
