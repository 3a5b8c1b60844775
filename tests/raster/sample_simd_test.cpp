// The four-sample coverage and depth routines (sample_simd.h) against the
// scalar rules they replace, lane by lane: the edge test on set-up
// triangles (top-left ties, tiny and huge ones, every sample pattern the
// walk uses), SampleDepth on random and extreme planes, Passes for every
// comparison, and the masked depth store.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "raster/pixel.h"
#include "raster/sample_simd.h"
#include "raster/setup.h"

namespace {

using raster::Compare;
using raster::EdgeDeltas4;
using raster::Plane;
using raster::SampleOffset;
using TriangleSetup = raster::Setup;
using raster::Vert;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

Vert At(float x, float y) {
  Vert v{};
  v.p[0] = x;
  v.p[1] = y;
  v.p[3] = 1.0f;
  return v;
}

// The edge values at the pixel and the deltas as the fast walk forms them:
// four samples of one pixel, or the centres of four pixels of a row.
struct Probe {
  int64_t e[3];
  EdgeDeltas4 samples, row;
};

Probe MakeProbe(const TriangleSetup& t, const SampleOffset pattern[4], int x, int y) {
  Probe p{};
  for (int i = 0; i < 3; ++i) {
    p.e[i] = t.a[i] * (int64_t{x} * raster::kSubPixel) + t.b[i] * (int64_t{y} * raster::kSubPixel) +
             t.c[i];
    for (int k = 0; k < 4; ++k) {
      p.samples.d[i][k] = t.a[i] * pattern[k].dx + t.b[i] * pattern[k].dy;
      p.row.d[i][k] = t.a[i] * raster::kSubPixel * k;
    }
  }
  return p;
}

// The reference's test of one sample position in 1/256 pixel.
bool Inside(const TriangleSetup& t, int64_t X, int64_t Y) {
  for (int i = 0; i < 3; ++i)
    if (t.a[i] * X + t.b[i] * Y + t.c[i] < 0) return false;
  return true;
}

TEST(SampleSimd, CoverFourMatchesTheEdgeTestOnSetUpTriangles) {
  std::mt19937 rng(1209);
  const raster::Rect screen{-8192, -8192, 8191, 8191};
  const SampleOffset* pattern = raster::SamplePattern(4);
  int ties = 0, partial = 0, rounds = 0;
  for (int round = 0; round < 6000; ++round) {
    // Tiny, ordinary and huge triangles, some with vertices on the pixel
    // grid or half-way so that samples fall exactly on edges.
    const float extent = std::array<float, 4>{0.7f, 6.0f, 90.0f, 6000.0f}[round % 4];
    std::uniform_real_distribution<float> coord(-extent, extent);
    const float cx = std::uniform_real_distribution<float>(-100.0f, 100.0f)(rng);
    const float cy = std::uniform_real_distribution<float>(-100.0f, 100.0f)(rng);
    Vert v[3];
    for (Vert& vert : v) {
      vert = At(cx + coord(rng), cy + coord(rng));
      if (rng() % 3 == 0)
        for (int c = 0; c < 2; ++c) vert.p[c] = std::round(vert.p[c] * 2.0f) * 0.5f;
    }
    TriangleSetup t;
    if (!raster::SetupTriangle(v[0], v[1], v[2], raster::CullMode::kNone, screen, 0, &t)) continue;
    ++rounds;
    for (int probe = 0; probe < 24; ++probe) {
      // Pixels near a vertex, where coverage changes, and anywhere in the box.
      const int x = probe % 2 == 0 ? static_cast<int>(std::floor(v[probe % 3].p[0])) +
                                         static_cast<int>(rng() % 5) - 2
                                   : t.box.x0 + static_cast<int>(rng() % (t.box.x1 - t.box.x0 + 1));
      const int y = probe % 2 == 0 ? static_cast<int>(std::floor(v[probe % 3].p[1])) +
                                         static_cast<int>(rng() % 5) - 2
                                   : t.box.y0 + static_cast<int>(rng() % (t.box.y1 - t.box.y0 + 1));
      const Probe p = MakeProbe(t, pattern, x, y);
      unsigned wantSamples = 0, wantRow = 0;
      for (int k = 0; k < 4; ++k) {
        const int64_t X = int64_t{x} * raster::kSubPixel, Y = int64_t{y} * raster::kSubPixel;
        if (Inside(t, X + pattern[k].dx, Y + pattern[k].dy)) wantSamples |= 1u << k;
        if (Inside(t, X + k * raster::kSubPixel, Y)) wantRow |= 1u << k;
        for (int i = 0; i < 3; ++i)
          ties += t.a[i] * (X + k * raster::kSubPixel) + t.b[i] * Y + t.c[i] + 1 >= 0 &&
                  t.a[i] * (X + k * raster::kSubPixel) + t.b[i] * Y + t.c[i] <= 0;
      }
      partial += wantSamples != 0 && wantSamples != 0xF;
      ASSERT_EQ(raster::CoverFour(p.e, p.samples), wantSamples)
          << "round " << round << " pixel (" << x << ", " << y << ")";
      ASSERT_EQ(raster::CoverFour(p.e, p.row), wantRow)
          << "round " << round << " row at (" << x << ", " << y << ")";
    }
  }
  EXPECT_GT(rounds, 5000);
  EXPECT_GT(ties, 200) << "samples exactly on an edge (0 or the top-left rule's -1)";
  EXPECT_GT(partial, 2000);
}

TEST(SampleSimd, CoverFourAtTheSignBoundaryAndFar) {
  struct Case {
    int64_t e, d;
    bool covered;
  };
  const int64_t big = int64_t{1} << 50;
  const Case cases[] = {
      {0, 0, true},      {-1, 0, false},         {0, -1, false},         {-1, 1, true},
      {big, -big, true}, {big, -big - 1, false}, {-big, big - 1, false}, {big, big, true},
  };
  for (const Case& c : cases) {
    for (int lane = 0; lane < 4; ++lane)
      for (int edge = 0; edge < 3; ++edge) {
        // Only the chosen edge and lane are at stake; the rest are inside.
        int64_t e[3] = {5, 5, 5};
        EdgeDeltas4 d{};
        e[edge] = c.e;
        for (int k = 0; k < 4; ++k) d.d[edge][k] = k == lane ? c.d : 5 - c.e;
        const unsigned want = 0xFu & ~(c.covered ? 0u : 1u << lane);
        EXPECT_EQ(raster::CoverFour(e, d), want) << c.e << " + " << c.d << " lane " << lane;
      }
  }
}

TEST(SampleSimd, SampleDepthsMatchSampleDepthPerSample) {
  std::mt19937 rng(77);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const SampleOffset* pattern = raster::SamplePattern(4);
  const raster::SampleOffsets4 offsets = raster::MakeSampleOffsets4(pattern);
  const float odd[] = {kNaN, kInf, -kInf, 0.0f, -0.0f, 1.0f, 0.99999994f, 1e-30f, -1e-30f, 1e30f};
  for (int round = 0; round < 100000; ++round) {
    TriangleSetup t{};
    t.ox = unit(rng) * 900.0f - 50.0f;
    t.oy = unit(rng) * 700.0f - 50.0f;
    t.z = {unit(rng) * 1.4f - 0.2f, (unit(rng) - 0.5f) * 0.02f, (unit(rng) - 0.5f) * 0.02f};
    if (round % 7 == 0) t.z.f0 = odd[rng() % 10];
    if (round % 11 == 0) t.z.dx = odd[rng() % 10];
    if (round % 13 == 0) t.z = {1.0f - 1e-7f * static_cast<float>(rng() % 4), 0.0f, 0.0f};
    const int x = static_cast<int>(rng() % 1000) - 100, y = static_cast<int>(rng() % 800) - 100;
    alignas(8) uint16_t got[4];
    raster::StoreDepths4(raster::SampleDepths4(t, x, y, offsets), got);
    for (int k = 0; k < 4; ++k)
      ASSERT_EQ(got[k], raster::SampleDepth(t, x, y, pattern[k]))
          << "round " << round << " sample " << k << " z " << t.z.f0 << " " << t.z.dx << " "
          << t.z.dy;
  }
}

TEST(SampleSimd, DepthTestMatchesPassesForEveryComparison) {
  const uint16_t corners[] = {0, 1, 0x7FFE, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
  std::mt19937 rng(5);
  for (int f = 0; f < 8; ++f) {
    const Compare func = static_cast<Compare>(f);
    for (int round = 0; round < 4000; ++round) {
      alignas(8) uint16_t z[4], stored[4];
      for (int k = 0; k < 4; ++k) {
        // Corner pairs first (every pair over the rounds), then random
        // values, often equal.
        if (round < 64) {
          z[k] = corners[(round + k) % 8];
          stored[k] = corners[(round / 8 + k) % 8];
        } else {
          z[k] = static_cast<uint16_t>(rng());
          stored[k] = rng() % 3 == 0 ? z[k] : static_cast<uint16_t>(rng());
        }
      }
      unsigned want = 0;
      for (int k = 0; k < 4; ++k)
        if (raster::Passes(func, z[k], stored[k])) want |= 1u << k;
      ASSERT_EQ(raster::DepthTest4(func, raster::LoadDepths4(z), raster::LoadDepths4(stored)), want)
          << "function " << f << " round " << round;
    }
  }
}

TEST(SampleSimd, DepthStoresRoundTripAndKeepUnwrittenLanes) {
  std::mt19937 rng(9);
  for (unsigned lanes = 0; lanes < 16; ++lanes) {
    for (int round = 0; round < 200; ++round) {
      alignas(8) uint16_t z[4], stored[6], packed[4];
      for (int k = 0; k < 4; ++k)
        z[k] = round < 2 ? static_cast<uint16_t>(round * 0xFFFF ^ k) : static_cast<uint16_t>(rng());
      for (uint16_t& s : stored) s = static_cast<uint16_t>(rng());
      raster::StoreDepths4(raster::LoadDepths4(z), packed);
      ASSERT_EQ(std::memcmp(packed, z, sizeof z), 0);
      uint16_t before[6];
      std::memcpy(before, stored, sizeof stored);
      raster::WriteDepths4(z, lanes, stored + 1);
      EXPECT_EQ(stored[0], before[0]);
      EXPECT_EQ(stored[5], before[5]);
      for (int k = 0; k < 4; ++k)
        ASSERT_EQ(stored[1 + k], (lanes & (1u << k)) ? z[k] : before[1 + k])
            << "lanes " << lanes << " lane " << k;
    }
  }
}

}  // namespace
