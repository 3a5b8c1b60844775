// Begin/BeginPass/EndPass/End: what a pass binds, what End puts back, calls
// out of order refused without a trace, and ValidateTechnique's refusals.
#include "effect_fixture.h"

namespace effect_test {
namespace {

using Reg = std::array<float, 4>;

int g_otherUser = 3;

// The device as the application left it before the effect runs.
struct Snapshot {
  void* programUser;
  std::vector<float> constants;
  DWORD sampler[3][5];
  IDirect3DBaseTexture9* texture[3];
};

constexpr D3DSAMPLERSTATETYPE kStates[5] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                            D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};

class EffectStateTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    if (HasFatalFailure()) return;
    CreateToy();
    a_ = MakeTexture(2, 2, [](int, int) { return 0xFF112233u; });
    b_ = MakeTexture(2, 2, [](int, int) { return 0xFF445566u; });
    c_ = MakeTexture(2, 2, [](int, int) { return 0xFF778899u; });
    ASSERT_TRUE(a_ && b_ && c_);
    // The application's own states on stages 0..2, registers and program.
    for (DWORD s = 0; s < 3; ++s) {
      ASSERT_EQ(device_->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC), D3D_OK);
      ASSERT_EQ(device_->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_NONE), D3D_OK);
      ASSERT_EQ(device_->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR), D3D_OK);
      ASSERT_EQ(device_->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER), D3D_OK);
      ASSERT_EQ(device_->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRRORONCE), D3D_OK);
    }
    ASSERT_EQ(device_->SetTexture(0, a_), D3D_OK);
    ASSERT_EQ(device_->SetTexture(2, a_), D3D_OK);
    FillRegisters(-7);
    ASSERT_EQ(d3d9::SetVertexProgram(device_, FlatProgram, &g_otherUser), D3D_OK);
    // The effect's own textures.
    ASSERT_EQ(effect_->SetTexture(effect_->GetParameterByName(nullptr, "Texture"), b_), D3D_OK);
    ASSERT_EQ(effect_->SetTexture(effect_->GetParameterByName(nullptr, "OtherTexture"), c_),
              D3D_OK);
    before_ = Take();
  }

  void TearDown() override {
    if (effect_ != nullptr) {
      EXPECT_EQ(effect_->Release(), 0u);
      effect_ = nullptr;
    }
    if (device_ != nullptr)
      for (DWORD s = 0; s < 3; ++s) device_->SetTexture(s, nullptr);
    for (IDirect3DTexture9* t : {a_, b_, c_}) {
      if (t != nullptr) {
        EXPECT_EQ(t->Release(), 0u);
      }
    }
    EffectTest::TearDown();
  }

  Snapshot Take() {
    Snapshot s{};
    s.programUser = BoundProgramUser();
    s.constants.resize(raster::kConstantRegisters * 4);
    EXPECT_EQ(device_->GetVertexShaderConstantF(0, s.constants.data(), raster::kConstantRegisters),
              D3D_OK);
    for (DWORD st = 0; st < 3; ++st) {
      for (int k = 0; k < 5; ++k) s.sampler[st][k] = Sampler(st, kStates[k]);
      s.texture[st] = Bound(st);
    }
    return s;
  }

  void ExpectUnchanged(const char* after) {
    SCOPED_TRACE(after);
    const Snapshot now = Take();
    EXPECT_EQ(now.programUser, before_.programUser);
    EXPECT_EQ(now.constants, before_.constants);
    for (DWORD st = 0; st < 3; ++st) {
      for (int k = 0; k < 5; ++k) EXPECT_EQ(now.sampler[st][k], before_.sampler[st][k]);
      EXPECT_EQ(now.texture[st], before_.texture[st]);
    }
  }

  IDirect3DTexture9* a_ = nullptr;
  IDirect3DTexture9* b_ = nullptr;
  IDirect3DTexture9* c_ = nullptr;
  Snapshot before_{};
};

TEST_F(EffectStateTest, PassesBindAndEndRestores) {
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);  // "Main", the first technique, until another is set
  ExpectUnchanged("Begin");

  ASSERT_EQ(effect_->BeginPass(1), D3D_OK);
  EXPECT_EQ(BoundProgramUser(), &g_flatUser);
  EXPECT_STREQ(BoundProgramGlsl(), kFlatGlsl);
  EXPECT_EQ(Register(4), (Reg{0.25f, 0.5f, 0.75f, 1}));
  // Stage 0: "ClampSampler" on "OtherTexture"; stage 1: "WrapSampler" on "Texture".
  EXPECT_EQ(Sampler(0, D3DSAMP_MINFILTER), DWORD{D3DTEXF_POINT});
  EXPECT_EQ(Sampler(0, D3DSAMP_MAGFILTER), DWORD{D3DTEXF_POINT});
  EXPECT_EQ(Sampler(0, D3DSAMP_MIPFILTER), DWORD{D3DTEXF_NONE});
  EXPECT_EQ(Sampler(0, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_CLAMP});
  EXPECT_EQ(Sampler(0, D3DSAMP_ADDRESSV), DWORD{D3DTADDRESS_MIRROR});
  EXPECT_EQ(Bound(0), c_);
  EXPECT_EQ(Sampler(1, D3DSAMP_MINFILTER), DWORD{D3DTEXF_LINEAR});
  EXPECT_EQ(Sampler(1, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_WRAP});
  EXPECT_EQ(Bound(1), b_);
  // Stage 2 is bound by no pass.
  EXPECT_EQ(Bound(2), a_);
  EXPECT_EQ(Sampler(2, D3DSAMP_MINFILTER), DWORD{D3DTEXF_ANISOTROPIC});
  ASSERT_EQ(effect_->EndPass(), D3D_OK);

  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(BoundProgramUser(), &g_transformUser);
  // The pass binds the whole registered entry, GLSL form included.
  EXPECT_STREQ(BoundProgramGlsl(), kTransformGlsl);
  EXPECT_EQ(Sampler(0, D3DSAMP_ADDRESSV), DWORD{D3DTADDRESS_WRAP});
  EXPECT_EQ(Bound(0), b_);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
  ExpectUnchanged("End");

  // The references Begin took for the saved textures are back.
  EXPECT_EQ(a_->AddRef(), 2u);
  a_->Release();
}

TEST_F(EffectStateTest, ParametersPersistAcrossBeginEndPairs) {
  const D3DXVECTOR4 v(9, 8, 7, 6);
  ASSERT_EQ(effect_->SetVector(effect_->GetParameterByName(nullptr, "Color"), &v), D3D_OK);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
    EXPECT_EQ(Register(4), (Reg{9, 8, 7, 6})) << "round " << round;
    EXPECT_EQ(Bound(0), b_);
    ASSERT_EQ(effect_->EndPass(), D3D_OK);
    ASSERT_EQ(effect_->End(), D3D_OK);
    EXPECT_EQ(Register(4), (Reg{-7, -7, -7, -7}));  // End put the device's value back
  }
  ExpectUnchanged("two pairs");
}

TEST_F(EffectStateTest, PassOutsideTheTechniqueBindsNothing) {
  ASSERT_EQ(effect_->SetTechnique(effect_->GetTechniqueByName("Single")), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 1u);
  EXPECT_EQ(effect_->BeginPass(1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->BeginPass(0xFFFFFFFFu), D3DERR_INVALIDCALL);
  ExpectUnchanged("BeginPass out of range");
  EXPECT_EQ(effect_->EndPass(), D3DERR_INVALIDCALL);  // no pass began
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(BoundProgramUser(), &g_flatUser);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  ASSERT_EQ(effect_->End(), D3D_OK);
  ExpectUnchanged("End");
}

TEST_F(EffectStateTest, CallsOutOfOrderAreRefusedAndChangeNothing) {
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->Begin(nullptr, D3DXFX_DONOTSAVESTATE), D3DERR_INVALIDCALL);
  ExpectUnchanged("before Begin");

  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  UINT again = 77;
  EXPECT_EQ(effect_->Begin(&again, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(again, 77u);
  // The technique cannot change under a Begin.
  EXPECT_EQ(effect_->SetTechnique(effect_->GetTechniqueByName("Single")), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect_->BeginPass(1), D3D_OK);  // still "Main", which has pass 1
  const Snapshot inPass = Take();
  EXPECT_EQ(effect_->BeginPass(0), D3DERR_INVALIDCALL);  // pass 1 not ended
  EXPECT_EQ(Take().programUser, inPass.programUser);
  ASSERT_EQ(effect_->EndPass(), D3D_OK);
  EXPECT_EQ(effect_->EndPass(), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect_->End(), D3D_OK);
  EXPECT_EQ(effect_->End(), D3DERR_INVALIDCALL);
  ExpectUnchanged("after End");

  // Handles that are no technique.
  const char foreign[] = "Main";
  for (D3DXHANDLE h :
       {D3DXHANDLE{nullptr}, effect_->GetParameterByName(nullptr, "Color"), +foreign})
    EXPECT_EQ(effect_->SetTechnique(h), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  ASSERT_EQ(effect_->End(), D3D_OK);  // End closes an open Begin without passes
}

TEST_F(EffectTest, ValidationRefusesWhatTheDeviceCannotRun) {
  fxc::EffectDesc desc = ToyEffect();
  desc.techniques.push_back({"Wide", {{"P", "toy_wide", {}}}});
  desc.techniques.push_back({"PointSize", {{"P", "toy_flat", {}}, {"Q", "toy_point_size", {}}}});
  desc.techniques.push_back({"Texcoord2", {{"P", "toy_texcoord2", {}}}});
  ASSERT_EQ(Create(fxc::WriteEffect(desc), &effect_), D3D_OK);  // creation does not validate
  const auto validate = [&](const char* name) {
    return effect_->ValidateTechnique(effect_->GetTechniqueByName(name));
  };
  const auto refusal = [] { return testing_hooks::LastEffectRefusal(); };
  EXPECT_EQ(validate("Main"), D3D_OK);
  EXPECT_EQ(validate("Single"), D3D_OK);
  EXPECT_EQ(validate("Wide"), D3D_OK);

  // Inputs the device does not gather.
  EXPECT_EQ(validate("PointSize"), E_FAIL);
  EXPECT_NE(refusal().find("pass \"Q\""), std::string::npos) << refusal();
  EXPECT_NE(refusal().find("usage 4 index 0"), std::string::npos) << refusal();
  EXPECT_EQ(validate("Texcoord2"), E_FAIL);
  EXPECT_NE(refusal().find("usage 5 index 2"), std::string::npos) << refusal();

  // Fewer registers: the program of "Wide" needs 240, the palette ends at 231.
  testing_hooks::SetVertexConstantLimit(239);
  EXPECT_EQ(validate("Wide"), E_FAIL);
  EXPECT_NE(refusal().find("needs 240"), std::string::npos) << refusal();
  EXPECT_EQ(validate("Main"), D3D_OK);
  testing_hooks::SetVertexConstantLimit(230);
  EXPECT_EQ(validate("Main"), E_FAIL);
  EXPECT_NE(refusal().find("parameters need 231"), std::string::npos) << refusal();
  testing_hooks::SetVertexConstantLimit(256);
  EXPECT_EQ(validate("Wide"), D3D_OK);

  // A program no longer registered.
  testing_hooks::ForgetVertexProgram("toy_flat");
  EXPECT_EQ(validate("Single"), E_FAIL);
  EXPECT_NE(refusal().find("\"toy_flat\" is not registered"), std::string::npos) << refusal();
  EXPECT_EQ(validate("Main"), E_FAIL);  // its pass 1 uses toy_flat
  // ...and a new effect naming it cannot be made.
  ID3DXEffect* other = nullptr;
  EXPECT_EQ(Create(fxc::WriteEffect(ToyEffect()), &other), D3DXERR_INVALIDDATA);
  EXPECT_EQ(other, nullptr);

  const char foreign[] = "Main";
  for (D3DXHANDLE h :
       {D3DXHANDLE{nullptr}, effect_->GetParameterByName(nullptr, "Color"), +foreign})
    EXPECT_EQ(effect_->ValidateTechnique(h), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace effect_test
