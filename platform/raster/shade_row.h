// Internal to platform/raster: stage 0 (interpolation, texture sampling and
// the stage operations) for four horizontally adjacent pixels at once, the
// centre depths of four pixels and the colour writes of four values. Two
// implementations: SSE2 (shade_row.cpp, the x86-64 baseline) and AVX2
// (shade_row_avx2.cpp: texel addresses, gathers and the bilinear and
// stage arithmetic of all four lanes in one register); the entry points
// call the one PixelSimd() (simd.h) names. Every lane does the same IEEE
// single-precision operations in the same order as ShadeWith / ShadePixel
// (pixel.h), and the integer steps are the scalar ones' exact equivalents,
// so each result is bit-identical to the scalar one at either level. The
// AVX2 unit is compiled without FMA contraction for the same reason. The
// equivalence tests compare both levels lane by lane.
#ifndef MORVANE_PLATFORM_RASTER_SHADE_ROW_H
#define MORVANE_PLATFORM_RASTER_SHADE_ROW_H

#include <atomic>
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

// OutputColor (with `output`, ChooseOutput's function for s) of src[i]
// over dst[i] for the lanes i = 0..3 set in `lanes`; the other dst values
// keep their bits (all four are read and written back, so all four must
// belong to the caller's thread). Four consecutive target values: a row's
// pixels at one sample, or one pixel's samples. The AVX2 rows blend every
// factor pair four lanes at once; the SSE2 rows do so for no blending and
// the source-alpha / inverse-source-alpha pair, and send other pairs lane
// by lane through `output`. Both divide by 255 as (x + 1 + (x >> 8)) >> 8,
// exact for every sum that can occur.
void WriteColors4(const PixelState& s, OutputFunction output, const uint32_t src[4], unsigned lanes,
                  uint32_t* dst);

// SampleDepth at the centres of pixels (x + i, y), i = 0..3.
void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]);

// The level behind the entry points (simd.cpp keeps it): a Simd value, or
// kSimdUnchosen before the first use.
inline constexpr int kSimdUnchosen = -1;
extern std::atomic<int> g_pixelSimd;

// The implementations per level, with the entry points' contracts.
namespace sse2 {
void ShadeRow4(const Setup& t, const PixelState& s, int x, int y, unsigned live, bool flat,
               float flatW, uint32_t flatDiffuse, uint32_t out[4]);
void WriteColors4(const PixelState& s, OutputFunction output, const uint32_t src[4], unsigned lanes,
                  uint32_t* dst);
void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]);
}  // namespace sse2
namespace avx2 {
void ShadeRow4(const Setup& t, const PixelState& s, int x, int y, unsigned live, bool flat,
               float flatW, uint32_t flatDiffuse, uint32_t out[4]);
void WriteColors4(const PixelState& s, OutputFunction output, const uint32_t src[4], unsigned lanes,
                  uint32_t* dst);
void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]);
}  // namespace avx2

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_SHADE_ROW_H
