// Stage 0 for four pixels with SSE2; see shade_row.h for why it matches the
// scalar code bit for bit.
#include "raster/shade_row.h"

#include <emmintrin.h>

namespace raster {

namespace {

// PlaneAt for lanes X = x - ox: (f0 + dx * X) + dy * Y, the scalar order.
inline __m128 PlaneAt4(const Plane& p, __m128 X, float Y) {
  return _mm_add_ps(_mm_add_ps(_mm_set1_ps(p.f0), _mm_mul_ps(_mm_set1_ps(p.dx), X)),
                    _mm_set1_ps(p.dy * Y));
}

inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// ToByte per lane: NaN and v <= 0 give 0, v >= 255 gives 255, else v + 0.5
// truncated.
inline __m128i ToByte4(__m128 v) {
  const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(v, _mm_setzero_ps()));
  const __m128i saturated = _mm_castps_si128(_mm_cmpge_ps(v, _mm_set1_ps(255.0f)));
  const __m128i r = _mm_and_si128(_mm_cvttps_epi32(_mm_add_ps(v, _mm_set1_ps(0.5f))), positive);
  return Select(saturated, _mm_set1_epi32(255), r);
}

// SafeTexelCoord per lane (NaN reads -2^23).
inline __m128 Safe4(__m128 t) {
  const __m128 lo = _mm_set1_ps(-8388608.0f), hi = _mm_set1_ps(8388608.0f);
  const __m128 aboveLo = _mm_cmpgt_ps(t, lo);
  t = _mm_or_ps(_mm_and_ps(aboveLo, t), _mm_andnot_ps(aboveLo, lo));
  const __m128 aboveHi = _mm_cmpgt_ps(t, hi);
  return _mm_or_ps(_mm_and_ps(aboveHi, hi), _mm_andnot_ps(aboveHi, t));
}

// floor of lanes within +-2^23 (where truncation to int is exact), as int.
inline __m128i Floor4(__m128 t) {
  const __m128i i = _mm_cvttps_epi32(t);
  const __m128i truncatedUp = _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(i), t));
  return _mm_add_epi32(i, truncatedUp);  // -1 where truncation went up
}

struct Lanes {
  alignas(16) int32_t v[4];
};
struct FloatLanes {
  alignas(16) float v[4];
};

inline Lanes Store(__m128i x) {
  Lanes l;
  _mm_store_si128(reinterpret_cast<__m128i*>(l.v), x);
  return l;
}
inline FloatLanes Store(__m128 x) {
  FloatLanes l;
  _mm_store_ps(l.v, x);
  return l;
}

// SamplePoint's texel indices.
inline void PointCoords(const PixelState& s, __m128 u, __m128 v, Lanes* i, Lanes* j) {
  *i = Store(Floor4(Safe4(_mm_mul_ps(u, _mm_set1_ps(static_cast<float>(s.texture.width))))));
  *j = Store(Floor4(Safe4(_mm_mul_ps(v, _mm_set1_ps(static_cast<float>(s.texture.height))))));
}

// SampleLinear's top-left texel indices and weights.
inline void LinearCoords(const PixelState& s, __m128 u, __m128 v, Lanes* i, Lanes* j, Lanes* wx,
                         Lanes* wy) {
  const __m128 half = _mm_set1_ps(0.5f), scale = _mm_set1_ps(256.0f);
  const __m128 tu =
      Safe4(_mm_sub_ps(_mm_mul_ps(u, _mm_set1_ps(static_cast<float>(s.texture.width))), half));
  const __m128 tv =
      Safe4(_mm_sub_ps(_mm_mul_ps(v, _mm_set1_ps(static_cast<float>(s.texture.height))), half));
  const __m128i iu = Floor4(tu), iv = Floor4(tv);
  const __m128 fu = _mm_cvtepi32_ps(iu), fv = _mm_cvtepi32_ps(iv);
  *i = Store(iu);
  *j = Store(iv);
  *wx = Store(_mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(tu, fu), scale), half)));
  *wy = Store(_mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(tv, fv), scale), half)));
}

// x - ox for the pixel centres x..x+3, as PlaneAt forms it.
inline __m128 RowX(const Setup& t, int x) {
  return _mm_sub_ps(_mm_cvtepi32_ps(_mm_setr_epi32(x, x + 1, x + 2, x + 3)), _mm_set1_ps(t.ox));
}

}  // namespace

void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]) {
  // SampleDepth adds a zero offset: x + 0.0f is x exactly.
  const __m128 z = PlaneAt4(t.z, RowX(t, x), static_cast<float>(y) - t.oy);
  // DepthToD16: NaN and z <= 0 give 0, z >= 1 gives 0xFFFF.
  const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(z, _mm_setzero_ps()));
  const __m128i saturated = _mm_castps_si128(_mm_cmpge_ps(z, _mm_set1_ps(1.0f)));
  const __m128i scaled = _mm_cvttps_epi32(
      _mm_add_ps(_mm_mul_ps(z, _mm_set1_ps(65535.0f)), _mm_set1_ps(0.5f)));
  const Lanes d = Store(Select(saturated, _mm_set1_epi32(0xFFFF), _mm_and_si128(scaled, positive)));
  for (int k = 0; k < 4; ++k) out[k] = static_cast<uint16_t>(d.v[k]);
}

void ShadeRow4(const Setup& t, const PixelState& s, int x, int y, unsigned live, bool flat,
               float flatW, uint32_t flatDiffuse, uint32_t out[4]) {
  const __m128 X = RowX(t, x);
  const float Y = static_cast<float>(y) - t.oy;
  __m128 w;
  Lanes diffuse;
  if (flat) {
    w = _mm_set1_ps(flatW);
    for (int32_t& d : diffuse.v) d = static_cast<int32_t>(flatDiffuse);
  } else {
    w = _mm_div_ps(_mm_set1_ps(1.0f), PlaneAt4(t.q, X, Y));
    const __m128i r = ToByte4(_mm_mul_ps(PlaneAt4(t.attr[0], X, Y), w));
    const __m128i g = ToByte4(_mm_mul_ps(PlaneAt4(t.attr[1], X, Y), w));
    const __m128i b = ToByte4(_mm_mul_ps(PlaneAt4(t.attr[2], X, Y), w));
    const __m128i a = ToByte4(_mm_mul_ps(PlaneAt4(t.attr[3], X, Y), w));
    diffuse = Store(_mm_or_si128(_mm_or_si128(_mm_slli_epi32(a, 24), _mm_slli_epi32(r, 16)),
                                 _mm_or_si128(_mm_slli_epi32(g, 8), b)));
  }
  if (!s.usesTexture) {
    for (int k = 0; k < 4; ++k)
      if (live & (1u << k)) out[k] = static_cast<uint32_t>(diffuse.v[k]);
    return;
  }
  const __m128 u = _mm_mul_ps(PlaneAt4(t.attr[4], X, Y), w);
  const __m128 v = _mm_mul_ps(PlaneAt4(t.attr[5], X, Y), w);
  uint32_t tex[4] = {};
  if (s.filterVaries) {
    // Rare: the filter is chosen per pixel, on exactly the scalar inputs.
    const FloatLanes wl = Store(w), ul = Store(u), vl = Store(v);
    for (int k = 0; k < 4; ++k) {
      if ((live & (1u << k)) == 0) continue;
      const bool linear = Magnifies(t, s, wl.v[k], ul.v[k], vl.v[k]) ? s.linearMag : s.linearMin;
      tex[k] = linear ? SampleLinear(s, ul.v[k], vl.v[k]) : SamplePoint(s, ul.v[k], vl.v[k]);
    }
  } else if (s.linearMag) {
    Lanes i, j, wx, wy;
    LinearCoords(s, u, v, &i, &j, &wx, &wy);
    for (int k = 0; k < 4; ++k)
      if (live & (1u << k))
        tex[k] = LinearTexel(s, i.v[k], j.v[k], static_cast<uint32_t>(wx.v[k]),
                           static_cast<uint32_t>(wy.v[k]));
  } else {
    Lanes i, j;
    PointCoords(s, u, v, &i, &j);
    for (int k = 0; k < 4; ++k)
      if (live & (1u << k)) tex[k] = PointTexel(s, i.v[k], j.v[k]);
  }
  for (int k = 0; k < 4; ++k)
    if (live & (1u << k)) out[k] = CombineStage(s, tex[k], static_cast<uint32_t>(diffuse.v[k]));
}

}  // namespace raster
