// The rasteriser's shortcut for triangles whose 1/w and colour are the same
// at every pixel (the device's sprites, overlay and fade quads): the tiled
// path must still match the reference path bit for bit. Random quads with
// one colour and rhw each, textured or not, point or bilinear, over
// multisampled targets, blended and alpha-tested.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/raster.h"

namespace {

using raster::ScreenVertex;

struct Scene {
  std::vector<uint32_t> texels;
  std::vector<raster::State> states;
  std::vector<std::vector<ScreenVertex>> quads;
};

Scene MakeScene(unsigned seed, int width, int height) {
  std::mt19937 rng(seed);
  auto uniform = [&](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
  };
  Scene s;
  s.texels.resize(16 * 8);
  for (uint32_t& t : s.texels) t = static_cast<uint32_t>(rng());
  for (int i = 0; i < 60; ++i) {
    raster::State st;
    st.viewport = {0, 0, width, height, 0.0f, 1.0f};
    st.cull = raster::CullMode::kNone;
    st.depthEnable = rng() % 2 == 0;
    st.alphaTestEnable = rng() % 2 == 0;
    st.alphaFunc = raster::Compare::kGreater;
    st.alphaRef = static_cast<uint8_t>(rng() % 64);
    st.blendEnable = true;
    st.srcBlend = raster::BlendFactor::kSrcAlpha;
    st.dstBlend = raster::BlendFactor::kInvSrcAlpha;
    st.multisampleAntialias = rng() % 2 == 0;
    st.stage.colorOp = st.stage.alphaOp = raster::TextureOp::kModulate;
    st.stage.colorArg1 = st.stage.alphaArg1 = raster::TextureArg::kDiffuse;
    st.stage.colorArg2 = st.stage.alphaArg2 = raster::TextureArg::kTexture;
    if (rng() % 3 != 0) st.texture = {s.texels.data(), 16, 8, 16 * 4};
    st.sampler.minFilter = st.sampler.magFilter =
        rng() % 2 == 0 ? raster::Filter::kPoint : raster::Filter::kLinear;
    s.states.push_back(st);
    const float x = uniform(-10.0f, static_cast<float>(width)),
                y = uniform(-10.0f, static_cast<float>(height));
    const float w = uniform(1.0f, 60.0f), h = uniform(1.0f, 40.0f);
    const uint32_t color = static_cast<uint32_t>(rng());
    const float rhw = rng() % 2 == 0 ? 1.0f : uniform(0.1f, 3.0f);
    const float z = uniform(0.0f, 1.0f);
    const float u0 = uniform(-1.0f, 1.0f), v0 = uniform(-1.0f, 1.0f);
    s.quads.push_back({{x, y, z, rhw, color, u0, v0},
                       {x + w, y, z, rhw, color, u0 + 1.0f, v0},
                       {x + w, y + h, z, rhw, color, u0 + 1.0f, v0 + 1.0f},
                       {x, y + h, z, rhw, color, u0, v0 + 1.0f}});
  }
  return s;
}

TEST(SpriteEquivalence, FlatQuadsMatchTheReferencePath) {
  constexpr int kW = 120, kH = 90;
  for (int samples : {1, 4}) {
    for (unsigned seed : {5u, 6u, 7u}) {
      const Scene scene = MakeScene(seed, kW, kH);
      raster::Target ref, fast;
      ASSERT_TRUE(ref.Reset(kW, kH, samples));
      ASSERT_TRUE(fast.Reset(kW, kH, samples));
      for (bool reference : {true, false}) {
        raster::Renderer r(raster::RendererOptions{reference, 2, 0});
        r.SetTarget(reference ? &ref : &fast);
        for (size_t i = 0; i < scene.quads.size(); ++i)
          ASSERT_TRUE(r.DrawScreen(scene.states[i], raster::Topology::kTriangleFan,
                                   scene.quads[i].data(), 4, 2));
        r.Flush();
        r.SetTarget(nullptr);
      }
      const size_t n = static_cast<size_t>(kW) * kH * samples;
      size_t colorDiff = 0, depthDiff = 0;
      for (size_t i = 0; i < n; ++i) {
        colorDiff += ref.color_data()[i] != fast.color_data()[i];
        depthDiff += ref.depth_data()[i] != fast.depth_data()[i];
      }
      EXPECT_EQ(colorDiff, 0u) << "seed " << seed << " samples " << samples;
      EXPECT_EQ(depthDiff, 0u) << "seed " << seed << " samples " << samples;
      // The scene must have drawn something for the comparison to mean anything.
      size_t touched = 0;
      for (size_t i = 0; i < n; ++i) touched += ref.color_data()[i] != 0xFF000000u;
      EXPECT_GT(touched, n / 4);
    }
  }
}

}  // namespace
