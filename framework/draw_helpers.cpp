// Drawing helpers: a known drawing state, sprites placed by their top-left
// corner although every image has its handle at its centre, and per-frame
// sprite budgets with frameskip gating.
#include "framework/draw_helpers.h"

#include <algorithm>
#include <cmath>

#include "framework/display_setup.h"
#include "framework/frame_samples.h"
#include "framework/setup_file.h"
#include "platform/platform.h"

std::array<int, 20> SpriteBudget;
std::array<int, 20> SpriteDrawn;

void ResetDrawHelpers() {
  SpriteBudget.fill(0);
  SpriteBudget[1] = 50000;
  SpriteBudget[2] = 50000;
  SpriteDrawn.fill(0);
}

bool IsDrawingFrame() { return Setup[kSetupFrameskip] == 0 || (Setup[kSetupFrameskip] == 1 && SkipPhase == 0); }

void BeginFrame(int clear) {
  if (clear == 1) Cls();
  for (int i = 1; i <= 10; ++i) SpriteDrawn[i] = 0;
}

void ResetDrawState() {
  SetRotation(0);
  SetScale(1, 1);
  SetColor(255, 255, 255);
  SetAlpha(1);
  SetBlend(kBlendAlpha);
}

double ClampFloat(double value, double low, double high) {
  // NaN fails both comparisons; it is taken as the lower bound.
  if (std::isnan(value)) return low;
  if (value > high) value = high;
  if (value < low) value = low;
  return value;
}

void SetColourAlpha(double r, double g, double b) {
  SetColor(static_cast<int>(ClampFloat(r, 0, 255)), static_cast<int>(ClampFloat(g, 0, 255)),
           static_cast<int>(ClampFloat(b, 0, 255)));
}

void SetColourAlpha(double r, double g, double b, double alpha) {
  SetColourAlpha(r, g, b);
  SetAlpha(static_cast<float>(ClampFloat(alpha, 0, 1)));
}

void SetScaleXY(float x) { SetScale(x, x); }
void SetScaleXY(float x, float y) { SetScale(x, y); }
void SetRotationDeg(float angle) { SetRotation(angle); }

namespace {
// Draws a text of w by h so that the point (x, y) sits at its aligned edge.
void DrawTextAt(int x, int y, int w, int h, const std::string& text, int alignX, int alignY) {
  if (alignX == kAlignCentre) x -= w / 2;
  if (alignX == kAlignEnd) x -= w;
  if (alignY == kAlignCentre) y -= h / 2;
  if (alignY == kAlignEnd) y -= h;
  DrawText(text, static_cast<float>(x), static_cast<float>(y));
}
}  // namespace

void DrawTextAligned(int x, int y, const std::string& text, int alignX, int alignY) {
  DrawTextAt(x, y, TextWidth(text), TextHeight(text), text, alignX, alignY);
}

void DrawTextAlignedScaled(int x, int y, const std::string& text, int alignX, int alignY) {
  float sx = 1, sy = 1;
  GetScale(sx, sy);
  DrawTextAt(x, y, static_cast<int>(TextWidth(text) * sx), static_cast<int>(TextHeight(text) * sy), text, alignX,
             alignY);
}

float LineFitScale(int pitch, float most) {
  int h = TextHeight("");
  if (h <= 0) return most;
  return std::min(most, pitch * 20.0f / (19.0f * h));
}

float WidthFitScale(const std::string& text, int width, float most) {
  int w = TextWidth(text);
  if (w <= 0) return most;
  return std::min(most, static_cast<float>(width) / w);
}

namespace {

// The image's handle is its centre: the top-left corner lands on (x, y) when
// the centre is drawn half the scaled size further on.
void DrawAtTopLeft(int image, int x, int y, int frame, float sx, float sy) {
  DrawImage(image, x + ImageWidth(image) * sx / 2.0f, y + ImageHeight(image) * sy / 2.0f, frame);
}

}  // namespace

void DrawSpriteCounted(int image, int x, int y, int frame, int slot) {
  if (!IsDrawingFrame()) return;
  if (slot < 0 || slot >= static_cast<int>(SpriteDrawn.size())) return;
  float sx = 1, sy = 1;
  GetScale(sx, sy);
  if (SpriteDrawn[slot] < SpriteBudget[slot]) {
    ++SpriteDrawn[slot];
    DrawAtTopLeft(image, x, y, frame, sx, sy);
  }
}

void DrawGlowSprite(int image, int x, int y, int frame, int glowImage, float glowScale, float glowAlpha) {
  if (!IsDrawingFrame()) return;
  float sx = 1, sy = 1;
  GetScale(sx, sy);
  float alpha = GetAlpha();
  const BlendMode blend = GetBlend();

  float cx = x + ImageWidth(image) * sx / 2.0f;
  float cy = y + ImageHeight(image) * sy / 2.0f;
  if (SpriteDrawn[1] < SpriteBudget[1]) {
    ++SpriteDrawn[1];
    DrawImage(image, cx, cy, frame);
  }

  SetScale(glowScale * sx, glowScale * sy);
  SetAlpha(alpha * glowAlpha);
  SetBlend(kBlendLight);
  if (SpriteDrawn[2] < SpriteBudget[2]) {
    ++SpriteDrawn[2];
    DrawImage(glowImage != 0 ? glowImage : image, cx, cy, frame);
  }

  SetScale(sx, sy);
  SetAlpha(alpha);
  SetBlend(blend);
}

bool MouseOver(int x, int y, int width, int height) {
  return MouseXNow > x && MouseYNow > y && MouseXNow < x + width && MouseYNow < y + height;
}

void DrawStripes(const std::array<double, 3>& base, const std::array<double, 3>& perShade) {
  SetRotationDeg(-45);
  double shade = 50.0;
  // The stripes run up to the right from the left edge, so the last one
  // must pass the bottom right corner: a display's shapes (up to 16:9) need
  // none beyond the space's height, a page wider than about 2:1 more.
  int last = VirtualHeight;
  while (3 * last - 150 < VirtualWidth + VirtualHeight) last += 10;
  for (int y = 0; y <= last; y += 10) {
    shade += 0.5;
    SetColourAlpha(base[0] + shade * perShade[0], base[1] + shade * perShade[1], base[2] + shade * perShade[2]);
    DrawRect(-100, static_cast<float>(3 * y), static_cast<float>(VirtualWidth + 1800), 30);
  }
}
