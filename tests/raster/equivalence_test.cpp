// The tiled, threaded path against the reference path on random scenes
// (fixed seeds): every colour and depth sample must be bit-identical.
// Also: no allocation per frame once warmed up, and the stage times.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "raster_test_util.h"

// Counts allocations of the whole test program; only the no-allocation
// test reads it.
namespace {
std::atomic<uint64_t> g_allocations{0};
}  // namespace

// The replacements pair malloc with free by design; GCC cannot see that
// every operator new of the program is the one above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using namespace raster_test;
using raster::BlendFactor;
using raster::Compare;
using raster::Float4;
using raster::Renderer;
using raster::RendererOptions;
using raster::Topology;
using raster::VertexInput;
using raster::VertexOutput;

void ClipSpaceProgram(const VertexInput& in, const Float4*, VertexOutput* out, void*) {
  out->position = in.position[0];
  out->color0 = in.color[0];
  out->texcoord[0] = in.texcoord[0];
  out->texcoord[1] = {in.texcoord[0].y * 3.0f, in.texcoord[0].x - 1.0f, 0, 1};
}

// A recorded random scene, replayed identically into any renderer.
class Scene {
 public:
  Scene(unsigned seed, int width, int height) : rng_(seed), width_(width), height_(height) {
    for (int t = 0; t < 2; ++t) {
      const int w = t == 0 ? 8 : 5, h = t == 0 ? 8 : 3;
      textures_[t].resize(static_cast<size_t>(w) * h);
      for (uint32_t& texel : textures_[t]) {
        texel = static_cast<uint32_t>(rng_());
        if (rng_() % 4 == 0) texel &= 0x00FFFFFF;  // some fully transparent texels
      }
      sizes_[t] = {w, h};
    }
    for (int i = 0; i < 60; ++i) draws_.push_back(MakeDraw());
  }

  void Replay(Renderer& r) {
    r.Clear({0, 0, width_, height_}, true, 0x00203040, true, 1.0f);
    for (size_t i = 0; i < draws_.size(); ++i) {
      const Draw& d = draws_[i];
      if (i == draws_.size() / 2) r.Clear({7, 9, 50, 30}, false, 0, true, 0.75f);
      if (d.programmed) {
        raster::VertexElement elements[3] = {
            {0, 0, raster::ElementType::kFloat4, raster::Usage::kPosition, 0},
            {0, 16, raster::ElementType::kColor, raster::Usage::kColor, 0},
            {0, 20, raster::ElementType::kFloat2, raster::Usage::kTexcoord, 0},
        };
        raster::VertexSource src;
        src.elements = elements;
        src.elementCount = 3;
        src.streams[0] = {reinterpret_cast<const uint8_t*>(d.clip.data()), d.clip.size() * 4, 28};
        raster::IndexedDraw id;
        id.indices = d.indices.data();
        id.indexCount = d.indices.size();
        id.numVertices = static_cast<uint32_t>(d.clip.size() / 7);
        id.primitiveCount = static_cast<uint32_t>(d.indices.size() / 3);
        EXPECT_TRUE(r.DrawIndexed(d.state, {ClipSpaceProgram, constants_, nullptr}, src, id));
      } else {
        const uint32_t prims = d.topology == Topology::kTriangleList
                                   ? static_cast<uint32_t>(d.screen.size() / 3)
                                   : static_cast<uint32_t>(d.screen.size() - 2);
        EXPECT_TRUE(r.DrawScreen(d.state, d.topology, d.screen.data(), d.screen.size(), prims));
      }
    }
    r.Flush();
  }

 private:
  struct Draw {
    State state;
    bool programmed = false;
    Topology topology = Topology::kTriangleList;
    std::vector<ScreenVertex> screen;
    std::vector<float> clip;  // x y z w, colour bits, u v per vertex
    std::vector<uint16_t> indices;
  };

  template <class T>
  T Pick(std::initializer_list<T> items) {
    return items.begin()[rng_() % items.size()];
  }
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }

  State MakeState() {
    State s;
    s.viewport = {0, 0, width_, height_, 0.0f, 1.0f};
    if (rng_() % 5 == 0) s.viewport = {11, 5, 90, 70, 0.2f, 0.9f};
    s.cull = Pick({raster::CullMode::kNone, raster::CullMode::kClockwise,
                   raster::CullMode::kCounterClockwise});
    s.depthEnable = rng_() % 4 != 0;
    s.depthWrite = rng_() % 3 != 0;
    s.depthFunc = Pick({Compare::kLessEqual, Compare::kLessEqual, Compare::kLess, Compare::kGreater,
                        Compare::kEqual, Compare::kAlways, Compare::kNotEqual});
    s.alphaTestEnable = rng_() % 2 == 0;
    s.alphaFunc = Pick({Compare::kGreater, Compare::kGreaterEqual, Compare::kLess});
    s.alphaRef = static_cast<uint8_t>(rng_() % 2 ? 0 : rng_() % 256);
    s.blendEnable = rng_() % 3 != 0;
    const BlendFactor factors[] = {BlendFactor::kZero,      BlendFactor::kOne,
                                   BlendFactor::kSrcColor,  BlendFactor::kInvSrcColor,
                                   BlendFactor::kSrcAlpha,  BlendFactor::kInvSrcAlpha,
                                   BlendFactor::kDestAlpha, BlendFactor::kInvDestAlpha,
                                   BlendFactor::kDestColor, BlendFactor::kInvDestColor};
    s.srcBlend = factors[rng_() % 10];
    s.dstBlend = factors[rng_() % 10];
    using raster::TextureArg;
    using raster::TextureOp;
    s.stage.colorOp = Pick({TextureOp::kModulate, TextureOp::kModulate, TextureOp::kSelectArg1,
                            TextureOp::kSelectArg2});
    s.stage.colorArg1 = Pick({TextureArg::kDiffuse, TextureArg::kTexture});
    s.stage.colorArg2 = Pick({TextureArg::kTexture, TextureArg::kCurrent});
    s.stage.alphaOp = Pick({TextureOp::kModulate, TextureOp::kSelectArg1});
    s.stage.alphaArg1 = Pick({TextureArg::kDiffuse, TextureArg::kTexture});
    s.stage.alphaArg2 = TextureArg::kTexture;
    s.stage.texcoordIndex = static_cast<int>(rng_() % 2);
    const int tex = static_cast<int>(rng_() % 3);
    if (tex < 2) {
      s.texture = {textures_[tex].data(), sizes_[tex].first, sizes_[tex].second,
                   sizes_[tex].first * 4};
    }
    s.sampler.minFilter = Pick({raster::Filter::kPoint, raster::Filter::kLinear});
    s.sampler.magFilter = Pick({raster::Filter::kPoint, raster::Filter::kLinear});
    s.sampler.addressU = Pick({raster::Address::kWrap, raster::Address::kClamp});
    s.sampler.addressV = Pick({raster::Address::kWrap, raster::Address::kClamp});
    s.multisampleAntialias = rng_() % 3 != 0;
    return s;
  }

  Draw MakeDraw() {
    Draw d;
    d.state = MakeState();
    d.programmed = rng_() % 3 == 0;
    const int kind = static_cast<int>(rng_() % 3);  // small, medium, huge
    const float extent = kind == 0 ? 4.0f : (kind == 1 ? 60.0f : 400.0f);
    const int count = 3 + static_cast<int>(rng_() % 10);
    if (d.programmed) {
      for (int i = 0; i < count; ++i) {
        const float w = Uniform(-0.3f, 2.5f);
        const uint32_t color = static_cast<uint32_t>(rng_());
        float c;
        std::memcpy(&c, &color, 4);
        d.clip.insert(d.clip.end(),
                      {Uniform(-1.5f, 1.5f) * std::abs(w) * (extent / 100.0f + 0.5f),
                       Uniform(-1.5f, 1.5f) * std::abs(w) * (extent / 100.0f + 0.5f),
                       Uniform(-0.3f, 1.2f) * w, w, c, Uniform(-1.0f, 2.0f), Uniform(-1.0f, 2.0f)});
      }
      for (int i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k) d.indices.push_back(static_cast<uint16_t>(rng_() % count));
      return d;
    }
    d.topology = Pick({Topology::kTriangleList, Topology::kTriangleFan, Topology::kTriangleStrip});
    const float cx = Uniform(-20.0f, width_ + 20.0f), cy = Uniform(-20.0f, height_ + 20.0f);
    const int n = d.topology == Topology::kTriangleList ? count - count % 3 : count;
    for (int i = 0; i < n; ++i) {
      ScreenVertex v;
      v.x = cx + Uniform(-extent, extent);
      v.y = cy + Uniform(-extent, extent);
      if (rng_() % 4 == 0) {  // on the pixel grid or half-way, where rules matter
        v.x = std::round(v.x * 2) / 2;
        v.y = std::round(v.y * 2) / 2;
      }
      v.z = Uniform(0.0f, 1.0f);
      v.rhw = Uniform(0.2f, 2.0f);
      v.diffuse = static_cast<uint32_t>(rng_());
      v.u = Uniform(-1.0f, 2.0f);
      v.v = Uniform(-1.0f, 2.0f);
      d.screen.push_back(v);
    }
    if (rng_() % 4 == 0) {  // a sprite: one w and one colour, the flat shading case
      for (ScreenVertex& v : d.screen) {
        v.rhw = d.screen[0].rhw;
        v.diffuse = d.screen[0].diffuse;
      }
    }
    return d;
  }

  std::mt19937 rng_;
  int width_, height_;
  std::vector<uint32_t> textures_[2];
  std::pair<int, int> sizes_[2];
  std::vector<Draw> draws_;
  Float4 constants_[raster::kConstantRegisters] = {};
};

struct Variant {
  int samples;
  int threads;
  size_t batch;
  bool split = false;  // coverage timed apart (covered first, then shaded)
};

TEST(Equivalence, TiledPathMatchesReferenceOnRandomScenes) {
  constexpr int kW = 150, kH = 100;
  // Every sample count on one, two and three threads (one batch small
  // enough to force flushes part-way), each also with coverage timed apart.
  const Variant variants[] = {{1, 1, 0}, {1, 2, 0, true}, {1, 3, 5},       {2, 1, 0, true},
                              {2, 2, 0}, {2, 3, 0},       {4, 1, 0},       {4, 2, 0, true},
                              {4, 3, 7}, {8, 1, 0},       {8, 2, 0, true}, {8, 3, 0}};
  for (unsigned seed : {11u, 22u, 33u, 44u}) {
    for (const Variant& v : variants) {
      Target ref, fast;
      ASSERT_TRUE(ref.Reset(kW, kH, v.samples));
      ASSERT_TRUE(fast.Reset(kW, kH, v.samples));
      {
        Scene scene(seed, kW, kH);
        Renderer r(RendererOptions{true, 1, 0});
        r.SetTarget(&ref);
        scene.Replay(r);
      }
      uint64_t drawn = 0;
      {
        Scene scene(seed, kW, kH);
        Renderer r(RendererOptions{false, v.threads, v.batch, v.split});
        r.SetTarget(&fast);
        scene.Replay(r);
        drawn = r.triangles_drawn();
      }
      EXPECT_GT(drawn, 50u);
      const size_t n = static_cast<size_t>(kW) * kH * v.samples;
      size_t colorDiff = 0, depthDiff = 0;
      for (size_t i = 0; i < n; ++i) {
        colorDiff += ref.color_data()[i] != fast.color_data()[i];
        depthDiff += ref.depth_data()[i] != fast.depth_data()[i];
      }
      EXPECT_EQ(colorDiff, 0u) << "seed " << seed << " samples " << v.samples;
      EXPECT_EQ(depthDiff, 0u) << "seed " << seed << " samples " << v.samples;
      if (colorDiff != 0) {
        SaveImage(ref, TestName() + "_ref_" + std::to_string(seed));
        SaveImage(fast, TestName() + "_fast_" + std::to_string(seed));
      }
    }
  }
}

// A draw with thousands of vertices and triangles runs its vertex programs
// and its set-up on the pool in chunks; the result is the one the reference
// gets from a single thread, also when the batch fills part-way.
TEST(Equivalence, VertexAndSetupStagesSharedByThreadsMatchReference) {
  constexpr int kW = 160, kH = 120, kCols = 70, kRows = 50;  // 3,621 vertices
  std::vector<float> clip;                                   // x y z w, colour bits, u v
  std::mt19937 rng(7);
  for (int j = 0; j <= kRows; ++j)
    for (int i = 0; i <= kCols; ++i) {
      const float w = 0.5f + 0.01f * static_cast<float>((i * 7 + j * 3) % 50);
      const uint32_t color = static_cast<uint32_t>(rng());
      float c;
      std::memcpy(&c, &color, 4);
      const float x = -1.1f + 2.2f * static_cast<float>(i) / kCols;
      const float y = -1.1f + 2.2f * static_cast<float>(j) / kRows;
      clip.insert(clip.end(), {x * w, y * w, 0.5f * w, w, c, x, y});
    }
  std::vector<uint16_t> indices;
  for (int j = 0; j < kRows; ++j)
    for (int i = 0; i < kCols; ++i) {
      const int a = j * (kCols + 1) + i;
      for (int k : {a, a + 1, a + kCols + 2, a, a + kCols + 2, a + kCols + 1})
        indices.push_back(static_cast<uint16_t>(k));
    }
  const raster::VertexElement elements[3] = {
      {0, 0, raster::ElementType::kFloat4, raster::Usage::kPosition, 0},
      {0, 16, raster::ElementType::kColor, raster::Usage::kColor, 0},
      {0, 20, raster::ElementType::kFloat2, raster::Usage::kTexcoord, 0},
  };
  raster::VertexSource src;
  src.elements = elements;
  src.elementCount = 3;
  src.streams[0] = {reinterpret_cast<const uint8_t*>(clip.data()), clip.size() * 4, 28};
  raster::IndexedDraw draw;
  draw.indices = indices.data();
  draw.indexCount = indices.size();
  draw.numVertices = static_cast<uint32_t>(clip.size() / 7);
  draw.primitiveCount = static_cast<uint32_t>(indices.size() / 3);
  std::vector<uint32_t> texture(16);
  for (uint32_t& texel : texture) texel = static_cast<uint32_t>(rng());
  State s = PlainState(kW, kH);
  s.depthEnable = true;
  s.stage.colorOp = raster::TextureOp::kModulate;
  s.stage.colorArg2 = raster::TextureArg::kTexture;
  s.texture = {texture.data(), 4, 4, 16};
  const Float4 constants[raster::kConstantRegisters] = {};
  for (int samples : {1, 4}) {
    const RendererOptions paths[] = {{true, 1, 0}, {false, 2, 0}, {false, 2, 100}};
    Target targets[3];
    uint64_t drawn[3] = {};
    for (int path = 0; path < 3; ++path) {
      ASSERT_TRUE(targets[path].Reset(kW, kH, samples));
      Renderer r(paths[path]);
      r.SetTarget(&targets[path]);
      r.Clear({0, 0, kW, kH}, true, 0, true, 1.0f);
      ASSERT_TRUE(r.DrawIndexed(s, {ClipSpaceProgram, constants, nullptr}, src, draw));
      r.Flush();
      drawn[path] = r.triangles_drawn();
    }
    EXPECT_GT(drawn[0], 6000u);
    const size_t n = static_cast<size_t>(kW) * kH * samples;
    for (int path = 1; path < 3; ++path) {
      SCOPED_TRACE(paths[path].batchTriangles);
      EXPECT_EQ(drawn[0], drawn[path]);
      EXPECT_EQ(std::memcmp(targets[0].color_data(), targets[path].color_data(), n * 4), 0)
          << samples;
      EXPECT_EQ(std::memcmp(targets[0].depth_data(), targets[path].depth_data(), n * 2), 0)
          << samples;
    }
  }
}

TEST(Equivalence, NoAllocationPerFrameAfterWarmUp) {
  Target t;
  ASSERT_TRUE(t.Reset(150, 100, 4));
  Scene scene(5, 150, 100);
  Renderer r(RendererOptions{false, 2, 0});
  r.SetTarget(&t);
  std::vector<uint32_t> out(150 * 100);
  scene.Replay(r);  // warm-up
  r.Resolve(out.data(), 150 * 4);
  const uint64_t before = g_allocations.load();
  scene.Replay(r);
  r.Resolve(out.data(), 150 * 4);
  EXPECT_EQ(g_allocations.load() - before, 0u);
}

// Every stage a path runs is timed, the stages it does not run stay zero,
// no stage is negative (a flush forced part-way through set-up is left out
// of set-up), the sums fit in the wall time times the threads, and taking
// the times starts them again.
TEST(StageTimes, EachPathTimesItsOwnStages) {
  struct Case {
    const char* name;
    RendererOptions options;
    bool tiled, split;
  };
  const Case cases[] = {
      {"tiled, coverage apart", {false, 2, 0, true}, true, true},
      {"tiled, small batches", {false, 2, 7, true}, true, true},
      {"tiled, coverage in shading", {false, 2, 0, false}, true, false},
      {"reference", {true, 1, 0, true}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Target t;
    ASSERT_TRUE(t.Reset(150, 100, 4));
    Renderer r(c.options);
    r.SetTarget(&t);
    std::vector<uint32_t> out(150 * 100);
    const auto start = std::chrono::steady_clock::now();
    for (unsigned seed : {1u, 2u, 3u}) {
      Scene scene(seed, 150, 100);
      scene.Replay(r);
      r.Resolve(out.data(), 150 * 4);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const raster::StageTimes times = r.TakeStageTimes();
    for (double stage :
         {times.vertex, times.setup, times.binning, times.coverage, times.shading, times.resolve})
      EXPECT_GE(stage, 0.0);
    EXPECT_GT(times.vertex, 0.0);
    EXPECT_GT(times.setup, 0.0);
    EXPECT_GT(times.shading, 0.0);
    EXPECT_GT(times.resolve, 0.0);
    EXPECT_EQ(times.binning > 0.0, c.tiled);
    EXPECT_EQ(times.coverage > 0.0, c.split);
    EXPECT_EQ(times.present, 0.0);  // the device's part
    EXPECT_LE(times.Total(), wall * c.options.threads);
    const raster::StageTimes again = r.TakeStageTimes();
    EXPECT_EQ(again.Total(), 0.0);
  }
}

}  // namespace
