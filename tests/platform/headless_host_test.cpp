// The headless host: the virtual clock, the input script and its timing,
// scripted shots, the idle close, the fixed date, pads and the display modes.
#include <cstdio>

#include "draw_fixture.h"
#include "platform/host/headless_script.h"

namespace {

class HeadlessTest : public testing::Test {
 protected:
  void SetUp() override {
    testhost::Start("");
    ASSERT_EQ(Graphics(640, 480, 0, 60), 1);
  }
  void TearDown() override { EndGraphics(); }
  // Advances the virtual clock to t and pumps, as a paced game loop would.
  void RunTo(uint32_t t) {
    if (testhost::Clock() < t) testhost::Advance(static_cast<int>(t - testhost::Clock()));
    PollSystem();
  }
};

TEST_F(HeadlessTest, ScriptedKeysArriveAtTheirTimes) {
  testhost::ScriptLines(
      "# a comment line\n"
      "100 keydown 65\n"
      "+50 keyup 65   # trailing comment\n"
      "300 key 13\n");
  RunTo(99);
  EXPECT_EQ(KeyDown(65), 0);
  RunTo(100);
  EXPECT_EQ(KeyDown(65), 1);
  EXPECT_EQ(KeyHit(65), 1);
  EXPECT_EQ(KeyHit(65), 0);  // reading clears
  RunTo(150);
  EXPECT_EQ(KeyDown(65), 0);
  RunTo(300);
  EXPECT_EQ(KeyDown(kKeyReturn), 1);
  RunTo(349);
  EXPECT_EQ(KeyDown(kKeyReturn), 1);
  RunTo(350);
  EXPECT_EQ(KeyDown(kKeyReturn), 0);
  EXPECT_EQ(KeyHit(kKeyReturn), 1);
}

TEST_F(HeadlessTest, TextClickAndCloseFromTheScript) {
  SetVirtualResolution(1280, 960);
  testhost::ScriptLines(
      "10 text Ab c#1 Zo\xC3\xAB\n"
      "20 click 640 480\n"
      "+100 close\n");
  RunTo(10);
  std::string typed;
  for (int c; (c = GetChar()) != 0;) typed += static_cast<char>(c);
  // Scripts are UTF-8 text, decoded as a window's typed text is: one ë.
  EXPECT_EQ(typed, "Ab c#1 Zo\xEB");
  // The pointer moves first; the press follows a frame later.
  RunTo(20);
  EXPECT_EQ(MouseDown(1), 0);
  EXPECT_FLOAT_EQ(VirtualMouseX(), 640);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 480);
  RunTo(40);
  EXPECT_EQ(MouseDown(1), 1);
  RunTo(90);
  EXPECT_EQ(MouseDown(1), 0);
  EXPECT_EQ(MouseHit(1), 1);
  EXPECT_EQ(AppTerminate(), 0);
  RunTo(120);
  EXPECT_EQ(AppTerminate(), 1);
  EXPECT_EQ(AppTerminate(), 0);  // reading clears the request
}

TEST_F(HeadlessTest, UnknownScriptLinesAreSkipped) {
  testhost::ScriptLines(
      "banana\n"
      "10 keydown\n"
      "10 keydown 999\n"
      "-5 keydown 65\n"
      "10 warp 1 2\n"
      "20 keydown 66\n");
  RunTo(20);
  EXPECT_EQ(KeyDown(65), 0);
  EXPECT_EQ(KeyDown(66), 1);
}

TEST_F(HeadlessTest, ScriptTimesBeyondTheClockAreSkippedNotWrapped) {
  // The clock counts milliseconds in 32 bits: a later time cannot be reached,
  // and taken modulo 2^32 it would fire at once.
  testhost::ScriptLines(
      "+4294967296 keydown 67\n"
      "4294967296 keydown 65\n"
      "99999999999999999999 keydown 66\n"
      "4294967295 keydown 68\n"
      "+99999999999999999999 keydown 69\n"
      "+1 keydown 70\n"
      "30 keydown 71\n");
  RunTo(30);
  for (int vk = 65; vk <= 70; ++vk) EXPECT_EQ(KeyDown(vk), 0) << vk;
  EXPECT_EQ(KeyDown(71), 1);
}

// The reader on its own: times up to the last the 32-bit clock reaches, on
// any build (a 32-bit `long` would turn that limit into -1 and refuse every
// line), and the events a line gives.
TEST(ScriptReader, TimesReachTheTopOfTheClockAndLinesGiveTheirEvents) {
  using plat::ParseScriptLine;
  using plat::ScriptKind;
  std::vector<plat::ScriptEvent> ev;
  uint32_t t = 7;
  ASSERT_TRUE(ParseScriptLine("4294967295 close", 0, t, ev));
  EXPECT_EQ(t, 4294967295u);
  ASSERT_TRUE(ParseScriptLine("+1 key 32", 4294967294u, t, ev));
  EXPECT_EQ(t, 4294967295u);
  EXPECT_FALSE(ParseScriptLine("+1 close", 4294967295u, t, ev));
  EXPECT_FALSE(ParseScriptLine("4294967296 close", 0, t, ev));
  ASSERT_EQ(ev.size(), 3u);
  EXPECT_EQ(ev[0].time, 4294967295u);
  EXPECT_EQ(ev[1].kind, ScriptKind::KeyDown);
  EXPECT_EQ(ev[1].time, 4294967295u);
  ev.clear();
  ASSERT_TRUE(ParseScriptLine("2147483648 close", 0, t, ev));   // past a signed 32-bit long
  EXPECT_EQ(t, 2147483648u);

  // A comment touching a word command is dropped; a blank line gives nothing
  // and keeps the time; click moves, then presses and releases.
  ev.clear();
  t = 5;
  EXPECT_TRUE(ParseScriptLine("   # nothing", 0, t, ev));
  EXPECT_EQ(t, 5u);
  EXPECT_TRUE(ParseScriptLine("10 close#now", 0, t, ev));
  ASSERT_TRUE(ParseScriptLine("+5 click 3 4", t, t, ev));
  ASSERT_EQ(ev.size(), 4u);
  EXPECT_EQ(ev[0].kind, ScriptKind::Close);
  EXPECT_EQ(ev[1].kind, ScriptKind::MouseMove);
  EXPECT_EQ(ev[1].time, 15u);
  EXPECT_EQ(ev[2].time, 35u);
  EXPECT_EQ(ev[3].time, 85u);
  EXPECT_FALSE(ParseScriptLine("20 text#x", 0, t, ev));
  EXPECT_FALSE(ParseScriptLine("20 shot   # no file", 0, t, ev));

  // A position that is no number of pixels is refused; one on a screen is not.
  for (const char* bad : {"20 mousemove nan 4", "20 click 3 inf", "20 mousemove -1e30 4", "20 click 3 1e7"}) {
    EXPECT_FALSE(ParseScriptLine(bad, 0, t, ev)) << bad;
  }
  EXPECT_TRUE(ParseScriptLine("20 mousemove -3.5 1919.5", 0, t, ev));
}

TEST_F(HeadlessTest, ClockMovesOnlyWhenTheProgramWaits) {
  uint32_t t0 = MilliSecs();
  PollSystem();
  EXPECT_EQ(static_cast<uint32_t>(MilliSecs()), t0);
  Delay(250);
  EXPECT_EQ(static_cast<uint32_t>(MilliSecs()), t0 + 250);
  // A loop that pumps without ever sleeping still sees time pass, so a wait
  // for scripted input cannot hang.
  for (int i = 0; i < 1000; ++i) PollSystem();
  EXPECT_GT(static_cast<uint32_t>(MilliSecs()), t0 + 250);
}

TEST_F(HeadlessTest, RequestsACloseLongAfterTheLastEvent) {
  testhost::ScriptLines("1000 keydown 65\n");
  RunTo(1000);
  RunTo(1000 + 599000);
  EXPECT_EQ(AppTerminate(), 0);
  RunTo(1000 + 600000);
  EXPECT_EQ(AppTerminate(), 1);
  // Asked again if the program carries on.
  RunTo(1000 + 602000);
  EXPECT_EQ(AppTerminate(), 1);
}

TEST_F(HeadlessTest, ScriptedShotIsSavedAtTheNextFlip) {
  std::string path = drawtest::TempPath("shot with blank.png");
  std::remove(path.c_str());
  testhost::ScriptLines("500 shot " + path + "   # saved at the next Flip\n");
  SetColor(255, 0, 0);
  DrawRect(0, 0, 640, 480);
  Flip(0);
  EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);  // not yet due
  testhost::Advance(500);
  DrawRect(0, 0, 640, 480);
  Flip(0);
  int img = LoadImage(path, 0);
  ASSERT_NE(img, 0);
  EXPECT_EQ(ImageWidth(img), 640);
  EXPECT_EQ(ImageHeight(img), 480);
  EXPECT_EQ(testhost::Presents(), 2);
}

TEST_F(HeadlessTest, FixedDateAndTimeFollowTheVirtualClock) {
  EXPECT_EQ(CurrentDate(), "06 Dec 2026");
  EXPECT_EQ(CurrentTime(), "12:00:00");
  testhost::Advance((12 * 3600 + 1) * 1000);  // past midnight
  EXPECT_EQ(CurrentDate(), "07 Dec 2026");
  EXPECT_EQ(CurrentTime(), "00:00:01");
  testhost::Advance(20 * 86400 * 1000);  // into the next year
  testhost::Advance(5 * 86400 * 1000);
  EXPECT_EQ(CurrentDate(), "01 Jan 2027");
}

TEST_F(HeadlessTest, DisplayModesAndFullScreenChoices) {
  EXPECT_GT(CountGraphicsModes(), 10);
  int w, h, d, hz;
  ASSERT_EQ(GetGraphicsMode(0, w, h, d, hz), 1);
  EXPECT_GT(w, 0);
  EXPECT_EQ(GetGraphicsMode(CountGraphicsModes(), w, h, d, hz), 0);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(GraphicsModeExists(1280, 960, 32, 60), 1);
  EXPECT_EQ(GraphicsModeExists(1280, 960, 0, 0), 1);
  EXPECT_EQ(GraphicsModeExists(1281, 960), 0);
  EXPECT_EQ(Graphics(1281, 960, 32, 60), 0);  // no such full-screen mode
  EXPECT_EQ(GraphicsOpenNow(), 0);
  EXPECT_EQ(Graphics(1280, 960, 32, 60), 1);
  EXPECT_EQ(GraphicsWidth(), 1280);
}

TEST_F(HeadlessTest, PadsReadThroughTheJoypadQueries) {
  int port = testhost::AddPad("Test Pad", 0x0F);
  EXPECT_EQ(JoyCount(), 1);
  EXPECT_EQ(JoyName(port), "Test Pad");
  EXPECT_EQ(JoyButtonCaps(port), 0x0F);
  testhost::SetPadButton(port, 2, true);
  testhost::SetPadAxis(port, 1, -0.5f);
  testhost::SetPadHat(port, 0.25f);
  EXPECT_EQ(JoyDown(2, port), 1);
  EXPECT_EQ(JoyDown(1, port), 0);
  EXPECT_FLOAT_EQ(JoyY(port), -0.5f);
  EXPECT_FLOAT_EQ(JoyHat(port), 0.25f);
  testhost::UnplugPad(port);
  EXPECT_EQ(JoyCount(), 0);
  EXPECT_EQ(JoyDown(2, port), 0);
  EXPECT_FLOAT_EQ(JoyHat(port), -1.0f);
  EXPECT_EQ(JoyName(7), "");
}

TEST_F(HeadlessTest, StartClearsInputLeftByAnEarlierRun) {
  testhost::PushKey(65, true);
  testhost::PushText("x");
  PollSystem();
  EXPECT_EQ(KeyDown(65), 1);
  testhost::Start("");
  EXPECT_EQ(KeyDown(65), 0);
  EXPECT_EQ(GetChar(), 0);
  EXPECT_EQ(testhost::Clock(), 0u);
}

}  // namespace
