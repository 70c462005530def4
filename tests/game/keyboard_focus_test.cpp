// The round without a mouse: the focus moves to the nearest card in a
// direction, Space or the pad's A picks the focused card as a click would,
// and the highlight shows only for keyboard and pad players.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

#include "audio/sound_effects.h"
#include "framework/frame_flip.h"
#include "game/effect_numbers.h"
#include "game/decks.h"
#include "game/card_round.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "round_fixture.h"

namespace {

int Cell(int x, int y) { return y * 10 + x; }
bool InPhase(Phase p) { return CurrentRound().phase == p; }

int FaceDownCardOf(char shown) {
  for (int cell = 0; cell < 100; ++cell) {
    if (CardValue[cell] > 0 && FlipAngle[cell] == 0 && CardChar(CardValue[cell])[0] == shown) return cell;
  }
  return -1;
}

// The keys that walk the focus from one card to another, shortest first.
std::vector<int> KeyPath(int from, int to) {
  struct Way {
    int key, dx, dy;
  };
  const Way ways[4] = {{kKeyLeft, -1, 0}, {kKeyUp, 0, -1}, {kKeyRight, 1, 0}, {kKeyDown, 0, 1}};
  std::vector<int> cameFrom(100, -1), keyTo(100, 0);
  std::deque<int> open{from};
  cameFrom[from] = from;
  while (!open.empty()) {
    int cell = open.front();
    open.pop_front();
    for (const Way& w : ways) {
      int next = NearestCard(cell, w.dx, w.dy);
      if (next < 0 || cameFrom[next] >= 0) continue;
      cameFrom[next] = cell;
      keyTo[next] = w.key;
      open.push_back(next);
    }
  }
  std::vector<int> keys;
  if (cameFrom[to] < 0) return keys;
  for (int cell = to; cell != from; cell = cameFrom[cell]) keys.insert(keys.begin(), keyTo[cell]);
  return keys;
}

class KeyboardFocusTest : public RoundTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(640, 480);
    testhost::PushMouseMove(1, 1);   // off the table, and still from here on
  }
  bool RunUntil(const std::function<bool()>& done, int maxFrames = 5000) {
    for (int i = 0; i < maxFrames; ++i) {
      if (RoundFrame()) return done();
      if (done()) return true;
    }
    return false;
  }
  // A key held for three frames, then let go for two.
  void Tap(int vk) {
    testhost::PushKey(vk, true);
    for (int i = 0; i < 3; ++i) RoundFrame();
    testhost::PushKey(vk, false);
    for (int i = 0; i < 2; ++i) RoundFrame();
  }
  void PadTap(int port, int button) {
    testhost::SetControllerButton(port, button, true);
    for (int i = 0; i < 3; ++i) RoundFrame();
    testhost::SetControllerButton(port, button, false);
    for (int i = 0; i < 2; ++i) RoundFrame();
  }
  // Walks the focus there by arrow keys and picks with Space.
  void KeyPick(int cell) {
    if (!FocusShown) Tap(kKeyRight);
    for (int key : KeyPath(FocusCell, cell)) Tap(key);
    ASSERT_EQ(FocusCell, cell);
    Tap(kKeySpace);
  }
};

TEST(NearestCard, SkipsEmptyCellsPrefersTheSameLineAndNeverWraps) {
  ResetCardRound();
  // Row 3: cards in columns 1, 2 and 6; one card up and right of column 2.
  for (int x : {1, 2, 6}) CardValue[Cell(x, 3)] = 1;
  CardValue[Cell(3, 2)] = 2;
  CardValue[Cell(2, 5)] = 2;
  // Same row, three steps on, against one step on and one row off: the row wins the tie.
  CardValue[Cell(5, 2)] = 0;
  EXPECT_EQ(NearestCard(Cell(2, 3), 1, 0), Cell(3, 2));       // one along, one aside: cost 3 < 4
  CardValue[Cell(3, 2)] = 0;
  EXPECT_EQ(NearestCard(Cell(2, 3), 1, 0), Cell(6, 3));       // the gap is skipped
  EXPECT_EQ(NearestCard(Cell(6, 3), 1, 0), -1);               // no wrap at the right edge
  EXPECT_EQ(NearestCard(Cell(1, 3), -1, 0), -1);
  EXPECT_EQ(NearestCard(Cell(2, 3), 0, 1), Cell(2, 5));       // the empty row 4 is skipped
  EXPECT_EQ(NearestCard(Cell(2, 5), 0, -1), Cell(2, 3));
  EXPECT_EQ(NearestCard(Cell(2, 3), 1, 1), -1);               // not a direction
  EXPECT_EQ(NearestCard(-1, 1, 0), -1);
}

// Equally near by the count (a step aside costs two along), the card in the
// same row or column wins over the diagonal one, whichever of the two comes
// first on the board and whichever way the focus moves.
TEST(NearestCard, OnATieTheCardInTheSameLineWins) {
  struct Case {
    int from, dx, dy, line, diagonal;
  };
  const Case cases[] = {
      {Cell(2, 3), 1, 0, Cell(5, 3), Cell(3, 2)},    // right; the diagonal a row above
      {Cell(2, 3), 1, 0, Cell(5, 3), Cell(3, 4)},    // right; a row below
      {Cell(6, 3), -1, 0, Cell(3, 3), Cell(5, 2)},   // left
      {Cell(6, 3), -1, 0, Cell(3, 3), Cell(5, 4)},
      {Cell(4, 2), 0, 1, Cell(4, 5), Cell(5, 3)},    // down
      {Cell(4, 2), 0, 1, Cell(4, 5), Cell(3, 3)},
      {Cell(4, 6), 0, -1, Cell(4, 3), Cell(3, 5)},   // up
      {Cell(4, 6), 0, -1, Cell(4, 3), Cell(5, 5)},
  };
  for (const Case& c : cases) {
    ResetCardRound();
    CardValue.fill(0);
    CardValue[c.from] = CardValue[c.line] = CardValue[c.diagonal] = 1;
    EXPECT_EQ(NearestCard(c.from, c.dx, c.dy), c.line) << "from " << c.from << " to " << c.diagonal;
    // With the card in line one step further on, the diagonal one is nearer.
    CardValue[c.line] = 0;
    CardValue[c.line + 10 * c.dy + c.dx] = 1;
    EXPECT_EQ(NearestCard(c.from, c.dx, c.dy), c.diagonal) << "from " << c.from << " to " << c.diagonal;
  }
}

TEST_F(KeyboardFocusTest, FirstPressShowsTheFocusTheMouseHidesIt) {
  Difficulty = 1;
  StartRound();
  RoundFrame();
  EXPECT_FALSE(FocusShown);
  EXPECT_EQ(FocusCell, Cell(3, 3));
  Tap(kKeyRight);
  EXPECT_TRUE(FocusShown);
  EXPECT_EQ(FocusCell, Cell(3, 3));   // the first press only shows where it stands
  Tap(kKeyRight);
  EXPECT_EQ(FocusCell, Cell(4, 3));
  Tap(kKeyRight);
  EXPECT_EQ(FocusCell, Cell(4, 3));   // the edge of the table: no wrap
  Tap(kKeyDown);
  EXPECT_EQ(FocusCell, Cell(4, 4));
  testhost::PushMouseMove(50, 50);
  for (int i = 0; i < 3; ++i) RoundFrame();   // pumped, sampled, then seen
  EXPECT_FALSE(FocusShown);
}

TEST_F(KeyboardFocusTest, TheExampleTurnPlayedWithKeysScoresAsClicksDo) {
  LoadEffectSounds();
  Difficulty = 0;
  StartRound();
  ASSERT_TRUE(RunUntil([] { return InPhase(Phase::Picking); }));
  const std::string shown = CurrentRound().shownSequence;
  ASSERT_EQ(shown.size(), 2u);
  testhost::ClearPlayed();
  KeyPick(FaceDownCardOf(shown[0]));
  EXPECT_EQ(Combo, 1);
  EXPECT_EQ(Score, 1);
  ASSERT_FALSE(Markers.empty());
  EXPECT_EQ(Markers.back()->t, 2);
  KeyPick(FaceDownCardOf(shown[1]));
  EXPECT_EQ(Combo, 2);
  EXPECT_EQ(Score, 3);
  ASSERT_TRUE(RunUntil([] { return CurrentRound().turnsJudged == 1; }));
  EXPECT_EQ(Score, 5);
  EXPECT_EQ(Lives, 5);
  // A card sound for each pick, the judged-right cue, and never a wrong-pick
  // sound. (The delayed right-pick cue depends on how soon the next pick comes.)
  int cardSounds = 0, turnRight = 0, wrong = 0;
  for (const auto& played : testhost::Played()) {
    for (int e = effect::kCardFirst; e <= effect::kCardLast; ++e) cardSounds += played.sound == EffectSounds[e];
    turnRight += played.sound == EffectSounds[effect::kTurnRight];
    wrong += played.sound == EffectSounds[effect::kWrongPick] ||
             played.sound == EffectSounds[effect::kPickWrongLater];
  }
  EXPECT_GE(cardSounds, 2);
  EXPECT_EQ(turnRight, 1);
  EXPECT_EQ(wrong, 0);
}

TEST_F(KeyboardFocusTest, AWrongKeyPickCostsTheComboAndALife) {
  Difficulty = 0;
  StartRound();
  ASSERT_TRUE(RunUntil([] { return InPhase(Phase::Picking); }));
  const std::string shown = CurrentRound().shownSequence;
  KeyPick(FaceDownCardOf(shown[1]));
  KeyPick(FaceDownCardOf(shown[0]));
  EXPECT_EQ(Combo, 0);
  EXPECT_EQ(Score, 0);
  ASSERT_TRUE(RunUntil([] { return CurrentRound().turnsJudged == 1; }));
  EXPECT_EQ(Lives, 4);
}

TEST_F(KeyboardFocusTest, PicksOutsideThePickingPhaseAndOfFaceUpCardsDoNothing) {
  Difficulty = 0;
  StartRound();
  RoundFrame();
  Tap(kKeySpace);                       // shows the focus
  Tap(kKeySpace);                       // the table is still face up: no pick
  EXPECT_TRUE(CurrentRound().pickedSequence.empty());
  ASSERT_TRUE(RunUntil([] { return InPhase(Phase::Picking); }));
  EXPECT_TRUE(CurrentRound().pickedSequence.empty());   // the early press was not kept
  // A shown card is face up: focusing and picking it does nothing.
  int shownCell = -1;
  for (int cell = 0; cell < 100; ++cell)
    if (CardValue[cell] > 0 && FlipAngle[cell] == 180) shownCell = cell;
  ASSERT_GE(shownCell, 0);
  for (int key : KeyPath(FocusCell, shownCell)) Tap(key);
  ASSERT_EQ(FocusCell, shownCell);
  Tap(kKeySpace);
  EXPECT_EQ(CurrentRound().stepCount, 0);
}

TEST_F(KeyboardFocusTest, ThePadsDpadAndAWork) {
  const int port = testhost::AddController("Test Controller");
  Difficulty = 0;
  StartRound();
  ASSERT_TRUE(RunUntil([] { return InPhase(Phase::Picking); }));
  const std::string shown = CurrentRound().shownSequence;
  const int target = FaceDownCardOf(shown[0]);
  PadTap(port, kControllerDpadRight);
  ASSERT_TRUE(FocusShown);
  const int padKeys[4][2] = {{kKeyLeft, kControllerDpadLeft}, {kKeyUp, kControllerDpadUp},
                             {kKeyRight, kControllerDpadRight}, {kKeyDown, kControllerDpadDown}};
  for (int key : KeyPath(FocusCell, target)) {
    for (const auto& pair : padKeys)
      if (pair[0] == key) PadTap(port, pair[1]);
  }
  ASSERT_EQ(FocusCell, target);
  PadTap(port, kControllerA);
  EXPECT_EQ(Score, 1);
}

TEST_F(KeyboardFocusTest, TheLeftStickMovesTheFocus) {
  const int port = testhost::AddController("Test Controller");
  Difficulty = 0;
  StartRound();
  for (int i = 0; i < 3; ++i) RoundFrame();   // the pointer's move from SetUp has been seen
  PadTap(port, kControllerA);        // shows the focus on (3, 3)
  ASSERT_TRUE(FocusShown);
  testhost::SetControllerAxis(port, kControllerLeftY, 0.9f);
  for (int i = 0; i < 3; ++i) RoundFrame();
  testhost::SetControllerAxis(port, kControllerLeftY, 0.2f);   // inside the dead zone
  for (int i = 0; i < 3; ++i) RoundFrame();
  EXPECT_EQ(FocusCell, Cell(3, 4));
}

// The highlight on the software back end: a yellow band round the focused
// card for a keyboard player, none for a mouse player.
class FocusPixels : public KeyboardFocusTest {
 protected:
  void SetUp() override {
    RoundTest::SetUp();
    OpenDisplay(1280, 960);
    testhost::PushMouseMove(1, 1);
  }
  // Yellow band pixels round cell (3, 3): the band lies 1..5 units outside the card.
  int BandPixels() {
    testhost::Frame f = testhost::BackBuffer();
    const int left = CellCentreX(3) - 48, top = CellCentreY(3) - 64;
    int yellow = 0;
    for (int x = left - 10; x < left + 106; ++x) {
      for (int y : {top - 3, top + 131}) {
        if (f.Pixel(x, y) == 0xFFE628) ++yellow;
      }
    }
    return yellow;
  }
};

TEST_F(FocusPixels, DrawnForKeyboardPlayersNotForMousePlayers) {
  Difficulty = 1;
  StartRound();
  // A mouse player: moves and clicks on the table.
  PushPointer(CellCentreX(3), CellCentreY(3));
  testhost::PushMouseButton(1, true);
  RoundFrame();
  testhost::PushMouseButton(1, false);
  RoundFrame();
  RoundFrame();
  EXPECT_FALSE(FocusShown);
  EXPECT_EQ(BandPixels(), 0);

  // The same table after one arrow key.
  testhost::PushKey(kKeyUp, true);
  RoundFrame();
  RoundFrame();
  ASSERT_TRUE(FocusShown);
  EXPECT_GT(BandPixels(), 150);   // both long sides of the frame
  testhost::PushKey(kKeyUp, false);
  RoundFrame();
}

}  // namespace
