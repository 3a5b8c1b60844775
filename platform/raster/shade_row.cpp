// Stage 0 for four pixels with SSE2, and the entry points that choose the
// level; see shade_row.h for why it matches the scalar code bit for bit.
#include "raster/shade_row.h"

#include <emmintrin.h>

#include "raster/simd.h"

namespace raster {

namespace {

inline bool UseAvx2() {
  const int level = g_pixelSimd.load(std::memory_order_relaxed);
  if (level != kSimdUnchosen) return level == static_cast<int>(Simd::kAvx2);
  return PixelSimd() == Simd::kAvx2;
}

}  // namespace

void ShadeRow4(const Setup& t, const PixelState& s, int x, int y, unsigned live, bool flat,
               float flatW, uint32_t flatDiffuse, uint32_t out[4]) {
  if (UseAvx2()) return avx2::ShadeRow4(t, s, x, y, live, flat, flatW, flatDiffuse, out);
  sse2::ShadeRow4(t, s, x, y, live, flat, flatW, flatDiffuse, out);
}

void WriteColors4(const PixelState& s, OutputFunction output, const uint32_t src[4], unsigned lanes,
                  uint32_t* dst) {
  if (UseAvx2()) return avx2::WriteColors4(s, output, src, lanes, dst);
  sse2::WriteColors4(s, output, src, lanes, dst);
}

void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]) {
  if (UseAvx2()) return avx2::CentreDepthRow4(t, x, y, out);
  sse2::CentreDepthRow4(t, x, y, out);
}

namespace sse2 {

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

// Mul8 on each byte of a and b (four ARGB values): t = a * b + 128 and
// (t + (t >> 8)) >> 8 stay below 65536, so 16-bit lanes are exact.
inline __m128i Mul8x16(__m128i a, __m128i b) {
  const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi16(128);
  const auto half = [&](__m128i x, __m128i y) {
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, y), round);
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
  const __m128i hi = half(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
  return _mm_packus_epi16(lo, hi);
}

// CombineStage on four lanes.
inline __m128i CombineStage4(const PixelState& s, __m128i tex, __m128i diffuse) {
  const auto apply = [&](const PixelState::Op& op) {
    const __m128i a1 = op.arg1Texture ? tex : diffuse;
    if (!op.modulate) return a1;
    return Mul8x16(a1, op.arg2Texture ? tex : diffuse);
  };
  const __m128i color = apply(s.color);
  if (s.sameOps) return color;
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  return Select(alphaMask, apply(s.alpha), color);
}

// The bilinear blend of LinearTexel for two lanes (8 channels in 16-bit
// lanes): top and bottom rows never exceed 255 * 256, and the vertical sum
// is formed in 32 bits from the full 16 x 16-bit products.
inline __m128i Bilinear2(__m128i c00, __m128i c10, __m128i c01, __m128i c11, __m128i wx,
                         __m128i wy) {
  const __m128i full = _mm_set1_epi16(256);
  const __m128i iwx = _mm_sub_epi16(full, wx), iwy = _mm_sub_epi16(full, wy);
  const __m128i top = _mm_add_epi16(_mm_mullo_epi16(c00, iwx), _mm_mullo_epi16(c10, wx));
  const __m128i bot = _mm_add_epi16(_mm_mullo_epi16(c01, iwx), _mm_mullo_epi16(c11, wx));
  const __m128i tlo = _mm_mullo_epi16(top, iwy), thi = _mm_mulhi_epu16(top, iwy);
  const __m128i blo = _mm_mullo_epi16(bot, wy), bhi = _mm_mulhi_epu16(bot, wy);
  const __m128i round = _mm_set1_epi32(0x8000);
  const __m128i lo = _mm_srli_epi32(
      _mm_add_epi32(_mm_add_epi32(_mm_unpacklo_epi16(tlo, thi), _mm_unpacklo_epi16(blo, bhi)),
                    round),
      16);
  const __m128i hi = _mm_srli_epi32(
      _mm_add_epi32(_mm_add_epi32(_mm_unpackhi_epi16(tlo, thi), _mm_unpackhi_epi16(blo, bhi)),
                    round),
      16);
  return _mm_packs_epi32(lo, hi);  // results are 0..255
}

// Four lanes of LinearTexel from their indices and weights (lanes not live
// read no texels and give 0).
inline __m128i LinearTexels4(const PixelState& s, const Lanes& i, const Lanes& j, const Lanes& wx,
                             const Lanes& wy, unsigned live) {
  alignas(16) uint32_t c[4][4] = {};  // c00, c10, c01, c11 per lane
  for (int k = 0; k < 4; ++k) {
    if ((live & (1u << k)) == 0) continue;
    const int x0 = AddressTexel(i.v[k], s.texture.width, s.addressU);
    const int x1 = AddressTexel(i.v[k] + 1, s.texture.width, s.addressU);
    const int y0 = AddressTexel(j.v[k], s.texture.height, s.addressV);
    const int y1 = AddressTexel(j.v[k] + 1, s.texture.height, s.addressV);
    c[0][k] = Texel(s.texture, x0, y0);
    c[1][k] = Texel(s.texture, x1, y0);
    c[2][k] = Texel(s.texture, x0, y1);
    c[3][k] = Texel(s.texture, x1, y1);
  }
  const __m128i zero = _mm_setzero_si128();
  __m128i v[4];
  for (int n = 0; n < 4; ++n) v[n] = _mm_load_si128(reinterpret_cast<const __m128i*>(c[n]));
  // Weights of lanes k0 and k0 + 1, each repeated over its four channels.
  const auto spread = [](const Lanes& w, int k0) {
    const int16_t a = static_cast<int16_t>(w.v[k0]), b = static_cast<int16_t>(w.v[k0 + 1]);
    return _mm_setr_epi16(a, a, a, a, b, b, b, b);
  };
  const __m128i lo = Bilinear2(_mm_unpacklo_epi8(v[0], zero), _mm_unpacklo_epi8(v[1], zero),
                               _mm_unpacklo_epi8(v[2], zero), _mm_unpacklo_epi8(v[3], zero),
                               spread(wx, 0), spread(wy, 0));
  const __m128i hi = Bilinear2(_mm_unpackhi_epi8(v[0], zero), _mm_unpackhi_epi8(v[1], zero),
                               _mm_unpackhi_epi8(v[2], zero), _mm_unpackhi_epi8(v[3], zero),
                               spread(wx, 2), spread(wy, 2));
  return _mm_packus_epi16(lo, hi);
}

// x - ox for the pixel centres x..x+3, as PlaneAt forms it.
inline __m128 RowX(const Setup& t, int x) {
  return _mm_sub_ps(_mm_cvtepi32_ps(_mm_setr_epi32(x, x + 1, x + 2, x + 3)), _mm_set1_ps(t.ox));
}

}  // namespace

void WriteColors4(const PixelState& s, OutputFunction output, const uint32_t src[4], unsigned lanes,
                  uint32_t* dst) {
  const bool alphaPair =
      s.blend && s.srcBlend == BlendFactor::kSrcAlpha && s.dstBlend == BlendFactor::kInvSrcAlpha;
  if (s.blend && !alphaPair) {
    for (int k = 0; k < 4; ++k)
      if (lanes & (1u << k)) dst[k] = output(src[k], dst[k]);
    return;
  }
  const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
  const __m128i alphaByte = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  __m128i result;
  if (!alphaPair) {
    result = _mm_or_si128(in, alphaByte);
  } else {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
    const auto half = [&](__m128i sc, __m128i dc) {
      // Each pixel's alpha (16-bit lane 3 of its four) over its four lanes.
      const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sc, 0xFF), 0xFF);
      const __m128i x = _mm_add_epi16(
          _mm_add_epi16(_mm_mullo_epi16(sc, a), _mm_mullo_epi16(dc, _mm_sub_epi16(full, a))),
          _mm_set1_epi16(127));
      return _mm_srli_epi16(
          _mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)), 8);
    };
    const __m128i lo = half(_mm_unpacklo_epi8(in, zero), _mm_unpacklo_epi8(old, zero));
    const __m128i hi = half(_mm_unpackhi_epi8(in, zero), _mm_unpackhi_epi8(old, zero));
    result = _mm_or_si128(_mm_packus_epi16(lo, hi), alphaByte);
  }
  const __m128i keep = _mm_setr_epi32((lanes & 1) ? 0 : -1, (lanes & 2) ? 0 : -1,
                                      (lanes & 4) ? 0 : -1, (lanes & 8) ? 0 : -1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), Select(keep, old, result));
}

void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]) {
  // SampleDepth adds a zero offset: x + 0.0f is x exactly.
  const __m128 z = PlaneAt4(t.z, RowX(t, x), static_cast<float>(y) - t.oy);
  // DepthToD16: NaN and z <= 0 give 0, z >= 1 gives 0xFFFF.
  const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(z, _mm_setzero_ps()));
  const __m128i saturated = _mm_castps_si128(_mm_cmpge_ps(z, _mm_set1_ps(1.0f)));
  const __m128i scaled =
      _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(z, _mm_set1_ps(65535.0f)), _mm_set1_ps(0.5f)));
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
    const __m128i texels = LinearTexels4(s, i, j, wx, wy, live);
    const __m128i d = _mm_load_si128(reinterpret_cast<const __m128i*>(diffuse.v));
    const Lanes r = Store(CombineStage4(s, texels, d));
    for (int k = 0; k < 4; ++k)
      if (live & (1u << k)) out[k] = static_cast<uint32_t>(r.v[k]);
    return;
  } else {
    Lanes i, j;
    PointCoords(s, u, v, &i, &j);
    for (int k = 0; k < 4; ++k)
      if (live & (1u << k)) tex[k] = PointTexel(s, i.v[k], j.v[k]);
  }
  const __m128i d = _mm_load_si128(reinterpret_cast<const __m128i*>(diffuse.v));
  const Lanes r =
      Store(CombineStage4(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(tex)), d));
  for (int k = 0; k < 4; ++k)
    if (live & (1u << k)) out[k] = static_cast<uint32_t>(r.v[k]);
}

}  // namespace sse2
}  // namespace raster
