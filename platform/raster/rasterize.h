// Internal to platform/raster: the rasterisation stage, walking a set-up
// triangle's samples and running the pixel stages on the covered ones.
#ifndef MORVANE_PLATFORM_RASTER_RASTERIZE_H
#define MORVANE_PLATFORM_RASTER_RASTERIZE_H

#include "raster/pixel.h"
#include "raster/setup.h"
#include "raster/target.h"

namespace raster {

// The reference: every pixel of the triangle's box, every sample's edge
// test evaluated directly, shading, alpha test, then depth and blend per
// sample, in that plain order. It defines the result.
void DrawTriangleReference(const Setup& t, const PixelState& s, Target& target);

// The same pixels, restricted to `clip` (a tile): 8x8 blocks rejected or
// accepted whole by their corners, edge values stepped incrementally, and
// pixels handled in groups of four along a row: coverage and depth first
// (so hidden pixels are never textured; four pixel centres, or a pixel's
// four samples, covered and depth-tested at once, sample_simd.h), stage 0
// for the group in the pixel rows chosen at run time (shade_row.h, simd.h),
// then alpha test, depth write and a blend function chosen once per draw
// (four pixels at once at one sample, a pixel's four samples at once at
// four). With coverageSeconds, the coverage of the part inside each 64x64
// square is found before that part is shaded and its time added there.
// Must leave the target exactly as the reference does.
void DrawTriangleFast(const Setup& t, const PixelState& s, Target& target, const Rect& clip,
                      double* coverageSeconds = nullptr);

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_RASTERIZE_H
