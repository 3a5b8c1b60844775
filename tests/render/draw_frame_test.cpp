// Frames drawn by the software device at 800x600 through DrawLayer and
// DrawMorphLayers with the embedded effect: each pass, each blend mode over
// a known background, culling, a mesh skinned by two bones, and the morph
// pair. Expected colours come from the shading and blend formulas worked out
// here; a mismatch writes got, expected and difference PNGs.
#include "render_fixture.h"

namespace render_test {
namespace {

constexpr D3DCOLOR kBackground = 0xFF4080C0;
const Rgb kBackgroundRgb = {0x40 / 255.0, 0x80 / 255.0, 0xC0 / 255.0};

// Quads in a row: quad i spans x from -0.95 + i * step, 0.2 wide.
float Left(int i, float step = 0.27f) { return -0.95f + static_cast<float>(i) * step; }

using DrawFrameTest = RenderTest;

TEST_F(DrawFrameTest, EachPassShadesAsItsFormulaSays) {
  const uint32_t kTextureTexel = 0xFF80FF40;  // (0.5, 1, 0.25)
  const Rgb t = Unpack(kTextureTexel);
  // Toon ramp: four corners in four colours; clamped bilinear sampling at
  // (0.1, 0.1) and (0.9, 0.9) reads exactly the first and last texel.
  auto ramp = [](UINT x, UINT y) -> uint32_t {
    if (x == 0 && y == 0) return 0xFFFF2000;
    if (x == 3 && y == 3) return 0xFF20A0FF;
    return 0xFF808080;
  };
  std::vector<Surface> surfaces = {
      FlatSurface(kSurfaceConstant, 0, 0.9f, 0.3f, 0.2f, 1),
      FlatSurface(kSurfaceLambert, 0, 0.8f, 0.6f, 0.4f, 1, 0.5f),
      FlatSurface(kSurfacePhong, 0, 0.4f, 0.8f, 0.6f, 1, 0.75f),
      FlatSurface(kSurfaceBlinn, 0, 1.0f, 1.0f, 0.5f, 1, 0.25f),
      FlatSurface(kSurfaceToon, 0, 1, 1, 1, 1, 0.1f),
      FlatSurface(kSurfaceToon, 0, 0.5f, 1, 1, 1, 0.9f),
      FlatSurface(kSurfaceLambert, 0, 0.8f, 0.6f, 0.4f, 1, 0.5f),
  };
  // The toon surfaces carry a surface texture that must not show.
  surfaces[4].texture = MakeTexture(1, 1, [](UINT, UINT) { return 0xFF0000FFu; });
  surfaces[4].toonTexture = MakeTexture(4, 4, ramp);
  surfaces[5].toonTexture = MakeTexture(4, 4, ramp);
  surfaces[6].texture = MakeTexture(2, 2, [&](UINT, UINT) { return kTextureTexel; });
  LayerSpec layer;
  for (uint16_t i = 0; i < surfaces.size(); ++i)
    layer.meshes.push_back(Quad(Left(i), -0.3f, Left(i) + 0.2f, 0.3f, i));
  BuildScene({layer}, surfaces);

  Begin(kBackground);
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &render_), 0);
  const std::vector<uint32_t> frame = Finish();
  auto centre = [&](int i) { return Left(i) + 0.1f; };
  const Surface* s = scene_.surfaces;
  auto lit = [&](int i) {
    const double e = s[i].emissive;
    return Rgb{s[i].diffuse[0] * e, s[i].diffuse[1] * e, s[i].diffuse[2] * e};
  };
  EXPECT_TRUE(PixelNear(frame, centre(0), 0, {0.9, 0.3, 0.2}, "constant"));
  EXPECT_TRUE(PixelNear(frame, centre(1), 0, lit(1), "lambert"));
  EXPECT_TRUE(PixelNear(frame, centre(2), 0, lit(2), "phong"));
  EXPECT_TRUE(PixelNear(frame, centre(3), 0, lit(3), "blinn"));
  EXPECT_TRUE(PixelNear(frame, centre(4), 0, Unpack(0xFFFF2000), "toon low"));
  const Rgb high = Unpack(0xFF20A0FF);
  EXPECT_TRUE(PixelNear(frame, centre(5), 0, {high.r * 0.5, high.g, high.b}, "toon high"));
  const Rgb l = lit(6);
  EXPECT_TRUE(PixelNear(frame, centre(6), 0, {l.r * t.r, l.g * t.g, l.b * t.b}, "textured"));
  EXPECT_TRUE(PixelNear(frame, 0, 0.6f, kBackgroundRgb, "background"));
}

TEST_F(DrawFrameTest, EachBlendModeCombinesWithTheBackgroundByItsPair) {
  const Rgb source = {0.8, 0.4, 0.2};
  const double alpha = 0.5;
  std::vector<Surface> surfaces;
  LayerSpec layer;
  for (uint16_t mode = 0; mode < 7; ++mode) {
    surfaces.push_back(FlatSurface(kSurfaceConstant, mode, 0.8f, 0.4f, 0.2f, 0.5f));
    layer.meshes.push_back(Quad(Left(mode), -0.3f, Left(mode) + 0.2f, 0.3f, mode));
  }
  BuildScene({layer}, surfaces);
  Begin(kBackground);
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &render_), 0);
  const std::vector<uint32_t> frame = Finish();
  for (int mode = 0; mode < 7; ++mode)
    EXPECT_TRUE(PixelNear(frame, Left(mode) + 0.1f, 0,
                          BlendExpected(mode, source, alpha, kBackgroundRgb),
                          "mode" + std::to_string(mode)));
}

TEST_F(DrawFrameTest, SingleSidedSurfacesCullCounterClockwiseTriangles) {
  Surface single = FlatSurface(kSurfaceConstant, 0, 1, 1, 0, 1);
  single.doubleSided = 0;
  const Surface both = FlatSurface(kSurfaceConstant, 0, 1, 1, 0, 1);
  LayerSpec layer;
  layer.meshes.push_back(Quad(Left(0), -0.3f, Left(0) + 0.2f, 0.3f, 0, 0.5f, true));
  layer.meshes.push_back(Quad(Left(1), -0.3f, Left(1) + 0.2f, 0.3f, 1, 0.5f, true));
  layer.meshes.push_back(Quad(Left(2), -0.3f, Left(2) + 0.2f, 0.3f, 0, 0.5f, false));
  BuildScene({layer}, {single, both});
  Begin(kBackground);
  const States before = ReadStates();
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &render_), 0);
  EXPECT_EQ(ReadStates(), before);
  const std::vector<uint32_t> frame = Finish();
  EXPECT_TRUE(PixelNear(frame, Left(0) + 0.1f, 0, kBackgroundRgb, "culled"));
  EXPECT_TRUE(PixelNear(frame, Left(1) + 0.1f, 0, {1, 1, 0}, "double-sided"));
  EXPECT_TRUE(PixelNear(frame, Left(2) + 0.1f, 0, {1, 1, 0}, "front-facing"));
}

TEST_F(DrawFrameTest, ASkinnedMeshFollowsTwoBones) {
  // Left edge on slot 0 (the layer's own motion), right edge on slot 1 (a
  // binding); a middle column split evenly between both.
  MeshSpec m;
  m.vertices = {Vertex(-0.3f, -0.3f, 0.5f, 0, 1, 0),  Vertex(0.0f, -0.3f, 0.5f, 0.5f, 1, 0),
                Vertex(0.3f, -0.3f, 0.5f, 1, 1, 1),   Vertex(0.3f, 0.3f, 0.5f, 1, 0, 1),
                Vertex(0.0f, 0.3f, 0.5f, 0.5f, 0, 0), Vertex(-0.3f, 0.3f, 0.5f, 0, 0, 0)};
  for (int i : {1, 4}) {
    m.vertices[i].blendIndices[1] = 1;
    m.vertices[i].blendWeights[0] = 0.5f;
    m.vertices[i].blendWeights[1] = 0.5f;
  }
  m.indices = {0, 4, 1, 0, 5, 4, 1, 3, 2, 1, 4, 3};
  LayerSpec layer;
  layer.meshes = {m};
  layer.motionNo = 0;
  layer.paletteSlot = 0;
  layer.bindings = {{1, 1}};
  BuildScene({layer}, {FlatSurface(kSurfaceConstant, 0, 0, 1, 0, 1)}, 2);
  D3DXMatrixTranslation(&scene_.motions[0].skinMatrix, -0.2f, 0.0f, 0.0f);
  D3DXMatrixTranslation(&scene_.motions[1].skinMatrix, 0.3f, 0.2f, 0.0f);
  Begin(kBackground);
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &render_), 0);
  const std::vector<uint32_t> frame = Finish();
  const Rgb green = {0, 1, 0};
  // Left edge moved to x = -0.5, right edge to 0.6 and up by 0.2, the
  // middle column halfway: x = 0.05, y up by 0.1.
  EXPECT_TRUE(PixelNear(frame, -0.47f, 0, green, "left inside"));
  EXPECT_TRUE(PixelNear(frame, -0.53f, 0, kBackgroundRgb, "left outside"));
  EXPECT_TRUE(PixelNear(frame, 0.57f, 0.45f, green, "right top inside"));
  EXPECT_TRUE(PixelNear(frame, 0.57f, -0.15f, kBackgroundRgb, "right bottom outside"));
  EXPECT_TRUE(PixelNear(frame, 0.63f, 0.2f, kBackgroundRgb, "right outside"));
  EXPECT_TRUE(PixelNear(frame, 0.05f, 0.37f, green, "middle top inside"));
  EXPECT_TRUE(PixelNear(frame, -0.45f, 0.33f, kBackgroundRgb, "left top outside"));
}

TEST_F(DrawFrameTest, TheMorphPairDrawsTheBaseAtZeroAndTheTargetShapeAtOne) {
  std::vector<LayerSpec> layers(8);
  layers[6].meshes = {Quad(-0.8f, -0.2f, -0.4f, 0.2f, 0)};
  layers[7].meshes = {Quad(0.4f, -0.2f, 0.8f, 0.6f, 1)};
  // The target's surface is never used.
  BuildScene(layers, {FlatSurface(kSurfaceLambert, 0, 1, 0.5f, 0, 1, 1),
                      FlatSurface(kSurfaceConstant, 0, 0, 0, 1, 1)});
  const Rgb base = {1, 0.5, 0};
  struct Case {
    float w[3];
    float x, y;  // a point only the morphed quad covers
    float awayX, awayY;
  } cases[] = {{{0, 0, 0}, -0.6f, 0.0f, 0.6f, 0.4f},
               {{1, 1, 1}, 0.6f, 0.4f, -0.6f, 0.0f},
               {{1, 0, 0}, 0.6f, 0.0f, 0.6f, 0.4f}};  // x moved, y kept
  for (const Case& c : cases) {
    Begin(kBackground);
    const States before = ReadStates();
    EXPECT_EQ(DrawMorphLayers(device_, &scene_, &render_, c.w), 0);
    EXPECT_EQ(ReadStates(), before);
    const std::vector<uint32_t> frame = Finish();
    const std::string label = "w" + std::to_string(c.w[0]) + std::to_string(c.w[1]);
    EXPECT_TRUE(PixelNear(frame, c.x, c.y, base, label + ".covered"));
    EXPECT_TRUE(PixelNear(frame, c.awayX, c.awayY, kBackgroundRgb, label + ".uncovered"));
  }
}

// Every pass and every blend mode side by side in one frame, with coloured
// lights and tilted normals so the lit passes show their shading; written
// as render_showcase.png under $MORVANE_TEST_OUT for a person to look at.
TEST_F(DrawFrameTest, ShowcaseOfEveryPassAndBlendMode) {
  const D3DXVECTOR4 light1Color(1.0f, 0.9f, 0.8f, 0.6f), light2Color(0.3f, 0.4f, 0.9f, 0.3f);
  render_.effect->SetVector(render_.paramLight1Color, &light1Color);
  render_.effect->SetVector(render_.paramLight2Color, &light2Color);
  auto ramp = [](UINT x, UINT) -> uint32_t {
    const uint32_t v = 40 + x * 60;
    return 0xFF000000u | (v << 16) | ((v / 2) << 8) | (255 - v);
  };
  auto checker = [](UINT x, UINT y) -> uint32_t {
    return ((x / 4 + y / 4) % 2) ? 0xFFFFFFFFu : 0xFFC0C0FFu;
  };
  std::vector<Surface> surfaces;
  LayerSpec layer;
  // Row 1: the five passes, opaque, on tilted quads (normals fan out).
  for (int type = 0; type < 5; ++type) {
    Surface s = FlatSurface(type, 0, 0.9f, 0.7f, 0.5f, 1, 0.2f);
    s.specular = 0.8f;
    s.power = 6.0f;
    s.texture = MakeTexture(16, 16, checker);
    if (type == kSurfaceToon) s.toonTexture = MakeTexture(4, 4, ramp);
    surfaces.push_back(s);
    MeshSpec q = Quad(-0.9f + type * 0.36f, 0.15f, -0.6f + type * 0.36f, 0.75f,
                      static_cast<uint16_t>(surfaces.size() - 1));
    const float normals[4][3] = {
        {-0.6f, -0.6f, -1}, {0.6f, -0.6f, -1}, {0.6f, 0.6f, -1}, {-0.6f, 0.6f, -1}};
    for (int v = 0; v < 4; ++v) std::memcpy(q.vertices[v].normal, normals[v], sizeof normals[v]);
    layer.meshes.push_back(q);
  }
  // Row 2: the seven blend modes, half transparent.
  for (int mode = 0; mode < 7; ++mode) {
    surfaces.push_back(FlatSurface(kSurfaceConstant, mode, 0.9f, 0.5f, 0.1f, 0.5f));
    layer.meshes.push_back(Quad(-0.95f + mode * 0.27f, -0.75f, -0.75f + mode * 0.27f, -0.15f,
                                static_cast<uint16_t>(surfaces.size() - 1)));
  }
  BuildScene({layer}, surfaces);
  Begin(kBackground);
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &render_), 0);
  const std::vector<uint32_t> frame = Finish();
  test_support::SaveFrame(frame, kWidth, kHeight, "render_showcase");
  // The row of blend modes: the first quad is ordinary alpha blending.
  EXPECT_TRUE(PixelNear(frame, -0.85f, -0.45f,
                        BlendExpected(0, {0.9, 0.5, 0.1}, 0.5, kBackgroundRgb), "showcase mode0"));
}

}  // namespace
}  // namespace render_test
