// Effect parameters: handles, element handles, the register images that
// SetMatrix and SetVector produce (read back from the device after
// BeginPass), textures and their references, and the effect's own counts.
#include "effect_fixture.h"

namespace effect_test {
namespace {

// m[r][c] = 10 r + c + 1, so every entry tells where it came from.
D3DXMATRIX Numbered() {
  D3DXMATRIX m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m.m[r][c] = static_cast<float>(10 * r + c + 1);
  return m;
}

using Reg = std::array<float, 4>;

TEST_F(EffectTest, ElementHandlesExistOnlyInsideTheArray) {
  CreateToy();
  const D3DXHANDLE palette = effect_->GetParameterByName(nullptr, "Palette");
  ASSERT_NE(palette, nullptr);
  std::vector<D3DXHANDLE> seen = {palette};
  for (UINT i = 0; i < kPaletteElements; ++i) {
    const D3DXHANDLE h = effect_->GetParameterElement(palette, i);
    ASSERT_NE(h, nullptr) << i;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), h), 0) << "element " << i << " repeats";
    seen.push_back(h);
  }
  // What the program asks for beyond the 75 elements: slots 75 to 79.
  for (UINT i = kPaletteElements; i < 80; ++i)
    EXPECT_EQ(effect_->GetParameterElement(palette, i), nullptr);
  EXPECT_EQ(effect_->GetParameterElement(palette, 0xFFFFFFFFu), nullptr);
  // Not arrays: no elements, not even element 0.
  EXPECT_EQ(effect_->GetParameterElement(effect_->GetParameterByName(nullptr, "Color"), 0),
            nullptr);
  EXPECT_EQ(effect_->GetParameterElement(effect_->GetParameterElement(palette, 3), 0), nullptr);
  EXPECT_EQ(effect_->GetParameterElement(effect_->GetTechniqueByName("Main"), 0), nullptr);
  // A null parent lists the effect's parameters in order.
  const fxc::EffectDesc desc = ToyEffect();
  for (UINT i = 0; i < desc.parameters.size(); ++i)
    EXPECT_EQ(effect_->GetParameterElement(nullptr, i),
              effect_->GetParameterByName(nullptr, desc.parameters[i].name.c_str()));
  EXPECT_EQ(effect_->GetParameterElement(nullptr, static_cast<UINT>(desc.parameters.size())),
            nullptr);
  // Members of a parent do not exist, and a foreign handle is no handle.
  EXPECT_EQ(effect_->GetParameterByName(palette, "Color"), nullptr);
  const char foreign[] = "Palette";
  EXPECT_EQ(effect_->GetParameterElement(foreign, 0), nullptr);
}

TEST_F(EffectTest, MatricesLandInRegistersColumnByColumn) {
  CreateToy();
  FillRegisters(-7);
  const D3DXMATRIX m = Numbered();
  const D3DXHANDLE palette = effect_->GetParameterByName(nullptr, "Palette");
  ASSERT_EQ(effect_->SetMatrix(effect_->GetParameterByName(nullptr, "WorldViewProjection"), &m),
            D3D_OK);
  ASSERT_EQ(effect_->SetMatrix(effect_->GetParameterElement(palette, 74), &m), D3D_OK);
  ASSERT_EQ(effect_->SetMatrix(effect_->GetParameterElement(palette, 1), &m), D3D_OK);
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);

  // float4x4 in registers 0..3: register k = column k = (m0k, m1k, m2k, m3k).
  EXPECT_EQ(Register(0), (Reg{1, 11, 21, 31}));
  EXPECT_EQ(Register(1), (Reg{2, 12, 22, 32}));
  EXPECT_EQ(Register(2), (Reg{3, 13, 23, 33}));
  EXPECT_EQ(Register(3), (Reg{4, 14, 24, 34}));
  // float4x3 element i at 6 + 3 i: columns 0..2, the fourth column dropped.
  for (UINT base : {kPaletteFirst + 3 * 74, kPaletteFirst + 3 * 1}) {
    EXPECT_EQ(Register(base + 0), (Reg{1, 11, 21, 31}));
    EXPECT_EQ(Register(base + 1), (Reg{2, 12, 22, 32}));
    EXPECT_EQ(Register(base + 2), (Reg{3, 13, 23, 33}));
  }
  // Elements never set keep their default of 0; registers of no parameter
  // keep what the device held.
  EXPECT_EQ(Register(kPaletteFirst), (Reg{0, 0, 0, 0}));
  EXPECT_EQ(Register(kPaletteFirst + 3 * 2 + 2), (Reg{0, 0, 0, 0}));
  EXPECT_EQ(Register(kPaletteFirst + 3 * 75), (Reg{-7, -7, -7, -7}));
  EXPECT_EQ(Register(255), (Reg{-7, -7, -7, -7}));
  effect_->EndPass();
  effect_->End();
}

TEST_F(EffectTest, VectorsKeepTheirComponents) {
  CreateToy();
  FillRegisters(-7);
  const D3DXVECTOR4 v(9, 8, 7, 6);
  ASSERT_EQ(effect_->SetVector(effect_->GetParameterByName(nullptr, "Direction"), &v), D3D_OK);
  ASSERT_EQ(effect_->SetVector(effect_->GetParameterByName(nullptr, "Color"), &v), D3D_OK);
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(Register(4), (Reg{9, 8, 7, 6}));
  EXPECT_EQ(Register(5), (Reg{9, 8, 7, 0}));  // float3: w is 0 whatever was given
  effect_->EndPass();
  effect_->End();
}

TEST_F(EffectTest, DefaultsReachTheRegistersUntilSet) {
  CreateToy();
  FillRegisters(-7);
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(Register(0), (Reg{1, 0, 0, 0}));  // the identity's column 0
  EXPECT_EQ(Register(3), (Reg{0, 0, 0, 1}));
  EXPECT_EQ(Register(4), (Reg{0.25f, 0.5f, 0.75f, 1}));
  EXPECT_EQ(Register(5), (Reg{1, 2, 3, 0}));
  effect_->EndPass();
  effect_->End();
}

TEST_F(EffectTest, SettersRefuseWrongHandlesAndChangeNothing) {
  CreateToy();
  const D3DXMATRIX m = Numbered();
  const D3DXVECTOR4 v(9, 8, 7, 6);
  const D3DXHANDLE palette = effect_->GetParameterByName(nullptr, "Palette");
  const D3DXHANDLE color = effect_->GetParameterByName(nullptr, "Color");
  const D3DXHANDLE wvp = effect_->GetParameterByName(nullptr, "WorldViewProjection");
  const D3DXHANDLE texture = effect_->GetParameterByName(nullptr, "Texture");
  const D3DXHANDLE sampler = effect_->GetParameterByName(nullptr, "WrapSampler");
  const D3DXHANDLE main = effect_->GetTechniqueByName("Main");
  const char foreign[] = "Color";
  // A whole array, a vector, a texture, a technique, null and a foreign
  // pointer are no matrix; the same the other way for vectors.
  for (D3DXHANDLE h : {palette, color, texture, sampler, main, D3DXHANDLE{nullptr}, +foreign})
    EXPECT_EQ(effect_->SetMatrix(h, &m), D3DERR_INVALIDCALL);
  for (D3DXHANDLE h : {effect_->GetParameterElement(palette, 0), wvp, texture, main,
                       D3DXHANDLE{nullptr}, +foreign})
    EXPECT_EQ(effect_->SetVector(h, &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetMatrix(wvp, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect_->SetVector(color, nullptr), D3DERR_INVALIDCALL);
  for (D3DXHANDLE h : {color, sampler, main, D3DXHANDLE{nullptr}, +foreign})
    EXPECT_EQ(effect_->SetTexture(h, nullptr), D3DERR_INVALIDCALL);

  FillRegisters(-7);
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(Register(0), (Reg{1, 0, 0, 0}));
  EXPECT_EQ(Register(4), (Reg{0.25f, 0.5f, 0.75f, 1}));
  EXPECT_EQ(Register(kPaletteFirst), (Reg{0, 0, 0, 0}));
  effect_->EndPass();
  effect_->End();
}

TEST_F(EffectTest, TexturesAreHeldUntilReplacedOrTheEffectGoes) {
  CreateToy();
  IDirect3DTexture9* a = MakeTexture(2, 2, [](int, int) { return 0xFF112233u; });
  IDirect3DTexture9* b = MakeTexture(2, 2, [](int, int) { return 0xFF445566u; });
  ASSERT_TRUE(a && b);
  const D3DXHANDLE texture = effect_->GetParameterByName(nullptr, "Texture");
  ASSERT_EQ(effect_->SetTexture(texture, a), D3D_OK);
  EXPECT_EQ(a->AddRef(), 3u);  // ours, the effect's, this one
  a->Release();
  ASSERT_EQ(effect_->SetTexture(texture, b), D3D_OK);
  EXPECT_EQ(a->AddRef(), 2u);  // the effect let go of a
  a->Release();

  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);  // stage 0 samples "Texture"
  EXPECT_EQ(Bound(0), b);
  effect_->EndPass();
  // Null unbinds: the next pass binds no texture.
  ASSERT_EQ(effect_->SetTexture(texture, nullptr), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(Bound(0), nullptr);
  effect_->EndPass();
  effect_->End();
  EXPECT_EQ(b->AddRef(), 2u);
  b->Release();

  // Released with the effect.
  ASSERT_EQ(effect_->SetTexture(texture, a), D3D_OK);
  ASSERT_EQ(effect_->SetTexture(effect_->GetParameterByName(nullptr, "OtherTexture"), b), D3D_OK);
  EXPECT_EQ(effect_->Release(), 0u);
  effect_ = nullptr;
  EXPECT_EQ(a->Release(), 0u);
  EXPECT_EQ(b->Release(), 0u);
}

TEST_F(EffectTest, TexturesOfAnotherDeviceAreRefused) {
  CreateToy();
  D3DPRESENT_PARAMETERS p = d3d9_test::ProgramParams(window_, D3DMULTISAMPLE_NONE);
  IDirect3DDevice9* other = nullptr;
  ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                               D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &other),
            D3D_OK);
  IDirect3DTexture9* foreign = nullptr;
  ASSERT_EQ(other->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign, nullptr),
            D3D_OK);
  EXPECT_EQ(effect_->SetTexture(effect_->GetParameterByName(nullptr, "Texture"), foreign),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(foreign->Release(), 0u);  // no reference was taken
  EXPECT_EQ(other->Release(), 0u);
}

TEST_F(EffectTest, CountsReferencesAndHoldsItsDevice) {
  const int before = testing_hooks::LiveDirect3DObjects();
  const ULONG deviceRefs = device_->AddRef() - 1;
  device_->Release();
  CreateToy();
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), before + 1);
  EXPECT_EQ(device_->AddRef(), deviceRefs + 2);  // the effect's reference and this one
  device_->Release();
  EXPECT_EQ(effect_->AddRef(), 2u);
  EXPECT_EQ(effect_->Release(), 1u);

  // The application may let the device go first; the effect keeps it.
  device_->Release();
  device_ = nullptr;
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), before + 1);
  EXPECT_EQ(effect_->Release(), 0u);
  effect_ = nullptr;
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), before - 1);  // device gone too
}

TEST_F(EffectTest, ReleasingInsideBeginDropsWhatBeginSaved) {
  CreateToy();
  IDirect3DTexture9* a = MakeTexture(2, 2, [](int, int) { return 0xFF112233u; });
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(device_->SetTexture(0, a), D3D_OK);
  ASSERT_EQ(effect_->Begin(nullptr, 0), D3D_OK);  // holds a as stage 0's saved texture
  EXPECT_EQ(effect_->Release(), 0u);
  effect_ = nullptr;
  ASSERT_EQ(device_->SetTexture(0, nullptr), D3D_OK);
  EXPECT_EQ(a->Release(), 0u);
}

}  // namespace
}  // namespace effect_test
