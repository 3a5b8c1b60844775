// What the device refuses rather than drawing something else, and the
// documented side effects of its calls.
#include "device_fixture.h"

namespace d3d9_test {
namespace {

class StateTables : public BothDevicesTest {};
MORVANE_ON_BOTH_DEVICES(StateTables);

// Each refused draw names the state and value on stderr, once per device.
TEST_P(StateTables, StatesOutsideTheSubsetMakeDrawsFailAndChangeNothing) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  struct Case {
    const char* what;
    void (*set)(IDirect3DDevice9*);
    const char* said;  // the values are the interface's own numbers
  };
  const Case cases[] = {
      {"wireframe",
       [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME); },
       "D3DRS_FILLMODE 2"},
      {"flat shading",
       [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT); },
       "D3DRS_SHADEMODE 1"},
      {"stencil", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_STENCILENABLE, TRUE); },
       "D3DRS_STENCILENABLE 1"},
      {"fog", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_FOGENABLE, TRUE); },
       "D3DRS_FOGENABLE 1"},
      {"subtract",
       [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_SUBTRACT); },
       "D3DRS_BLENDOP 2"},
      {"saturated alpha",
       [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHASAT); },
       "D3DRS_SRCBLEND 11"},
      {"w buffer", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_ZENABLE, D3DZB_USEW); },
       "D3DRS_ZENABLE 2"},
      {"add op",
       [](IDirect3DDevice9* d) { d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD); },
       "D3DTSS_COLOROP 7"},
      {"factor argument",
       [](IDirect3DDevice9* d) { d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR); },
       "D3DTSS_COLORARG1 3"},
      {"second stage",
       [](IDirect3DDevice9* d) { d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE); },
       "D3DTSS_COLOROP (stage 1) 4"},
      {"colour mask", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_COLORWRITEENABLE, 0x1); },
       "D3DRS_COLORWRITEENABLE 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearAll(0);
    device_->BeginScene();
    c.set(device_);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(DrawRect(0, 0, 8, 8, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    EXPECT_EQ(DrawRect(0, 0, 8, 8, 0xFFFFFFFF), D3DERR_INVALIDCALL);  // said once only
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              std::string("unsupported: ") + c.said + "\n");
    device_->EndScene();
    EXPECT_EQ(At(Present(), 4, 4), 0xFF000000u);
    SetProgramStates();
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device_->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device_->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  }
  // With everything restored the same draw succeeds, and says nothing.
  device_->BeginScene();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(DrawRect(0, 0, 8, 8, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  device_->EndScene();
  EXPECT_EQ(At(Present(), 4, 4), 0xFFFFFFFFu);
}

TEST_P(StateTables, ScenesDrawsAndStatesFollowTheDocumentedRules) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  // Drawing needs a scene; scenes do not nest.
  EXPECT_EQ(DrawRect(0, 0, 8, 8, 0xFFFFFFFF), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
  // Only the sprite format, with its stride, from application memory.
  const SpriteVertex v[3] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                             {8, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                             {8, 8, 0, 1, 0xFFFFFFFF, 0, 0}};
  device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(SpriteVertex)),
            D3DERR_INVALIDCALL);
  device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, 32), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_LINELIST, 1, v, sizeof(SpriteVertex)),
            D3DERR_INVALIDCALL);
  // DrawPrimitiveUP leaves stream 0 unbound.
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(84, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(device_->SetStreamSource(0, vb, 0, 28), D3D_OK);
  EXPECT_EQ(device_->SetStreamSource(2, vb, 0, 28), D3DERR_INVALIDCALL);
  ASSERT_EQ(vb->Release(), 0u);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 3);  // bound
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(SpriteVertex)), D3D_OK);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 2);
  device_->EndScene();

  // Defaults as documented; state values round-trip.
  DWORD value = 0;
  ASSERT_EQ(device_->GetRenderState(D3DRS_COLORWRITEENABLE, &value), D3D_OK);
  EXPECT_EQ(value, 0xFu);
  ASSERT_EQ(device_->GetTextureStageState(1, D3DTSS_COLOROP, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
  ASSERT_EQ(device_->GetSamplerState(1, D3DSAMP_ADDRESSU, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
  ASSERT_EQ(device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP), D3D_OK);
  ASSERT_EQ(device_->GetSamplerState(0, D3DSAMP_ADDRESSV, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(device_->SetSamplerState(8, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_DISABLE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(300), 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Present(nullptr, nullptr, window_, nullptr), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace d3d9_test
