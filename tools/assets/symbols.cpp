// Pictogram outlines: simple bold silhouettes that stay recognisable when a
// card narrows to a sliver while it turns.
#include "symbols.h"

#include <cmath>

#include "canvas.h"

namespace {

void HeartPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  cairo_move_to(cr, cx, cy + h * 0.95);
  cairo_curve_to(cr, cx - h * 0.25, cy + h * 0.65, cx - h * 1.0, cy + h * 0.2, cx - h * 0.98, cy - h * 0.35);
  cairo_curve_to(cr, cx - h * 0.95, cy - h * 0.95, cx - h * 0.2, cy - h * 1.05, cx, cy - h * 0.5);
  cairo_curve_to(cr, cx + h * 0.2, cy - h * 1.05, cx + h * 0.95, cy - h * 0.95, cx + h * 0.98, cy - h * 0.35);
  cairo_curve_to(cr, cx + h * 1.0, cy + h * 0.2, cx + h * 0.25, cy + h * 0.65, cx, cy + h * 0.95);
  cairo_close_path(cr);
}

void StemPath(cairo_t* cr, double cx, double cy, double h) {
  cairo_move_to(cr, cx - h * 0.1, cy + h * 0.25);
  cairo_curve_to(cr, cx - h * 0.12, cy + h * 0.6, cx - h * 0.25, cy + h * 0.85, cx - h * 0.42, cy + h * 0.95);
  cairo_line_to(cr, cx + h * 0.42, cy + h * 0.95);
  cairo_curve_to(cr, cx + h * 0.25, cy + h * 0.85, cx + h * 0.12, cy + h * 0.6, cx + h * 0.1, cy + h * 0.25);
  cairo_close_path(cr);
}

void SpadePath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  cairo_move_to(cr, cx, cy - h * 0.98);
  cairo_curve_to(cr, cx + h * 0.3, cy - h * 0.55, cx + h * 1.0, cy - h * 0.2, cx + h * 0.95, cy + h * 0.25);
  cairo_curve_to(cr, cx + h * 0.9, cy + h * 0.7, cx + h * 0.3, cy + h * 0.75, cx, cy + h * 0.35);
  cairo_curve_to(cr, cx - h * 0.3, cy + h * 0.75, cx - h * 0.9, cy + h * 0.7, cx - h * 0.95, cy + h * 0.25);
  cairo_curve_to(cr, cx - h * 1.0, cy - h * 0.2, cx - h * 0.3, cy - h * 0.55, cx, cy - h * 0.98);
  cairo_close_path(cr);
  StemPath(cr, cx, cy, h);
}

void ClubPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5, r = h * 0.38;
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy - h * 0.52, r, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx - h * 0.5, cy + h * 0.08, r, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx + h * 0.5, cy + h * 0.08, r, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy - h * 0.1, r * 0.6, 0, 2 * M_PI);
  StemPath(cr, cx, cy, h);
}

void MoonPath(cairo_t* cr, double cx, double cy, double s) {
  double r = s * 0.48;
  // The crescent is the big disc minus an offset smaller disc, traced as one
  // outline: out along the big circle, back along the small one.
  double dx = r * 0.55, r2 = r * 0.85;
  // Intersection angles of the circles |p| = r and |p - (dx, -r*0.2)| = r2.
  double ox = dx, oy = -r * 0.2, d = std::hypot(ox, oy);
  double base = std::atan2(oy, ox);
  double alpha = std::acos((r * r + d * d - r2 * r2) / (2 * r * d));
  double beta = std::acos((r2 * r2 + d * d - r * r) / (2 * r2 * d));
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, r, base + alpha, base - alpha + 2 * M_PI);
  cairo_arc_negative(cr, cx + ox, cy + oy, r2, base + M_PI + beta, base + M_PI - beta);
  cairo_close_path(cr);
}

void BoltPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  const double pts[][2] = {{0.1, -1.0}, {-0.7, 0.18}, {-0.08, 0.18}, {-0.35, 1.0},
                           {0.72, -0.25}, {0.1, -0.25}, {0.55, -1.0}};
  cairo_new_sub_path(cr);
  for (auto& p : pts) cairo_line_to(cr, cx + p[0] * h, cy + p[1] * h);
  cairo_close_path(cr);
}

void DropPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  cairo_move_to(cr, cx, cy - h);
  cairo_curve_to(cr, cx + h * 0.35, cy - h * 0.4, cx + h * 0.72, cy + h * 0.05, cx + h * 0.72, cy + h * 0.35);
  cairo_curve_to(cr, cx + h * 0.72, cy + h * 0.78, cx + h * 0.38, cy + h, cx, cy + h);
  cairo_curve_to(cr, cx - h * 0.38, cy + h, cx - h * 0.72, cy + h * 0.78, cx - h * 0.72, cy + h * 0.35);
  cairo_curve_to(cr, cx - h * 0.72, cy + h * 0.05, cx - h * 0.35, cy - h * 0.4, cx, cy - h);
  cairo_close_path(cr);
}

void FlowerPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  for (int i = 0; i < 5; ++i) {
    double a = (-90 + 72 * i) * M_PI / 180;
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx + std::cos(a) * h * 0.52, cy + std::sin(a) * h * 0.52, h * 0.43, 0, 2 * M_PI);
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, h * 0.3, 0, 2 * M_PI);
}

void CrownPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  const double pts[][2] = {{-0.95, 0.7}, {-0.95, -0.55}, {-0.5, -0.05}, {0, -0.85},
                           {0.5, -0.05}, {0.95, -0.55}, {0.95, 0.7}};
  cairo_new_sub_path(cr);
  for (auto& p : pts) cairo_line_to(cr, cx + p[0] * h, cy + p[1] * h);
  cairo_close_path(cr);
}

void SunPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, h * 0.52, 0, 2 * M_PI);
  for (int i = 0; i < 8; ++i) {
    double a = (i * 45) * M_PI / 180, w = 0.16;
    cairo_new_sub_path(cr);
    cairo_move_to(cr, cx + std::cos(a) * h, cy + std::sin(a) * h);
    cairo_line_to(cr, cx + std::cos(a + w) * h * 0.64, cy + std::sin(a + w) * h * 0.64);
    cairo_line_to(cr, cx + std::cos(a - w) * h * 0.64, cy + std::sin(a - w) * h * 0.64);
    cairo_close_path(cr);
  }
}

void CloudPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx - h * 0.45, cy + h * 0.12, h * 0.38, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx + h * 0.05, cy - h * 0.18, h * 0.5, 0, 2 * M_PI);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx + h * 0.55, cy + h * 0.15, h * 0.35, 0, 2 * M_PI);
  RoundedRect(cr, cx - h * 0.85, cy + h * 0.05, h * 1.75, h * 0.45, h * 0.22);
}

void ArrowPath(cairo_t* cr, double cx, double cy, double s) {
  double h = s * 0.5;
  const double pts[][2] = {{0, -1}, {0.85, -0.1}, {0.32, -0.1}, {0.32, 0.95},
                           {-0.32, 0.95}, {-0.32, -0.1}, {-0.85, -0.1}};
  cairo_new_sub_path(cr);
  for (auto& p : pts) cairo_line_to(cr, cx + p[0] * h, cy + p[1] * h);
  cairo_close_path(cr);
}

}  // namespace

void SymbolPath(cairo_t* cr, int symbol, double cx, double cy, double size) {
  double h = size * 0.5;
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  switch (symbol) {
    case kCircle:
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, cy, h * 0.9, 0, 2 * M_PI);
      break;
    case kSquare: RoundedRect(cr, cx - h * 0.8, cy - h * 0.8, h * 1.6, h * 1.6, h * 0.18); break;
    case kTriangle: PolygonPath(cr, cx, cy + h * 0.15, 3, h * 1.05, -90); break;
    case kDiamond:
      cairo_new_sub_path(cr);
      cairo_move_to(cr, cx, cy - h);
      cairo_line_to(cr, cx + h * 0.68, cy);
      cairo_line_to(cr, cx, cy + h);
      cairo_line_to(cr, cx - h * 0.68, cy);
      cairo_close_path(cr);
      break;
    case kStar: StarPath(cr, cx, cy + h * 0.06, 5, h * 1.0, h * 0.42); break;
    case kHeart: HeartPath(cr, cx, cy, size); break;
    case kSpade: SpadePath(cr, cx, cy, size); break;
    case kClub: ClubPath(cr, cx, cy, size); break;
    case kPlus: {
      double t = h * 0.32;
      cairo_new_sub_path(cr);
      const double pts[][2] = {{-t, -h}, {t, -h}, {t, -t}, {h, -t}, {h, t}, {t, t},
                               {t, h}, {-t, h}, {-t, t}, {-h, t}, {-h, -t}, {-t, -t}};
      for (auto& p : pts) cairo_line_to(cr, cx + p[0] * 0.9, cy + p[1] * 0.9);
      cairo_close_path(cr);
      break;
    }
    case kMoon: MoonPath(cr, cx, cy, size); break;
    case kHexagon: PolygonPath(cr, cx, cy, 6, h * 0.95, 0); break;
    case kRing:
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, cy, h * 0.9, 0, 2 * M_PI);
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, cy, h * 0.45, 0, 2 * M_PI);
      break;
    case kArrow: ArrowPath(cr, cx, cy, size); break;
    case kBolt: BoltPath(cr, cx, cy, size); break;
    case kDrop: DropPath(cr, cx, cy, size); break;
    case kFlower: FlowerPath(cr, cx, cy, size); break;
    case kCrown: CrownPath(cr, cx, cy, size); break;
    case kSun: SunPath(cr, cx, cy, size); break;
    case kOctagon: PolygonPath(cr, cx, cy, 8, h * 0.95, 22.5); break;
    case kSparkle: StarPath(cr, cx, cy, 4, h * 1.0, h * 0.28); break;
    default: CloudPath(cr, cx, cy, size); break;
  }
}

const char* SymbolName(int symbol) {
  static const char* names[kSymbolCount] = {"circle", "square", "triangle", "diamond", "star",
                                            "heart", "spade", "club", "plus", "moon", "hexagon",
                                            "ring", "arrow", "bolt", "drop", "flower", "crown",
                                            "sun", "octagon", "sparkle", "cloud"};
  return (symbol >= 0 && symbol < kSymbolCount) ? names[symbol] : "?";
}
