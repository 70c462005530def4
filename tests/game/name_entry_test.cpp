// Name entry: what ends it, what it keeps, one character per frame, refused
// characters, and the release wait that keeps keys from the round out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/frame_flip.h"
#include "game/name_entry.h"
#include "game/score_panel.h"
#include "game/scores.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/hang_guard.h"
#include "support/temp_folder.h"
#include "title_fixture.h"

namespace {

// Runs EnterName with a per-frame script: act(frame) runs inside every
// FlipFrame (frames count from 1); the names seen at each frame are kept.
struct Driver {
  int frame = 0;
  std::vector<std::string> names;
  std::function<void(int)> act;
};
Driver* g_driver = nullptr;

void Watch() {
  Driver& d = *g_driver;
  ++d.frame;
  d.names.push_back(PlayerName);
  if (d.act) d.act(d.frame);
  // A safety net: an entry that never ends fails the test instead of hanging.
  if (d.frame == 600) testhost::PushKey(kKeyEscape, true);
  if (d.frame == 601) testhost::PushKey(kKeyEscape, false);
}

// An event the given number of virtual milliseconds from now.
void Later(int ms, const std::string& event) {
  testhost::ScriptLines(std::to_string(testhost::Clock() + ms) + " " + event + "\n");
}

void Press(int vk) {
  testhost::PushKey(vk, true);
  testhost::PushKey(vk, false);
}

class NameEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    title_test::StartTitleDisplay();
    g_driver = &driver_;
    FrameWatcher = Watch;
  }
  void TearDown() override {
    FrameWatcher = nullptr;
    g_driver = nullptr;
    ResetScores();
  }
  void Run(std::function<void(int)> act) {
    driver_.act = std::move(act);
    EnterName();
    EXPECT_LT(driver_.frame, 600) << "the entry did not end";
    EXPECT_FALSE(NameEntryOpen);
  }
  Driver driver_;
};

TEST(NameChars, OnlySingleBytesTheFileCanCarry) {
  EXPECT_FALSE(NameCharAccepted(0));
  EXPECT_FALSE(NameCharAccepted(31));
  EXPECT_TRUE(NameCharAccepted(32));
  EXPECT_TRUE(NameCharAccepted('z'));
  EXPECT_FALSE(NameCharAccepted('|'));
  EXPECT_FALSE(NameCharAccepted(127));
  EXPECT_TRUE(NameCharAccepted(233));
  EXPECT_TRUE(NameCharAccepted(255));
  EXPECT_FALSE(NameCharAccepted(256));
  EXPECT_FALSE(NameCharAccepted(-1));
}

TEST_F(NameEntry, EnterAtOnceKeepsTheName) {
  PlayerName = "Ann Lee";
  Run([](int f) { if (f == 1) Press(kKeyReturn); });
  EXPECT_EQ(PlayerName, "Ann Lee");
  EXPECT_LE(driver_.frame, 3);
}

TEST_F(NameEntry, BackspaceEmptiesAndAnEmptyNameIsAllowed) {
  PlayerName = "Ab";
  Run([](int f) {
    if (f <= 4) Press(kKeyBackspace);   // two more than the name has
    if (f == 6) Press(kKeyReturn);
  });
  EXPECT_EQ(PlayerName, "");
}

TEST_F(NameEntry, CharactersTypedTogetherArriveOnePerFrame) {
  PlayerName = "Jo";
  Run([](int f) {
    if (f == 1) testhost::PushText("xyz");
    if (f == 8) Press(kKeyReturn);
  });
  EXPECT_EQ(PlayerName, "Joxyz");
  // Delivered during frame 1, so frames 2, 3 and 4 each take one character.
  std::vector<std::string> seen(driver_.names.begin(), driver_.names.begin() + 5);
  EXPECT_EQ(seen, (std::vector<std::string>{"Jo", "Jox", "Joxy", "Joxyz", "Joxyz"}));
}

TEST_F(NameEntry, RefusedCharactersAreDropped) {
  PlayerName = "";
  Run([](int f) {
    if (f == 1) testhost::PushText(std::string("a|b\x7f\x01") + "\xc3\xa9");
    if (f == 10) Press(kKeyReturn);
  });
  EXPECT_EQ(PlayerName, std::string("ab\xe9"));
}

TEST_F(NameEntry, HeldButtonFromTheRoundDoesNotEndItAtOnce) {
  // The button is still held when the entry opens and let go 200 ms later.
  testhost::PushMouseButton(1, true);
  PollSystem();
  Later(200, "mouseup 1");
  PlayerName = "Kim";
  Run([](int f) {
    if (f == 2) testhost::PushText("!");
    if (f == 5) {
      // A click ends it; the release arrives while the entry waits for it.
      testhost::PushMouseButton(1, true);
      Later(300, "mouseup 1");
    }
  });
  EXPECT_EQ(PlayerName, "Kim!");
  EXPECT_GE(driver_.frame, 5);
  EXPECT_EQ(MouseDown(1), 0);   // the entry returned only after the release
}

// The keys of a typed name are the name's alone: the title screen that comes
// next must not take the Z of "Zoe" or the X of "Xavi" as its own keys for
// the table art and the deck.
TEST_F(NameEntry, KeysTypedIntoTheNameAreNotLeftForTheNextScreen) {
  PlayerName = "";
  Run([](int f) {
    if (f == 1) {
      Press(90);
      testhost::PushText("Zoe");
    }
    if (f == 2) {
      Press(88);
      testhost::PushText("X");
    }
    if (f == 8) Press(kKeyReturn);
  });
  EXPECT_EQ(PlayerName, "ZoeX");
  EXPECT_EQ(KeyHit(90), 0);
  EXPECT_EQ(KeyHit(88), 0);
  EXPECT_EQ(GetChar(), 0);
}

TEST_F(NameEntry, EscapeEndsTheEntryAndIsLetGoBeforeReturning) {
  PlayerName = "Max";
  Run([](int f) {
    if (f == 3) {
      testhost::PushKey(kKeyEscape, true);
      Later(400, "keyup 27");
    }
  });
  EXPECT_EQ(PlayerName, "Max");
  EXPECT_EQ(KeyDown(kKeyEscape), 0);
}

// The round is saved from the hook: a long press of Return must not hold
// the save up (a page closed while the key is down would lose the round).
TEST_F(NameEntry, TheNameIsHandedOverBeforeTheLastFrameAndTheKeyIsLetGo) {
  PlayerName = "Max";
  driver_.act = [](int f) {
    if (f == 3) {
      testhost::PushKey(kKeyReturn, true);
      Later(400, "keyup 13");
    }
  };
  bool held = false;
  int handedAt = -1;
  EnterName([&] {
    held = KeyDown(kKeyReturn) != 0;
    handedAt = driver_.frame;
  });
  EXPECT_TRUE(held);
  EXPECT_EQ(handedAt, driver_.frame - 1);
  EXPECT_EQ(PlayerName, "Max");
  EXPECT_EQ(KeyDown(kKeyReturn), 0);
}

TEST_F(NameEntry, CloseRequestsEndBothReleaseWaitsAndAreLeftForTheNextFrame) {
  HangGuard guard(60, "name entry's release wait ignored a close request");
  // The button that ended the round is never let go, and the window is closed.
  testhost::PushMouseButton(1, true);
  testhost::PushClose();
  PollSystem();
  int closeAtFirstFrame = -1;
  Run([&](int f) {
    // Taken here, so this frame does not go on to the closing page.
    if (f == 1) closeAtFirstFrame = AppTerminate();
  });
  EXPECT_EQ(closeAtFirstFrame, 1);
  // The held button ended the entry at once; the wait after it ended only on
  // the close request the headless host sends when its script has run out.
  EXPECT_EQ(driver_.frame, 1);
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(AppTerminate(), 1);
}

// ---------------------------------------------------------------- the pad's letter picker

TEST(NamePicker, LettersCycleNewPlacesGrowAndDeleteShrinks) {
  std::string name = "Bo";
  int pos = 2;   // the place past the end
  ApplyPickerAction(name, pos, PickerAction::Up);
  EXPECT_EQ(name, "BoA");
  EXPECT_EQ(pos, 2);
  ApplyPickerAction(name, pos, PickerAction::Down);   // A wraps back to the end of the list
  EXPECT_EQ(name, "Bo?");
  ApplyPickerAction(name, pos, PickerAction::Left);
  ApplyPickerAction(name, pos, PickerAction::Down);
  EXPECT_EQ(name, "Bn?");
  ApplyPickerAction(name, pos, PickerAction::Delete);  // the letter under the cursor
  EXPECT_EQ(name, "B?");
  EXPECT_EQ(pos, 1);
  ApplyPickerAction(name, pos, PickerAction::Right);
  ApplyPickerAction(name, pos, PickerAction::Delete);  // past the end: the last letter
  EXPECT_EQ(name, "B");
  EXPECT_EQ(pos, 1);
  ApplyPickerAction(name, pos, PickerAction::Left);
  ApplyPickerAction(name, pos, PickerAction::Left);     // no wrap at the start
  EXPECT_EQ(pos, 0);
  ApplyPickerAction(name, pos, PickerAction::Delete);
  ApplyPickerAction(name, pos, PickerAction::Delete);   // nothing left to delete
  EXPECT_EQ(name, "");
  EXPECT_EQ(pos, 0);
}

TEST(NamePicker, NeverOffersTheFieldSeparatorAndStopsAtTheLengthLimit) {
  EXPECT_EQ(std::string(kPickerLetters).find('|'), std::string::npos);
  std::string name = "x|";   // typed before the refusal existed: starts the list afresh
  int pos = 1;
  ApplyPickerAction(name, pos, PickerAction::Up);
  EXPECT_EQ(name, "xA");
  // Every letter the picker offers is one the name keeps.
  for (const char* c = kPickerLetters; *c; ++c) EXPECT_TRUE(NameCharAccepted(static_cast<unsigned char>(*c))) << *c;

  name = std::string(kNameMaxLength - 1, 'Z');
  pos = static_cast<int>(name.size());
  ApplyPickerAction(name, pos, PickerAction::Up);
  EXPECT_EQ(static_cast<int>(name.size()), kNameMaxLength);
  ApplyPickerAction(name, pos, PickerAction::Right);    // no place past a full name
  EXPECT_EQ(pos, kNameMaxLength - 1);
  pos = kNameMaxLength;
  ApplyPickerAction(name, pos, PickerAction::Up);
  EXPECT_EQ(static_cast<int>(name.size()), kNameMaxLength);
}

TEST_F(NameEntry, ThePadPicksLettersAndAAcceptsTheName) {
  PlayerName = "Bo";
  std::vector<std::string> script = {"pad up",    // brings the picker up on the new place
                                     "pad up",    // a new letter: A
                                     "pad left",  // onto the o
                                     "pad down",  // o -> n
                                     "pad right", "pad right", "pad up",  // another new letter
                                     "pad b",     // deletes it again
                                     "pad a"};
  Run([&script](int frame) {
    int step = frame / 6 - 2;
    if (frame % 6 == 0 && step >= 0 && step < static_cast<int>(script.size())) Later(0, script[step]);
  });
  EXPECT_EQ(PlayerName, "BnA");
}

// With the settings panel out (Tab), the pad works the panel alone: its
// D-pad does not change letters and its A on a panel row does not end the
// entry. Once the panel is away, A ends it as before.
TEST_F(NameEntry, WhileTheSettingsPanelIsOutThePadWorksOnlyThePanel) {
  // The panel saves the setup one level above the game folder: keep it inside.
  testsupport::TempFolder scratch("naming", testsupport::TempFolder::kDataTree);
  testhost::AddController("Test Controller");
  PlayerName = "Bo";
  std::vector<std::string> script = {"pad up", "pad down", "pad up", "pad left", "pad right", "pad a", "pad down",
                                     "pad a"};
  bool closedByPanel = false;
  Run([&](int frame) {
    if (frame == 2) Press(9);   // Tab: the panel comes out
    int step = frame / 6 - 3;
    if (frame % 6 == 0 && step >= 0 && step < static_cast<int>(script.size())) Later(0, script[step]);
    if (frame == 70) {
      closedByPanel = SettingsOpen == 0;
      Press(9);                 // and goes away
    }
    if (frame == 90) Later(0, "pad a");
  });
  EXPECT_FALSE(closedByPanel);
  EXPECT_EQ(PlayerName, "Bo");
  EXPECT_GE(driver_.frame, 90);
  for (const std::string& seen : driver_.names) EXPECT_EQ(seen, "Bo");
}

TEST_F(NameEntry, TheKeyboardStillTypesWhileAPadIsPlugged) {
  testhost::AddController("Test Controller");
  PlayerName = "";
  Run([](int frame) {
    if (frame == 2) testhost::PushText("Al");
    if (frame == 6) Press(kKeyReturn);
  });
  EXPECT_EQ(PlayerName, "Al");
}

}  // namespace
