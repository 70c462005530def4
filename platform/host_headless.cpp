// The headless host: no window, a software back buffer, a virtual clock that
// moves only when the program sleeps, and input read from a script, so a whole
// session runs in a fraction of a second and the same way every time.
//
// Script format: one event per line, '#' starts a comment. A line starts with
// its time in virtual milliseconds since start, or "+N" for N after the
// previous line, followed by one of:
//   keydown VK | keyup VK | key VK (down, up 50 ms later)
//   text STRING (typed characters, the rest of the line)
//   mousemove X Y (logical units) | mousedown B | mouseup B
//   click X Y (move; press 20 ms later, a frame after the move, as a hand
//   does; release 50 ms after the press)
//   pad BUTTON (down, up 50 ms later) | paddown BUTTON | padup BUTTON |
//   stick X Y (left stick, -1..1): a game controller, plugged in by the
//   first such line; BUTTON is a, b, x, y, back, guide, start, lstick,
//   rstick, lb, rb, up, down, left or right (the D-pad)
//   close (a close request) | shot FILE.png (back buffer saved at the next
//   Flip at or after that time, or as it stands when no frame is presented
//   within 250 ms, e.g. on the closing page; a relative name is taken from
//   the folder the program started in) | waitfor FILE (the program stands
//   still at that time, its clock too, until FILE exists: another program
//   decides when it goes on, e.g. a second copy of the game; a relative
//   name as for shot; after five real minutes it goes on regardless)
// Unknown lines, and times past the 32-bit clock (4294967295), are reported
// on stderr and skipped. 600 virtual seconds after the last event the host
// asks the program to close, so a run cannot hang.
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <filesystem>
#include <cstdio>
#include <limits>
#include <sstream>
#include <thread>

#include "platform/internal.h"
#include "platform/platform.h"

namespace plat {
namespace {

constexpr uint32_t kIdleCloseMs = 600000;
constexpr uint32_t kHoldMs = 50;  // key and click: release after this long
// A click presses a frame after it moves the pointer: screens sample the
// pointer once per frame, so a press in the same instant as the move would be
// judged at the old position.
constexpr uint32_t kClickDelayMs = 20;
// A shot waits this long for a presented frame before the back buffer is
// saved as it stands (a screen that waits without presenting).
constexpr uint32_t kShotPatienceMs = 250;
// A loop that pumps events this many times without sleeping is waiting
// without pacing; the clock is nudged so such a wait still ends.
constexpr int kPumpsBeforeNudge = 100;

enum class Kind { KeyDown, KeyUp, Text, MouseMove, MouseMoveWindow, MouseDown, MouseUp, Close, Shot,
                  PadDown, PadUp, Stick, WaitFor };

constexpr size_t kMaxScriptBytes = 64u << 20;   // far beyond any script written by hand or a test
// How long a "waitfor" line waits in real time, polling every 10 ms.
constexpr int kWaitForLimitMs = 5 * 60 * 1000;

struct Event {
  uint32_t time = 0;
  uint64_t seq = 0;  // keeps events of equal time in script order
  Kind kind = Kind::Close;
  int a = 0, b = 0;
  float x = 0, y = 0;
  std::string text;
};

Event MakeEvent(uint32_t time, Kind kind, int a = 0) {
  Event e;
  e.time = time;
  e.seq = 0;
  e.kind = kind;
  e.a = a;
  return e;
}

class HeadlessHost final : public Host, public HeadlessControl {
 public:
  explicit HeadlessHost(const std::string& scriptPath) {
    if (scriptPath.empty()) return;
    // A regular file only: a pipe would wait for a writer, a device such as
    // /dev/zero would never end.
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(scriptPath, bytes, kMaxScriptBytes)) {
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
    return MakeHeadlessBackBuffer(width, height);
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
      if (!ParseLine(line))
        std::fprintf(stderr, "headless: input script line %d not understood: %s\n", number,
                     line.c_str());
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
  void RefuseDrivers(int mask) override { refusedDrivers_ = mask; }
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

  static bool ParseInt(const std::string& s, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(s.c_str(), &end, 10);
    return end && *end == '\0' && errno != ERANGE;
  }

  static bool ParseFloat(const std::string& s, float& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtof(s.c_str(), &end);
    return end && *end == '\0';
  }

  bool ParseLine(const std::string& raw) {
    std::string line = raw;
    std::string::size_type hash = line.find('#');
    std::string::size_type first = line.find_first_not_of(" \t");
    if (first == std::string::npos || first == hash) return true;  // blank or comment
    std::istringstream in(line);
    std::string when, cmd;
    in >> when >> cmd;
    // The clock counts milliseconds in 32 bits: a later time is never
    // reached, and would fire at once if it wrapped.
    constexpr long kLastTime = std::numeric_limits<uint32_t>::max();
    long t = 0;
    if (!when.empty() && when[0] == '+') {
      long rel;
      if (!ParseInt(when.substr(1), rel) || rel < 0 || rel > kLastTime - static_cast<long>(scriptTime_)) return false;
      t = static_cast<long>(scriptTime_) + rel;
    } else if (!ParseInt(when, t) || t < 0 || t > kLastTime) {
      return false;
    }
    uint32_t time = static_cast<uint32_t>(t);

    // The rest of the line after the command and one separating blank.
    std::string::size_type at = line.find(cmd, line.find(when) + when.size()) + cmd.size();
    std::string rest = at < line.size() ? line.substr(at + 1) : std::string();
    if (cmd == "text") {
      // Typed text is taken literally, '#' included.
      Event e = MakeEvent(time, Kind::Text);
      e.text = rest;
      Insert(std::move(e));
      scriptTime_ = time;
      return true;
    }
    if (cmd == "shot" || cmd == "waitfor") {
      // A file name may hold blanks; a trailing comment and blanks are dropped.
      if (std::string::size_type c = rest.find('#'); c != std::string::npos) rest.erase(c);
      while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
      while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.erase(0, 1);
      if (rest.empty()) return false;
      Event e = MakeEvent(time, cmd == "shot" ? Kind::Shot : Kind::WaitFor);
      // The program changes its working folder as it runs; a relative name
      // means the folder it started in, where the script was given.
      std::error_code error;
      std::filesystem::path path(rest);
      if (path.is_relative()) path = std::filesystem::absolute(path, error);
      e.text = error ? rest : path.string();
      if (e.kind == Kind::Shot) {
        shots_.push_back(e);
        lastEventTime_ = std::max(lastEventTime_, time);
      } else {
        Insert(std::move(e));
      }
      scriptTime_ = time;
      return true;
    }
    // Other commands take no free text, so a trailing comment is dropped.
    if (hash != std::string::npos) line = line.substr(0, hash);
    std::istringstream args(line);
    args >> when >> cmd;
    std::vector<std::string> a;
    for (std::string w; args >> w;) a.push_back(w);

    long n1 = 0;
    float fx = 0, fy = 0;
    if ((cmd == "keydown" || cmd == "keyup" || cmd == "key") && a.size() == 1 && ParseInt(a[0], n1) &&
        n1 > 0 && n1 < 256) {
      if (cmd != "keyup") Insert(MakeEvent(time, Kind::KeyDown, int(n1)));
      if (cmd == "keyup") Insert(MakeEvent(time, Kind::KeyUp, int(n1)));
      if (cmd == "key") Insert(MakeEvent(time + kHoldMs, Kind::KeyUp, int(n1)));
    } else if ((cmd == "mousedown" || cmd == "mouseup") && a.size() == 1 && ParseInt(a[0], n1) &&
               n1 >= 1 && n1 <= 3) {
      Insert(MakeEvent(time, cmd == "mousedown" ? Kind::MouseDown : Kind::MouseUp, int(n1)));
    } else if ((cmd == "mousemove" || cmd == "click") && a.size() == 2 && ParseFloat(a[0], fx) &&
               ParseFloat(a[1], fy)) {
      Event move = MakeEvent(time, Kind::MouseMove);
      move.x = fx;
      move.y = fy;
      Insert(move);
      if (cmd == "click") {
        Insert(MakeEvent(time + kClickDelayMs, Kind::MouseDown, 1));
        Insert(MakeEvent(time + kClickDelayMs + kHoldMs, Kind::MouseUp, 1));
      }
    } else if ((cmd == "pad" || cmd == "paddown" || cmd == "padup") && a.size() == 1 &&
               ControllerButtonByName(a[0]) >= 0) {
      int button = ControllerButtonByName(a[0]);
      if (cmd != "padup") Insert(MakeEvent(time, Kind::PadDown, button));
      if (cmd == "padup") Insert(MakeEvent(time, Kind::PadUp, button));
      if (cmd == "pad") Insert(MakeEvent(time + kHoldMs, Kind::PadUp, button));
    } else if (cmd == "stick" && a.size() == 2 && ParseFloat(a[0], fx) && ParseFloat(a[1], fy)) {
      Event stick = MakeEvent(time, Kind::Stick);
      stick.x = fx;
      stick.y = fy;
      Insert(stick);
    } else if (cmd == "close" && a.empty()) {
      Insert(MakeEvent(time, Kind::Close));
    } else {
      return false;
    }
    scriptTime_ = time;
    return true;
  }

  void Deliver(const Event& e) {
    InputState& in = Input();
    switch (e.kind) {
      case Kind::KeyDown: in.KeyEvent(e.a, true); break;
      case Kind::KeyUp: in.KeyEvent(e.a, false); break;
      case Kind::Text:
        for (unsigned char c : e.text) in.TextEvent(c);
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
  static void WaitForFile(const std::string& path) {
    std::error_code error;
    for (int waited = 0; !std::filesystem::exists(path, error); waited += 10) {
      if (waited >= kWaitForLimitMs) {
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
  uint32_t clock_ = 0;
  uint32_t scriptTime_ = 0;     // time of the previous script line, for "+N"
  uint32_t lastEventTime_ = 0;  // the idle guard counts from here
  uint32_t nextIdleClose_ = 0;
  bool idleReported_ = false;
  int pumpsSinceSleep_ = 0;
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
