// The high-score panel at the right edge of the title screen: ranking of the
// shown difficulty, the history graph with hover and click choice, scrolling
// by hovering, trimming of old records, the best list, the thank-you notice
// and the details box. Also the score popups that FlipFrame draws over every
// screen.
#include "game/score_panel.h"

#include <cstdint>
#include <string>

#include "framework/clock.h"
#include "framework/display_setup.h"
#include "framework/draw_helpers.h"
#include "framework/shared_assets.h"
#include "framework/startup.h"
#include "framework/icon_frames.h"
#include "game/card_round.h"

// Start values: ResetScorePanel. The frame watcher is its installer's.
std::array<std::shared_ptr<Scores>, 26> TopScores;
int PanelScroll;
int PanelChoice;
std::shared_ptr<Scores> PanelShown;
RecordList<ore> PopupList;
void (*FrameWatcher)() = nullptr;

namespace {

constexpr int kRankSlots = 25;      // TopScores slots 1..25
constexpr int kListedRows = 16;     // rows of the best list
constexpr int kKeptNewest = 50;     // history kept whatever the score
constexpr int kScrollMax = 1000;    // pixels
constexpr int kScrollStep = 8;      // pixels per frame of hovering
constexpr int kGraphHeight = 150;   // pixels from the baseline to the top score
constexpr int kColumnStep = 18;     // pixels between history columns
constexpr int kPopupFrames = 120;

const char* const kMakerAddress = "www.quillmar.example/games";

bool Matches(const Scores& r, int difficulty, int level, int flags) {
  return r.Level == level && r.GameMode == difficulty && r.GameFlags == flags;
}

bool Ranked(const std::shared_ptr<Scores>& r) {
  for (int k = 1; k <= kRankSlots; ++k) {
    if (TopScores[k] == r) return true;
  }
  return false;
}

// Height of a column in pixels. Stored scores come from a text file and may be
// anything a 64-bit number holds; the product is worked out in 128 bits so a
// huge score can't overflow, and the result is held to what the drawing can use.
int ColumnHeight(int64_t score, int64_t best) {
  __int128 q = static_cast<__int128>(score) * kGraphHeight / best;
  if (q > 100000) q = 100000;
  if (q < -100000) q = -100000;
  return static_cast<int>(q);
}

// The best 25 of the matching records, best first; among equal scores
// the newer one (met first, the list being newest first) stays above.
int64_t RankScores(int difficulty, int level, int flags) {
  for (auto& slot : TopScores) slot.reset();
  int64_t topBest = 0;
  for (const auto& r : ScoreList) {
    if (!Matches(*r, difficulty, level, flags)) continue;
    if (r->Score > topBest) topBest = r->Score;
    int place = 0;
    for (int k = 1; k <= kRankSlots; ++k) {
      if (TopScores[k] && TopScores[k]->Score < r->Score) { place = k; break; }
    }
    if (place == 0) {
      for (int k = 1; k <= kRankSlots; ++k) {
        if (!TopScores[k]) { place = k; break; }
      }
    }
    if (place == 0) continue;
    for (int k = kRankSlots; k > place; --k) TopScores[k] = TopScores[k - 1];
    TopScores[place] = r;
  }
  return topBest == 0 ? 1 : topBest;
}

void DrawFrame(int W, int H, int s) {
  SetScaleXY(1, 1);
  ResetDrawState();
  SetColourAlpha(0, 0, 0, 0.6);
  DrawRect(static_cast<float>(W - 8 - s), static_cast<float>(H - 432), 322, 422);
  SetColourAlpha(0, 0, 80);
  DrawLine(static_cast<float>(W - 8 - s), static_cast<float>(H - 160), static_cast<float>(W - 8),
           static_cast<float>(H - 160));
}

// One column per matching record, newest at the right; trims records
// beyond the 50th newest that are not among the best 25.
void DrawHistory(int W, int H, int s, int64_t topBest, int difficulty, int level, int flags) {
  PanelShown.reset();
  int gx = W + 306 - s + PanelScroll;
  int n = 0;
  bool havePrevious = false;
  int prevX = 0, prevY = 0;
  // The pass removes through the position it is visiting: a search for the
  // record from the head of the list each time would make trimming a large
  // file quadratic.
  for (auto it = ScoreList.begin(); it != ScoreList.end();) {
    const std::shared_ptr<Scores> r = *it;
    if (!Matches(*r, difficulty, level, flags)) {
      ++it;
      continue;
    }
    ++n;
    if (n == PanelChoice && !PanelShown) PanelShown = r;
    if (gx > W - 14 - s) {
      int q = ColumnHeight(r->Score, topBest);
      int y = H - 10 - q;
      // Each column is drawn opaque, so its look does not depend on the
      // alpha the column before it left behind.
      SetColourAlpha(255 - q, 255, 80, 1);
      DrawSpriteCounted(IconSheet, gx - 8, y - 8, icon::kGraphPoint, 1);
      SetColourAlpha(255, 80 + q, 80, 1);
      if (havePrevious) {
        DrawLine(static_cast<float>(gx), static_cast<float>(y), static_cast<float>(prevX),
                 static_cast<float>(prevY));
      }
      SetColourAlpha(0, 0, 0, 0.3);
      DrawLine(static_cast<float>(gx - 9), static_cast<float>(H - 160), static_cast<float>(gx - 9),
               static_cast<float>(H - 11));
      havePrevious = true;
      prevX = gx;
      prevY = y;
      if (MouseOver(gx - 9, H - 160, 19, kGraphHeight)) {
        PanelShown = r;
        if (MouseDown(1)) PanelChoice = n;
      }
      if (PanelShown == r) {
        SetColourAlpha(255, 255, 255, 0.3);
        DrawRect(static_cast<float>(gx - 9), static_cast<float>(H - 160), 19, kGraphHeight);
      }
      gx -= kColumnStep;
    }
    if (n > kKeptNewest && !Ranked(r)) {
      it = ScoreList.erase(it);
    } else {
      ++it;
    }
    if (PanelShown == r && MouseDown(1)) PanelChoice = n;
  }
}

// Hovering at the left end shows older rounds, at the right end newer.
void ScrollByHovering(int W, int H, int s) {
  if (MouseOver(W - 12 - s, H - 160, 32, kGraphHeight) && PanelScroll < kScrollMax) {
    PanelScroll += kScrollStep;
  }
  if (MouseOver(W + 270 - s, H - 160, 62, kGraphHeight) && PanelScroll > 0) {
    PanelScroll -= kScrollStep;
  }
}

// The best list, names and scores of the best 16; returns the number of rows drawn.
int DrawBestList(int W, int H, int s) {
  SetImageFont(Fonts[kFontNotice]);
  // Rows 17 apart: the font shrinks on narrow displays until they part.
  const float scale = LineFitScale(17);
  int rows = 0;
  for (int k = 1; k <= kListedRows; ++k) {
    const auto& r = TopScores[k];
    if (!r) continue;
    ++rows;
    int y = H - 436 + 17 * (k - 1);
    if (PanelChoice == 1000 + k && !PanelShown) PanelShown = r;
    SetColourAlpha(255, 255, 255, 1);
    if (MouseOver(W - 6 - s, y, 320, 18)) {
      PanelShown = r;
      if (MouseDown(1)) PanelChoice = 1000 + k;
    }
    SetScaleXY(scale);
    DrawTextAlignedScaled(W - 6 - s, y, Left(r->Name, 24), kAlignStart, kAlignStart);
    DrawTextAlignedScaled(W + 314 - s, y, Right("000000000000" + LongToString(r->Score), 12), kAlignEnd, kAlignStart);
    SetScaleXY(1);
    if (PanelShown == r) {
      SetColourAlpha(255, 255, 255, 0.3);
      DrawRect(static_cast<float>(W - 6 - s), static_cast<float>(y), 320, 17);
    }
  }
  return rows;
}

void DrawThanks(int W, int s) {
  if (Clock() % 10000 > 5000) {
    SetColourAlpha(0, 0, 110, 0.7);
  } else {
    SetColourAlpha(0, 0, 80, 0.6);
  }
  DrawRect(static_cast<float>(W - 12 - s), 0, 330, 200);
  SetImageFont(Fonts[kFontFigures]);
  int x = W - 10 - (s + 2) / 2;
  struct Line {
    int y, r, g, b;
    std::string text;
  };
  const Line lines[] = {
      {20, 255, 255, 0, "You've been enjoying"},
      {38, 255, 255, 0, GameTitle},
      {56, 255, 255, 0, GameSubtitle},
      {90, 255, 128, 0, "Why not thank Quillmar"},
      {108, 255, 128, 0, "for making yet another"},
      {126, 255, 128, 0, "free downloadable game!"},
      {165, 0, 128, 255, kMakerAddress},
  };
  // Lines 18 apart inside a 330-wide box: the font shrinks until they part
  // and each line fits the box.
  const float scale = LineFitScale(18);
  for (const auto& line : lines) {
    SetColourAlpha(line.r, line.g, line.b, 1);
    SetScaleXY(WidthFitScale(line.text, 320, scale));
    DrawTextAlignedScaled(x, line.y, line.text, kAlignCentre, kAlignCentre);
  }
  SetScaleXY(1);
}

void DrawDetails(int W, int H, int s) {
  const Scores& r = *PanelShown;
  LastScore = PanelShown;
  SetColourAlpha(255, 255, 255, 0.6);
  DrawRect(static_cast<float>(W - 12 - s), static_cast<float>(H - 576), 330, 140);
  SetImageFont(Fonts[kFontFigures]);
  SetColourAlpha(80, 80, 0, 1);
  DrawTextAligned(W - 6 - s, H - 572, r.Name, kAlignStart, kAlignStart);
  SetColourAlpha(0, 0, 80, 1);
  DrawTextAligned(W + 314 - s, H - 551, LongToString(r.Score), kAlignEnd, kAlignStart);
  if (r.Best[30] == 1) {
    SetImageFont(Fonts[kFontPanel]);
    SetColourAlpha(0, 80, 0, 1);
    DrawTextAligned(W - 6 - s, H - 526, "Complete!", kAlignStart, kAlignCentre);
  }
  SetImageFont(Fonts[kFontNotice]);
  SetColourAlpha(0, 0, 0, 1);
  DrawTextAligned(W - 6 - s, H - 440, TimestampDate(r.Timestamp) + ", " + TimestampTime(r.Timestamp), kAlignStart, kAlignEnd);
  SetScaleXY(0.28f, 0.28f);
  SetColourAlpha(255, 255, 255, 1);
  for (int k = 1; k <= BadgeCount; ++k) {
    if (GetBit(r.Badges, k) == 1) {
      DrawSpriteCounted(BadgeSheet, W - 4 - s + 20 * (k - 1), H - 486, k - 1, 1);
    }
  }
  SetScaleXY(1, 1);
}

}  // namespace

void ResetScorePanel() {
  for (auto& slot : TopScores) slot.reset();
  PanelScroll = 0;
  PanelChoice = 0;
  PanelShown.reset();
  ClearList(PopupList);
}

void DrawScorePanel(int slide, int difficulty, int level, int flags) {
  const int W = VirtualWidth;
  const int H = VirtualHeight;
  const int s = slide;

  int64_t topBest = RankScores(difficulty, level, flags);
  DrawFrame(W, H, s);
  DrawHistory(W, H, s, topBest, difficulty, level, flags);
  ScrollByHovering(W, H, s);
  int rows = DrawBestList(W, H, s);
  if (rows > 10) DrawThanks(W, s);
  if (PanelShown) DrawDetails(W, H, s);
}

void AddPopup(int n, float x, float y, int r, int g, int b) {
  Score += n;
  auto popup = std::make_shared<ore>();
  popup->n = n;
  popup->x = x;
  popup->y = y;
  popup->t = kPopupFrames;
  popup->r = r;
  popup->g = g;
  popup->b = b;
  ListAddLast(PopupList, popup);
}

void DrawPopups() {
  SetImageFont(Fonts[kFontNotice]);
  ResetDrawState();
  ListPass(PopupList, [](const std::shared_ptr<ore>& o) {
    o->t -= 1;
    o->y -= 0.25f;
    SetColourAlpha(o->r, o->g, o->b, static_cast<double>(o->t) / kPopupFrames);
    DrawTextAligned(static_cast<int>(o->x), static_cast<int>(o->y), IntToString(o->n), kAlignCentre, kAlignCentre);
    if (o->t <= 0) ListRemove(PopupList, o);
  });
  if (FrameWatcher) FrameWatcher();
}
