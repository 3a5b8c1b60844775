// Texture sampling and stage 0: sprites reproduce their texels, point and
// bilinear filtering with wrap and clamp, modulate/select, perspective.
#include <gtest/gtest.h>

#include <cmath>

#include "raster_test_util.h"

namespace {

using namespace raster_test;
using raster::Address;
using raster::Filter;
using raster::Renderer;
using raster::RendererOptions;
using raster::TextureArg;
using raster::TextureOp;

// The fixed-function set-up the program uses: texture x diffuse for colour
// and alpha, alpha test GREATER 0, SRCALPHA/INVSRCALPHA blending.
State SpriteState(int w, int h, const std::vector<uint32_t>& texels, int tw, int th) {
  State s = PlainState(w, h);
  s.stage = {TextureOp::kModulate,
             TextureArg::kDiffuse,
             TextureArg::kTexture,
             TextureOp::kModulate,
             TextureArg::kDiffuse,
             TextureArg::kTexture,
             0};
  s.texture = {texels.data(), tw, th, tw * 4};
  s.alphaTestEnable = true;
  s.alphaFunc = raster::Compare::kGreater;
  s.alphaRef = 0;
  s.blendEnable = true;
  s.srcBlend = raster::BlendFactor::kSrcAlpha;
  s.dstBlend = raster::BlendFactor::kInvSrcAlpha;
  return s;
}

std::vector<uint32_t> PatternTexels(int w, int h) {
  std::vector<uint32_t> t(static_cast<size_t>(w) * h);
  for (int i = 0; i < w * h; ++i)
    t[static_cast<size_t>(i)] =
        0xFF000000u | static_cast<uint32_t>(i * 0x3B1D47 + 0x102030) % 0xFFFFFF;
  return t;
}

// A sprite as the program draws it: source rectangle of texels, screen
// corners on integers, texture coordinates shifted by half a texel.
TEST(Texture, SpriteReproducesItsTexels) {
  constexpr int kTw = 8, kTh = 8, kW = 12, kH = 10;
  const std::vector<uint32_t> texels = PatternTexels(kTw, kTh);
  struct Case {
    Filter filter;
    int samples;
    bool antialias;
  };
  // Multisampled sprites are drawn with antialiasing off, as the program
  // does: the quad's edges run through pixel centres.
  const Case cases[] = {{Filter::kPoint, 1, true},
                        {Filter::kLinear, 1, true},
                        {Filter::kPoint, 4, false},
                        {Filter::kLinear, 2, false},
                        {Filter::kPoint, 8, false}};
  const int left = 1, top = 2, right = 6, bottom = 5;  // 5 x 3 texels
  const float x = 3.0f, y = 4.0f;
  for (const Case& k : cases) {
    for (bool reference : {true, false}) {
      Target t;
      t.Reset(kW, kH, k.samples);
      Renderer r(RendererOptions{reference, 2});
      r.SetTarget(&t);
      State s = SpriteState(kW, kH, texels, kTw, kTh);
      s.sampler.minFilter = s.sampler.magFilter = k.filter;
      s.multisampleAntialias = k.antialias;
      const float uL = (left + 0.5f) / kTw, uR = (right + 0.5f) / kTw;
      const float vT = (top + 0.5f) / kTh, vB = (bottom + 0.5f) / kTh;
      ASSERT_TRUE(DrawFan(
          r, s, Quad(x, y, x + (right - left), y + (bottom - top), 0xFFFFFFFF, uL, vT, uR, vB)));
      r.Flush();
      std::vector<uint32_t> expected(kW * kH, 0xFF000000);
      for (int j = 0; j < bottom - top; ++j)
        for (int i = 0; i < right - left; ++i)
          expected[static_cast<size_t>(4 + j) * kW + 3 + i] = texels[(top + j) * kTw + left + i];
      EXPECT_TRUE(ImageEquals(t, expected))
          << "filter " << static_cast<int>(k.filter) << " samples " << k.samples;
    }
  }
}

// Samples one texel position into pixel (0, 0) with a quad of constant uv.
uint32_t SampleAt(const std::vector<uint32_t>& texels, int tw, int th, float u, float v,
                  Filter filter, Address address) {
  Target t;
  t.Reset(1, 1, 1);
  Renderer r(RendererOptions{true, 1});
  r.SetTarget(&t);
  State s = PlainState(1, 1);
  s.stage.colorOp = TextureOp::kSelectArg1;
  s.stage.colorArg1 = TextureArg::kTexture;
  s.texture = {texels.data(), tw, th, tw * 4};
  s.sampler = {filter, filter, address, address};
  EXPECT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFF, u, v, u, v)));
  return t.color(0, 0, 0) & 0xFFFFFF;
}

// Per channel (a + b + 1) / 2: the bilinear result half-way between texels.
uint32_t Average(uint32_t a, uint32_t b) {
  uint32_t r = 0;
  for (int sh = 0; sh < 24; sh += 8) r |= ((((a >> sh) & 0xFF) + ((b >> sh) & 0xFF) + 1) / 2) << sh;
  return r;
}

TEST(Texture, PointAndBilinearWithWrapAndClamp) {
  // 4 x 2 texels; row 0: t0..t3, row 1: t4..t7.
  const std::vector<uint32_t> tx = {0x102030, 0xF0E0D0, 0x0A8040, 0x33CC99,
                                    0x808080, 0x000000, 0xFFFFFF, 0x7F0081};
  struct Case {
    float u, v;
    Filter filter;
    Address address;
    uint32_t expected;
  };
  const Case cases[] = {
      {0.125f, 0.25f, Filter::kPoint, Address::kWrap, tx[0]},
      {0.875f, 0.75f, Filter::kPoint, Address::kWrap, tx[7]},
      {0.3f, 0.7f, Filter::kPoint, Address::kClamp, tx[5]},
      {-0.125f, 0.25f, Filter::kPoint, Address::kWrap, tx[3]},
      {-0.125f, 0.25f, Filter::kPoint, Address::kClamp, tx[0]},
      {1.125f, 0.25f, Filter::kPoint, Address::kWrap, tx[0]},
      {1.125f, 1.75f, Filter::kPoint, Address::kClamp, tx[7]},
      // Bilinear at texel centres is the texel.
      {0.375f, 0.75f, Filter::kLinear, Address::kWrap, tx[5]},
      {0.625f, 0.25f, Filter::kLinear, Address::kClamp, tx[2]},
      {3.625f, -2.25f, Filter::kLinear, Address::kWrap, tx[6]},
      // Half-way between two texels of a row.
      {0.25f, 0.25f, Filter::kLinear, Address::kWrap, Average(tx[0], tx[1])},
      // At the border: wrap blends with the opposite edge, clamp does not.
      {0.0f, 0.25f, Filter::kLinear, Address::kWrap, Average(tx[3], tx[0])},
      {0.0f, 0.25f, Filter::kLinear, Address::kClamp, tx[0]},
      {1.0f, 0.75f, Filter::kLinear, Address::kClamp, tx[7]},
      {0.125f, 0.0f, Filter::kLinear, Address::kWrap, Average(tx[4], tx[0])},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(SampleAt(tx, 4, 2, k.u, k.v, k.filter, k.address), k.expected)
        << "u " << k.u << " v " << k.v << " filter " << static_cast<int>(k.filter) << " address "
        << static_cast<int>(k.address);
  }
}

uint32_t Mul(uint32_t a, uint32_t b) {
  return static_cast<uint32_t>(std::lround(static_cast<double>(a) * b / 255.0));
}

TEST(Texture, StageZeroOperations) {
  const uint32_t texel = 0xC0F08040, diffuse = 0x80608010;
  const std::vector<uint32_t> texels = {texel};
  uint32_t modulated = 0;
  for (int sh = 0; sh < 32; sh += 8)
    modulated |= Mul((texel >> sh) & 0xFF, (diffuse >> sh) & 0xFF) << sh;
  struct Case {
    TextureOp op;
    TextureArg arg1, arg2;
    bool bound;
    uint32_t expectedRgb;
  };
  const Case cases[] = {
      {TextureOp::kModulate, TextureArg::kDiffuse, TextureArg::kTexture, true, modulated},
      {TextureOp::kModulate, TextureArg::kTexture, TextureArg::kCurrent, true, modulated},
      {TextureOp::kSelectArg1, TextureArg::kTexture, TextureArg::kDiffuse, true, texel},
      {TextureOp::kSelectArg2, TextureArg::kTexture, TextureArg::kDiffuse, true, diffuse},
      {TextureOp::kDisable, TextureArg::kTexture, TextureArg::kTexture, true, diffuse},
      // No texture: reading it passes the diffuse colour on (white texture).
      {TextureOp::kModulate, TextureArg::kDiffuse, TextureArg::kTexture, false, diffuse},
      {TextureOp::kSelectArg1, TextureArg::kTexture, TextureArg::kDiffuse, false, diffuse},
  };
  for (const Case& k : cases) {
    Target t;
    t.Reset(2, 2, 1);
    Renderer r(RendererOptions{true, 1});
    r.SetTarget(&t);
    State s = PlainState(2, 2);
    s.stage.colorOp = k.op;
    s.stage.colorArg1 = k.arg1;
    s.stage.colorArg2 = k.arg2;
    if (k.bound) s.texture = {texels.data(), 1, 1, 4};
    ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 1.5f, 1.5f, diffuse, 0, 0, 1, 1)));
    EXPECT_EQ(t.color(1, 1, 0), 0xFF000000u | (k.expectedRgb & 0xFFFFFF))
        << "op " << static_cast<int>(k.op);
  }
}

// Alpha comes from the alpha operation; with blending it weights the source.
TEST(Texture, AlphaOperationFeedsBlending) {
  const std::vector<uint32_t> texels = {0x80FFFFFF};  // half-transparent white
  Target t;
  t.Reset(2, 1, 1);
  Renderer r(RendererOptions{true, 1});
  r.SetTarget(&t);
  State s = SpriteState(2, 1, texels, 1, 1);
  ASSERT_TRUE(DrawFan(r, s, Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0xFFFFFFFF)));
  // 255 * 128/255 + 0 = 128 per channel.
  EXPECT_EQ(t.color(0, 0, 0), 0xFF808080u);
  s.stage.alphaOp = TextureOp::kSelectArg1;  // diffuse alpha 0x40
  ASSERT_TRUE(DrawFan(r, s, Quad(0.5f, -0.5f, 1.5f, 0.5f, 0x40FFFFFF)));
  // White * 64/255 + 0 * 191/255.
  EXPECT_EQ(t.color(1, 0, 0), 0xFF000000u | 0x010101u * Mul(255, 0x40));
}

// Texture coordinates interpolate with 1/w: a quad whose right side is four
// times as far away samples the texture by the perspective formula.
TEST(Texture, PerspectiveCorrectCoordinates) {
  constexpr int kTexels = 16, kW = 64;
  std::vector<uint32_t> texels(kTexels);
  for (int i = 0; i < kTexels; ++i) texels[static_cast<size_t>(i)] = 0xFF000000u | (i * 16u) << 8;
  for (bool reference : {true, false}) {
    Target t;
    t.Reset(kW, 4, 1);
    Renderer r(RendererOptions{reference, 2});
    r.SetTarget(&t);
    State s = PlainState(kW, 4);
    s.stage.colorArg1 = TextureArg::kTexture;
    s.texture = {texels.data(), kTexels, 1, kTexels * 4};
    const float q0 = 1.0f, q1 = 0.25f, x0 = -0.5f, x1 = kW - 0.5f;
    std::vector<ScreenVertex> quad = {{x0, -0.5f, 0, q0, 0xFFFFFFFF, 0, 0},
                                      {x1, -0.5f, 0, q1, 0xFFFFFFFF, 1, 0},
                                      {x1, 3.5f, 0, q1, 0xFFFFFFFF, 1, 1},
                                      {x0, 3.5f, 0, q0, 0xFFFFFFFF, 0, 1}};
    ASSERT_TRUE(DrawFan(r, s, quad));
    r.Flush();
    int checked = 0;
    for (int x = 0; x < kW; ++x) {
      const double f = (x - x0) / (x1 - x0);
      const double u = (f * q1) / ((1 - f) * q0 + f * q1);
      const double texel = u * kTexels;
      if (std::fabs(texel - std::round(texel)) < 1e-3) continue;  // too close to call
      const uint32_t want = static_cast<uint32_t>(std::floor(texel)) * 16u << 8;
      EXPECT_EQ(t.color(x, 1, 0) & 0xFFFFFF, want) << "x " << x;
      ++checked;
    }
    EXPECT_GT(checked, kW / 2);
  }
}

}  // namespace
