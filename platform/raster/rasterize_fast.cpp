// The fast traversal used by the tiled path.
#include <algorithm>
#include <chrono>

#include "raster/rasterize.h"
#include "raster/sample_simd.h"
#include "raster/shade_row.h"

namespace raster {

namespace {

constexpr int kBlock = 8;

// Up to four pixels of a row with their covered samples. When coverage is
// timed apart, a triangle's part of a tile is covered whole before any of it
// is shaded (coverage never reads the target, and the groups are shaded in
// the order they were found, so the target ends as the interleaved walk
// leaves it).
struct Group {
  int16_t x, y;
  uint8_t count;
  uint8_t mask[4];
};
// A 64x64 tile holds at most 64 * 16 groups.
constexpr int kTileRows = 64;  // the largest rectangle one coverage pass takes
constexpr int kMaxGroups = kTileRows * kTileRows / 4;

struct Groups {
  Group items[kMaxGroups];
  int size = 0;
  // Rectangles of at most kTileRows square never fill it (two groups per
  // 8-pixel block row); the check keeps a fault from writing past it.
  void Add(int x, int y, int count, const unsigned mask[4]) {
    if (size == kMaxGroups) return;
    items[size++] = {static_cast<int16_t>(x),
                     static_cast<int16_t>(y),
                     static_cast<uint8_t>(count),
                     {static_cast<uint8_t>(mask[0]), static_cast<uint8_t>(mask[1]),
                      static_cast<uint8_t>(mask[2]), static_cast<uint8_t>(mask[3])}};
  }
};

struct Walk {
  const Setup& t;
  const PixelState& s;
  Target& target;
  int samples;
  unsigned allSamples;
  SampleOffset offsets[8];
  int64_t sampleDelta[3][8];  // edge change from the centre to each sample
  bool flat;                  // w and diffuse below hold for every pixel
  float w;
  uint32_t diffuse;
  OutputFunction output;  // OutputColor for this draw's blend state
  bool centred;           // every sample at the pixel centre (1 sample or no antialiasing)
  EdgeDeltas4 row4;       // edge change from a pixel centre to the next three
  EdgeDeltas4 sample4;    // sampleDelta of four samples (at four samples)
  SampleOffsets4 offsets4;
};

// Depth test of one pixel's covered samples (all of them pass without a
// depth test); the depths to write go to z. Returns the passing samples.
// centreZ: the depth at the pixel centre, used when every sample sits there.
unsigned DepthPass(const Walk& w, int x, int y, unsigned mask, uint16_t centreZ, uint16_t z[8]) {
  const PixelState& s = w.s;
  const uint16_t* depths = w.target.depth_data() + w.target.Index(x, y, 0);
  unsigned pass = 0;
  if (!w.centred) {
    for (int k = 0; k < w.samples; ++k) {
      if ((mask & (1u << k)) == 0) continue;
      z[k] = SampleDepth(w.t, x, y, w.offsets[k]);
      if (Passes(s.depthFunc, z[k], depths[k])) pass |= 1u << k;
    }
  } else {
    for (int k = 0; k < w.samples; ++k) {
      z[k] = centreZ;
      if ((mask & (1u << k)) != 0 && Passes(s.depthFunc, centreZ, depths[k])) pass |= 1u << k;
    }
  }
  return pass;
}

// Alpha test, depth write and blend of one shaded pixel's passing samples.
void WritePixel(const Walk& w, int x, int y, unsigned pass, const uint16_t z[8], uint32_t color) {
  const PixelState& s = w.s;
  if (s.alphaTest && !Passes(s.alphaFunc, color >> 24, s.alphaRef)) return;
  const size_t base = w.target.Index(x, y, 0);
  uint16_t* depths = w.target.depth_data() + base;
  uint32_t* colors = w.target.color_data() + base;
  for (int k = 0; k < w.samples; ++k) {
    if ((pass & (1u << k)) == 0) continue;
    if (s.depthWrite) depths[k] = z[k];
    colors[k] = w.output(color, colors[k]);
  }
}

// Lanes of `live` whose shaded colour passes the alpha test.
unsigned AlphaPasses(const PixelState& s, unsigned live, const uint32_t color[4]) {
  if (!s.alphaTest) return live;
  for (int i = 0; i < 4; ++i)
    if ((live & (1u << i)) != 0 && !Passes(s.alphaFunc, color[i] >> 24, s.alphaRef))
      live &= ~(1u << i);
  return live;
}

// Stage 0 for the lanes 0..count-1 that have a passing sample; returns
// those lanes (0: nothing shaded).
unsigned ShadePassing(const Walk& w, int x, int y, const unsigned pass[4], int count,
                      uint32_t colors[4]) {
  unsigned live = 0;
  for (int i = 0; i < count; ++i)
    if (pass[i] != 0) live |= 1u << i;
  if (live != 0) ShadeRow4(w.t, w.s, x, y, live, w.flat, w.w, w.diffuse, colors);
  return live;
}

// Four whole pixels of a row at one sample: the four centre depths tested,
// shaded, alpha-tested and written at once.
template <class Mask>
void ShadeRowOfFour(const Walk& w, int x, int y, const Mask mask[4]) {
  const PixelState& s = w.s;
  const size_t base = w.target.Index(x, y, 0);
  uint16_t* depths = w.target.depth_data() + base;
  unsigned live = 0;
  for (int i = 0; i < 4; ++i)
    if (mask[i] != 0) live |= 1u << i;
  alignas(8) uint16_t z[4];
  if (s.depthTest) {
    CentreDepthRow4(w.t, x, y, z);
    live &= DepthTest4(s.depthFunc, LoadDepths4(z), LoadDepths4(depths));
  }
  if (live == 0) return;
  uint32_t colors[4] = {};
  ShadeRow4(w.t, s, x, y, live, w.flat, w.w, w.diffuse, colors);
  live = AlphaPasses(s, live, colors);
  if (live == 0) return;
  if (s.depthWrite) WriteDepths4(z, live, depths);
  WriteColors4(s, w.output, colors, live, w.target.color_data() + base);
}

// Pixels x..x+count-1 of row y at four samples: each pixel's four sample
// depths computed and tested at once, the group shaded once, then each
// pixel's passing samples written at once.
template <class Mask>
void ShadeFourSamples(const Walk& w, int x, int y, const Mask mask[4], int count) {
  const PixelState& s = w.s;
  const size_t base = w.target.Index(x, y, 0);
  uint16_t* depths = w.target.depth_data() + base;
  uint32_t* targetColors = w.target.color_data() + base;
  unsigned pass[4] = {};
  alignas(8) uint16_t z[4][4];
  if (s.depthTest) {
    alignas(8) uint16_t centre[4] = {};
    if (w.centred) CentreDepthRow4(w.t, x, y, centre);
    for (int i = 0; i < count; ++i) {
      if (mask[i] == 0) continue;
      const __m128i zi =
          w.centred ? _mm_set1_epi32(centre[i]) : SampleDepths4(w.t, x + i, y, w.offsets4);
      pass[i] = DepthTest4(s.depthFunc, zi, LoadDepths4(depths + 4 * i)) & mask[i];
      if (s.depthWrite) StoreDepths4(zi, z[i]);
    }
  } else {
    for (int i = 0; i < count; ++i) pass[i] = mask[i];
  }
  uint32_t colors[4] = {};
  const unsigned live = AlphaPasses(s, ShadePassing(w, x, y, pass, count, colors), colors);
  for (int i = 0; i < count; ++i) {
    if ((live & (1u << i)) == 0) continue;
    if (s.depthWrite) WriteDepths4(z[i], pass[i], depths + 4 * i);
    const uint32_t src[4] = {colors[i], colors[i], colors[i], colors[i]};
    WriteColors4(s, w.output, src, pass[i], targetColors + 4 * i);
  }
}

// Pixels x..x+count-1 (count 1..4) of row y with their covered samples:
// depth first, so fully hidden groups are never textured, then stage 0 for
// the four lanes at once, then the per-pixel writes. Pixels never share
// samples, so doing each stage for the group before the next stage leaves
// the target as pixel-by-pixel order does.
template <class Mask>
void ShadeGroup(const Walk& w, int x, int y, const Mask mask[4], int count) {
  if (w.samples == 1 && count == 4) return ShadeRowOfFour(w, x, y, mask);
  if (w.samples == 4) return ShadeFourSamples(w, x, y, mask, count);
  unsigned pass[4] = {};
  uint16_t z[4][8];
  if (w.s.depthTest) {
    uint16_t centre[4] = {};
    if (w.centred) CentreDepthRow4(w.t, x, y, centre);
    for (int i = 0; i < count; ++i)
      if (mask[i] != 0) pass[i] = DepthPass(w, x + i, y, mask[i], centre[i], z[i]);
  } else {
    for (int i = 0; i < count; ++i) pass[i] = mask[i];
  }
  uint32_t colors[4] = {};
  if (ShadePassing(w, x, y, pass, count, colors) == 0) return;
  for (int i = 0; i < count; ++i)
    if (pass[i] != 0) WritePixel(w, x + i, y, pass[i], z[i], colors[i]);
}

// Per-sample coverage within one block, stepping edge values by pixel.
template <class Sink>
void CoverPartial(const Walk& w, int x0, int y0, int x1, int y1, Sink& sink) {
  const Setup& t = w.t;
  int64_t row[3], stepX[3], stepY[3];
  for (int i = 0; i < 3; ++i) {
    stepX[i] = t.a[i] * kSubPixel;
    stepY[i] = t.b[i] * kSubPixel;
    row[i] = t.a[i] * (int64_t{x0} * kSubPixel) + t.b[i] * (int64_t{y0} * kSubPixel) + t.c[i];
  }
  for (int y = y0; y <= y1; ++y) {
    int64_t e[3] = {row[0], row[1], row[2]};
    for (int gx = x0; gx <= x1; gx += 4) {
      const int count = std::min(4, x1 - gx + 1);
      unsigned masks[4] = {};
      unsigned any = 0;
      if (w.centred) {
        // Four pixel centres at once; all samples sit there.
        any = CoverFour(e, w.row4) & ((1u << count) - 1);
        for (int j = 0; j < count; ++j) masks[j] = (any >> j & 1u) != 0 ? w.allSamples : 0;
        for (int i = 0; i < 3; ++i) e[i] += 4 * stepX[i];
        if (any != 0) sink(gx, y, count, masks);
        continue;
      }
      if (w.samples == 4) {
        for (int j = 0; j < count; ++j) {
          masks[j] = CoverFour(e, w.sample4);
          any |= masks[j];
          for (int i = 0; i < 3; ++i) e[i] += stepX[i];
        }
        if (any != 0) sink(gx, y, count, masks);
        continue;
      }
      for (int j = 0; j < count; ++j) {
        unsigned mask = 0;
        for (int k = 0; k < w.samples; ++k) {
          if (e[0] + w.sampleDelta[0][k] >= 0 && e[1] + w.sampleDelta[1][k] >= 0 &&
              e[2] + w.sampleDelta[2][k] >= 0)
            mask |= 1u << k;
        }
        masks[j] = mask;
        any |= mask;
        for (int i = 0; i < 3; ++i) e[i] += stepX[i];
      }
      if (any != 0) sink(gx, y, count, masks);
    }
    for (int i = 0; i < 3; ++i) row[i] += stepY[i];
  }
}

// The coverage pass over the rectangle rx0..rx1, ry0..ry1.
// sink(x, y, count, masks) takes each group found, in order.
template <class Sink>
void Cover(const Walk& w, int rx0, int ry0, int rx1, int ry1, int minDx, int maxDx, int minDy,
           int maxDy, Sink& sink) {
  const Setup& t = w.t;
  // Small triangles: no block classification.
  if (rx1 - rx0 < kBlock && ry1 - ry0 < kBlock) {
    CoverPartial(w, rx0, ry0, rx1, ry1, sink);
    return;
  }
  for (int by = ry0; by <= ry1; by += kBlock) {
    const int by1 = std::min(by + kBlock - 1, ry1);
    for (int bx = rx0; bx <= rx1; bx += kBlock) {
      const int bx1 = std::min(bx + kBlock - 1, rx1);
      // Every sample of the block lies in this rectangle; an edge function
      // is linear, so its extremes over it are at the corners.
      const int64_t X0 = int64_t{bx} * kSubPixel + minDx, X1 = int64_t{bx1} * kSubPixel + maxDx;
      const int64_t Y0 = int64_t{by} * kSubPixel + minDy, Y1 = int64_t{by1} * kSubPixel + maxDy;
      bool outside = false, inside = true;
      for (int i = 0; i < 3 && !outside; ++i) {
        const int64_t ax0 = t.a[i] * X0, ax1 = t.a[i] * X1, by0 = t.b[i] * Y0, by1v = t.b[i] * Y1;
        const int64_t lo = std::min(ax0, ax1) + std::min(by0, by1v) + t.c[i];
        const int64_t hi = std::max(ax0, ax1) + std::max(by0, by1v) + t.c[i];
        if (hi < 0) outside = true;
        if (lo < 0) inside = false;
      }
      if (outside) continue;
      if (!inside) {
        CoverPartial(w, bx, by, bx1, by1, sink);
        continue;
      }
      const unsigned all[4] = {w.allSamples, w.allSamples, w.allSamples, w.allSamples};
      for (int y = by; y <= by1; ++y)
        for (int x = bx; x <= bx1; x += 4) sink(x, y, std::min(4, bx1 - x + 1), all);
    }
  }
}

}  // namespace

void DrawTriangleFast(const Setup& t, const PixelState& s, Target& target, const Rect& clip,
                      double* coverageSeconds) {
  const int rx0 = std::max(t.box.x0, clip.x0), ry0 = std::max(t.box.y0, clip.y0);
  const int rx1 = std::min(t.box.x1, clip.x1), ry1 = std::min(t.box.y1, clip.y1);
  if (rx0 > rx1 || ry0 > ry1) return;
  using Clock = std::chrono::steady_clock;
  Clock::time_point start;
  if (coverageSeconds != nullptr) start = Clock::now();

  Walk w{t,
         s,
         target,
         target.samples(),
         0,
         {},
         {},
         FlatWAndDiffuse(t),
         0.0f,
         0,
         ChooseOutput(s),
         !s.antialias || target.samples() == 1,
         {},
         {},
         {}};
  if (w.flat) {
    w.w = PixelW(t, t.ox, t.oy);
    w.diffuse = PixelDiffuse(t, t.ox, t.oy, w.w);
  }
  w.allSamples = (1u << w.samples) - 1;
  const SampleOffset* pattern = SamplePattern(w.samples);
  int minDx = 0, maxDx = 0, minDy = 0, maxDy = 0;
  for (int k = 0; k < w.samples; ++k) {
    w.offsets[k] = s.antialias ? pattern[k] : SampleOffset{0, 0};
    minDx = std::min<int>(minDx, w.offsets[k].dx);
    maxDx = std::max<int>(maxDx, w.offsets[k].dx);
    minDy = std::min<int>(minDy, w.offsets[k].dy);
    maxDy = std::max<int>(maxDy, w.offsets[k].dy);
    for (int i = 0; i < 3; ++i)
      w.sampleDelta[i][k] = t.a[i] * w.offsets[k].dx + t.b[i] * w.offsets[k].dy;
  }
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 4; ++k) {
      w.row4.d[i][k] = t.a[i] * kSubPixel * k;
      w.sample4.d[i][k] = w.sampleDelta[i][k & (w.samples - 1)];
    }
  if (w.samples == 4) w.offsets4 = MakeSampleOffsets4(w.offsets);

  if (coverageSeconds == nullptr) {
    // Each group is shaded as soon as it is found.
    auto shade = [&](int x, int y, int count, const unsigned masks[4]) {
      ShadeGroup(w, x, y, masks, count);
    };
    Cover(w, rx0, ry0, rx1, ry1, minDx, maxDx, minDy, maxDy, shade);
    return;
  }
  // Timed apart: the groups of up to a tile are found, then shaded.
  thread_local Groups groups;
  auto add = [&](int x, int y, int count, const unsigned masks[4]) {
    groups.Add(x, y, count, masks);
  };
  for (int ty = ry0; ty <= ry1; ty += kTileRows) {
    for (int tx = rx0; tx <= rx1; tx += kTileRows) {
      groups.size = 0;
      Cover(w, tx, ty, std::min(tx + kTileRows - 1, rx1), std::min(ty + kTileRows - 1, ry1), minDx,
            maxDx, minDy, maxDy, add);
      const Clock::time_point now = Clock::now();
      *coverageSeconds += std::chrono::duration<double>(now - start).count();
      for (int g = 0; g < groups.size; ++g) {
        const Group& group = groups.items[g];
        ShadeGroup(w, group.x, group.y, group.mask, group.count);
      }
      start = Clock::now();
    }
  }
}

}  // namespace raster
