#include "strokes.h"

#include <map>

#include "dmath.h"

namespace mkassets {
namespace {

using P = Point2;

std::map<char, std::vector<Polyline>> MakeFont() {
  std::map<char, std::vector<Polyline>> f;
  const Polyline ring = {{1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {1, 6}, {0, 5}, {0, 1}, {1, 0}};
  f['0'] = {ring, {{1, 4.5}, {3, 1.5}}};
  f['1'] = {{{0.8, 1.2}, {2, 0}, {2, 6}}, {{0.8, 6}, {3.2, 6}}};
  f['2'] = {{{0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 2.2}, {0, 6}, {4, 6}}};
  f['3'] = {
      {{0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {4, 4}, {4, 5}, {3, 6}, {1, 6}, {0, 5}},
      {{1.4, 3}, {3, 3}}};
  f['4'] = {{{3, 6}, {3, 0}, {0, 4}, {4, 4}}};
  f['5'] = {{{4, 0}, {0, 0}, {0, 3}, {3, 3}, {4, 4}, {4, 5}, {3, 6}, {0, 6}}};
  f['6'] = {{{3.5, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 4}, {3, 3}, {0, 3}}};
  f['7'] = {{{0, 0}, {4, 0}, {4, 1}, {1.6, 6}}};
  f['8'] = {{{1, 3},
             {0, 2},
             {0, 1},
             {1, 0},
             {3, 0},
             {4, 1},
             {4, 2},
             {3, 3},
             {1, 3},
             {0, 4},
             {0, 5},
             {1, 6},
             {3, 6},
             {4, 5},
             {4, 4},
             {3, 3}}};
  f['9'] = {{{4, 3}, {1, 3}, {0, 2}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {0.5, 6}}};
  f['A'] = {{{0, 6}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 6}}, {{0, 3.5}, {4, 3.5}}};
  f['B'] = {
      {{0, 3}, {3, 3}, {4, 2}, {4, 1}, {3, 0}, {0, 0}, {0, 6}, {3, 6}, {4, 5}, {4, 4}, {3, 3}}};
  f['C'] = {{{4, 1}, {3, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}}};
  f['E'] = {{{4, 0}, {0, 0}, {0, 6}, {4, 6}}, {{0, 3}, {3, 3}}};
  f['G'] = {{{4, 1}, {3, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 3.5}, {2.2, 3.5}}};
  f['H'] = {{{0, 0}, {0, 6}}, {{4, 0}, {4, 6}}, {{0, 3}, {4, 3}}};
  f['K'] = {{{0, 0}, {0, 6}}, {{4, 0}, {1, 3}, {4, 6}}, {{0, 3}, {1, 3}}};
  f['M'] = {{{0, 6}, {0, 0}, {2.5, 3.5}, {5, 0}, {5, 6}}};
  f['N'] = {{{0, 6}, {0, 0}, {4, 6}, {4, 0}}};
  f['O'] = {ring};
  f['R'] = {{{0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}}, {{2, 3}, {4, 6}}};
  f['S'] = {{{4, 1},
             {3, 0},
             {1, 0},
             {0, 1},
             {0, 2},
             {1, 3},
             {3, 3},
             {4, 4},
             {4, 5},
             {3, 6},
             {1, 6},
             {0, 5}}};
  f['T'] = {{{0, 0}, {4, 0}}, {{2, 0}, {2, 6}}};
  f['V'] = {{{0, 0}, {2, 6}, {4, 0}}};
  f['.'] = {{{0.5, 5.8}, {0.5, 6}}};
  return f;
}

const std::map<char, std::vector<Polyline>>& Font() {
  static const auto font = MakeFont();
  return font;
}

double SegmentDistance(P p, P a, P b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = Clamp01(t);
  const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
  return Sqrt(ex * ex + ey * ey);
}

mkart::Rgb PaintAt(const Paint& paint, double y, double y0, double y1) {
  const double t = y1 > y0 ? Clamp01((y - y0) / (y1 - y0)) : 0;
  return {Lerp(paint.top.r, paint.bottom.r, t), Lerp(paint.top.g, paint.bottom.g, t),
          Lerp(paint.top.b, paint.bottom.b, t)};
}

// Signed distance to a rounded rectangle (negative inside).
double RoundRectDistance(double px, double py, double x0, double y0, double x1, double y1,
                         double r) {
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  double qx = (px > cx ? px - cx : cx - px) - hx;
  double qy = (py > cy ? py - cy : cy - py) - hy;
  const double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
  const double outside = Sqrt(ox * ox + oy * oy);
  const double inside = qx > qy ? (qx < 0 ? qx : 0) : (qy < 0 ? qy : 0);
  return outside + inside - r;
}

}  // namespace

const std::vector<Polyline>& Glyph(char c) {
  static const std::vector<Polyline> none;
  const auto& font = Font();
  const auto it = font.find(c);
  return it == font.end() ? none : it->second;
}

double GlyphAdvance(char c) {
  if (c == 'M') return 6.5;
  if (c == '.') return 1.5;
  if (c == ' ') return 3;
  return 5.5;
}

double TextWidth(const std::string& text, double scale) {
  double w = 0;
  for (char c : text) w += GlyphAdvance(c);
  return (w - 1.5) * scale;
}

void Blend(mkart::Picture* p, int x, int y, const mkart::Rgb& colour, double alpha) {
  if (x < 0 || y < 0 || x >= p->width || y >= p->height || alpha <= 0) return;
  mkart::Rgb& d = p->at(x, y);
  double& da = p->alphaAt(x, y);
  const double outA = alpha + da * (1 - alpha);
  if (outA <= 0) return;
  d.r = (colour.r * alpha + d.r * da * (1 - alpha)) / outA;
  d.g = (colour.g * alpha + d.g * da * (1 - alpha)) / outA;
  d.b = (colour.b * alpha + d.b * da * (1 - alpha)) / outA;
  da = outA;
}

void DrawStrokes(mkart::Picture* p, const std::vector<Polyline>& lines, double halfWidth,
                 const Paint& paint) {
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (const auto& line : lines)
    for (const P& q : line) {
      x0 = q.x < x0 ? q.x : x0;
      y0 = q.y < y0 ? q.y : y0;
      x1 = q.x > x1 ? q.x : x1;
      y1 = q.y > y1 ? q.y : y1;
    }
  const int ix0 = static_cast<int>(Floor(x0 - halfWidth - 1));
  const int iy0 = static_cast<int>(Floor(y0 - halfWidth - 1));
  const int ix1 = static_cast<int>(Floor(x1 + halfWidth + 2));
  const int iy1 = static_cast<int>(Floor(y1 + halfWidth + 2));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      const P c{x + 0.5, y + 0.5};
      double d = 1e9;
      for (const auto& line : lines)
        for (size_t i = 0; i + 1 < line.size(); ++i) {
          const double s = SegmentDistance(c, line[i], line[i + 1]);
          d = s < d ? s : d;
        }
      const double cover = Clamp01(halfWidth + 0.5 - d);
      if (cover > 0) Blend(p, x, y, PaintAt(paint, c.y, y0, y1), cover * paint.alpha);
    }
}

std::vector<Polyline> TextStrokes(const std::string& text, double x, double y, double scale,
                                  double slant) {
  std::vector<Polyline> out;
  double pen = x;
  for (char c : text) {
    for (const Polyline& line : Glyph(c)) {
      Polyline placed;
      for (const P& q : line) {
        const double py = y + q.y * scale;
        placed.push_back({pen + q.x * scale + (y + 6 * scale - py) * slant, py});
      }
      out.push_back(placed);
    }
    pen += GlyphAdvance(c) * scale;
  }
  return out;
}

void FillRoundRect(mkart::Picture* p, double x0, double y0, double x1, double y1, double radius,
                   const Paint& paint) {
  for (int y = static_cast<int>(Floor(y0)); y < static_cast<int>(Floor(y1)) + 1; ++y)
    for (int x = static_cast<int>(Floor(x0)); x < static_cast<int>(Floor(x1)) + 1; ++x) {
      const double d = RoundRectDistance(x + 0.5, y + 0.5, x0, y0, x1, y1, radius);
      const double cover = Clamp01(0.5 - d);
      if (cover > 0) Blend(p, x, y, PaintAt(paint, y + 0.5, y0, y1), cover * paint.alpha);
    }
}

void StrokeRoundRect(mkart::Picture* p, double x0, double y0, double x1, double y1, double radius,
                     double halfWidth, const Paint& paint) {
  for (int y = static_cast<int>(Floor(y0 - halfWidth - 1)); y <= y1 + halfWidth + 1; ++y)
    for (int x = static_cast<int>(Floor(x0 - halfWidth - 1)); x <= x1 + halfWidth + 1; ++x) {
      double d = RoundRectDistance(x + 0.5, y + 0.5, x0, y0, x1, y1, radius);
      d = d < 0 ? -d : d;
      const double cover = Clamp01(halfWidth + 0.5 - d);
      if (cover > 0) Blend(p, x, y, PaintAt(paint, y + 0.5, y0, y1), cover * paint.alpha);
    }
}

}  // namespace mkassets
