// A minimal host for tests of the clock and calendar: a settable clock and
// local time, and a record of every sleep and event pump.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"

class FakeHost : public plat::Host {
 public:
  uint32_t now = 1000;
  int year = 2010, month = 12, day = 6, hour = 14, minute = 5, second = 9;
  std::vector<int> sleeps;
  int pumps = 0;

  const char* Name() const override { return "fake"; }
  bool Headless() const override { return true; }
  void SetTitle(const std::string&) override {}
  std::vector<plat::DisplayMode> Modes(int) override { return {}; }
  std::unique_ptr<plat::RenderBackend> Open(int, int, int, int, int) override { return nullptr; }
  void Close() override {}
  void PumpEvents() override { ++pumps; }
  uint32_t Millisecs() override { return now; }
  void Sleep(int ms) override {
    sleeps.push_back(ms);
    now += static_cast<uint32_t>(ms);
  }
  void ShowPointer(bool) override {}
  void WarpPointer(int, int) override {}
  void LocalTime(int& y, int& mo, int& d, int& h, int& mi, int& s) override {
    y = year, mo = month, d = day, h = hour, mi = minute, s = second;
  }
};

// Installs a FakeHost for the lifetime of the object and removes it after.
class WithFakeHost {
 public:
  WithFakeHost() {
    auto host = std::make_unique<FakeHost>();
    fake = host.get();
    plat::SetHost(std::move(host));
  }
  ~WithFakeHost() { plat::SetHost(nullptr); }
  FakeHost* fake;
};
