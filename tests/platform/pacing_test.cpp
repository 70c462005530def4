// Flip's pacing on a host with a real display: sync -1 holds 60 presents a
// second without drifting, sync 0 never waits, and the headless host is
// never paced (its clock moves only when the program waits).
#include "draw_fixture.h"
#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"

namespace {

// A windowed host whose clock is a counter that only Sleep moves.
class CountingHost : public plat::Host {
 public:
  const char* Name() const override { return "Counting"; }
  bool Headless() const override { return false; }
  void SetTitle(const std::string&) override {}
  std::vector<plat::DisplayMode> Modes(int) override { return {{640, 480, 32, 60}}; }
  std::unique_ptr<plat::RenderBackend> Open(int, int w, int h, int, int) override {
    return plat::MakeSoftwareBackend(w, h);
  }
  void Close() override {}
  void PumpEvents() override {}
  uint32_t Millisecs() override { return now; }
  void Sleep(int ms) override { now += static_cast<uint32_t>(ms > 0 ? ms : 0); }
  void ShowPointer(bool) override {}
  void WarpPointer(int, int) override {}
  void LocalTime(int& y, int& mo, int& d, int& h, int& mi, int& s) override { y = 2026, mo = 1, d = 1, h = mi = s = 0; }
  uint32_t now = 5000;
};

class PacingTest : public testing::Test {
 protected:
  void SetUp() override {
    testhost::Start("");
    auto owned = std::make_unique<CountingHost>();
    host = owned.get();
    plat::SetHost(std::move(owned));
    ASSERT_EQ(Graphics(64, 48, 0, 60), 1);
  }
  void TearDown() override {
    EndGraphics();
    testhost::Start("");
  }
  CountingHost* host = nullptr;
};

TEST_F(PacingTest, SyncedFlipsHoldSixtyASecondWithoutDrift) {
  uint32_t start = host->now;
  for (int i = 0; i < 600; ++i) {
    host->now += 3;  // the frame's own work
    Flip(-1);
  }
  // Ten seconds' worth of frames, whatever the 1 ms sleeps rounded to.
  EXPECT_NEAR(static_cast<double>(host->now - start), 10000.0, 20.0);
}

TEST_F(PacingTest, SlowFramesAreNotMadeSlowerAndFlipZeroNeverWaits) {
  uint32_t start = host->now;
  for (int i = 0; i < 10; ++i) {
    host->now += 40;  // slower than the refresh: no extra wait
    Flip(-1);
  }
  EXPECT_EQ(host->now - start, 400u);
  start = host->now;
  for (int i = 0; i < 10; ++i) Flip(0);
  EXPECT_EQ(host->now, start);
}

}  // namespace
