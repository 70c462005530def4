// One card round: the board tables, the turn rules that run in every frame,
// the dealing of new pairs, the shuffles, and the end of the round with its
// score record. The drawing and the card animations live in table_drawing.cpp;
// this file decides what happens on the table.
#include "game/card_round.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "audio/sound_effects.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/display_setup.h"
#include "framework/frame_flip.h"
#include "framework/pause_menu.h"
#include "framework/settings_panel.h"
#include "framework/draw_helpers.h"
#include "framework/startup.h"
#include "game/decks.h"
#include "game/effect_numbers.h"
#include "game/game_music.h"
#include "game/name_entry.h"
#include "game/scores.h"
#include "game/table_drawing.h"
#include "platform/platform.h"

// Start values: ResetCardRound.

int64_t Score;
RecordList<icle> Markers;
int Lives, Combo;
int BadgesEarned;
std::array<int, 31> RoundBest;
int Level, GameFlags;
int FocusCell;
bool FocusShown;

namespace {

RoundState Round;
// Set while the round that ended waits for its name; the name it opened with.
bool roundAwaitingName;
std::string nameBeforeEntry;

// Presses for the focus: the four directions repeat while held, a pick acts once.
std::array<RepeatPress, 4> DirectionPresses;
PressEdge PickPress;
constexpr int kFirstDealCell = 33;   // column 3, row 3: a card from the first deal, always on the table

constexpr int kCells = 100;
constexpr int kMostPairs = 18;      // 36 cards fill the 6 x 6 area
constexpr int kMostSwaps = 20;

int Cell(int x, int y) { return y * 10 + x; }

// Sound cues at full volume, centred, at the recorded pitch.
void Cue(int number) { PlayEffect(number, 1, 1, 0); }
// A card shown, picked or dealt: one of six card sounds at random.
void CardCue() { Cue(Rand(effect::kCardFirst, effect::kCardLast)); }

bool ValueShown(int value) {
  for (int i = 1; i <= Round.stepCount; ++i) {
    if (Round.shownValues[i] == value) return true;
  }
  return false;
}

// Character `position` (1-based) of a sequence; empty past its end.
std::string CharAt(const std::string& s, int position) { return Mid(s, position, 1); }

// ---------------------------------------------------------------- the turn rules, in frame order

// The table waits face up, then every card turns face down at once.
void RuleWaiting() {
  if (Round.phase != Phase::Waiting) return;
  Round.waitTimer -= 1;
  if (Round.waitTimer == 0) {
    Round.waitTimer = 90;
    Round.phase = Phase::Showing;
    for (int i = 0; i < kCells; ++i) {
      // A card already face down makes the full turn and flashes its face.
      FlipAngle[i] = 181;
      SwapCooldown[i] = 0;
    }
    Round.shownValues.fill(0);
    for (int k = 0; k < 2; ++k) {
      // Rate before pan, in this order on every compiler.
      double rate = RndRange(0.7, 1.3);
      double pan = RndRange(-1, 1);
      PlayEffect(effect::kTableFaceDown, static_cast<float>(rate), 1, static_cast<float>(pan));
    }
    Round.stepCount = 0;
  }
  Round.shownSequence.clear();
  Round.pickedSequence.clear();
  Round.cooldown = 20;
}

// One card of a pair not yet shown turns up after a random pause.
void RuleShowing(bool animating) {
  if (Round.phase != Phase::Showing || animating) return;
  if (Rand(1, 10) != 1 || Round.cooldown != 0) return;
  int cell = 0;
  do {
    int x = Rand(0, 9);
    int y = Rand(0, 9);
    cell = Cell(x, y);
  } while (CardValue[cell] <= 0 || ValueShown(CardValue[cell]));
  Round.stepCount += 1;
  Round.shownValues[Round.stepCount] = CardValue[cell];
  Round.shownSequence += CardChar(CardValue[cell]);
  FlipAngle[cell] = 1;
  CardCue();
  if (Round.stepCount == Round.pairCount) {
    Round.phase = Phase::Picking;
    Round.stepCount = 0;
  }
}

// The delayed right / wrong cue of the latest pick.
void RuleFeedback() {
  if (Round.phase != Phase::Picking) return;
  if (Round.feedbackTimer >= 0) Round.feedbackTimer -= 1;
  if (Round.feedbackTimer == Round.stepCount && Round.stepCount > 0) {
    bool same = CharAt(Round.shownSequence, Round.stepCount) ==
                CharAt(Round.pickedSequence, Round.stepCount);
    Cue(same ? effect::kPickRightLater : effect::kPickWrongLater);
  }
}

// A held button over a face-down card at rest picks it; picks do not wait
// for other cards to stop turning. A key or pad pick of the focused card
// goes the same way; the mouse wins a frame in which both pick.
void RulePicking(int hoverCell, int keyPickCell) {
  if (Round.phase != Phase::Picking) return;
  int cell = hoverCell >= 0 && MouseDown(1) ? hoverCell : keyPickCell;
  if (cell >= 0 && cell < kCells && CardValue[cell] > 0 && FlipAngle[cell] == 0) {
    const int x = cell % 10, y = cell / 10;
    CardCue();
    FlipAngle[cell] = 1;
    Round.stepCount += 1;
    Round.pickedSequence += CardChar(CardValue[cell]);

    auto marker = std::make_shared<icle>();
    marker->x = TableOrigin() - 16 + 96 * x;
    marker->y = 128 * y - 96;
    if (CharAt(Round.shownSequence, Round.stepCount) ==
        CharAt(Round.pickedSequence, Round.stepCount)) {
      Combo += 1;
      Score += Combo;
      marker->t = 2;
    } else {
      Combo = 0;
      marker->t = 1;
      Cue(effect::kWrongPick);
    }
    ListAddLast(Markers, marker);
    Round.feedbackTimer = Round.pairCount + 10;
  }
  if (Round.stepCount == Round.pairCount) {
    Round.phase = Phase::Judging;
    Round.stepCount = 0;
  }
}

// The turn is judged after a random pause in a still frame.
void RuleJudging(bool animating) {
  if (Round.phase != Phase::Judging) return;
  if (Rand(0, 10) != 1 || animating) return;
  Round.turnsJudged += 1;
  if (Round.shownSequence == Round.pickedSequence) {
    Cue(effect::kTurnRight);
    Score += static_cast<int64_t>(Combo) * Round.turnsJudged;
  } else {
    Cue(effect::kTurnWrong);
    Lives -= 1;
    if (Lives == -1) Round.endReason = kRoundOutOfLives;
  }
  Round.turnsToNewPair -= 1;
  Round.turnsToShuffle -= 1;
  Round.phase = Phase::Waiting;
  if (Round.turnsToShuffle <= 0) {
    Round.turnsToShuffle = std::min(2 * Round.pairCount, kMostSwaps);
    Round.phase = Phase::Shuffling;
    Round.cooldown = 20;
  }
  // A new pair wins over a shuffle due in the same turn and restarts its count.
  if (Round.turnsToNewPair <= 0 && Round.pairCount < kMostPairs) {
    Round.turnsToNewPair = Round.pairInterval;
    Round.phase = Phase::AddingFirst;
    Round.cooldown = 20;
    Round.turnsToShuffle = Round.shuffleInterval;
  }
}

// The first card of a new pair.
void RuleAddingFirst(bool& animating) {
  if (Round.phase != Phase::AddingFirst || animating) return;
  if (Round.pairCount >= kMostPairs || Round.cooldown != 0) return;
  Round.pairCount += 1;
  PlaceDealtCard(Round.pairCount);
  CardCue();
  animating = true;   // the second card waits until this one has turned
  Round.phase = Phase::AddingSecond;
  Round.cooldown = 20;
}

// The second card of the new pair.
void RuleAddingSecond(bool animating) {
  if (Round.phase != Phase::AddingSecond || animating) return;
  if (Round.pairCount >= kMostPairs + 1 || Round.cooldown != 0) return;
  PlaceDealtCard(Round.pairCount);
  CardCue();
  Round.phase = Phase::Waiting;
}

// One swap per pause until the shuffle's swaps are used up.
void RuleShuffling(bool animating) {
  if (Round.phase != Phase::Shuffling || Round.cooldown != 0) return;
  if (Round.turnsToShuffle <= 0 || animating) return;
  Round.turnsToShuffle -= 1;
  SwapOnce();
  Round.cooldown = std::max(20 - Round.pairCount, 2);
  // Function arguments are evaluated in no fixed order; the draws are
  // sequenced here so every build takes the same random numbers.
  int whoosh = Rand(effect::kSwapFirst, effect::kSwapLast);
  double rate = RndRange(0.7, 1.3);
  PlayEffect(whoosh, static_cast<float>(rate), 1, 0);
  if (Round.turnsToShuffle == 0) {
    Round.turnsToShuffle = Round.shuffleInterval;
    Round.phase = Phase::Waiting;
  }
}

bool HasCard(int x, int y) {
  if (x < 0 || x > 9 || y < 0 || y > 9) return false;
  return CardValue[Cell(x, y)] > 0;
}

bool Swappable(int x, int y) { return HasCard(x, y) && SwapCooldown[Cell(x, y)] == 0; }

}  // namespace

// ---------------------------------------------------------------- tables and helpers

DifficultyRow DifficultyValues(int difficulty) {
  switch (difficulty) {
    case 1: return {4, 2, 3};
    case 2: return {2, 1, 1};
    default: return {6, 3, 5};
  }
}

const RoundState& CurrentRound() { return Round; }

std::string CardChar(int value) { return Chr(64 + value % 25); }

void ResetCardRound() {
  CardValue.fill(0);
  FlipAngle.fill(0);
  SlideX.fill(0);
  SlideY.fill(0);
  SwapCooldown.fill(0);
  Score = 0;
  ClearList(Markers);
  Lives = 0;
  Combo = 0;
  BadgesEarned = 0;
  RoundBest.fill(0);
  Level = 0;
  GameFlags = 0;
  Round = RoundState{};
  roundAwaitingName = false;
  nameBeforeEntry.clear();
  FocusCell = kFirstDealCell;
  FocusShown = false;
  DirectionPresses.fill(RepeatPress{});
  PickPress = PressEdge{};
}

int NearestCard(int from, int dx, int dy) {
  if (from < 0 || from >= kCells || (dx == 0) == (dy == 0)) return -1;
  const int fx = from % 10, fy = from / 10;
  int best = -1, bestAlong = 0, bestOff = 0;
  for (int cell = 0; cell < kCells; ++cell) {
    if (CardValue[cell] <= 0 || cell == from) continue;
    const int ox = cell % 10 - fx, oy = cell / 10 - fy;
    const int along = ox * dx + oy * dy;             // steps the chosen way
    const int off = std::abs(dx != 0 ? oy : ox);     // rows or columns beside it
    if (along <= 0) continue;
    // Nearest first, counting a step aside as two steps along, so a card in
    // the same row or column wins over a diagonal one as far away.
    const int cost = along + 2 * off, bestCost = bestAlong + 2 * bestOff;
    if (best < 0 || cost < bestCost || (cost == bestCost && off < bestOff)) {
      best = cell;
      bestAlong = along;
      bestOff = off;
    }
  }
  return best;
}

int FocusInput() {
  // The mouse took over: the highlight goes until the next key or pad press.
  if (MouseXNow != MouseXPrev || MouseYNow != MouseYPrev) FocusShown = false;

  struct Way {
    int control, dx, dy;
  };
  static constexpr Way kWays[4] = {{kControlUp, 0, -1}, {kControlDown, 0, 1}, {kControlLeft, -1, 0},
                                   {kControlRight, 1, 0}};
  bool moved[4] = {};
  for (int i = 0; i < 4; ++i) moved[i] = DirectionPresses[i].Step(DirectionHeld(kWays[i].control));
  bool pick = PickPress.Fresh(KeyDown(kKeySpace) || KeyDown(kKeyReturn) || ControllerHeld(Nav::Accept));
  // While the settings panel is out the keys work the panel.
  if (SettingsPanelOut()) return -1;

  bool any = pick;
  for (bool m : moved) any = any || m;
  if (!any) return -1;
  if (FocusCell < 0 || FocusCell >= kCells || CardValue[FocusCell] <= 0) FocusCell = kFirstDealCell;
  // The first press only shows where the focus stands.
  if (!FocusShown) {
    FocusShown = true;
    return -1;
  }
  for (int i = 0; i < 4; ++i) {
    if (!moved[i]) continue;
    int next = NearestCard(FocusCell, kWays[i].dx, kWays[i].dy);
    if (next >= 0) FocusCell = next;
  }
  return pick ? FocusCell : -1;
}

void PlaceDealtCard(int value) {
  // The table grows as one connected group: a card goes only onto an empty
  // cell with a card beside it. The group is never the whole 6 x 6 area while
  // a card is still to be dealt, so such a cell always exists.
  int x = 0, y = 0;
  do {
    x = Rand(1, 6);
    y = Rand(1, 6);
  } while (HasCard(x, y) ||
           !(HasCard(x - 1, y) || HasCard(x + 1, y) || HasCard(x, y - 1) || HasCard(x, y + 1)));
  const int cell = Cell(x, y);
  CardValue[cell] = value;
  FlipAngle[cell] = 1;
}

void SwapOnce() {
  // Cooling cards come one swap closer to being free.
  for (int i = 0; i < kCells; ++i) {
    if (SwapCooldown[i] > 0) SwapCooldown[i] -= 1;
  }
  // The drawing ranges reach past the card area; empty draws just repeat.
  // The four cards of the first deal never leave the centre and at most two
  // cards still cool, so some neighbouring pair there is always free.
  struct Dir { int dx, dy; };
  static constexpr Dir kOrder[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};  // right, left, below, above
  for (;;) {
    int x = Rand(2, 7);
    int y = Rand(2, 8);
    if (!Swappable(x, y)) continue;
    for (const Dir& d : kOrder) {
      int nx = x + d.dx, ny = y + d.dy;
      if (!Swappable(nx, ny)) continue;
      // Values change places; the slide offsets start each card where it was.
      const int a = Cell(x, y), b = Cell(nx, ny);
      // Swaps happen only in still frames, so no slide is under way here.
      std::swap(CardValue[a], CardValue[b]);
      if (d.dx != 0) {
        SlideX[a] = 96 * d.dx;
        SlideX[b] = -96 * d.dx;
      } else {
        SlideY[a] = 128 * d.dy;
        SlideY[b] = -128 * d.dy;
      }
      SwapCooldown[a] = Rand(1, 2);
      SwapCooldown[b] = Rand(1, 2);
      return;
    }
  }
}

void ApplyTurnRules(bool& animating, int hoverCell, int keyPickCell) {
  RuleWaiting();
  // Pauses run only in frames in which nothing moves.
  if (!animating && Round.cooldown > 0) Round.cooldown -= 1;
  RuleShowing(animating);
  RuleFeedback();
  RulePicking(hoverCell, keyPickCell);
  RuleJudging(animating);
  RuleAddingFirst(animating);
  RuleAddingSecond(animating);
  RuleShuffling(animating);
}

// ---------------------------------------------------------------- the round

void StartRound() {
  // The backdrop's speeds come from the generator as the previous screen left it.
  StartBackdrop();

  // Scores of this round.
  Score = 0;
  BadgesEarned = 0;
  for (int i = 1; i <= 30; ++i) RoundBest[i] = 0;

  // The first two pairs face up in the centre.
  CardValue.fill(0);
  FlipAngle.fill(180);
  SlideX.fill(0);
  SlideY.fill(0);
  SwapCooldown.fill(0);
  CardValue[Cell(3, 3)] = 1;
  CardValue[Cell(4, 4)] = 1;
  CardValue[Cell(3, 4)] = 2;
  CardValue[Cell(4, 3)] = 2;

  // Turn state and the difficulty's values; the focus back on the first deal.
  Round = RoundState{};
  FocusCell = kFirstDealCell;
  FocusShown = false;
  DirectionPresses.fill(RepeatPress{});
  PickPress = PressEdge{};   // the Return or A that started the round must be let go
  const DifficultyRow row = DifficultyValues(Difficulty);
  Round.pairInterval = row.pairInterval;
  Round.shuffleInterval = row.shuffleInterval;
  Lives = row.lives;
  Round.turnsToNewPair = row.pairInterval;
  Round.turnsToShuffle = row.shuffleInterval;
  Combo = 0;

  // Every round plays differently, its song too.
  SeedRnd(MilliSecs());
  ChooseRoundSeed();
}

void RoundScene() {
  // A clean frame with fresh sprite counters.
  BeginFrame(1);

  // Card art and table art may change at any time.
  if (KeyHit(kKeyX)) StepDeck();
  if (KeyHit(kKeyZ)) StepTable();

  // The scene up to the cards.
  DrawBackdrop();
  DrawTableArt();
  BoardPassResult pass = BoardPass();
  int keyPick = FocusInput();
  if (FocusShown) DrawFocusFrame(FocusCell);

  // The rules, all in this frame.
  ApplyTurnRules(pass.animating, pass.hoverCell, keyPick);

  // Over the cards.
  MarkerPass();
  DrawHud();
}

bool RoundFrame() {
  // Every frame: a display set up again during the round (Apply in the
  // settings panel) comes back in the screens' space.
  UseDrawingSpace(DrawingSpace::Tall);
  ShowPageScreen(kPageScreenRound);
  RoundScene();

  // The round's song and the frame flip; Quit from the pause menu ends the
  // round in an orderly way.
  PlayScreenSong(RoundSong(Difficulty));
  if (FlipFrame(MouseMode) == kMenuQuit) Round.endReason = kRoundQuit;

  // The caption over the last frame.
  if (Round.endReason != kRoundPlaying) {
    DrawGameOver();
    return true;
  }
  return false;
}

namespace {

std::shared_ptr<Scores> RecordRound(const std::string& name) {
  roundAwaitingName = false;
  auto record = std::make_shared<Scores>();
  record->Score = Score;
  record->Timestamp = MakeTimestamp("");
  record->Badges = BadgesEarned;
  record->Name = name;
  for (int i = 1; i <= 30; ++i) record->Best[i] = RoundBest[i];
  record->Level = Level;
  record->GameMode = Difficulty;
  record->GameFlags = GameFlags;
  if (Round.endReason == kRoundQuit) record->Quit = 1;
  LastScore = record;
  ListAddLast(ScoreList, record);
  SortScores();
  return record;
}

}  // namespace

void RecordUnnamedRound() {
  if (!roundAwaitingName) return;
  RecordRound(PlayerName.empty() ? nameBeforeEntry : PlayerName);
}

void FinishRound() {
  // The end cue, a breath, the name.
  Cue(effect::kRoundOver);
  Delay(250);
  PauseState = 0;
  roundAwaitingName = true;
  nameBeforeEntry = PlayerName;
  // The record of this round, newest first, on disk the moment the name is
  // accepted: a crash later in the session (or a page closed while Return
  // is still down) must not cost the player a round already recorded.
  // Saving walks the whole list as its working record; the round's own
  // record stays the one last created.
  std::shared_ptr<Scores> record;
  EnterName([&record] {
    record = RecordRound(PlayerName);
    SaveScores();
  });
  LastScore = record;
}

void PlayRound() {
  ClearInputHits();
  StartRound();
  while (!RoundFrame()) {
  }
  UseDrawingSpace(DrawingSpace::Screens);
  FinishRound();
}
