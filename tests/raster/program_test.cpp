// Programmed vertices: the vertex-program hand-over (inputs by usage from
// two streams, constants, outputs), indexed ranges, and clipping against
// the near and far planes.
#include <gtest/gtest.h>

#include <cstring>

#include "raster/vertex.h"
#include "raster_test_util.h"

namespace {

using namespace raster_test;
using raster::ElementType;
using raster::Float4;
using raster::IndexedDraw;
using raster::Renderer;
using raster::RendererOptions;
using raster::Usage;
using raster::VertexElement;
using raster::VertexInput;
using raster::VertexOutput;
using raster::VertexShader;
using raster::VertexSource;

// Position (x, y, z, 1) times the matrix in registers 0..3 (row vector),
// colour and texture coordinate passed through; `user` counts calls.
void TransformProgram(const VertexInput& in, const Float4* c, VertexOutput* out, void* user) {
  const Float4& p = in.position[0];
  out->position = {p.x * c[0].x + p.y * c[1].x + p.z * c[2].x + p.w * c[3].x,
                   p.x * c[0].y + p.y * c[1].y + p.z * c[2].y + p.w * c[3].y,
                   p.x * c[0].z + p.y * c[1].z + p.z * c[2].z + p.w * c[3].z,
                   p.x * c[0].w + p.y * c[1].w + p.z * c[2].w + p.w * c[3].w};
  out->color0 = in.color[0];
  out->texcoord[0] = in.texcoord[0];
  if (user != nullptr) ++*static_cast<int*>(user);
}

struct Mesh {
  std::vector<float> positions;  // stream 0: float4 per vertex
  std::vector<uint32_t> colors;  // stream 1: D3DCOLOR per vertex
  VertexElement elements[2] = {
      {0, 0, ElementType::kFloat4, Usage::kPosition, 0},
      {1, 0, ElementType::kColor, Usage::kColor, 0},
  };
  VertexSource Source() const {
    VertexSource s;
    s.elements = elements;
    s.elementCount = 2;
    s.streams[0] = {reinterpret_cast<const uint8_t*>(positions.data()), positions.size() * 4, 16};
    s.streams[1] = {reinterpret_cast<const uint8_t*>(colors.data()), colors.size() * 4, 4};
    return s;
  }
  void Add(float x, float y, float z, float w, uint32_t color) {
    positions.insert(positions.end(), {x, y, z, w});
    colors.push_back(color);
  }
};

std::vector<Float4> Identity() {
  std::vector<Float4> c(raster::kConstantRegisters, Float4{0, 0, 0, 0});
  c[0] = {1, 0, 0, 0};
  c[1] = {0, 1, 0, 0};
  c[2] = {0, 0, 1, 0};
  c[3] = {0, 0, 0, 1};
  return c;
}

TEST(Program, MatrixTransformPlacesIndexedQuadInViewport) {
  Mesh mesh;
  mesh.Add(9, 9, 9, 1, 0xFFFF0000);  // two vertices before the base vertex
  mesh.Add(9, 9, 9, 1, 0xFFFF0000);
  for (auto [x, y] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}})
    mesh.Add(x, y, 0.5f, 1, 0xFF20C040);
  // Unit square to clip space: x' = 2x - 1, y' = 1 - 2y.
  std::vector<Float4> constants = Identity();
  constants[0] = {2, 0, 0, 0};
  constants[1] = {0, -2, 0, 0};
  constants[3] = {-1, 1, 0, 1};
  const uint16_t indices[] = {7, 7, 0, 1, 2, 0, 2, 3};
  int calls = 0;
  for (bool reference : {true, false}) {
    calls = 0;
    Target t;
    t.Reset(8, 8, 1);
    Renderer r(RendererOptions{reference, 2});
    r.SetTarget(&t);
    State s = PlainState(8, 8);
    s.viewport = {2, 1, 4, 4, 0.0f, 1.0f};
    s.depthEnable = true;
    IndexedDraw d;
    d.indices = indices;
    d.indexCount = 8;
    d.baseVertex = 2;
    d.minIndex = 0;
    d.numVertices = 4;
    d.startIndex = 2;
    d.primitiveCount = 2;
    ASSERT_TRUE(r.DrawIndexed(s, VertexShader{TransformProgram, constants.data(), &calls},
                              mesh.Source(), d));
    r.Flush();
    EXPECT_EQ(calls, 4);  // once per vertex of the range
    std::vector<uint32_t> expected(64, 0xFF000000);
    for (int y = 1; y < 5; ++y)
      for (int x = 2; x < 6; ++x) expected[static_cast<size_t>(y) * 8 + x] = 0xFF20C040;
    EXPECT_TRUE(ImageEquals(t, expected));
    EXPECT_EQ(t.depth(3, 3, 0), raster::DepthToD16(0.5f));
  }
}

// Inside test for a convex clockwise polygon in screen pixels, with margin:
// +1 clearly inside, -1 clearly outside, 0 too close to tell.
int Classify(const std::vector<std::pair<double, double>>& poly, double x, double y) {
  double minD = 1e9;
  for (size_t i = 0; i < poly.size(); ++i) {
    const auto [x0, y0] = poly[i];
    const auto [x1, y1] = poly[(i + 1) % poly.size()];
    const double len = std::hypot(x1 - x0, y1 - y0);
    minD = std::min(minD, ((x1 - x0) * (y - y0) - (y1 - y0) * (x - x0)) / len);
  }
  return minD > 0.05 ? 1 : (minD < -0.05 ? -1 : 0);
}

TEST(Program, TrianglesCrossingNearAndFarPlanesAreClipped) {
  struct Case {
    const char* name;
    Float4 c;  // third vertex; the first two sit at z 0.5, w 1
    std::vector<std::pair<double, double>> visible;  // clockwise, screen pixels
  };
  const Case cases[] = {
      // Behind the eye (w < 0): the part in front is a trapezoid reaching
      // the near plane at NDC y 0.5; nothing may appear below the base.
      {"near", {0, 1.5f, -1, -1}, {{0, 8}, {32, 8}, {24, 24}, {8, 24}}},
      // Beyond the far plane (z > w).
      {"far", {0, 1.5f, 2, 1}, {{32.0 / 3, 40.0 / 3}, {64.0 / 3, 40.0 / 3}, {24, 24}, {8, 24}}},
  };
  const std::vector<Float4> constants = Identity();
  for (const Case& k : cases) {
    for (bool reference : {true, false}) {
      Mesh mesh;
      mesh.Add(-0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF);
      mesh.Add(0.5f, -0.5f, 0.5f, 1, 0xFFFFFFFF);
      mesh.Add(k.c.x, k.c.y, k.c.z, k.c.w, 0xFFFFFFFF);
      const uint16_t indices[] = {0, 1, 2};
      Target t;
      t.Reset(32, 32, 1);
      Renderer r(RendererOptions{reference, 2});
      r.SetTarget(&t);
      State s = PlainState(32, 32);
      IndexedDraw d;
      d.indices = indices;
      d.indexCount = 3;
      d.numVertices = 3;
      d.primitiveCount = 1;
      ASSERT_TRUE(r.DrawIndexed(s, VertexShader{TransformProgram, constants.data(), nullptr},
                                mesh.Source(), d));
      r.Flush();
      int inside = 0;
      bool ok = true;
      for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
          const int want = Classify(k.visible, x, y);
          const bool drawn = t.color(x, y, 0) == 0xFFFFFFFF;
          if (want != 0 && drawn != (want > 0)) {
            ok = false;
            ADD_FAILURE() << k.name << ": pixel " << x << "," << y << (drawn ? " drawn" : " empty");
          }
          inside += want > 0;
        }
      }
      EXPECT_GT(inside, 100);
      if (!ok) SaveImage(t, TestName() + "_" + k.name);
    }
  }
}

TEST(Program, OutputColourIsClampedAndTrianglesBehindTheEyeVanish) {
  const auto program = [](const VertexInput& in, const Float4*, VertexOutput* out, void*) {
    out->position = in.position[0];
    out->color0 = {2.0f, -1.0f, 0.5f, 1.0f};
  };
  const std::vector<Float4> constants = Identity();
  Mesh mesh;
  for (auto [x, y] : {std::pair{-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}, {-1.0f, -1.0f}})
    mesh.Add(x, y, 0.5f, 1, 0);
  for (auto [x, y] : {std::pair{-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}})
    mesh.Add(x, y, -0.5f, -1, 0);  // entirely behind
  const uint16_t indices[] = {4, 5, 6, 0, 1, 2, 0, 2, 3};
  Target t;
  t.Reset(4, 4, 1);
  Renderer r;
  r.SetTarget(&t);
  IndexedDraw d;
  d.indices = indices;
  d.indexCount = 9;
  d.numVertices = 7;
  d.primitiveCount = 3;
  State s = PlainState(4, 4);
  s.cull = raster::CullMode::kCounterClockwise;
  ASSERT_TRUE(r.DrawIndexed(s, VertexShader{program, constants.data(), nullptr}, mesh.Source(), d));
  r.Flush();
  EXPECT_EQ(CountPixels(t, 0xFFFF0080), 16);
  EXPECT_EQ(r.triangles_drawn(), 2u);
}

TEST(Program, GatherReadsElementTypesByUsage) {
  struct Case {
    ElementType type;
    std::vector<uint8_t> bytes;
    Usage usage;
    uint8_t usageIndex;
    Float4 expected;
  };
  const auto floats = [](std::initializer_list<float> f) {
    std::vector<uint8_t> b(f.size() * 4);
    std::memcpy(b.data(), f.begin(), b.size());
    return b;
  };
  const Case cases[] = {
      {ElementType::kFloat1, floats({3}), Usage::kBlendWeight, 0, {3, 0, 0, 1}},
      {ElementType::kFloat2, floats({1, 2}), Usage::kTexcoord, 1, {1, 2, 0, 1}},
      {ElementType::kFloat3, floats({1, 2, 3}), Usage::kNormal, 1, {1, 2, 3, 1}},
      {ElementType::kFloat4, floats({1, 2, 3, 4}), Usage::kBlendIndices, 0, {1, 2, 3, 4}},
      // 0xAARRGGBB in memory order B, G, R, A.
      {ElementType::kColor, {0x00, 0x33, 0xFF, 0x66}, Usage::kColor, 1, {1.0f, 0.2f, 0.0f, 0.4f}},
      {ElementType::kUByte4, {1, 2, 250, 7}, Usage::kPosition, 1, {1, 2, 250, 7}},
  };
  for (const Case& k : cases) {
    std::vector<uint8_t> stream(4, 0xEE);  // the element sits at offset 4 of vertex 1
    stream.resize(8 + 4 + k.bytes.size(), 0xEE);
    std::memcpy(stream.data() + 8 + 4, k.bytes.data(), k.bytes.size());
    VertexElement e{1, 4, k.type, k.usage, k.usageIndex};
    VertexSource src;
    src.elements = &e;
    src.elementCount = 1;
    src.streams[1] = {stream.data(), stream.size(), 8};
    ASSERT_TRUE(raster::ValidateVertexSource(src, 1, 1));
    EXPECT_FALSE(raster::ValidateVertexSource(src, 1, 2));  // vertex 2 would overrun
    VertexInput in;
    raster::GatherVertex(src, 1, &in);
    const Float4* regs[] = {in.position, in.normal,       in.color,
                            in.texcoord, in.blendIndices, in.blendWeight};
    const Float4 got = regs[static_cast<int>(k.usage)][k.usageIndex];
    EXPECT_FLOAT_EQ(got.x, k.expected.x);
    EXPECT_FLOAT_EQ(got.y, k.expected.y);
    EXPECT_FLOAT_EQ(got.z, k.expected.z);
    EXPECT_FLOAT_EQ(got.w, k.expected.w);
    // Everything else reads (0, 0, 0, 1).
    const Float4 other = in.position[0];
    EXPECT_EQ(other.w, 1.0f);
    EXPECT_EQ(other.x, 0.0f);
  }
}

TEST(Program, OutOfRangeReadsAreRefusedOrSkipped) {
  const std::vector<Float4> constants = Identity();
  Mesh mesh;
  for (auto [x, y] : {std::pair{-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}})
    mesh.Add(x, y, 0.5f, 1, 0xFFFFFFFF);
  const uint16_t indices[] = {0, 1, 2, 0, 1, 5};
  Target t;
  t.Reset(4, 4, 1);
  Renderer r;
  r.SetTarget(&t);
  const State s = PlainState(4, 4);
  const VertexShader shader{TransformProgram, constants.data(), nullptr};
  IndexedDraw d;
  d.indices = indices;
  d.indexCount = 6;
  d.numVertices = 3;
  d.primitiveCount = 2;
  IndexedDraw tooManyIndices = d;
  tooManyIndices.primitiveCount = 3;
  EXPECT_FALSE(r.DrawIndexed(s, shader, mesh.Source(), tooManyIndices));
  IndexedDraw pastTheStream = d;
  pastTheStream.baseVertex = 1;
  EXPECT_FALSE(r.DrawIndexed(s, shader, mesh.Source(), pastTheStream));
  IndexedDraw negative = d;
  negative.baseVertex = -1;
  EXPECT_FALSE(r.DrawIndexed(s, shader, mesh.Source(), negative));
  EXPECT_FALSE(r.DrawIndexed(s, VertexShader{}, mesh.Source(), d));
  // Index 5 lies outside the declared range: that triangle alone is skipped.
  EXPECT_TRUE(r.DrawIndexed(s, shader, mesh.Source(), d));
  EXPECT_EQ(r.triangles_drawn(), 1u);
}

}  // namespace
