// The statistics overlay: what the frame routine measured, drawn over the
// screen while F12 has it shown.
#include "framework/statistics.h"

#include <string>

#include "framework/draw_helpers.h"
#include "framework/frame_flip.h"
#include "framework/shared_assets.h"
#include "platform/platform.h"

namespace {

// Drawn at scale 1.5, shrunk where a font's lines would touch: the figure
// has 38 units above the first line, the lines 20 units each.
float RateScale() { return LineFitScale(38, 1.5f); }

}  // namespace

void DrawStatistics() {
  SetScaleXY(RateScale());
  DrawTextAligned(2, 2, std::to_string(ShownFps), kAlignStart, kAlignStart);
  SetImageFont(Fonts[kFontSmall]);
  SetScaleXY(LineFitScale(20, 1.5f));
  DrawTextAligned(2, 40, "Collection : " + std::to_string(GcCollected), kAlignStart, kAlignStart);
  DrawTextAligned(2, 60, "Used Memory : " + std::to_string(GCMemAlloced()), kAlignStart, kAlignStart);
  DrawTextAligned(2, 80, "Drawn Images : " + std::to_string(SpriteDrawn[1]) + "/" + std::to_string(SpriteBudget[1]), kAlignStart, kAlignStart);
  DrawTextAligned(2, 100, "Drawn Glow : " + std::to_string(SpriteDrawn[2]) + "/" + std::to_string(SpriteBudget[2]), kAlignStart, kAlignStart);
  DrawTextAligned(2, 120, "Drawn Particles : " + std::to_string(SpriteDrawn[3]) + "/" + std::to_string(SpriteBudget[3]), kAlignStart, kAlignStart);
  DrawTextAligned(2, 150, "Hit F12 to remove this", kAlignStart, kAlignStart);
  SetScaleXY(1.5f, 1.5f);
}

int StatisticsRateRight() {
  if (DebugOverlay != 1) return 0;
  const int font = GetImageFont();
  SetImageFont(Fonts[kFontFigures]);
  // The widest the figure gets, so that the text beside it keeps still.
  const int right = 2 + static_cast<int>(TextWidth("888") * RateScale() + 0.999f);
  SetImageFont(font);
  return right;
}
