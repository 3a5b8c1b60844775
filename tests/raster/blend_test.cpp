// Frame-buffer operations: every blend pair on known colours, the alpha
// test, and the depth test at D16 precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "raster_test_util.h"

namespace {

using namespace raster_test;
using raster::BlendFactor;
using raster::Compare;
using raster::Renderer;
using raster::RendererOptions;

// Factor value for one channel, on 0..1, as the blending table defines it;
// the target's alpha reads 1.
double Factor(BlendFactor f, double s, double as, double d) {
  switch (f) {
    case BlendFactor::kZero: return 0;
    case BlendFactor::kOne: return 1;
    case BlendFactor::kSrcColor: return s;
    case BlendFactor::kInvSrcColor: return 1 - s;
    case BlendFactor::kSrcAlpha: return as;
    case BlendFactor::kInvSrcAlpha: return 1 - as;
    case BlendFactor::kDestAlpha: return 1;
    case BlendFactor::kInvDestAlpha: return 0;
    case BlendFactor::kDestColor: return d;
    case BlendFactor::kInvDestColor: return 1 - d;
  }
  return -1;
}

uint32_t ExpectedBlend(uint32_t src, uint32_t dst, BlendFactor fs, BlendFactor fd) {
  const double as = (src >> 24) / 255.0;
  uint32_t out = 0xFF000000;
  for (int sh = 0; sh < 24; sh += 8) {
    const double s = ((src >> sh) & 0xFF) / 255.0, d = ((dst >> sh) & 0xFF) / 255.0;
    const double v = s * Factor(fs, s, as, d) + d * Factor(fd, s, as, d);
    out |= static_cast<uint32_t>(std::lround(std::min(v, 1.0) * 255.0)) << sh;
  }
  return out;
}

TEST(Blend, EveryPairOnKnownColours) {
  const std::pair<BlendFactor, BlendFactor> pairs[] = {
      {BlendFactor::kSrcAlpha, BlendFactor::kInvSrcAlpha},
      {BlendFactor::kSrcAlpha, BlendFactor::kOne},
      {BlendFactor::kDestColor, BlendFactor::kZero},
      {BlendFactor::kInvDestColor, BlendFactor::kInvSrcColor},
      {BlendFactor::kOne, BlendFactor::kInvSrcColor},
      {BlendFactor::kZero, BlendFactor::kInvSrcColor},
      {BlendFactor::kDestColor, BlendFactor::kOne},
      {BlendFactor::kOne, BlendFactor::kZero},
      {BlendFactor::kSrcColor, BlendFactor::kDestAlpha},
      {BlendFactor::kInvDestAlpha, BlendFactor::kOne},
      {BlendFactor::kOne, BlendFactor::kOne},
  };
  const uint32_t sources[] = {0x80C08040, 0xFFFFFFFF, 0x10FF0001, 0x00808080};
  const uint32_t dests[] = {0x604020, 0xFFFFFF, 0x000000, 0x7F80FE};
  for (const auto& [fs, fd] : pairs) {
    for (uint32_t src : sources) {
      for (uint32_t dst : dests) {
        Target t;
        t.Reset(2, 2, 1);
        Renderer r(RendererOptions{true, 1});
        r.SetTarget(&t);
        r.Clear({0, 0, 2, 2}, true, dst, false, 1.0f);
        State s = PlainState(2, 2);
        s.blendEnable = true;
        s.srcBlend = fs;
        s.dstBlend = fd;
        ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 1.5f, 1.5f, src)));
        EXPECT_EQ(t.color(1, 0, 0), ExpectedBlend(src, dst, fs, fd))
            << std::hex << "src " << src << " dst " << dst << " factors " << std::dec
            << static_cast<int>(fs) << "/" << static_cast<int>(fd);
      }
    }
  }
}

TEST(Blend, AlphaTestDiscardsBeforeColourAndDepth) {
  struct Case {
    Compare func;
    uint8_t ref;
    uint32_t alpha;
    bool drawn;
  };
  const Case cases[] = {
      {Compare::kGreater, 0, 0, false},
      {Compare::kGreater, 0, 1, true},
      {Compare::kGreaterEqual, 0x80, 0x7F, false},
      {Compare::kGreaterEqual, 0x80, 0x80, true},
      {Compare::kLess, 0x80, 0x7F, true},
      {Compare::kEqual, 0x40, 0x41, false},
      {Compare::kNever, 0, 0xFF, false},
      {Compare::kAlways, 0, 0, true},
  };
  for (const Case& k : cases) {
    Target t;
    t.Reset(2, 2, 1);
    Renderer r(RendererOptions{true, 1});
    r.SetTarget(&t);
    r.Clear({0, 0, 2, 2}, true, 0, true, 1.0f);
    State s = PlainState(2, 2);
    s.depthEnable = true;
    s.alphaTestEnable = true;
    s.alphaFunc = k.func;
    s.alphaRef = k.ref;
    ASSERT_TRUE(
        DrawFan(r, s, Quad(-0.5f, -0.5f, 1.5f, 1.5f, k.alpha << 24 | 0x00FF00, 0, 0, 1, 1, 0.25f)));
    EXPECT_EQ(t.color(0, 0, 0), k.drawn ? 0xFF00FF00u : 0xFF000000u) << "case alpha " << k.alpha;
    EXPECT_EQ(t.depth(0, 0, 0), k.drawn ? raster::DepthToD16(0.25f) : 0xFFFF);
  }
}

// Three quads in a row: z equal to the stored value at D16 passes
// LESSEQUAL, one D16 step further fails.
TEST(Blend, DepthLessEqualAtD16Precision) {
  const float base = 16384.0f / 65535.0f;  // exactly on a D16 value
  ASSERT_EQ(raster::DepthToD16(base), 16384);
  struct Step {
    float z;
    uint32_t color;
    bool drawn;
  };
  const Step steps[] = {
      {base, 0xFF0000FF, true},
      {base + 0.3f / 65535.0f, 0xFF00FF00, true},   // same D16 value: passes
      {base + 0.7f / 65535.0f, 0xFFFF0000, false},  // next D16 value: fails
      {base - 0.7f / 65535.0f, 0xFFFFFFFF, true},   // nearer: passes and writes
  };
  for (bool reference : {true, false}) {
    Target t;
    t.Reset(4, 4, 1);
    Renderer r(RendererOptions{reference, 2});
    r.SetTarget(&t);
    r.Clear({0, 0, 4, 4}, true, 0, true, 1.0f);
    State s = PlainState(4, 4);
    s.depthEnable = true;
    s.depthFunc = Compare::kLessEqual;
    uint32_t expected = 0xFF000000;
    uint16_t expectedDepth = 0xFFFF;
    for (const Step& k : steps) {
      ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 3.5f, 3.5f, k.color, 0, 0, 1, 1, k.z)));
      r.Flush();
      if (k.drawn) {
        expected = k.color;
        expectedDepth = raster::DepthToD16(k.z);
      }
      EXPECT_EQ(t.color(2, 2, 0), expected) << "z " << k.z;
      EXPECT_EQ(t.depth(2, 2, 0), expectedDepth);
    }
    // Depth write off: the test still applies but the buffer keeps its value.
    s.depthWrite = false;
    ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF123456, 0, 0, 1, 1, 0.0f)));
    r.Flush();
    EXPECT_EQ(t.color(2, 2, 0), 0xFF123456u);
    EXPECT_EQ(t.depth(2, 2, 0), expectedDepth);
    // Depth off: drawn whatever the buffer holds, nothing written.
    s.depthEnable = false;
    s.depthWrite = true;
    ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF654321, 0, 0, 1, 1, 1.0f)));
    r.Flush();
    EXPECT_EQ(t.color(2, 2, 0), 0xFF654321u);
    EXPECT_EQ(t.depth(2, 2, 0), expectedDepth);
  }
}

TEST(Blend, ClearCoversOnlyItsRectangle) {
  Target t;
  t.Reset(5, 4, 2);
  Renderer r;
  r.SetTarget(&t);
  r.Clear({1, 1, 10, 2, 0.0f, 1.0f}, true, 0x00ABCDEF, true, 0.25f);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const bool in = x >= 1 && y >= 1 && y < 3;
      for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(t.color(x, y, k), in ? 0xFFABCDEFu : 0xFF000000u);
        EXPECT_EQ(t.depth(x, y, k), in ? 16384 : 0xFFFF);
      }
    }
  }
}

}  // namespace
