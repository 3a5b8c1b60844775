// The fast path's routines against the scalar ones they replace, on random
// and extreme inputs, at every SIMD level this CPU runs (SSE2, AVX2): the
// four-lane stage 0 and centre depth (shade_row.h) against ShadePixel /
// ShadeWith / SampleDepth lane by lane, and the per-draw blend functions
// against OutputColor for every factor pair, and the four-lane colour write
// against OutputColor lane by lane. Bit-identical or failed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "raster/pixel.h"
#include "raster/shade_row.h"
#include "raster/simd.h"

namespace {

using raster::Address;
using raster::BlendFactor;
using raster::Filter;
using raster::PixelState;
using raster::Plane;
using TriangleSetup = raster::Setup;
using raster::State;
using raster::TextureArg;
using raster::TextureOp;

class FastRoutines : public ::testing::TestWithParam<raster::Simd> {
 protected:
  void SetUp() override {
    before_ = raster::PixelSimd();
    if (!raster::SetPixelSimd(GetParam())) GTEST_SKIP() << "this CPU lacks the level";
    ASSERT_EQ(raster::PixelSimd(), GetParam());
  }
  void TearDown() override { raster::SetPixelSimd(before_); }

  template <class T>
  T Pick(std::initializer_list<T> items) {
    return items.begin()[rng_() % items.size()];
  }
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }

  // Mostly ordinary values, sometimes the ones that break careless code.
  float Value(float scale) {
    switch (rng_() % 16) {
      case 0: return std::numeric_limits<float>::quiet_NaN();
      case 1: return Pick({std::numeric_limits<float>::infinity(), -1e30f, 1e30f, 0.0f, -0.0f});
      case 2: return Uniform(-1e7f, 1e7f);
      default: return Uniform(-scale, scale);
    }
  }

  Plane RandomPlane(float scale) {
    if (rng_() % 5 == 0) return {Value(scale), 0.0f, 0.0f};
    return {Value(scale), Value(scale * 0.02f), Value(scale * 0.02f)};
  }

  TriangleSetup RandomSetup() {
    TriangleSetup t{};
    t.ox = Uniform(-50.0f, 200.0f);
    t.oy = Uniform(-50.0f, 200.0f);
    t.q = rng_() % 6 == 0
              ? Plane{Value(2.0f), 0.0f, 0.0f}
              : Plane{Uniform(0.05f, 3.0f), Uniform(-0.01f, 0.01f), Uniform(-0.01f, 0.01f)};
    for (int i = 0; i < 4; ++i) t.attr[i] = RandomPlane(300.0f);
    for (int i = 4; i < 6; ++i) t.attr[i] = RandomPlane(4.0f);
    if (rng_() % 4 == 0) {  // a sprite: w and colour the same everywhere
      t.q = {Uniform(0.05f, 3.0f), 0.0f, 0.0f};
      for (int i = 0; i < 4; ++i) t.attr[i] = {Uniform(-20.0f, 300.0f), 0.0f, 0.0f};
    }
    return t;
  }

  State RandomState() {
    State s;
    s.stage.colorOp = Pick({TextureOp::kModulate, TextureOp::kSelectArg1, TextureOp::kSelectArg2,
                            TextureOp::kDisable});
    s.stage.colorArg1 = Pick({TextureArg::kDiffuse, TextureArg::kTexture, TextureArg::kCurrent});
    s.stage.colorArg2 = Pick({TextureArg::kTexture, TextureArg::kCurrent});
    s.stage.alphaOp = Pick({TextureOp::kModulate, TextureOp::kSelectArg1, TextureOp::kSelectArg2});
    s.stage.alphaArg1 = Pick({TextureArg::kDiffuse, TextureArg::kTexture});
    s.stage.alphaArg2 = Pick({TextureArg::kTexture, TextureArg::kDiffuse});
    // Powers of two and not (wrapping differs), rows padded or not.
    const int size = static_cast<int>(rng_() % 5);
    const int widths[] = {1, 8, 5, 64, 37}, heights[] = {1, 8, 3, 32, 19};
    const int pitch = widths[size] + static_cast<int>(rng_() % 3) * 3;
    texels_.resize(static_cast<size_t>(pitch) * heights[size]);
    for (uint32_t& texel : texels_) texel = static_cast<uint32_t>(rng_());
    if (rng_() % 5 != 0) s.texture = {texels_.data(), widths[size], heights[size], pitch * 4};
    s.sampler.minFilter = Pick({Filter::kPoint, Filter::kLinear});
    s.sampler.magFilter = Pick({Filter::kPoint, Filter::kLinear});
    s.sampler.addressU = Pick({Address::kWrap, Address::kClamp});
    s.sampler.addressV = Pick({Address::kWrap, Address::kClamp});
    return s;
  }

  std::mt19937 rng_{20261209};
  std::vector<uint32_t> texels_;
  raster::Simd before_ = raster::Simd::kSse2;
};

TEST_P(FastRoutines, FourLaneStageZeroMatchesScalarPerPixel) {
  int textured = 0, flat = 0;
  for (int round = 0; round < 20000; ++round) {
    const State state = RandomState();
    PixelState s;
    ASSERT_TRUE(raster::PreparePixelState(state, &s));
    TriangleSetup t = RandomSetup();
    const bool useFlat = raster::FlatWAndDiffuse(t) && rng_() % 2 == 0;
    const float w = raster::PixelW(t, t.ox, t.oy);
    const uint32_t diffuse = useFlat ? raster::PixelDiffuse(t, t.ox, t.oy, w) : 0;
    textured += s.usesTexture;
    flat += useFlat;
    for (int row = 0; row < 3; ++row) {
      const int x = static_cast<int>(rng_() % 300) - 60, y = static_cast<int>(rng_() % 300) - 60;
      const unsigned live = rng_() % 2 == 0 ? 0xFu : static_cast<unsigned>(rng_() % 16);
      uint32_t lanes[4] = {0x12345678u, 0x12345678u, 0x12345678u, 0x12345678u};
      raster::ShadeRow4(t, s, x, y, live, useFlat, w, diffuse, lanes);
      for (int k = 0; k < 4; ++k) {
        if ((live & (1u << k)) == 0) {
          ASSERT_EQ(lanes[k], 0x12345678u) << "a lane that is not live was written";
          continue;
        }
        const uint32_t want = useFlat ? raster::ShadeWith(t, s, static_cast<float>(x + k),
                                                          static_cast<float>(y), w, diffuse)
                                      : raster::ShadePixel(t, s, x + k, y);
        ASSERT_EQ(lanes[k], want) << "round " << round << " lane " << k << " at (" << x + k << ", "
                                  << y << ") linear " << s.linearMag << "/" << s.linearMin
                                  << " texture " << s.usesTexture;
      }
    }
  }
  // Both branches of each kind were exercised.
  EXPECT_GT(textured, 5000);
  EXPECT_GT(flat, 250);
}

TEST_P(FastRoutines, FourLaneCentreDepthMatchesSampleDepth) {
  for (int round = 0; round < 20000; ++round) {
    TriangleSetup t = RandomSetup();
    // Depth planes around 0..1, with the out-of-range and NaN cases.
    t.z = rng_() % 8 == 0
              ? Plane{Value(2.0f), Value(0.1f), Value(0.1f)}
              : Plane{Uniform(-0.2f, 1.2f), Uniform(-0.01f, 0.01f), Uniform(-0.01f, 0.01f)};
    const int x = static_cast<int>(rng_() % 300) - 60, y = static_cast<int>(rng_() % 300) - 60;
    uint16_t lanes[4];
    raster::CentreDepthRow4(t, x, y, lanes);
    for (int k = 0; k < 4; ++k)
      ASSERT_EQ(lanes[k], raster::SampleDepth(t, x + k, y, raster::SampleOffset{0, 0}))
          << "round " << round << " lane " << k;
  }
}

TEST_P(FastRoutines, PerDrawBlendFunctionsMatchOutputColorForEveryPair) {
  const uint32_t corners[] = {0x00000000u, 0xFFFFFFFFu, 0x80FF0001u, 0x7F00FF80u, 0x01010101u};
  for (int blend = 0; blend < 2; ++blend)
    for (int fs = 0; fs < 10; ++fs)
      for (int fd = 0; fd < 10; ++fd) {
        PixelState s{};
        s.blend = blend == 1;
        s.srcBlend = static_cast<BlendFactor>(fs);
        s.dstBlend = static_cast<BlendFactor>(fd);
        const raster::OutputFunction output = raster::ChooseOutput(s);
        for (uint32_t src : corners)
          for (uint32_t dst : corners)
            ASSERT_EQ(output(src, dst), raster::OutputColor(s, src, dst))
                << fs << " " << fd << " " << std::hex << src << " " << dst;
        for (int i = 0; i < 2000; ++i) {
          const uint32_t src = static_cast<uint32_t>(rng_()), dst = static_cast<uint32_t>(rng_());
          ASSERT_EQ(output(src, dst), raster::OutputColor(s, src, dst))
              << fs << " " << fd << " " << std::hex << src << " " << dst;
        }
      }
}

// Every factor pair (the four-lane ones and the lane-by-lane rest), every
// lane mask: written lanes get OutputColor, the others keep their bits.
TEST_P(FastRoutines, FourLaneColourWriteMatchesOutputColorPerLane) {
  const uint32_t corners[] = {0x00000000u, 0xFFFFFFFFu, 0x80FF0001u, 0x7F00FF80u,
                              0x01010101u, 0xFF000000u, 0x00FFFFFFu};
  for (int blend = 0; blend < 2; ++blend)
    for (int fs = 0; fs < 10; ++fs)
      for (int fd = 0; fd < 10; ++fd) {
        PixelState s{};
        s.blend = blend == 1;
        s.srcBlend = static_cast<BlendFactor>(fs);
        s.dstBlend = static_cast<BlendFactor>(fd);
        const raster::OutputFunction output = raster::ChooseOutput(s);
        for (int i = 0; i < 3000; ++i) {
          uint32_t src[4], dst[4];
          for (int k = 0; k < 4; ++k) {
            src[k] = i < 49 ? corners[(i + k) % 7] : static_cast<uint32_t>(rng_());
            dst[k] = i < 49 ? corners[(i / 7 + k) % 7] : static_cast<uint32_t>(rng_());
          }
          const unsigned lanes = static_cast<unsigned>(i) % 16;
          uint32_t out[4];
          std::memcpy(out, dst, sizeof out);
          raster::WriteColors4(s, output, src, lanes, out);
          for (int k = 0; k < 4; ++k) {
            const uint32_t want =
                (lanes & (1u << k)) ? raster::OutputColor(s, src[k], dst[k]) : dst[k];
            ASSERT_EQ(out[k], want) << blend << " " << fs << " " << fd << " lane " << k << std::hex
                                    << " " << src[k] << " " << dst[k];
          }
        }
      }
}

INSTANTIATE_TEST_SUITE_P(Simd, FastRoutines,
                         ::testing::Values(raster::Simd::kSse2, raster::Simd::kAvx2),
                         [](const ::testing::TestParamInfo<raster::Simd>& info) {
                           return info.param == raster::Simd::kSse2 ? "Sse2" : "Avx2";
                         });

}  // namespace
