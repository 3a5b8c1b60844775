// Internal to platform/raster: polygon clipping against planes, for clip
// space (0 <= z <= w and a guard band in x and y) and for pre-transformed
// vertices far off screen.
#ifndef MORVANE_PLATFORM_RASTER_CLIP_H
#define MORVANE_PLATFORM_RASTER_CLIP_H

#include "raster/setup.h"

namespace raster {

// A triangle clipped by up to six planes has at most nine vertices.
inline constexpr int kMaxClipVerts = 9;

// Screen positions stay within this many pixels of the origin: pre-
// transformed triangles reaching further are clipped to it in 2D.
inline constexpr float kScreenGuard = 16384.0f;

// Clips the clip-space triangle to 0 <= z <= w and |x|, |y| <= guard * w,
// where guard >= 1 keeps the viewport inside. Writes the polygon (a fan, in
// the input's winding) to out and returns its vertex count, 0 when nothing
// remains. Triangles entirely inside are copied unchanged.
int ClipTriangle(const Vert& v0, const Vert& v1, const Vert& v2, float guard, Vert* out);

// Guard band x/y factor for a viewport, so screen positions stay within
// kScreenGuard of the origin.
float GuardFactor(const Viewport& viewport);

// Screen-space triangle to |x|, |y| <= kScreenGuard; same contract.
int ClipScreenTriangle(const Vert& v0, const Vert& v1, const Vert& v2, Vert* out);

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_CLIP_H
