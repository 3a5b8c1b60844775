// The tiled path's walk (block coverage, four-pixel and four-sample
// coverage, depth test and write four samples at once) against the
// reference on the triangles where walks go wrong: vertices on the pixel
// grid and half-way (top-left rule ties on shared edges), slivers, tiny
// triangles between sample positions, and huge ones reaching far past the
// screen (guard-band clipping), under every depth comparison, with and
// without depth writes, alpha test and antialiasing, at every sample count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "raster_test_util.h"

namespace {

using namespace raster_test;
using raster::Compare;
using raster::Renderer;
using raster::RendererOptions;
using raster::Topology;

constexpr int kW = 140, kH = 90;

class WalkScene {
 public:
  explicit WalkScene(unsigned seed) : rng_(seed) {}

  // One random draw of `count` triangles of one kind.
  void Draw(Renderer& r) {
    State s = PlainState(kW, kH);
    s.depthEnable = rng_() % 5 != 0;
    s.depthWrite = rng_() % 3 != 0;
    s.depthFunc = static_cast<Compare>(rng_() % 8);
    s.alphaTestEnable = rng_() % 4 == 0;
    s.alphaFunc = Compare::kGreaterEqual;
    s.alphaRef = 0x80;
    s.blendEnable = rng_() % 2 == 0;
    s.srcBlend = raster::BlendFactor::kSrcAlpha;
    s.dstBlend = raster::BlendFactor::kInvSrcAlpha;
    s.multisampleAntialias = rng_() % 4 != 0;
    std::vector<ScreenVertex> v;
    const int kind = static_cast<int>(rng_() % 4);
    for (int i = 0; i < 30; ++i) {
      const float cx = Coord(-10.0f, kW + 10.0f), cy = Coord(-10.0f, kH + 10.0f);
      for (int k = 0; k < 3; ++k) {
        float x = cx, y = cy;
        switch (kind) {
          case 0:  // on the grid or half-way: samples and centres on edges
            x = std::round(cx + Coord(-20.0f, 20.0f)) + (rng_() % 2) * 0.5f;
            y = std::round(cy + Coord(-20.0f, 20.0f)) + (rng_() % 2) * 0.5f;
            break;
          case 1:  // tiny: a fraction of a pixel, between sample positions
            x += Coord(-0.6f, 0.6f);
            y += Coord(-0.6f, 0.6f);
            break;
          case 2:  // slivers: long and thin
            x += k == 0 ? 0.0f : Coord(-60.0f, 60.0f);
            y += k == 2 ? Coord(-0.3f, 0.3f) : (k == 1 ? x - cx : 0.0f) * 0.02f;
            break;
          default:  // huge: far past the screen, clipped to the guard band
            x += Coord(-1.0e5f, 1.0e5f);
            y += Coord(-1.0e5f, 1.0e5f);
            break;
        }
        const uint32_t color = static_cast<uint32_t>(rng_());
        v.push_back(V(x, y, color, 0, 0, Coord(-0.1f, 1.1f)));
      }
    }
    EXPECT_TRUE(r.DrawScreen(s, Topology::kTriangleList, v.data(), v.size(),
                             static_cast<uint32_t>(v.size() / 3)));
  }

 private:
  float Coord(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
  std::mt19937 rng_;
};

void Replay(unsigned seed, Renderer& r) {
  WalkScene scene(seed);
  r.Clear({0, 0, kW, kH}, true, 0x00102030, true, 0.5f);
  for (int d = 0; d < 30; ++d) scene.Draw(r);
  r.Flush();
}

TEST(FastWalk, MatchesReferenceOnEdgeCaseTriangles) {
  for (int samples : {1, 2, 4, 8}) {
    int mixed = 0;  // pixels whose samples differ: edges crossed pixels
    for (unsigned seed : {3u, 5u}) {
      Target ref, fast;
      ASSERT_TRUE(ref.Reset(kW, kH, samples));
      ASSERT_TRUE(fast.Reset(kW, kH, samples));
      uint64_t drawn[2] = {};
      {
        Renderer r(RendererOptions{true, 1, 0});
        r.SetTarget(&ref);
        Replay(seed, r);
        drawn[0] = r.triangles_drawn();
      }
      {
        Renderer r(RendererOptions{false, 2, 0});
        r.SetTarget(&fast);
        Replay(seed, r);
        drawn[1] = r.triangles_drawn();
      }
      EXPECT_GT(drawn[0], 400u);
      EXPECT_EQ(drawn[0], drawn[1]);
      const size_t n = static_cast<size_t>(kW) * kH * samples;
      EXPECT_EQ(std::memcmp(ref.color_data(), fast.color_data(), n * 4), 0)
          << "samples " << samples << " seed " << seed;
      EXPECT_EQ(std::memcmp(ref.depth_data(), fast.depth_data(), n * 2), 0)
          << "samples " << samples << " seed " << seed;
      for (size_t p = 0; p < n; p += static_cast<size_t>(samples)) {
        for (int k = 1; k < samples; ++k) {
          if (ref.color_data()[p + k] != ref.color_data()[p]) {
            ++mixed;
            break;
          }
        }
      }
    }
    if (samples > 1) {
      EXPECT_GT(mixed, 500) << "samples " << samples;
    }
  }
}

}  // namespace
