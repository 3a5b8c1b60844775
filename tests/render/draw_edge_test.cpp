// The drawing calls' edge cases, watched through an effect that records
// every call (palette slots written, passes begun with the blend pair and
// cull mode in force), and the device states the calls must leave as found.
#include <memory>

#include "recording_effect.h"
#include "render_fixture.h"

namespace render_test {
namespace {

class DrawEdgeTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    recorder_ = std::make_unique<RecordingEffect>(device_);
    // A context of the recorder with handles of our own: palette slot i is
    // &names_[i], null from 75 on as in the effect.
    fake_.effect = recorder_.get();
    fake_.staticDeclaration = render_.staticDeclaration;
    fake_.morphDeclaration = render_.morphDeclaration;
    fake_.techShader = "shader";
    fake_.techMorphShader = "morph";
    fake_.paramDiffuse = "Diffuse";
    fake_.paramSurfaceParam = "SurfaceParam";
    fake_.paramMorphingWeight = "MorphingWeight";
    fake_.paramTexture = "Texture";
    fake_.paramToonTexture = "ToonTexture";
    for (int i = 0; i < 75; ++i) fake_.paramBlendMatrix[i] = &names_[i];
  }
  void TearDown() override {
    fake_ = RenderContext{};  // the declarations belong to render_
    RenderTest::TearDown();
  }

  // Palette slot of a recorded handle; 75..79 for their null handles can
  // not be told apart, so -1 stands for "a null handle".
  int SlotOf(D3DXHANDLE h) const {
    if (h == nullptr) return -1;
    return static_cast<int>(h - names_);
  }

  // Distinct states no drawing would choose, to see what is restored.
  void SetOddStates() {
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_BOTHSRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
  }

  std::unique_ptr<RecordingEffect> recorder_;
  RenderContext fake_;
  char names_[80] = {};
};

D3DXMATRIX Translation(float x) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, 0, 0);
  return m;
}

bool SameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(DrawEdgeTest, AnIndexPastTheLayersOrAMissingMorphPairDoesNothing) {
  std::vector<LayerSpec> layers(7);
  layers[0].meshes = {Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0)};
  BuildScene(layers, {FlatSurface(kSurfaceConstant, 3, 1, 1, 1, 1)}, 1);
  SetOddStates();
  const States before = ReadStates();
  EXPECT_EQ(DrawLayer(7, device_, &scene_, &fake_), -1);
  EXPECT_EQ(DrawLayer(0xFFFF, device_, &scene_, &fake_), -1);
  const float weight[3] = {1, 1, 1};
  EXPECT_EQ(DrawMorphLayers(device_, &scene_, &fake_, weight), -1);  // seven layers only
  EXPECT_EQ(ReadStates(), before);
  EXPECT_TRUE(recorder_->Empty());
}

TEST_F(DrawEdgeTest, ThePaletteOfALayer) {
  std::vector<LayerSpec> layers(4);
  layers[0].paletteSlot = 80;  // no slot, no bindings: nothing written
  layers[0].motionNo = 1;
  layers[1].paletteSlot = 2;
  layers[1].motionNo = 1;
  layers[1].bindings = {{2, kNoPaletteSlot}, {kNoMotion, 5}, {0, 2}, {2, 80}, {2, 0xFFFE},
                        {2, 79}};
  layers[2].paletteSlot = 9;  // no own motion: the identity
  layers[2].motionNo = kNoMotion;
  layers[2].bindings = {{kNoMotion, 3}};
  BuildScene(layers, {}, 3);
  for (int k = 0; k < 3; ++k) scene_.motions[k].skinMatrix = Translation(float(k + 1));

  EXPECT_EQ(DrawLayer(0, device_, &scene_, &fake_), 0);
  EXPECT_TRUE(recorder_->matrices.empty());

  EXPECT_EQ(DrawLayer(1, device_, &scene_, &fake_), 0);
  const auto& m = recorder_->matrices;
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(SlotOf(m[0].handle), 2);  // the layer's own slot first
  EXPECT_TRUE(SameMatrix(m[0].value, Translation(2)));
  EXPECT_EQ(SlotOf(m[1].handle), 5);  // motion 0xFFFF: the layer's matrix
  EXPECT_TRUE(SameMatrix(m[1].value, Translation(2)));
  EXPECT_EQ(SlotOf(m[2].handle), 2);  // a later binding overwrites the own slot
  EXPECT_TRUE(SameMatrix(m[2].value, Translation(1)));
  EXPECT_EQ(SlotOf(m[3].handle), -1);  // slot 79 exists only as a null handle
  EXPECT_TRUE(SameMatrix(m[3].value, Translation(3)));

  recorder_->matrices.clear();
  EXPECT_EQ(DrawLayer(2, device_, &scene_, &fake_), 0);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(SlotOf(m[0].handle), 9);
  EXPECT_TRUE(SameMatrix(m[0].value, kIdentityMatrix));
  EXPECT_EQ(SlotOf(m[1].handle), 3);
  EXPECT_TRUE(SameMatrix(m[1].value, kIdentityMatrix));
}

TEST_F(DrawEdgeTest, WithoutMotionsEverySlotWrittenGetsTheIdentity) {
  std::vector<LayerSpec> layers(1);
  layers[0].paletteSlot = 0;
  layers[0].motionNo = 4;
  layers[0].bindings = {{1, 1}, {kNoMotion, 2}};
  BuildScene(layers, {}, 0);
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &fake_), 0);
  const auto& m = recorder_->matrices;
  ASSERT_EQ(m.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(SlotOf(m[i].handle), i);
    EXPECT_TRUE(SameMatrix(m[i].value, kIdentityMatrix));
  }
}

TEST_F(DrawEdgeTest, BlendModesOutsideTheTableKeepThePairAndPassesFollowTheType) {
  std::vector<Surface> surfaces = {
      FlatSurface(kSurfaceConstant, 4, 1, 1, 1, 1), FlatSurface(kSurfacePhong, 7, 1, 1, 1, 1),
      FlatSurface(kSurfaceBlinn, -1, 1, 1, 1, 1),   FlatSurface(5, 1, 1, 1, 1, 1),
      FlatSurface(kSurfaceLambert, 7, 1, 1, 1, 1),  FlatSurface(kSurfaceToon, 2, 1, 1, 1, 1),
  };
  surfaces[1].doubleSided = 0;
  surfaces[3].doubleSided = 0;
  LayerSpec layer;
  for (uint16_t i = 0; i < surfaces.size(); ++i) layer.meshes.push_back(Quad(0, 0, 1, 1, i));
  BuildScene({layer}, surfaces);
  SetOddStates();
  const States before = ReadStates();
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &fake_), 0);
  EXPECT_EQ(ReadStates(), before);

  const auto& p = recorder_->passes;
  ASSERT_EQ(p.size(), 5u);  // the type-5 mesh draws nothing
  const UINT wantPass[] = {0, 2, 3, 1, 4};
  const DWORD wantSource[] = {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLEND_SRCALPHA,
                              D3DBLEND_DESTCOLOR};
  const DWORD wantDestination[] = {D3DBLEND_INVSRCCOLOR, D3DBLEND_INVSRCCOLOR,
                                   D3DBLEND_INVSRCCOLOR, D3DBLEND_ONE, D3DBLEND_ZERO};
  const DWORD wantCull[] = {D3DCULL_NONE, D3DCULL_CCW, D3DCULL_NONE, D3DCULL_NONE, D3DCULL_NONE};
  for (size_t i = 0; i < p.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p[i].technique, fake_.techShader);
    EXPECT_EQ(p[i].pass, wantPass[i]);
    EXPECT_EQ(p[i].source, wantSource[i]);
    EXPECT_EQ(p[i].destination, wantDestination[i]);
    EXPECT_EQ(p[i].cull, wantCull[i]);
  }
  EXPECT_EQ(recorder_->begins, 5);
  EXPECT_EQ(recorder_->ends, 5);
  // Only the toon surface sets the toon texture; every surface sets the
  // texture, the diffuse colour and the surface parameters with w = 0.
  int toon = 0, texture = 0;
  for (const auto& t : recorder_->textures) {
    toon += t.first == fake_.paramToonTexture;
    texture += t.first == fake_.paramTexture;
  }
  EXPECT_EQ(toon, 1);
  EXPECT_EQ(texture, 6);
  int params = 0;
  for (const auto& v : recorder_->vectors) {
    if (v.handle != fake_.paramSurfaceParam) continue;
    ++params;
    EXPECT_EQ(v.value.x, 1.0f);  // emissive
    EXPECT_EQ(v.value.y, 0.5f);  // specular
    EXPECT_EQ(v.value.z, 4.0f);  // power
    EXPECT_EQ(v.value.w, 0.0f);
  }
  EXPECT_EQ(params, 6);
}

TEST_F(DrawEdgeTest, AMeshNamingNoSurfaceIsSkipped) {
  LayerSpec layer;
  layer.meshes = {Quad(0, 0, 1, 1, 1), Quad(0, 0, 1, 1, 0)};  // surface 1 does not exist
  BuildScene({layer}, {FlatSurface(kSurfaceBlinn, 0, 1, 1, 1, 1)});
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &fake_), 0);
  ASSERT_EQ(recorder_->passes.size(), 1u);
  EXPECT_EQ(recorder_->passes[0].pass, 3u);
}

TEST_F(DrawEdgeTest, AMorphMismatchDrawsTheMeshesBeforeItAndRestoresTheStates) {
  std::vector<LayerSpec> layers(8);
  layers[6].meshes = {Quad(0, 0, 1, 1, 0), Quad(0, 0, 1, 1, 1)};
  layers[7].meshes = {Quad(0, 0, 1, 1, 0), Quad(0, 0, 1, 1, 0)};
  layers[7].meshes[1].vertices.pop_back();
  layers[7].meshes[1].indices = {0, 1, 2};
  BuildScene(layers, {FlatSurface(kSurfaceConstant, 1, 1, 1, 1, 1),
                      FlatSurface(kSurfaceConstant, 4, 1, 1, 1, 1)});
  SetOddStates();
  const States before = ReadStates();
  const float weight[3] = {0.25f, 0.5f, 0.75f};
  EXPECT_EQ(DrawMorphLayers(device_, &scene_, &fake_, weight), -1);
  EXPECT_EQ(ReadStates(), before);
  ASSERT_EQ(recorder_->passes.size(), 1u);
  EXPECT_EQ(recorder_->passes[0].technique, fake_.techMorphShader);
  EXPECT_EQ(recorder_->passes[0].destination, static_cast<DWORD>(D3DBLEND_ONE));
  bool weightSet = false;
  for (const auto& v : recorder_->vectors)
    if (v.handle == fake_.paramMorphingWeight)
      weightSet = v.value.x == 0.25f && v.value.y == 0.5f && v.value.z == 0.75f && v.value.w == 0;
  EXPECT_TRUE(weightSet);

  // The target with fewer meshes than the base: the same.
  layers[7].meshes.pop_back();
  BuildScene(layers, {FlatSurface(kSurfaceConstant, 1, 1, 1, 1, 1),
                      FlatSurface(kSurfaceConstant, 4, 1, 1, 1, 1)});
  recorder_->passes.clear();
  EXPECT_EQ(DrawMorphLayers(device_, &scene_, &fake_, weight), -1);
  EXPECT_EQ(ReadStates(), before);
  EXPECT_EQ(recorder_->passes.size(), 1u);
}

// With the real effect: what its passes change (sampler states, the
// textures of stages 0 and 1) and the three states the calls save is as it was after each call.
TEST_F(DrawEdgeTest, DrawingLeavesTheDeviceStatesItFound) {
  std::vector<LayerSpec> layers(8);
  std::vector<Surface> surfaces = {FlatSurface(kSurfaceToon, 0, 1, 1, 1, 1),
                                   FlatSurface(kSurfaceLambert, 5, 1, 1, 1, 1)};
  surfaces[0].toonTexture = MakeTexture(2, 2, [](UINT, UINT) { return 0xFFFFFFFFu; });
  surfaces[1].texture = MakeTexture(2, 2, [](UINT, UINT) { return 0xFF00FF00u; });
  layers[0].meshes = {Quad(-0.5f, -0.5f, 0, 0, 0), Quad(0, 0, 0.5f, 0.5f, 1)};
  layers[6].meshes = {Quad(-0.5f, -0.5f, 0, 0, 1)};
  layers[7].meshes = {Quad(0, 0, 0.5f, 0.5f, 0)};
  BuildScene(layers, surfaces);
  IDirect3DTexture9* mine = MakeTexture(1, 1, [](UINT, UINT) { return 0xFF123456u; });
  device_->SetTexture(0, mine);
  device_->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  SetOddStates();
  struct Snapshot {
    States states;
    DWORD sampler[2][5];
    IDirect3DBaseTexture9* texture[2];
  };
  auto snapshot = [&]() {
    Snapshot s{};
    s.states = ReadStates();
    const D3DSAMPLERSTATETYPE kinds[5] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                          D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};
    for (DWORD stage = 0; stage < 2; ++stage) {
      for (int k = 0; k < 5; ++k) device_->GetSamplerState(stage, kinds[k], &s.sampler[stage][k]);
      device_->GetTexture(stage, &s.texture[stage]);
      if (s.texture[stage]) s.texture[stage]->Release();
    }
    return s;
  };
  const Snapshot before = snapshot();
  Begin(0xFF000000);
  EXPECT_EQ(DrawLayer(0, device_, &scene_, &render_), 0);
  Snapshot after = snapshot();
  EXPECT_EQ(after.states, before.states);
  EXPECT_EQ(std::memcmp(after.sampler, before.sampler, sizeof before.sampler), 0);
  EXPECT_EQ(after.texture[0], before.texture[0]);
  EXPECT_EQ(after.texture[1], before.texture[1]);
  const float weight[3] = {0.5f, 0.5f, 0.5f};
  EXPECT_EQ(DrawMorphLayers(device_, &scene_, &render_, weight), 0);
  after = snapshot();
  EXPECT_EQ(after.states, before.states);
  EXPECT_EQ(std::memcmp(after.sampler, before.sampler, sizeof before.sampler), 0);
  EXPECT_EQ(after.texture[0], before.texture[0]);
  Finish();
  device_->SetTexture(0, nullptr);
  mine->Release();
}

}  // namespace
}  // namespace render_test
