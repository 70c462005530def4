// A small player for the round: it reads the board and the turn state and
// pushes pointer and button events through the headless host, the way a
// player's mouse would reach the game. It can be told to make mistakes.
#pragma once

#include <functional>
#include <random>

class RoundBot {
 public:
  // mistakeChance: the chance that a pick goes to a wrong face-down card.
  RoundBot(double mistakeChance, unsigned seed) : mistake_(mistakeChance), rng_(seed) {}

  // Call before every RoundFrame: aims at the card to pick and holds the
  // button while picking, lets go and moves off the table otherwise.
  void BeforeFrame();

  // Plays frames until done() holds after a frame or the round ends.
  // Returns the number of frames played; -1 when maxFrames ran out.
  int PlayUntil(const std::function<bool()>& done, int maxFrames);
  // Plays to the end of the round (RoundFrame returning true).
  int PlayToEnd(int maxFrames);

  bool ended() const { return ended_; }
  int wrongPicks() const { return wrongPicks_; }

 private:
  void MovePointer(int vx, int vy);
  void SetButton(bool down);
  int ChooseTarget();

  double mistake_;
  std::mt19937 rng_;
  bool buttonDown_ = false;
  int pointerX_ = -1, pointerY_ = -1;
  int targetCell_ = -1;
  int targetForPick_ = -1;   // pick number the target was chosen for
  int wrongPicks_ = 0;
  bool ended_ = false;
};
