// Which instruction set the CPU rasteriser's pixel rows (stage 0, centre
// depth and colour writes for four pixels at a time) run on.
//
// What it does: chooses once, at the first pixel row or query, AVX2 when the
// CPU and the operating system support it, else SSE2 (the x86-64 baseline).
// MORVANE_SIMD=sse2 in the environment keeps the SSE2 rows on a machine
// with AVX2 (to compare both on one machine). Both levels give the same
// pixels bit for bit; only the speed differs.
//
// What it does not do: it does not change how the rest of the program is
// compiled (that follows the build's target), nor use AVX-512.
//
// Threading: any thread may query. SetPixelSimd is for tests and
// benchmarks; call it while no renderer is drawing (no Flush running).
#ifndef MORVANE_PLATFORM_RASTER_SIMD_H
#define MORVANE_PLATFORM_RASTER_SIMD_H

namespace raster {

enum class Simd { kSse2, kAvx2 };

// Whether this CPU (and its operating system) can run the level.
bool CpuSupports(Simd level);

// The level the pixel rows use.
Simd PixelSimd();

// Switches the pixel rows to `level`; returns false, changing nothing, when
// the CPU cannot run it.
bool SetPixelSimd(Simd level);

// "AVX2 pixel rows" or "SSE2 pixel rows", for the renderer's description.
const char* PixelSimdName();

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_SIMD_H
