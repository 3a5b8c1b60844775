// The CPU rasteriser's pixel rows (raster/shade_row.h) at each SIMD level
// (first argument: 0 SSE2, 1 AVX2; skipped where the CPU lacks it): stage 0
// over a 64x64 tile of a perspective triangle with a modulated 256x256
// texture (point or bilinear, wrap), the colour writes of a tile for the
// blend pairs the program uses, and the centre depths. Figures per pixel
// (items are pixels).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "raster/pixel.h"
#include "raster/shade_row.h"
#include "raster/simd.h"

namespace {

constexpr int kTile = 64, kTexture = 256;

// Runs its benchmark at `level`, then restores the level in use before.
class AtLevel {
 public:
  AtLevel(benchmark::State& state) : before_(raster::PixelSimd()) {
    const auto level = state.range(0) == 0 ? raster::Simd::kSse2 : raster::Simd::kAvx2;
    ok_ = raster::SetPixelSimd(level);
    if (!ok_) state.SkipWithError("the CPU lacks this level");
  }
  ~AtLevel() { raster::SetPixelSimd(before_); }
  bool ok() const { return ok_; }

 private:
  raster::Simd before_;
  bool ok_;
};

// A triangle seen in perspective, about two texels a pixel at the tile.
raster::Setup PerspectiveTriangle() {
  raster::Setup t{};
  t.ox = 3.0f;
  t.oy = 5.0f;
  t.z = {0.4f, 0.001f, 0.002f};
  t.q = {0.9f, -0.0011f, 0.0007f};
  const float colour[4] = {200.0f, 150.0f, 100.0f, 230.0f};
  for (int i = 0; i < 4; ++i) t.attr[i] = {colour[i] * 0.9f, 0.13f * i, -0.21f};
  t.attr[4] = {0.1f, 0.0071f, 0.0003f};
  t.attr[5] = {0.3f, -0.0002f, 0.0068f};
  return t;
}

std::vector<uint32_t> Texels() {
  std::vector<uint32_t> texels(kTexture * kTexture);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint32_t>(i * 2654435761u);
  return texels;
}

void StageZero(benchmark::State& state) {
  AtLevel level(state);
  if (!level.ok()) return;
  const std::vector<uint32_t> texels = Texels();
  raster::State st;
  st.texture = {texels.data(), kTexture, kTexture, kTexture * 4};
  st.stage.colorOp = st.stage.alphaOp = raster::TextureOp::kModulate;
  st.stage.colorArg1 = st.stage.alphaArg1 = raster::TextureArg::kTexture;
  st.stage.colorArg2 = st.stage.alphaArg2 = raster::TextureArg::kDiffuse;
  const auto filter = state.range(1) == 0 ? raster::Filter::kPoint : raster::Filter::kLinear;
  st.sampler.minFilter = st.sampler.magFilter = filter;
  raster::PixelState s;
  if (!raster::PreparePixelState(st, &s)) return state.SkipWithError("state refused");
  const raster::Setup t = PerspectiveTriangle();
  uint32_t out[4];
  for (auto _ : state) {
    for (int y = 0; y < kTile; ++y)
      for (int x = 0; x < kTile; x += 4) {
        raster::ShadeRow4(t, s, x, y, 0xF, false, 0.0f, 0, out);
        benchmark::DoNotOptimize(out);
      }
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
}
BENCHMARK(StageZero)->ArgNames({"avx2", "linear"})->ArgsProduct({{0, 1}, {0, 1}});

void ColourWrites(benchmark::State& state) {
  AtLevel level(state);
  if (!level.ok()) return;
  static const raster::BlendFactor kPairs[][2] = {
      {raster::BlendFactor::kOne, raster::BlendFactor::kZero},  // blending off
      {raster::BlendFactor::kSrcAlpha, raster::BlendFactor::kInvSrcAlpha},
      {raster::BlendFactor::kSrcAlpha, raster::BlendFactor::kOne},
      {raster::BlendFactor::kDestColor, raster::BlendFactor::kZero},
  };
  const int pair = static_cast<int>(state.range(1));
  raster::PixelState s{};
  s.blend = pair != 0;
  s.srcBlend = kPairs[pair][0];
  s.dstBlend = kPairs[pair][1];
  const raster::OutputFunction output = raster::ChooseOutput(s);
  std::vector<uint32_t> target(kTile * kTile, 0x80406020u);
  const uint32_t src[4] = {0x80FF8040u, 0x10203040u, 0xFF00FF00u, 0x7F7F7F7Fu};
  for (auto _ : state) {
    for (size_t i = 0; i < target.size(); i += 4)
      raster::WriteColors4(s, output, src, 0xF, target.data() + i);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
}
BENCHMARK(ColourWrites)->ArgNames({"avx2", "pair"})->ArgsProduct({{0, 1}, {0, 1, 2, 3}});

void CentreDepths(benchmark::State& state) {
  AtLevel level(state);
  if (!level.ok()) return;
  const raster::Setup t = PerspectiveTriangle();
  uint16_t out[4];
  for (auto _ : state) {
    for (int y = 0; y < kTile; ++y)
      for (int x = 0; x < kTile; x += 4) {
        raster::CentreDepthRow4(t, x, y, out);
        benchmark::DoNotOptimize(out);
      }
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
}
BENCHMARK(CentreDepths)->ArgNames({"avx2"})->Arg(0)->Arg(1);

}  // namespace
