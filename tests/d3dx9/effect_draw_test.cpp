// A toy program drawn through the effect on the real device (the CPU device
// and the OpenGL device, which runs the programs' GLSL forms): the pass
// binds the program, its matrix and colour reach it through the registers,
// the sampler binds the effect's texture, and End leaves no program behind.
#include <cstdlib>
#include <cstring>

#include "effect_fixture.h"

namespace effect_test {
namespace {

struct Vertex {
  float x, y, z;
  float u, v;
};

const D3DVERTEXELEMENT9 kLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// The square over the whole clip rectangle at depth 0.5.
const Vertex kSquare[] = {
    {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}, {1, 1, 0.5f, 1, 0}, {-1, 1, 0.5f, 0, 0}};
const uint16_t kIndices[] = {0, 1, 2, 0, 2, 3};

class EffectDrawTest : public EffectTest, public ::testing::WithParamInterface<d3d9::DeviceKind> {
 protected:
  void SetUp() override {
    unsetenv("MORVANE_DEVICE");
    d3d9::SetDeviceChoice(GetParam());
    EffectTest::SetUp();
    if (HasFatalFailure()) return;
    SetProgramStates();
    CreateToy();
    ASSERT_EQ(device_->CreateVertexDeclaration(kLayout, &declaration_), D3D_OK);
    ASSERT_EQ(device_->CreateVertexBuffer(sizeof kSquare, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                          &vertices_, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->CreateIndexBuffer(sizeof kIndices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, &indices_, nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(vertices_->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, kSquare, sizeof kSquare);
    vertices_->Unlock();
    ASSERT_EQ(indices_->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, kIndices, sizeof kIndices);
    indices_->Unlock();
    device_->SetVertexDeclaration(declaration_);
    device_->SetStreamSource(0, vertices_, 0, sizeof(Vertex));
    device_->SetIndices(indices_);
  }

  void TearDown() override {
    for (IUnknown* o : std::initializer_list<IUnknown*>{declaration_, vertices_, indices_})
      if (o) o->Release();
    EffectTest::TearDown();
    d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
  }

  HRESULT DrawPass(UINT pass) {
    UINT passes = 0;
    EXPECT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(effect_->BeginPass(pass), D3D_OK);
    const HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    EXPECT_EQ(effect_->EndPass(), D3D_OK);
    EXPECT_EQ(effect_->End(), D3D_OK);
    return hr;
  }

  IDirect3DVertexDeclaration9* declaration_ = nullptr;
  IDirect3DVertexBuffer9* vertices_ = nullptr;
  IDirect3DIndexBuffer9* indices_ = nullptr;
};

bool Near(uint32_t got, uint32_t want) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int g = static_cast<int>((got >> shift) & 0xFF),
              w = static_cast<int>((want >> shift) & 0xFF);
    if (std::abs(g - w) > 1) return false;
  }
  return true;
}

MORVANE_ON_BOTH_DEVICES(EffectDrawTest);

TEST_P(EffectDrawTest, PassesDrawWithTheirProgramParametersAndTexture) {
  IDirect3DTexture9* grey = MakeTexture(2, 2, [](int, int) { return 0xFF808080u; });
  ASSERT_NE(grey, nullptr);
  ASSERT_EQ(effect_->SetTexture(effect_->GetParameterByName(nullptr, "Texture"), grey), D3D_OK);
  grey->Release();  // the effect holds it now
  const D3DXHANDLE color = effect_->GetParameterByName(nullptr, "Color");

  ClearAll(0xFF000000);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  // Pass 1 ("Flat"): the square as it stands, blue, stage 0 without a texture.
  const D3DXVECTOR4 blue(0, 0, 1, 1);
  ASSERT_EQ(effect_->SetVector(color, &blue), D3D_OK);
  ASSERT_EQ(DrawPass(1), D3D_OK);
  // Pass 0 ("Transform"): halved and moved into the top-left quarter, its
  // colour times the grey texture of "Texture".
  D3DXMATRIX half, move, wvp;
  D3DXMatrixScaling(&half, 0.5f, 0.5f, 1);
  D3DXMatrixTranslation(&move, -0.5f, 0.5f, 0);
  D3DXMatrixMultiply(&wvp, &half, &move);
  ASSERT_EQ(effect_->SetMatrix(effect_->GetParameterByName(nullptr, "WorldViewProjection"), &wvp),
            D3D_OK);
  const D3DXVECTOR4 greenish(0, 1, 0.5f, 1);
  ASSERT_EQ(effect_->SetVector(color, &greenish), D3D_OK);
  ASSERT_EQ(DrawPass(0), D3D_OK);
  // End took the program away again: the device has nothing to run.
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  const std::vector<uint32_t> frame = Present();
  d3d9_test::SaveFrame(frame, kWidth, kHeight, "effect_draw");

  // (0, 1, 0.5) x 0x80 = (0x00, 0x80, 0x40); the quarter is x 0..15, y 0..15.
  int bad = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t want = x < kWidth / 2 && y < kHeight / 2 ? 0xFF008040u : 0xFF0000FFu;
      if (!Near(At(frame, x, y), want) && ++bad <= 5)
        ADD_FAILURE() << "(" << x << ", " << y << "): got " << std::hex << At(frame, x, y)
                      << " want " << want;
    }
  EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace effect_test
