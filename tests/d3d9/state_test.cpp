// What the device refuses rather than drawing something else, and the
// documented side effects of its calls.
#include "device_fixture.h"

namespace d3d9_test {
namespace {

class StateTables : public BothDevicesTest {};
MORVANE_ON_BOTH_DEVICES(StateTables);

TEST_P(StateTables, StatesOutsideTheSubsetMakeDrawsFailAndChangeNothing) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  struct Case {
    const char* what;
    void (*set)(IDirect3DDevice9*);
  };
  const Case cases[] = {
      {"wireframe", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME); }},
      {"flat shading", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT); }},
      {"stencil", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_STENCILENABLE, TRUE); }},
      {"fog", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_FOGENABLE, TRUE); }},
      {"subtract", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_SUBTRACT); }},
      {"saturated alpha",
       [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHASAT); }},
      {"w buffer", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_ZENABLE, D3DZB_USEW); }},
      {"add op", [](IDirect3DDevice9* d) { d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD); }},
      {"factor argument",
       [](IDirect3DDevice9* d) { d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR); }},
      {"second stage",
       [](IDirect3DDevice9* d) { d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE); }},
      {"colour mask", [](IDirect3DDevice9* d) { d->SetRenderState(D3DRS_COLORWRITEENABLE, 0x1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearAll(0);
    device_->BeginScene();
    c.set(device_);
    EXPECT_EQ(DrawRect(0, 0, 8, 8, 0xFFFFFFFF), D3DERR_INVALIDCALL);
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
  // With everything restored the same draw succeeds.
  device_->BeginScene();
  EXPECT_EQ(DrawRect(0, 0, 8, 8, 0xFFFFFFFF), D3D_OK);
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
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_LINELIST, 1, v, sizeof(SpriteVertex)), D3DERR_INVALIDCALL);
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
