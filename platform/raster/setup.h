// Internal to platform/raster: vertices between the stages, triangle set-up
// and the sample patterns. The set-up is shared by every traversal, so the
// reference and the tiled path start each triangle from identical numbers.
#ifndef MORVANE_PLATFORM_RASTER_SETUP_H
#define MORVANE_PLATFORM_RASTER_SETUP_H

#include <cstdint>

#include "raster/state.h"

namespace raster {

// Attributes carried from vertex to pixel: colour r, g, b, a on a 0..255
// scale, then texture u, v.
inline constexpr int kAttributes = 6;

// In clip space p is (x, y, z, w) and a the attributes. In screen space p is
// (x, y, z, q = 1/w) in pixels and depth units, and a holds attribute * q so
// that it interpolates linearly on the screen.
struct Vert {
  float p[4];
  float a[kAttributes];
};

// Sub-pixel precision of the edge set-up: positions snap to 1/256 pixel.
inline constexpr int kSubPixelBits = 8;
inline constexpr int kSubPixel = 1 << kSubPixelBits;

// Inclusive pixel rectangle.
struct Rect {
  int x0, y0, x1, y1;
};

// f(x, y) = f0 + dx * (x - ox) + dy * (y - oy), with (ox, oy) the triangle's
// first vertex. Evaluated the same way by every traversal.
struct Plane {
  float f0, dx, dy;
};

struct Setup {
  // Edge i holds E(X, Y) = a*X + b*Y + c at sub-pixel position (X, Y); a
  // sample is covered when all three are >= 0. The top-left rule is folded
  // into c (edges that are neither top nor left lose one unit).
  int64_t a[3], b[3], c[3];
  Rect box;  // pixels that may be covered, already inside the scissor
  float ox, oy;
  Plane z;                  // screen depth, linear on the screen
  Plane q;                  // 1/w
  Plane attr[kAttributes];  // attribute * q
  uint32_t draw;            // which draw's state applies
};

// Clip space to screen space: perspective divide and viewport transform
// (pixel centres at integers, y down, z to minZ..maxZ).
Vert ToScreen(const Vert& clip, const Viewport& viewport);

// Screen vertices to a Setup. Returns false for a triangle that covers no
// sample: non-finite or out-of-range positions, zero area after snapping,
// culled by `cull`, or no pixel inside `scissor`.
bool SetupTriangle(const Vert& v0, const Vert& v1, const Vert& v2, CullMode cull,
                   const Rect& scissor, uint32_t draw, Setup* out);

// Sample offsets from the pixel centre in 1/256 pixel, per sample count
// (the standard 2x, 4x and 8x patterns; one sample sits at the centre).
struct SampleOffset {
  int8_t dx, dy;
};
const SampleOffset* SamplePattern(int samples);
// The largest |offset| of any pattern, for conservative bounds.
inline constexpr int kMaxSampleOffset = 7 * 16;

inline float PlaneAt(const Plane& p, const Setup& t, float x, float y) {
  return p.f0 + p.dx * (x - t.ox) + p.dy * (y - t.oy);
}

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_SETUP_H
