// The test player of the card round.
#include "round_bot.h"

#include <vector>

#include "framework/display_setup.h"
#include "game/card_round.h"
#include "game/table_drawing.h"
#include "platform/platform.h"
#include "support/test_host.h"

void RoundBot::MovePointer(int vx, int vy) {
  if (vx == pointerX_ && vy == pointerY_) return;
  pointerX_ = vx;
  pointerY_ = vy;
  testhost::PushMouseMove(vx * GraphicsWidth() / VirtualWidth, vy * GraphicsHeight() / VirtualHeight);
}

void RoundBot::SetButton(bool down) {
  if (down == buttonDown_) return;
  buttonDown_ = down;
  testhost::PushMouseButton(1, down);
}

int RoundBot::ChooseTarget() {
  const RoundState& round = CurrentRound();
  const int pick = static_cast<int>(round.pickedSequence.size());
  const std::string wanted = round.shownSequence.substr(pick, 1);
  std::vector<int> right, wrong;
  for (int cell = 0; cell < 100; ++cell) {
    if (CardValue[cell] <= 0 || FlipAngle[cell] != 0) continue;
    (CardChar(CardValue[cell]) == wanted ? right : wrong).push_back(cell);
  }
  std::uniform_real_distribution<double> coin(0, 1);
  std::vector<int>& from = (!wrong.empty() && (right.empty() || coin(rng_) < mistake_)) ? wrong : right;
  if (from.empty()) return -1;
  if (&from == &wrong) ++wrongPicks_;
  return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng_)];
}

void RoundBot::BeforeFrame() {
  const RoundState& round = CurrentRound();
  if (round.phase != Phase::Picking) {
    SetButton(false);
    MovePointer(4, 4);
    targetForPick_ = -1;
    return;
  }
  const int pick = static_cast<int>(round.pickedSequence.size());
  if (targetForPick_ != pick || targetCell_ < 0 || FlipAngle[targetCell_] != 0) {
    targetCell_ = ChooseTarget();
    targetForPick_ = pick;
  }
  if (targetCell_ < 0) return;
  MovePointer(TableOrigin() - 16 + 96 * (targetCell_ % 10), 128 * (targetCell_ / 10) - 32);
  SetButton(true);
}

int RoundBot::PlayUntil(const std::function<bool()>& done, int maxFrames) {
  for (int frame = 1; frame <= maxFrames; ++frame) {
    BeforeFrame();
    if (RoundFrame()) {
      ended_ = true;
      return frame;
    }
    if (done()) return frame;
  }
  return -1;
}

int RoundBot::PlayToEnd(int maxFrames) {
  return PlayUntil([] { return false; }, maxFrames);
}
