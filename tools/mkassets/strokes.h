// A small stroke font (capitals and digits as polylines on a 4 x 6 grid with
// cut corners) and anti-aliased painting of strokes and shapes onto a
// picture. Coverage is worked out from the distance to each stroke, so edges
// are smooth through alpha without any font file.
#ifndef MORVANE_TOOLS_MKASSETS_STROKES_H
#define MORVANE_TOOLS_MKASSETS_STROKES_H

#include <string>
#include <vector>

#include "tools/mkart/art.h"

namespace mkassets {

struct Point2 {
  double x, y;
};
using Polyline = std::vector<Point2>;

// The polylines of one character in grid units (x 0..width, y 0..6 down);
// empty for a space or an unknown character.
const std::vector<Polyline>& Glyph(char c);
// Advance of a character in grid units (its width plus a gap).
double GlyphAdvance(char c);
double TextWidth(const std::string& text, double scale);

// A fill that gives colour and opacity per pixel centre.
struct Paint {
  mkart::Rgb top, bottom;  // vertical gradient over the painted box
  double alpha = 1;
};

// Composites `coverage * paint` over the picture ("over" with straight alpha).
void Blend(mkart::Picture* p, int x, int y, const mkart::Rgb& colour, double alpha);

// Strokes of half-width `halfWidth` (pixels), in picture coordinates.
void DrawStrokes(mkart::Picture* p, const std::vector<Polyline>& lines, double halfWidth,
                 const Paint& paint);
// Text with its top-left corner at (x, y), grid unit `scale` pixels, slanted
// by `slant` (pixels of shift per pixel of height, leaning right).
std::vector<Polyline> TextStrokes(const std::string& text, double x, double y, double scale,
                                  double slant);
// A rounded rectangle filled with the paint, edges anti-aliased.
void FillRoundRect(mkart::Picture* p, double x0, double y0, double x1, double y1, double radius,
                   const Paint& paint);
// Its outline, `halfWidth` either side of the edge.
void StrokeRoundRect(mkart::Picture* p, double x0, double y0, double x1, double y1, double radius,
                     double halfWidth, const Paint& paint);

}  // namespace mkassets

#endif  // MORVANE_TOOLS_MKASSETS_STROKES_H
