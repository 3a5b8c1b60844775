// Stage 0, centre depth and colour writes for four pixels with AVX2; see
// shade_row.h for why they match the scalar code bit for bit. Only the
// functions marked kAvx2 use AVX2 (a target attribute, not a flag for the
// whole file): the inline helpers of the included headers stay baseline
// code wherever they are emitted out of line, so no other unit can pick
// up an AVX2 copy. FMA is not enabled (a fused multiply-add rounds once
// where the scalar code rounds twice), and the build compiles this file
// with -ffp-contract=off besides.
//
// The gains over the SSE2 rows: texel addresses (wrap, clamp) and gathers
// for all four lanes, the bilinear filter and the stage operations on the
// sixteen channels of four pixels in one register, and every blend pair
// four lanes at once.
#include <immintrin.h>

#include <cstdint>
#include <limits>

#include "raster/shade_row.h"

#define kAvx2 __attribute__((target("avx2")))

namespace raster::avx2 {

namespace {

// Two planes at once: lanes 0..3 hold p at X, lanes 4..7 hold q, each as
// PlaneAt forms it: (f0 + dx * X) + dy * Y.
kAvx2 inline __m256 PlanePair(const Plane& p, const Plane& q, __m256 X, float Y) {
  const __m256 f0 = _mm256_setr_m128(_mm_set1_ps(p.f0), _mm_set1_ps(q.f0));
  const __m256 dx = _mm256_setr_m128(_mm_set1_ps(p.dx), _mm_set1_ps(q.dx));
  const __m256 dy = _mm256_setr_m128(_mm_set1_ps(p.dy * Y), _mm_set1_ps(q.dy * Y));
  return _mm256_add_ps(_mm256_add_ps(f0, _mm256_mul_ps(dx, X)), dy);
}

kAvx2 inline __m128 PlaneAt4(const Plane& p, __m128 X, float Y) {
  return _mm_add_ps(_mm_add_ps(_mm_set1_ps(p.f0), _mm_mul_ps(_mm_set1_ps(p.dx), X)),
                    _mm_set1_ps(p.dy * Y));
}

// x - ox for the pixel centres x..x+3.
kAvx2 inline __m128 RowX(const Setup& t, int x) {
  return _mm_sub_ps(_mm_cvtepi32_ps(_mm_setr_epi32(x, x + 1, x + 2, x + 3)), _mm_set1_ps(t.ox));
}

// ToByte per lane: NaN and v <= 0 give 0, v >= 255 gives 255, else v + 0.5
// truncated.
kAvx2 inline __m256i ToByte8(__m256 v) {
  const __m256 positive = _mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GT_OQ);
  const __m256 saturated = _mm256_cmp_ps(v, _mm256_set1_ps(255.0f), _CMP_GE_OQ);
  const __m256i r = _mm256_and_si256(_mm256_cvttps_epi32(_mm256_add_ps(v, _mm256_set1_ps(0.5f))),
                                     _mm256_castps_si256(positive));
  return _mm256_blendv_epi8(r, _mm256_set1_epi32(255), _mm256_castps_si256(saturated));
}

// SafeTexelCoord per lane: max returns its second operand for NaN, so NaN
// reads -2^23 as in the scalar code.
kAvx2 inline __m256 Safe8(__m256 t) {
  return _mm256_min_ps(_mm256_max_ps(t, _mm256_set1_ps(-8388608.0f)), _mm256_set1_ps(8388608.0f));
}

kAvx2 inline __m128i Low(__m256i v) { return _mm256_castsi256_si128(v); }
kAvx2 inline __m128i High(__m256i v) { return _mm256_extracti128_si256(v, 1); }

// AddressTexel for four indices within +-2^24. Wrapping by a size that is
// not a power of two is i - n * floor(i / n): in double the quotient is
// exact or at least 2^-17 from the next integer, so its floor is exact.
kAvx2 inline __m128i Address4(__m128i i, int n, Address mode) {
  if (mode == Address::kClamp)
    return _mm_min_epi32(_mm_max_epi32(i, _mm_setzero_si128()), _mm_set1_epi32(n - 1));
  if ((n & (n - 1)) == 0) return _mm_and_si128(i, _mm_set1_epi32(n - 1));
  const __m256d q =
      _mm256_floor_pd(_mm256_div_pd(_mm256_cvtepi32_pd(i), _mm256_set1_pd(static_cast<double>(n))));
  return _mm_sub_epi32(i, _mm_mullo_epi32(_mm256_cvttpd_epi32(q), _mm_set1_epi32(n)));
}

kAvx2 inline const int* TexelBase(const PixelState& s) {
  return static_cast<const int*>(static_cast<const void*>(s.texture.texels));
}

// The texels at four indices (plain loads: faster than a four-lane gather
// where measured) or at eight (a gather: a little faster than loads).
kAvx2 inline __m128i Fetch4(const int* base, __m128i index) {
  return _mm_setr_epi32(base[_mm_cvtsi128_si32(index)], base[_mm_extract_epi32(index, 1)],
                        base[_mm_extract_epi32(index, 2)], base[_mm_extract_epi32(index, 3)]);
}
kAvx2 inline __m256i Fetch8(const int* base, __m256i index) {
  return _mm256_i32gather_epi32(base, index, 4);
}

// SamplePoint for four lanes.
kAvx2 inline __m128i PointTexels4(const PixelState& s, __m256 uv) {
  const __m256 size = _mm256_setr_m128(_mm_set1_ps(static_cast<float>(s.texture.width)),
                                       _mm_set1_ps(static_cast<float>(s.texture.height)));
  const __m256i ij =
      _mm256_cvttps_epi32(_mm256_floor_ps(Safe8(_mm256_mul_ps(uv, size))));  // exact: |x| <= 2^23
  const __m128i x = Address4(Low(ij), s.texture.width, s.addressU);
  const __m128i y = Address4(High(ij), s.texture.height, s.addressV);
  const __m128i index = _mm_add_epi32(_mm_mullo_epi32(y, _mm_set1_epi32(s.texture.pitch / 4)), x);
  return Fetch4(TexelBase(s), index);
}

// Four lanes' weights (0..256), each over its pixel's four 16-bit channels.
kAvx2 inline __m256i SpreadWeights(__m128i w) {
  const __m256i pick = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5,  //
                                        8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13);
  return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(w), pick);
}

// SampleLinear for four lanes. Horizontal blends stay below 255 * 256 in
// 16 bits; the vertical sum is formed in 32 bits from full products.
kAvx2 inline __m128i LinearTexels4(const PixelState& s, __m256 uv) {
  const __m256 size = _mm256_setr_m128(_mm_set1_ps(static_cast<float>(s.texture.width)),
                                       _mm_set1_ps(static_cast<float>(s.texture.height)));
  const __m256 t = Safe8(_mm256_sub_ps(_mm256_mul_ps(uv, size), _mm256_set1_ps(0.5f)));
  const __m256 f = _mm256_floor_ps(t);
  const __m256i weights = _mm256_cvttps_epi32(_mm256_add_ps(
      _mm256_mul_ps(_mm256_sub_ps(t, f), _mm256_set1_ps(256.0f)), _mm256_set1_ps(0.5f)));
  const __m256i ij = _mm256_cvttps_epi32(f);
  const __m128i i = Low(ij), j = High(ij), one = _mm_set1_epi32(1);
  const int w = s.texture.width, h = s.texture.height;
  // Columns x0 | x1 and row offsets y0 | y1 of the four lanes.
  const __m256i columns =
      _mm256_setr_m128i(Address4(i, w, s.addressU), Address4(_mm_add_epi32(i, one), w, s.addressU));
  const __m128i pitch = _mm_set1_epi32(s.texture.pitch / 4);
  const __m128i row0 = _mm_mullo_epi32(Address4(j, h, s.addressV), pitch);
  const __m128i row1 = _mm_mullo_epi32(Address4(_mm_add_epi32(j, one), h, s.addressV), pitch);
  const __m256i top =
      Fetch8(TexelBase(s), _mm256_add_epi32(_mm256_setr_m128i(row0, row0), columns));
  const __m256i bottom =
      Fetch8(TexelBase(s), _mm256_add_epi32(_mm256_setr_m128i(row1, row1), columns));

  const __m256i full = _mm256_set1_epi16(256);
  const __m256i wx = SpreadWeights(Low(weights)), wy = SpreadWeights(High(weights));
  const __m256i iwx = _mm256_sub_epi16(full, wx), iwy = _mm256_sub_epi16(full, wy);
  const __m256i upper = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(Low(top)), iwx),
                                         _mm256_mullo_epi16(_mm256_cvtepu8_epi16(High(top)), wx));
  const __m256i lower =
      _mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(Low(bottom)), iwx),
                       _mm256_mullo_epi16(_mm256_cvtepu8_epi16(High(bottom)), wx));
  const __m256i ulo = _mm256_mullo_epi16(upper, iwy), uhi = _mm256_mulhi_epu16(upper, iwy);
  const __m256i llo = _mm256_mullo_epi16(lower, wy), lhi = _mm256_mulhi_epu16(lower, wy);
  const __m256i round = _mm256_set1_epi32(0x8000);
  const __m256i first = _mm256_srli_epi32(
      _mm256_add_epi32(
          _mm256_add_epi32(_mm256_unpacklo_epi16(ulo, uhi), _mm256_unpacklo_epi16(llo, lhi)),
          round),
      16);
  const __m256i second = _mm256_srli_epi32(
      _mm256_add_epi32(
          _mm256_add_epi32(_mm256_unpackhi_epi16(ulo, uhi), _mm256_unpackhi_epi16(llo, lhi)),
          round),
      16);
  const __m256i channels = _mm256_packus_epi32(first, second);  // 0..255, in lane order again
  return _mm_packus_epi16(Low(channels), High(channels));
}

// Mul8 on each byte of four ARGB values (see the SSE2 rows for the range).
kAvx2 inline __m128i Modulate4(__m128i a, __m128i b) {
  const __m256i t = _mm256_add_epi16(
      _mm256_mullo_epi16(_mm256_cvtepu8_epi16(a), _mm256_cvtepu8_epi16(b)), _mm256_set1_epi16(128));
  const __m256i r = _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
  return _mm_packus_epi16(Low(r), High(r));
}

kAvx2 inline __m128i ApplyOp(const PixelState::Op& op, __m128i tex, __m128i diffuse) {
  const __m128i a1 = op.arg1Texture ? tex : diffuse;
  if (!op.modulate) return a1;
  return Modulate4(a1, op.arg2Texture ? tex : diffuse);
}

// CombineStage on four lanes.
kAvx2 inline __m128i CombineStage4(const PixelState& s, __m128i tex, __m128i diffuse) {
  const __m128i color = ApplyOp(s.color, tex, diffuse);
  if (s.sameOps) return color;
  return _mm_blendv_epi8(color, ApplyOp(s.alpha, tex, diffuse),
                         _mm_set1_epi32(static_cast<int>(0xFF000000u)));
}

// A pixel's bit in `lanes` as an all-ones 32-bit lane.
kAvx2 inline __m128i LaneMask(unsigned lanes) {
  const __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
  return _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(static_cast<int>(lanes)), bits), bits);
}

// Writes the lanes set in `lanes` of four consecutive values (a masked
// store is slow on some CPUs; the four belong to the caller anyway).
kAvx2 inline void StoreLanes(uint32_t* to, unsigned lanes, __m128i values) {
  auto* p = reinterpret_cast<__m128i*>(to);
  _mm_storeu_si128(p, _mm_blendv_epi8(_mm_loadu_si128(p), values, LaneMask(lanes)));
}

// BlendFactorValue for the sixteen channels of four pixels.
kAvx2 inline __m256i Factor(BlendFactor f, __m256i src, __m256i srcAlpha, __m256i dst) {
  const __m256i full = _mm256_set1_epi16(255);
  switch (f) {
    case BlendFactor::kZero: return _mm256_setzero_si256();
    case BlendFactor::kOne: return full;
    case BlendFactor::kSrcColor: return src;
    case BlendFactor::kInvSrcColor: return _mm256_sub_epi16(full, src);
    case BlendFactor::kSrcAlpha: return srcAlpha;
    case BlendFactor::kInvSrcAlpha: return _mm256_sub_epi16(full, srcAlpha);
    case BlendFactor::kDestAlpha: return full;
    case BlendFactor::kInvDestAlpha: return _mm256_setzero_si256();
    case BlendFactor::kDestColor: return dst;
    case BlendFactor::kInvDestColor: return _mm256_sub_epi16(full, dst);
  }
  return _mm256_setzero_si256();
}

// BlendArgb for four pixels. Each product is at most 255 * 255; the sum is
// saturated at 65535 and then limited to 255 * 255, which changes no result
// (any sum from 255 * 255 - 127 up gives 255 after the clamp), and for
// x = sum + 127 <= 65152, x / 255 is (x + 1 + (x >> 8)) >> 8 exactly.
kAvx2 inline __m128i Blend4(const PixelState& s, __m128i src, __m128i dst) {
  const __m256i sc = _mm256_cvtepu8_epi16(src), dc = _mm256_cvtepu8_epi16(dst);
  const __m256i alphaWords =
      _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7, 6, 7, 6,
                       7, 14, 15, 14, 15, 14, 15, 14, 15);
  const __m256i as = _mm256_shuffle_epi8(sc, alphaWords);
  const __m256i sum = _mm256_adds_epu16(_mm256_mullo_epi16(sc, Factor(s.srcBlend, sc, as, dc)),
                                        _mm256_mullo_epi16(dc, Factor(s.dstBlend, sc, as, dc)));
  const __m256i x = _mm256_add_epi16(_mm256_min_epu16(sum, _mm256_set1_epi16(-511)),  // 65025
                                     _mm256_set1_epi16(127));
  const __m256i c = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_add_epi16(x, _mm256_set1_epi16(1)), _mm256_srli_epi16(x, 8)), 8);
  return _mm_packus_epi16(Low(c), High(c));
}

}  // namespace

kAvx2 void WriteColors4(const PixelState& s, OutputFunction, const uint32_t src[4], unsigned lanes,
                        uint32_t* dst) {
  const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i alphaByte = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  __m128i result;
  if (s.blend) {
    result = Blend4(s, in, _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst)));
  } else {
    result = in;
  }
  StoreLanes(dst, lanes, _mm_or_si128(result, alphaByte));
}

kAvx2 void CentreDepthRow4(const Setup& t, int x, int y, uint16_t out[4]) {
  // SampleDepth adds a zero offset: x + 0.0f is x exactly.
  const __m128 z = PlaneAt4(t.z, RowX(t, x), static_cast<float>(y) - t.oy);
  // DepthToD16: NaN and z <= 0 give 0, z >= 1 gives 0xFFFF.
  const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(z, _mm_setzero_ps()));
  const __m128i saturated = _mm_castps_si128(_mm_cmpge_ps(z, _mm_set1_ps(1.0f)));
  const __m128i scaled =
      _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(z, _mm_set1_ps(65535.0f)), _mm_set1_ps(0.5f)));
  const __m128i d =
      _mm_blendv_epi8(_mm_and_si128(scaled, positive), _mm_set1_epi32(0xFFFF), saturated);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi32(d, d));
}

kAvx2 void ShadeRow4(const Setup& t, const PixelState& s, int x, int y, unsigned live, bool flat,
                     float flatW, uint32_t flatDiffuse, uint32_t out[4]) {
  // The per-pixel filter choice (rare), and textures too large for 32-bit
  // gather indices, take the SSE2 rows.
  if (s.usesTexture && (s.filterVaries || int64_t{s.texture.height} * (s.texture.pitch / 4) >
                                              int64_t{std::numeric_limits<int32_t>::max()}))
    return sse2::ShadeRow4(t, s, x, y, live, flat, flatW, flatDiffuse, out);
  const __m128 X4 = RowX(t, x);
  const __m256 X = _mm256_setr_m128(X4, X4);
  const float Y = static_cast<float>(y) - t.oy;
  __m128 w4;
  __m128i diffuse;
  if (flat) {
    w4 = _mm_set1_ps(flatW);
    diffuse = _mm_set1_epi32(static_cast<int>(flatDiffuse));
  } else {
    w4 = _mm_div_ps(_mm_set1_ps(1.0f), PlaneAt4(t.q, X4, Y));
    const __m256 w = _mm256_setr_m128(w4, w4);
    // r | g and b | a, each moved to its byte of 0xAARRGGBB.
    const __m256i rg =
        _mm256_sllv_epi32(ToByte8(_mm256_mul_ps(PlanePair(t.attr[0], t.attr[1], X, Y), w)),
                          _mm256_setr_epi32(16, 16, 16, 16, 8, 8, 8, 8));
    const __m256i ba =
        _mm256_sllv_epi32(ToByte8(_mm256_mul_ps(PlanePair(t.attr[2], t.attr[3], X, Y), w)),
                          _mm256_setr_epi32(0, 0, 0, 0, 24, 24, 24, 24));
    const __m256i argb = _mm256_or_si256(rg, ba);
    diffuse = _mm_or_si128(Low(argb), High(argb));
  }
  __m128i result = diffuse;
  if (s.usesTexture) {
    const __m256 uv =
        _mm256_mul_ps(PlanePair(t.attr[4], t.attr[5], X, Y), _mm256_setr_m128(w4, w4));
    const __m128i tex = s.linearMag ? LinearTexels4(s, uv) : PointTexels4(s, uv);
    result = CombineStage4(s, tex, diffuse);
  }
  StoreLanes(out, live, result);
}

}  // namespace raster::avx2
