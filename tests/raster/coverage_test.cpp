// Which pixels a triangle covers: the top-left rule on shared edges, fans
// and meshes (every pixel exactly once), culling of both windings.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "raster_test_util.h"

namespace {

using namespace raster_test;
using raster::CullMode;
using raster::Renderer;
using raster::RendererOptions;
using raster::Topology;

constexpr uint32_t kOne = 0xFF010101;  // adds 1 per draw to each channel

// Additive state: the blue channel of each pixel counts the draws over it.
State CountingState(int w, int h) {
  State s = PlainState(w, h);
  s.blendEnable = true;
  s.srcBlend = raster::BlendFactor::kOne;
  s.dstBlend = raster::BlendFactor::kOne;
  return s;
}

struct Counted {
  Target target;
  std::vector<int> counts;
};

// Draws triangle lists on a cleared w x h target, both paths; returns counts.
Counted DrawCounted(int w, int h, std::vector<ScreenVertex> list, bool reference) {
  for (ScreenVertex& v : list) v.diffuse = kOne;
  Counted c;
  c.target.Reset(w, h, 1);
  Renderer r(RendererOptions{reference, 2});
  r.SetTarget(&c.target);
  r.Clear({0, 0, w, h}, true, 0, true, 1.0f);
  EXPECT_TRUE(r.DrawScreen(CountingState(w, h), Topology::kTriangleList, list.data(), list.size(),
                           static_cast<uint32_t>(list.size() / 3)));
  r.Flush();
  for (uint32_t p : Resolved(c.target)) c.counts.push_back(static_cast<int>(p & 0xFF));
  return c;
}

TEST(Coverage, DocumentedTrianglesCoverFifteenAndTenPixels) {
  struct Case {
    ScreenVertex a, b, c;
    int pixels;
  };
  const Case cases[] = {
      {V(0, 0), V(5, 0), V(5, 5), 15},
      {V(0, 5), V(0, 0), V(5, 5), 10},
  };
  for (const Case& k : cases) {
    for (bool reference : {true, false}) {
      Counted c = DrawCounted(8, 8, {k.a, k.b, k.c}, reference);
      int total = 0;
      for (int n : c.counts) total += n;
      EXPECT_EQ(total, k.pixels);
    }
  }
}

// Expected count for pixels of an axis-aligned integer rectangle: 1 inside
// the half-open [x0, x1) x [y0, y1), else 0.
std::vector<int> RectCounts(int w, int h, int x0, int y0, int x1, int y1) {
  std::vector<int> e(static_cast<size_t>(w) * h, 0);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) e[static_cast<size_t>(y) * w + x] = 1;
  return e;
}

TEST(Coverage, SquareSplitEitherWayDrawsEachPixelOnce) {
  const std::vector<ScreenVertex> splits[] = {
      // Diagonal from top-left to bottom-right, both windings mixed.
      {V(1, 1), V(6, 1), V(6, 6), V(1, 1), V(1, 6), V(6, 6)},
      // The other diagonal.
      {V(6, 1), V(6, 6), V(1, 6), V(1, 1), V(6, 1), V(1, 6)},
  };
  for (const auto& list : splits) {
    for (bool reference : {true, false}) {
      Counted c = DrawCounted(8, 8, list, reference);
      EXPECT_EQ(c.counts, RectCounts(8, 8, 1, 1, 6, 6));
    }
  }
}

// A fan around an off-grid centre: no pixel twice, every pixel well inside
// the hexagon exactly once.
TEST(Coverage, FanAroundOffGridCentreHasNoGapsOrOverlaps) {
  const float cx = 8.3f, cy = 7.7f;
  std::vector<ScreenVertex> ring;
  for (int i = 0; i < 6; ++i) {
    const float a = static_cast<float>(i) * 1.0471976f;
    ring.push_back(V(cx + 6.9f * std::cos(a), cy + 6.9f * std::sin(a)));
  }
  std::vector<ScreenVertex> fan = {V(cx, cy)};
  fan.insert(fan.end(), ring.begin(), ring.end());
  fan.push_back(ring[0]);
  for (ScreenVertex& v : fan) v.diffuse = kOne;
  for (bool reference : {true, false}) {
    Target t;
    t.Reset(17, 16, 1);
    Renderer r(RendererOptions{reference, 2});
    r.SetTarget(&t);
    r.Clear({0, 0, 17, 16}, true, 0, false, 1.0f);
    ASSERT_TRUE(DrawFan(r, CountingState(17, 16), fan));
    r.Flush();
    std::vector<uint32_t> px = Resolved(t);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 17; ++x) {
        const int n = static_cast<int>(px[static_cast<size_t>(y) * 17 + x] & 0xFF);
        const float d = std::hypot(x - cx, y - cy);
        EXPECT_LE(n, 1) << x << "," << y;
        if (d < 5.8f) {
          EXPECT_EQ(n, 1) << x << "," << y;  // inside the inscribed circle
        } else if (d > 7.0f) {
          EXPECT_EQ(n, 0) << x << "," << y;
        }
      }
    }
  }
}

// A jittered grid mesh over an integer rectangle: every pixel of the
// rectangle exactly once, whatever the sub-pixel positions of the inner
// vertices and the diagonal chosen per cell.
TEST(Coverage, JitteredMeshCoversRectangleExactlyOnce) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> jitter(-1.4f, 1.4f);
    constexpr int kCells = 6, kStep = 5, kOrigin = 2;
    float px[kCells + 1][kCells + 1], py[kCells + 1][kCells + 1];
    for (int j = 0; j <= kCells; ++j) {
      for (int i = 0; i <= kCells; ++i) {
        px[j][i] = static_cast<float>(kOrigin + i * kStep);
        py[j][i] = static_cast<float>(kOrigin + j * kStep);
        if (i > 0 && i < kCells) px[j][i] += jitter(rng);
        if (j > 0 && j < kCells) py[j][i] += jitter(rng);
      }
    }
    std::vector<ScreenVertex> list;
    for (int j = 0; j < kCells; ++j) {
      for (int i = 0; i < kCells; ++i) {
        const ScreenVertex a = V(px[j][i], py[j][i]), b = V(px[j][i + 1], py[j][i + 1]);
        const ScreenVertex c = V(px[j + 1][i + 1], py[j + 1][i + 1]),
                           d = V(px[j + 1][i], py[j + 1][i]);
        if (rng() % 2) {
          list.insert(list.end(), {a, b, c, a, c, d});
        } else {
          list.insert(list.end(), {a, b, d, d, c, b});  // second one counter-clockwise
        }
      }
    }
    const int size = kOrigin * 2 + kCells * kStep;
    for (bool reference : {true, false}) {
      Counted c = DrawCounted(size, size, list, reference);
      EXPECT_EQ(c.counts, RectCounts(size, size, kOrigin, kOrigin, kOrigin + kCells * kStep,
                                     kOrigin + kCells * kStep))
          << "seed " << seed;
    }
  }
}

TEST(Coverage, CullingDiscardsTheChosenScreenWinding) {
  const std::vector<ScreenVertex> clockwise = {V(1, 1), V(6, 1), V(6, 6)};
  const std::vector<ScreenVertex> counter = {V(1, 1), V(6, 6), V(6, 1)};
  struct Case {
    CullMode cull;
    bool drawsClockwise, drawsCounter;
  };
  const Case cases[] = {
      {CullMode::kNone, true, true},
      {CullMode::kCounterClockwise, true, false},
      {CullMode::kClockwise, false, true},
  };
  for (const Case& k : cases) {
    for (bool reference : {true, false}) {
      for (int which = 0; which < 2; ++which) {
        Target t;
        t.Reset(8, 8, 1);
        Renderer r(RendererOptions{reference, 1});
        r.SetTarget(&t);
        State s = PlainState(8, 8);
        s.cull = k.cull;
        const auto& tri = which == 0 ? clockwise : counter;
        ASSERT_TRUE(r.DrawScreen(s, Topology::kTriangleList, tri.data(), 3, 1));
        r.Flush();
        const bool drawn = CountPixels(t, 0xFFFFFFFF) > 0;
        EXPECT_EQ(drawn, which == 0 ? k.drawsClockwise : k.drawsCounter)
            << "cull " << static_cast<int>(k.cull) << " triangle " << which;
      }
    }
  }
}

TEST(Coverage, ViewportLimitsPreTransformedTriangles) {
  Target t;
  t.Reset(16, 16, 1);
  Renderer r;
  r.SetTarget(&t);
  State s = PlainState(16, 16);
  s.viewport = {4, 5, 6, 3, 0.0f, 1.0f};
  // A triangle far larger than the target (clipped in 2D first).
  const std::vector<ScreenVertex> huge = {V(-1e6f, -1e6f), V(1e6f, -1e6f), V(0, 1e6f)};
  ASSERT_TRUE(r.DrawScreen(s, Topology::kTriangleList, huge.data(), 3, 1));
  r.Flush();
  std::vector<uint32_t> expected(256, 0xFF000000);
  for (int y = 5; y < 8; ++y)
    for (int x = 4; x < 10; ++x) expected[static_cast<size_t>(y) * 16 + x] = 0xFFFFFFFF;
  EXPECT_TRUE(ImageEquals(t, expected));
}

TEST(Coverage, MalformedDrawsAreRefused) {
  Target t;
  t.Reset(8, 8, 1);
  Renderer r;
  State s = PlainState(8, 8);
  const std::vector<ScreenVertex> tri = {V(0, 0), V(5, 0), V(5, 5)};
  EXPECT_FALSE(r.DrawScreen(s, Topology::kTriangleList, tri.data(), 3, 1));  // no target
  r.SetTarget(&t);
  EXPECT_FALSE(r.DrawScreen(s, Topology::kTriangleList, tri.data(), 3, 2));  // too few vertices
  EXPECT_FALSE(r.DrawScreen(s, Topology::kTriangleFan, tri.data(), 3, 2));
  uint32_t texel = 0xFFFFFFFF;
  s.stage.colorArg1 = raster::TextureArg::kTexture;
  s.texture = {&texel, 1, 1, 2};  // pitch smaller than a row
  EXPECT_FALSE(r.DrawScreen(s, Topology::kTriangleList, tri.data(), 3, 1));
  r.Flush();
  EXPECT_EQ(CountPixels(t, 0xFF000000), 64);
  EXPECT_FALSE(t.Reset(0, 4, 1));
  EXPECT_FALSE(t.Reset(4, 4, 3));
}

}  // namespace
