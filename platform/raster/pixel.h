// Internal to platform/raster: the per-pixel stages. Texture sampling, stage
// 0, alpha test, depth compare and blending, as 8-bit integer arithmetic
// with exact rounding. Every traversal calls these same functions, which is
// what makes the fast path's pixels identical to the reference path's.
#ifndef MORVANE_PLATFORM_RASTER_PIXEL_H
#define MORVANE_PLATFORM_RASTER_PIXEL_H

#include <cmath>
#include <cstdint>

#include "raster/setup.h"
#include "raster/state.h"
#include "raster/target.h"

namespace raster {

// A draw's state, decoded once for the pixel loop.
struct PixelState {
  // Stage 0 per colour and alpha: select one argument or modulate two.
  struct Op {
    bool modulate;
    bool arg1Texture, arg2Texture;
  };
  Op color, alpha;
  bool sameOps;  // colour and alpha compute the same ARGB value
  bool usesTexture;
  Texture texture;
  Address addressU, addressV;
  bool linearMin, linearMag, filterVaries;
  bool alphaTest;
  Compare alphaFunc;
  uint8_t alphaRef;
  bool depthTest, depthWrite;
  Compare depthFunc;
  bool blend;
  BlendFactor srcBlend, dstBlend;
  bool antialias;
};

// Returns false when the state is malformed (a texture with bad sizes).
bool PreparePixelState(const State& state, PixelState* out);

inline bool Passes(Compare f, uint32_t incoming, uint32_t reference) {
  switch (f) {
    case Compare::kNever: return false;
    case Compare::kLess: return incoming < reference;
    case Compare::kEqual: return incoming == reference;
    case Compare::kLessEqual: return incoming <= reference;
    case Compare::kGreater: return incoming > reference;
    case Compare::kNotEqual: return incoming != reference;
    case Compare::kGreaterEqual: return incoming >= reference;
    case Compare::kAlways: return true;
  }
  return false;
}

// round(a * b / 255) for bytes (exact for every pair; a tie cannot occur).
inline uint32_t Mul8(uint32_t a, uint32_t b) {
  const uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

inline uint32_t ModulateArgb(uint32_t x, uint32_t y) {
  uint32_t r = 0;
  for (int s = 0; s < 32; s += 8) r |= Mul8((x >> s) & 0xFF, (y >> s) & 0xFF) << s;
  return r;
}

// A float on the 0..255 scale to a byte, rounded; NaN reads 0.
inline uint32_t ToByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint32_t>(v + 0.5f);
}

// Keeps texel arithmetic in int range whatever the coordinate.
inline float SafeTexelCoord(float t) {
  if (!(t > -8388608.0f)) return -8388608.0f;
  if (t > 8388608.0f) return 8388608.0f;
  return t;
}

inline int AddressTexel(int i, int n, Address mode) {
  if (mode == Address::kClamp) return i < 0 ? 0 : (i >= n ? n - 1 : i);
  if ((n & (n - 1)) == 0) return i & (n - 1);  // power of two: two's complement wraps
  const int m = i % n;
  return m < 0 ? m + n : m;
}

inline uint32_t Texel(const Texture& t, int x, int y) {
  const auto* row = reinterpret_cast<const uint8_t*>(t.texels) + static_cast<size_t>(y) * t.pitch;
  return reinterpret_cast<const uint32_t*>(row)[x];
}

// Point: texel floor(u * W), then the address mode.
inline uint32_t PointTexel(const PixelState& s, int i, int j) {
  return Texel(s.texture, AddressTexel(i, s.texture.width, s.addressU),
               AddressTexel(j, s.texture.height, s.addressV));
}

inline uint32_t SamplePoint(const PixelState& s, float u, float v) {
  const int i = static_cast<int>(std::floor(SafeTexelCoord(u * s.texture.width)));
  const int j = static_cast<int>(std::floor(SafeTexelCoord(v * s.texture.height)));
  return PointTexel(s, i, j);
}

// Bilinear from the top-left texel (i0, j0) before addressing and the
// weights of the right and lower texels in 1/256 (0..256).
inline uint32_t LinearTexel(const PixelState& s, int i0, int j0, uint32_t wx, uint32_t wy) {
  const int x0 = AddressTexel(i0, s.texture.width, s.addressU);
  const int x1 = AddressTexel(i0 + 1, s.texture.width, s.addressU);
  const int y0 = AddressTexel(j0, s.texture.height, s.addressV);
  const int y1 = AddressTexel(j0 + 1, s.texture.height, s.addressV);
  const uint32_t c00 = Texel(s.texture, x0, y0), c10 = Texel(s.texture, x1, y0);
  const uint32_t c01 = Texel(s.texture, x0, y1), c11 = Texel(s.texture, x1, y1);
  // Per channel (top * (256 - wy) + bottom * wy + 32768) >> 16 with
  // top/bottom the horizontal blends; two channels per 64-bit word, 32 bits
  // apart, so no lane overflows into the next.
  const auto lanes = [](uint32_t c, int shift) {
    return uint64_t{(c >> shift) & 0xFF} | uint64_t{(c >> (shift + 16)) & 0xFF} << 32;
  };
  uint32_t r = 0;
  for (int shift = 0; shift < 16; shift += 8) {
    const uint64_t top = lanes(c00, shift) * (256 - wx) + lanes(c10, shift) * wx;
    const uint64_t bot = lanes(c01, shift) * (256 - wx) + lanes(c11, shift) * wx;
    const uint64_t v = (top * (256 - wy) + bot * wy + 0x0000800000008000ull) >> 16;
    r |= static_cast<uint32_t>(v & 0xFF) << shift | static_cast<uint32_t>((v >> 32) & 0xFF)
                                                        << (shift + 16);
  }
  return r;
}

// Bilinear: texel centres at +0.5, weights in 1/256.
inline uint32_t SampleLinear(const PixelState& s, float u, float v) {
  const float tu = SafeTexelCoord(u * s.texture.width - 0.5f);
  const float tv = SafeTexelCoord(v * s.texture.height - 0.5f);
  const float fu = std::floor(tu), fv = std::floor(tv);
  const uint32_t wx = static_cast<uint32_t>((tu - fu) * 256.0f + 0.5f);
  const uint32_t wy = static_cast<uint32_t>((tv - fv) * 256.0f + 0.5f);
  return LinearTexel(s, static_cast<int>(fu), static_cast<int>(fv), wx, wy);
}

// Magnification when one pixel step moves at most one texel.
bool Magnifies(const Setup& t, const PixelState& s, float w, float u, float v);

// 1/w at pixel centre (x, y).
inline float PixelW(const Setup& t, float x, float y) { return 1.0f / PlaneAt(t.q, t, x, y); }

// Interpolated diffuse colour (0xAARRGGBB) at (x, y), given PixelW there.
inline uint32_t PixelDiffuse(const Setup& t, float x, float y, float w) {
  return ToByte(PlaneAt(t.attr[3], t, x, y) * w) << 24 |
         ToByte(PlaneAt(t.attr[0], t, x, y) * w) << 16 |
         ToByte(PlaneAt(t.attr[1], t, x, y) * w) << 8 | ToByte(PlaneAt(t.attr[2], t, x, y) * w);
}

// Stage 0's operations on a texel and the diffuse colour.
inline uint32_t CombineStage(const PixelState& s, uint32_t tex, uint32_t diffuse) {
  const auto apply = [&](const PixelState::Op& op) {
    const uint32_t a1 = op.arg1Texture ? tex : diffuse;
    if (!op.modulate) return a1;
    return ModulateArgb(a1, op.arg2Texture ? tex : diffuse);
  };
  const uint32_t color = apply(s.color);
  if (s.sameOps) return color;
  return (color & 0x00FFFFFFu) | (apply(s.alpha) & 0xFF000000u);
}

// Stage 0 result at (x, y) from w and the diffuse colour there.
inline uint32_t ShadeWith(const Setup& t, const PixelState& s, float x, float y, float w,
                          uint32_t diffuse) {
  if (!s.usesTexture) return diffuse;
  const float u = PlaneAt(t.attr[4], t, x, y) * w;
  const float v = PlaneAt(t.attr[5], t, x, y) * w;
  const bool linear =
      s.filterVaries ? (Magnifies(t, s, w, u, v) ? s.linearMag : s.linearMin) : s.linearMag;
  return CombineStage(s, linear ? SampleLinear(s, u, v) : SamplePoint(s, u, v), diffuse);
}

// Stage 0 result (0xAARRGGBB) at pixel centre (x, y).
inline uint32_t ShadePixel(const Setup& t, const PixelState& s, int px, int py) {
  const float x = static_cast<float>(px), y = static_cast<float>(py);
  const float w = PixelW(t, x, y);
  return ShadeWith(t, s, x, y, w, PixelDiffuse(t, x, y, w));
}

// Whether w and the diffuse colour are the same at every pixel (a plane
// with zero slopes, as screen-space sprites give): PlaneAt then returns f0
// exactly, so computing them once matches ShadePixel bit for bit. A zero
// f0 for q is excluded, where the sign of the sum could differ.
inline bool FlatWAndDiffuse(const Setup& t) {
  const auto flat = [](const Plane& p) { return p.dx == 0.0f && p.dy == 0.0f; };
  if (!flat(t.q) || !(t.q.f0 != 0.0f) || !std::isfinite(t.q.f0)) return false;
  for (int i = 0; i < 4; ++i)
    if (!flat(t.attr[i])) return false;
  return true;
}

inline uint32_t BlendFactorValue(BlendFactor f, uint32_t src, uint32_t srcAlpha, uint32_t dst) {
  switch (f) {
    case BlendFactor::kZero: return 0;
    case BlendFactor::kOne: return 255;
    case BlendFactor::kSrcColor: return src;
    case BlendFactor::kInvSrcColor: return 255 - src;
    case BlendFactor::kSrcAlpha: return srcAlpha;
    case BlendFactor::kInvSrcAlpha: return 255 - srcAlpha;
    case BlendFactor::kDestAlpha: return 255;
    case BlendFactor::kInvDestAlpha: return 0;
    case BlendFactor::kDestColor: return dst;
    case BlendFactor::kInvDestColor: return 255 - dst;
  }
  return 0;
}

// src * F_src + dst * F_dst per colour channel, saturated; the target has no
// alpha, so the stored alpha byte stays 0xFF.
inline uint32_t BlendArgb(uint32_t src, uint32_t dst, BlendFactor fs, BlendFactor fd) {
  const uint32_t as = src >> 24;
  uint32_t r = 0xFF000000u;
  if (fs == BlendFactor::kSrcAlpha && fd == BlendFactor::kInvSrcAlpha) {
    // The usual pair, the same sums without the factor switches; they
    // cannot exceed 255 * 255.
    for (int sh = 0; sh < 24; sh += 8) {
      const uint32_t sum = ((src >> sh) & 0xFF) * as + ((dst >> sh) & 0xFF) * (255 - as);
      r |= ((sum + 127) / 255) << sh;
    }
    return r;
  }
  for (int sh = 0; sh < 24; sh += 8) {
    const uint32_t sc = (src >> sh) & 0xFF, dc = (dst >> sh) & 0xFF;
    const uint32_t sum =
        sc * BlendFactorValue(fs, sc, as, dc) + dc * BlendFactorValue(fd, sc, as, dc);
    const uint32_t c = (sum + 127) / 255;
    r |= (c > 255 ? 255 : c) << sh;
  }
  return r;
}

// Final colour written for a sample that passed every test.
inline uint32_t OutputColor(const PixelState& s, uint32_t src, uint32_t dst) {
  return s.blend ? BlendArgb(src, dst, s.srcBlend, s.dstBlend) : (src | 0xFF000000u);
}

// OutputColor for one draw's blend state with the factors fixed at compile
// time (a function per pair): the same sums, without the per-channel
// factor switches. Chosen once per draw.
using OutputFunction = uint32_t (*)(uint32_t src, uint32_t dst);
OutputFunction ChooseOutput(const PixelState& s);

// Depth of the triangle at a sample (offsets in 1/256 pixel), at D16.
inline uint16_t SampleDepth(const Setup& t, int px, int py, SampleOffset o) {
  const float x = static_cast<float>(px) + o.dx * (1.0f / kSubPixel);
  const float y = static_cast<float>(py) + o.dy * (1.0f / kSubPixel);
  return DepthToD16(PlaneAt(t.z, t, x, y));
}

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_PIXEL_H
