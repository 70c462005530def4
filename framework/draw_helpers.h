// Drawing helpers over the platform: a known drawing state, top-left sprite
// placement under scale, per-frame sprite budgets and frameskip gating.
#pragma once

#include <array>
#include <string>

// Slot 1 main, 2 glow, 3 particles: written by the engine test on every
// display set-up, held until the next.
extern std::array<int, 20> SpriteBudget;
// Per frame: counted by DrawSpriteCounted, slots 1..10 zeroed by BeginFrame
// (the settings panel zeroes 1 and 2 again for its sheet).
extern std::array<int, 20> SpriteDrawn;

void ResetDrawHelpers();
bool IsDrawingFrame();                    // frameskip off, or on with SkipPhase 0
void BeginFrame(int clear);
void ResetDrawState();
void SetColourAlpha(double r, double g, double b);
void SetColourAlpha(double r, double g, double b, double alpha);
void SetScaleXY(float x);
void SetScaleXY(float x, float y);
void SetRotationDeg(float angle);
// Text alignment, the same numbers across and down: a text's left (top) edge,
// its centre, or its right (bottom) edge at the given point.
enum TextAlign : int { kAlignStart = 0, kAlignCentre = 1, kAlignEnd = 2 };
void DrawTextAligned(int x, int y, const std::string& text, int alignX, int alignY);
// As DrawTextAligned, but aligned by the text's size at the current scale.
void DrawTextAlignedScaled(int x, int y, const std::string& text, int alignX, int alignY);
// The largest scale, up to `most`, at which lines of the current font set
// `pitch` units apart do not touch: a line's glyphs, accents and capitals
// to descenders, take up to nineteen twentieths of the font's line height.
float LineFitScale(int pitch, float most = 1.0f);
// The largest scale, up to `most`, at which the text is at most `width` wide.
float WidthFitScale(const std::string& text, int width, float most = 1.0f);
void DrawSpriteCounted(int image, int x, int y, int frame, int slot);
void DrawGlowSprite(int image, int x, int y, int frame, int glowImage, float glowScale, float glowAlpha);
double ClampFloat(double value, double low, double high);
bool MouseOver(int x, int y, int width, int height);

// The striped backdrop of the splash, the engine test, the title screen, the
// table and name entry: stripes at -45 degrees over the whole drawing space,
// one every 10 rows, whose shade starts at 50.5 and deepens by 0.5 per
// stripe. Each stripe's colour is base + shade x perShade (red, green, blue).
// Leaves the rotation set and the colour of the last stripe.
void DrawStripes(const std::array<double, 3>& base, const std::array<double, 3>& perShade);
