// Table drawing and card animation for the round. Everything here is in
// virtual units; the round's layout is a 640-unit column centred on the
// screen while the backdrop fills all of it. Cards, table art, hearts and
// markers are counted against sprite budget class 1; stripes and texts are not.
#include "game/table_drawing.h"

#include <cmath>
#include <string>

#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/shared_assets.h"
#include "game/board.h"
#include "game/card_round.h"
#include "game/decks.h"
#include "platform/platform.h"

BackdropDrift Backdrop;

namespace {

constexpr int kCardW = 96, kCardH = 128;
constexpr int kBackFrame = 23;        // deck cell of the card back
constexpr int kSpriteClass = 1;

// Real-to-integer conversions of the layout truncate toward zero.
int Trunc(double v) { return static_cast<int>(v); }

// Speeds bounce the weights between 0 and 1 with a fresh random pace.
void Bounce(double weight, double& speed) {
  if (weight < 0) speed = RndRange(0.5, 1);
  if (weight > 1) speed = -RndRange(0.5, 1);
}

// One step of a flip: face down from 181 through 360 to 0, face up from 1 to 180.
int StepAngle(int a) {
  if (a > 180) {
    a += 16;
    if (a > 360) a = 0;
  } else if (a > 0 && a < 180) {
    a += 16;
    if (a > 180) a = 180;
  }
  return a;
}

// Slides move back 12 units a frame and stop at 0.
int StepSlide(int s) {
  if (s > 0) return s > 12 ? s - 12 : 0;
  if (s < 0) return s < -12 ? s + 12 : 0;
  return 0;
}

}  // namespace

int TableOrigin() { return (VirtualWidth - 640) / 2; }

void ResetTableDrawing() { Backdrop = BackdropDrift{}; }

void StartBackdrop() {
  Backdrop = BackdropDrift{};
  Backdrop.sr = Rand(0, 1) == 0 ? -1 : 1;
  Backdrop.sg = Rand(0, 1) == 0 ? -1 : 1;
  Backdrop.sb = Rand(0, 1) == 0 ? -1 : 1;
}

void DrawBackdrop() {
  BackdropDrift& d = Backdrop;
  d.r += d.sr / 2000;
  d.b += d.sb / 2000;
  d.g += d.sg / 2000;
  Bounce(d.r, d.sr);
  Bounce(d.g, d.sg);
  Bounce(d.b, d.sb);

  ResetDrawState();
  DrawStripes({0, 0, 0}, {d.r, d.g, d.b});
}

void DrawTableArt() {
  ResetDrawState();
  SetScaleXY(1, 1);
  SetRotationDeg(0);
  DrawSpriteCounted(CurrentTableImage(), TableOrigin(), 0, 0, kSpriteClass);
}

BoardPassResult BoardPass() {
  BoardPassResult result;
  const int x0 = TableOrigin();
  const int deck = CurrentDeckImage();
  for (int X = 0; X < 10; ++X) {
    for (int Y = 0; Y < 10; ++Y) {
      const int cell = Y * 10 + X;
      if (CardValue[cell] <= 0) continue;
      int a = FlipAngle[cell];
      double c = std::fabs(Cos(static_cast<float>(a)));

      // Narrowed by the turn, untinted.
      SetScaleXY(static_cast<float>(c), 1);
      SetColourAlpha(255, 255, 255, 1);

      // The pointer test uses the card's cell, never its sliding position,
      // so a card still gliding back from a swap is picked where it belongs.
      if (MouseOver(Trunc(x0 - 16 + kCardW * X - 48 * c), kCardH * Y - 96, kCardW, kCardH)) {
        SetColourAlpha(180, 180, 255);
        result.hoverCell = cell;
        if (a > 0) result.hoverCell = -1;
      }

      // Face between 90 and 270 degrees, back otherwise; the helper puts the
      // image centre half the scaled width on, so the card narrows about its centre.
      int frame = (a >= 90 && a <= 270) ? CardValue[cell] - 1 : kBackFrame;
      DrawSpriteCounted(deck, Trunc(x0 - 16 + SlideX[cell] + kCardW * X - 48 * c),
                        kCardH * Y + SlideY[cell] - 96, frame, kSpriteClass);

      // The turn and the slide move on by a frame.
      int stepped = StepAngle(a);
      if (stepped != a) {
        FlipAngle[cell] = stepped;
        result.animating = true;
      }
      int sx = StepSlide(SlideX[cell]);
      int sy = StepSlide(SlideY[cell]);
      if (sx != SlideX[cell] || sy != SlideY[cell]) {
        SlideX[cell] = sx;
        SlideY[cell] = sy;
        result.animating = true;
      }
    }
  }
  SetScaleXY(1, 1);
  return result;
}

void DrawFocusFrame(int cell) {
  if (cell < 0 || cell >= 100) return;
  const int left = TableOrigin() - 16 + kCardW * (cell % 10) - kCardW / 2;
  const int top = kCardH * (cell / 10) - 96;
  // Outside in: a dark edge, a bright yellow band, a dark edge on the card
  // itself. Light and dark side by side read on a pale card and on a dark
  // table alike, also without colour.
  struct Band {
    int inset, width, r, g, b;
  };
  const Band bands[3] = {{-7, 2, 0, 0, 0}, {-5, 5, 255, 230, 40}, {0, 2, 0, 0, 0}};
  ResetDrawState();
  for (const Band& band : bands) {
    SetColourAlpha(band.r, band.g, band.b, 1);
    const float x = static_cast<float>(left + band.inset), y = static_cast<float>(top + band.inset);
    const float w = static_cast<float>(kCardW - 2 * band.inset), h = static_cast<float>(kCardH - 2 * band.inset);
    const float t = static_cast<float>(band.width);
    DrawRect(x, y, w, t);
    DrawRect(x, y + h - t, w, t);
    DrawRect(x, y + t, t, h - 2 * t);
    DrawRect(x + w - t, y + t, t, h - 2 * t);
  }
  ResetDrawState();
}

void MarkerPass() {
  const int deck = CurrentDeckImage();
  const int bottom = VirtualHeight + 256;
  ListPass(Markers, [&](const std::shared_ptr<icle>& m) {
    if (m->t == 2) m->y -= 12;
    if (m->t == 1) m->y += 12;
    SetScaleXY(1, std::fabs(Cos(static_cast<float>(m->rot))));
    m->rot += 5;
    // The marker spins about its horizontal axis; its top is lowered by the
    // half-height it lost so it stays on the card's centre line.
    double c = std::fabs(Cos(static_cast<float>(m->rot)));
    DrawSpriteCounted(deck, m->x - 48, Trunc(m->y + 64 - 64 * c), m->t + 20, kSpriteClass);
    if (m->y < -256 || m->y > bottom) ListRemove(Markers, m);
  });
}

std::string ComboText(int combo) { return Right("00000" + IntToString(combo), 5); }
std::string ScoreText(long long score) { return Right("00000000" + LongToString(score), 8); }

void DrawHud() {
  const int x0 = TableOrigin();
  ResetDrawState();
  SelectFont(2, 3);
  SetColourAlpha(255, 255, 255);
  DrawTextAligned(x0 + 10, 830, "Combo", kAlignStart, kAlignStart);
  DrawTextAligned(x0 + 10, 860, ComboText(Combo), kAlignStart, kAlignStart);
  DrawTextAligned(x0 + 150, 830, "Score", kAlignStart, kAlignStart);
  DrawTextAligned(x0 + 150, 860, ScoreText(Score), kAlignStart, kAlignStart);
  for (int i = 1; i <= Lives; ++i) {
    DrawSpriteCounted(HeartImage, x0 + 640 - 64 * i, 830, 0, kSpriteClass);
  }
}

void DrawGameOver() {
  // Present the frame once more so the caption lands on a completed picture.
  Flip(-1);
  SetImageFont(Fonts[kFontHuge]);
  const int cx = VirtualWidth / 2, cy = VirtualHeight / 2;
  const std::string caption = "Game Over";
  // A white outline, a dark inner band, a yellow face.
  for (int dx = -3; dx <= 3; ++dx) {
    for (int dy = -3; dy <= 3; ++dy) {
      ResetDrawState();
      SetColourAlpha(255, 255, 255);
      DrawTextAligned(cx + dx, cy + dy, caption, kAlignCentre, kAlignCentre);
    }
  }
  for (int dx = -2; dx <= 2; ++dx) {
    for (int dy = -2; dy <= 2; ++dy) {
      ResetDrawState();
      SetColourAlpha(8, 8, 8);
      DrawTextAligned(cx + dx, cy + dy, caption, kAlignCentre, kAlignCentre);
    }
  }
  ResetDrawState();
  SetColourAlpha(255, 255, 0);
  DrawTextAligned(cx, cy, caption, kAlignCentre, kAlignCentre);
  Flip(-1);
}
