// Internal to platform/raster: coverage and depth of four samples at once
// with SSE2 (the x86-64 baseline), for the fast traversal. "Four samples"
// are either one pixel's four multisample positions or the centres of four
// adjacent pixels of a row; either way four consecutive D16 values in the
// target. Each routine gives exactly what the scalar rules give (the edge
// test E >= 0, SampleDepth, Passes), which the tests check lane by lane.
// Pure functions of their arguments; any thread.
#ifndef MORVANE_PLATFORM_RASTER_SAMPLE_SIMD_H
#define MORVANE_PLATFORM_RASTER_SAMPLE_SIMD_H

#include <emmintrin.h>

#include <cstdint>

#include "raster/setup.h"
#include "raster/state.h"

namespace raster {

// The change of each edge function from a reference point to four sample
// points: d[i][k] for edge i and sample k.
struct EdgeDeltas4 {
  alignas(16) int64_t d[3][4];
};

// Bit k set when e[i] + deltas.d[i][k] >= 0 for all three edges (sample k
// covered). The sums are the scalar ones in 64 bits; a negative one sets
// the sign bit, so the sign of the OR of the three edges decides.
inline unsigned CoverFour(const int64_t e[3], const EdgeDeltas4& deltas) {
  __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
  for (int i = 0; i < 3; ++i) {
    const __m128i ei = _mm_set1_epi64x(e[i]);
    const auto* d = reinterpret_cast<const __m128i*>(deltas.d[i]);
    lo = _mm_or_si128(lo, _mm_add_epi64(ei, _mm_load_si128(d)));
    hi = _mm_or_si128(hi, _mm_add_epi64(ei, _mm_load_si128(d + 1)));
  }
  const int negative = _mm_movemask_pd(_mm_castsi128_pd(lo)) | _mm_movemask_pd(_mm_castsi128_pd(hi))
                                                                   << 2;
  return ~static_cast<unsigned>(negative) & 0xFu;
}

// Sample offsets of a four-sample pixel in pixels, as SampleDepth forms
// them (an offset in 1/256 pixel times 1/256, exact in float).
struct SampleOffsets4 {
  __m128 x, y;
};
inline SampleOffsets4 MakeSampleOffsets4(const SampleOffset o[4]) {
  const float scale = 1.0f / kSubPixel;
  return {_mm_setr_ps(o[0].dx * scale, o[1].dx * scale, o[2].dx * scale, o[3].dx * scale),
          _mm_setr_ps(o[0].dy * scale, o[1].dy * scale, o[2].dy * scale, o[3].dy * scale)};
}

// DepthToD16 of four floats, one per 32-bit lane (0..0xFFFF).
inline __m128i DepthToD16x4(__m128 z) {
  // NaN and z <= 0 give 0, z >= 1 gives 0xFFFF, the rest z * 65535 + 0.5
  // truncated, as the scalar conversion does.
  const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(z, _mm_setzero_ps()));
  const __m128i saturated = _mm_castps_si128(_mm_cmpge_ps(z, _mm_set1_ps(1.0f)));
  const __m128i scaled =
      _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(z, _mm_set1_ps(65535.0f)), _mm_set1_ps(0.5f)));
  const __m128i value = _mm_and_si128(scaled, positive);
  return _mm_or_si128(_mm_and_si128(saturated, _mm_set1_epi32(0xFFFF)),
                      _mm_andnot_si128(saturated, value));
}

// SampleDepth(t, x, y, o[k]) for the four samples of pixel (x, y), one per
// 32-bit lane: the same float operations in the same order.
inline __m128i SampleDepths4(const Setup& t, int x, int y, const SampleOffsets4& o) {
  const __m128 sx = _mm_add_ps(_mm_set1_ps(static_cast<float>(x)), o.x);
  const __m128 sy = _mm_add_ps(_mm_set1_ps(static_cast<float>(y)), o.y);
  const __m128 dx = _mm_mul_ps(_mm_set1_ps(t.z.dx), _mm_sub_ps(sx, _mm_set1_ps(t.ox)));
  const __m128 dy = _mm_mul_ps(_mm_set1_ps(t.z.dy), _mm_sub_ps(sy, _mm_set1_ps(t.oy)));
  return DepthToD16x4(_mm_add_ps(_mm_add_ps(_mm_set1_ps(t.z.f0), dx), dy));
}

// Four D16 values (0..0xFFFF in 32-bit lanes) to and from memory.
inline __m128i LoadDepths4(const uint16_t* p) {
  return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                            _mm_setzero_si128());
}
inline void StoreDepths4(__m128i z, uint16_t out[4]) {
  // Signed packing after a shift by 32768, shifted back: exact for 0..0xFFFF.
  const __m128i bias = _mm_set1_epi32(0x8000);
  const __m128i packed = _mm_packs_epi32(_mm_sub_epi32(z, bias), _mm_setzero_si128());
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out),
                   _mm_xor_si128(packed, _mm_set1_epi16(static_cast<int16_t>(0x8000))));
}

// Bit k set when Passes(f, z[k], stored[k]); values 0..0xFFFF, so signed
// 32-bit comparisons order them as unsigned ones do.
inline unsigned DepthTest4(Compare f, __m128i z, __m128i stored) {
  __m128i pass;
  switch (f) {
    case Compare::kNever: return 0;
    case Compare::kLess: pass = _mm_cmplt_epi32(z, stored); break;
    case Compare::kEqual: pass = _mm_cmpeq_epi32(z, stored); break;
    case Compare::kLessEqual:
      pass = _mm_xor_si128(_mm_cmpgt_epi32(z, stored), _mm_set1_epi32(-1));
      break;
    case Compare::kGreater: pass = _mm_cmpgt_epi32(z, stored); break;
    case Compare::kNotEqual:
      pass = _mm_xor_si128(_mm_cmpeq_epi32(z, stored), _mm_set1_epi32(-1));
      break;
    case Compare::kGreaterEqual:
      pass = _mm_xor_si128(_mm_cmplt_epi32(z, stored), _mm_set1_epi32(-1));
      break;
    case Compare::kAlways: return 0xFu;
    default: return 0;
  }
  return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(pass)));
}

// Writes z[k] to stored[k] for the lanes k set in `lanes`; the other three
// values keep their bits (all four are read and written back).
inline void WriteDepths4(const uint16_t z[4], unsigned lanes, uint16_t* stored) {
  if (lanes == 0xFu) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(stored),
                     _mm_loadl_epi64(reinterpret_cast<const __m128i*>(z)));
    return;
  }
  const __m128i keep = _mm_setr_epi16((lanes & 1) ? 0 : -1, (lanes & 2) ? 0 : -1,
                                      (lanes & 4) ? 0 : -1, (lanes & 8) ? 0 : -1, 0, 0, 0, 0);
  const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(stored));
  const __m128i fresh = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(z));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(stored),
                   _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, fresh)));
}

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_SAMPLE_SIMD_H
