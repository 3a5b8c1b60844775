// The pixel rows' instruction set: detected once, overridable.
#include "raster/simd.h"

#include "raster/shade_row.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace raster {

std::atomic<int> g_pixelSimd{kSimdUnchosen};

namespace {

Simd Detect() {
  const char* env = std::getenv("MORVANE_SIMD");
  if (env != nullptr && std::strcmp(env, "sse2") == 0) return Simd::kSse2;
  return CpuSupports(Simd::kAvx2) ? Simd::kAvx2 : Simd::kSse2;
}

}  // namespace

bool CpuSupports(Simd level) {
  if (level == Simd::kSse2) return true;
  // libgcc's test includes the operating system's saving of the YMM state.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

Simd PixelSimd() {
  int level = g_pixelSimd.load(std::memory_order_relaxed);
  if (level == kSimdUnchosen) {
    // Every thread that gets here stores the same answer.
    level = static_cast<int>(Detect());
    g_pixelSimd.store(level, std::memory_order_relaxed);
  }
  return static_cast<Simd>(level);
}

bool SetPixelSimd(Simd level) {
  if (!CpuSupports(level)) return false;
  g_pixelSimd.store(static_cast<int>(level), std::memory_order_relaxed);
  return true;
}

const char* PixelSimdName() {
  return PixelSimd() == Simd::kAvx2 ? "AVX2 pixel rows" : "SSE2 pixel rows";
}

}  // namespace raster
