// Hosts for tests: a minimal one with a settable clock and local time that
// records every sleep and event pump, and one that hands everything to
// another host, for tests that change one thing about a real host.
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

// Hands every call to the host it wraps; a test overrides what it changes.
class ForwardingHost : public plat::Host {
 public:
  explicit ForwardingHost(std::unique_ptr<plat::Host> inner) : inner_(std::move(inner)) {}
  const char* Name() const override { return inner_->Name(); }
  bool Headless() const override { return inner_->Headless(); }
  void SetTitle(const std::string& t) override { inner_->SetTitle(t); }
  std::vector<plat::DisplayMode> Modes(int d) override { return inner_->Modes(d); }
  std::unique_ptr<plat::RenderBackend> Open(int driver, int w, int h, int depth, int hertz) override {
    return inner_->Open(driver, w, h, depth, hertz);
  }
  void Close() override { inner_->Close(); }
  void PumpEvents() override { inner_->PumpEvents(); }
  uint32_t Millisecs() override { return inner_->Millisecs(); }
  void Sleep(int ms) override { inner_->Sleep(ms); }
  void ShowPointer(bool s) override { inner_->ShowPointer(s); }
  void WarpPointer(int x, int y) override { inner_->WarpPointer(x, y); }
  void AfterPresent() override { inner_->AfterPresent(); }
  void LocalTime(int& y, int& mo, int& d, int& h, int& mi, int& s) override {
    inner_->LocalTime(y, mo, d, h, mi, s);
  }
  int AddControllerLayouts(const std::string& path) override { return inner_->AddControllerLayouts(path); }

 private:
  std::unique_ptr<plat::Host> inner_;
};
