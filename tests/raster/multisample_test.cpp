// Multisampling: coverage per sample at the standard positions gives
// fractional edges, antialiasing off gives hard ones, resolve is exact.
#include <gtest/gtest.h>

#include "raster_test_util.h"

namespace {

using namespace raster_test;
using raster::Renderer;
using raster::RendererOptions;

// Standard sample x positions within a pixel cell (0..1 from its left side).
std::vector<double> SampleXs(int samples) {
  switch (samples) {
    case 2: return {0.75, 0.25};
    case 4: return {0.375, 0.875, 0.125, 0.625};
    case 8: return {0.5625, 0.4375, 0.8125, 0.3125, 0.1875, 0.0625, 0.6875, 0.9375};
    default: return {0.5};
  }
}

// Resolved grey level of a pixel whose samples with x in [left, right) are
// white on black.
uint32_t ExpectedGrey(int samples, double pixel, double left, double right) {
  int covered = 0;
  for (double sx : SampleXs(samples)) {
    const double x = pixel - 0.5 + sx;
    covered += x >= left && x < right;
  }
  const uint32_t v = (static_cast<uint32_t>(covered) * 255 + samples / 2) / samples;
  return 0xFF000000u | v * 0x010101u;
}

TEST(Multisample, EdgesGetFractionalCoverageUnlessAntialiasIsOff) {
  const float left = 3.2f, right = 12.0f;
  for (int samples : {2, 4, 8}) {
    for (bool antialias : {true, false}) {
      for (bool reference : {true, false}) {
        Target t;
        t.Reset(16, 6, samples);
        Renderer r(RendererOptions{reference, 2});
        r.SetTarget(&t);
        State s = PlainState(16, 6);
        s.multisampleAntialias = antialias;
        ASSERT_TRUE(DrawFan(r, s, Quad(left, -0.5f, right, 5.5f, 0xFFFFFFFF)));
        r.Flush();
        std::vector<uint32_t> expected(16 * 6);
        for (int y = 0; y < 6; ++y) {
          for (int x = 0; x < 16; ++x) {
            uint32_t want;
            if (antialias) {
              want = ExpectedGrey(samples, x, left, right);
            } else {
              want = (x >= left && x < right) ? 0xFFFFFFFF : 0xFF000000;  // centre only
            }
            expected[static_cast<size_t>(y) * 16 + x] = want;
          }
        }
        EXPECT_TRUE(ImageEquals(t, expected)) << samples << " samples, antialias " << antialias;
        if (antialias) {  // the edges really are fractional
          EXPECT_NE(expected[3] & 0xFF, 0u);
          EXPECT_NE(expected[3] & 0xFF, 255u);
        }
      }
    }
  }
}

TEST(Multisample, DepthIsTestedPerSample) {
  // A near quad over the left part of a pixel, then a far one over all of
  // it: only the samples the near quad missed take the far colour.
  for (bool reference : {true, false}) {
    Target t;
    t.Reset(4, 1, 4);
    Renderer r(RendererOptions{reference, 2});
    r.SetTarget(&t);
    r.Clear({0, 0, 4, 1}, true, 0, true, 1.0f);
    State s = PlainState(4, 1);
    s.depthEnable = true;
    ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 1.0f, 0.5f, 0xFF0000FF, 0, 0, 1, 1, 0.2f)));
    ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFF0000, 0, 0, 1, 1, 0.6f)));
    r.Flush();
    // Pixel 1: samples at x 0.875, 1.375, 0.625, 1.125; the first and third
    // are blue (near), the others red.
    EXPECT_EQ(t.color(1, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(t.color(1, 0, 1), 0xFFFF0000u);
    EXPECT_EQ(t.color(1, 0, 2), 0xFF0000FFu);
    EXPECT_EQ(t.color(1, 0, 3), 0xFFFF0000u);
    EXPECT_EQ(t.Resolved(1, 0), 0xFF800080u);
  }
}

TEST(Multisample, ResolveOfUniformColourIsExact) {
  const uint32_t colors[] = {0x00123456, 0x00FFFFFF, 0x00010203, 0x00FE7F80};
  for (int samples : {1, 2, 4, 8}) {
    for (uint32_t c : colors) {
      Target t;
      t.Reset(5, 3, samples);
      Renderer r;
      r.SetTarget(&t);
      r.Clear({0, 0, 5, 3}, true, c, false, 1.0f);
      EXPECT_TRUE(ImageEquals(t, std::vector<uint32_t>(15, 0xFF000000u | c)));
      // The same colour drawn with antialiasing over everything.
      State s = PlainState(5, 3);
      ASSERT_TRUE(DrawFan(r, s, Quad(-1.0f, -1.0f, 6.0f, 4.0f, 0xFF000000u | (c ^ 0xFFFFFF))));
      std::vector<uint32_t> out(15);
      r.Resolve(out.data(), 5 * 4);
      EXPECT_EQ(out, std::vector<uint32_t>(15, 0xFF000000u | (c ^ 0xFFFFFF)));
    }
  }
}

}  // namespace
