// Internal to platform/raster: stage 0 (interpolation, texture sampling and
// the stage operations) for four horizontally adjacent pixels at once, with
// SSE2 (the x86-64 baseline, so no run-time choice is needed). Every lane
// does the same IEEE single-precision operations in the same order as
// ShadeWith / ShadePixel (pixel.h), so each result is bit-identical to the
// scalar one; texel fetch and filtering stay per lane through the same
// scalar helpers. The equivalence tests compare them lane by lane.
#ifndef MORVANE_PLATFORM_RASTER_SHADE_ROW_H
#define MORVANE_PLATFORM_RASTER_SHADE_ROW_H

#include <cstdint>

#include "raster/pixel.h"
#include "raster/setup.h"

namespace raster {

// Stage 0 results of pixels (x + i, y) for the lanes i = 0..3 set in `live`
// (the texture is read for those only; other lanes are left unwritten). With `flat` (see
// FlatWAndDiffuse) w and the diffuse colour are flatW / flatDiffuse for
// every lane, as ShadeWith is given them; otherwise they are interpolated
// as ShadePixel does. Live lanes outside the triangle compute harmless
// values (texel addresses are always inside the texture).
void ShadeRow4(const Setup& t, const PixelState& s, int x, int y, unsigned live, bool flat,
               float flatW, uint32_t flatDiffuse, uint32_t out[4]);

// SampleDepth at the centres of pixels (x + i, y), i = 0..3.
void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]);

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_SHADE_ROW_H
