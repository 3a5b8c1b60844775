// A device for the frame tests: forwards every call to a real device (so
// frames are really drawn and presented) and records the quads drawn from
// application memory, the textures bound and the presents, in call order.
#ifndef MORVANE_TESTS_APP_RECORDING_DEVICE_H
#define MORVANE_TESTS_APP_RECORDING_DEVICE_H

#include <d3d9.h>

#include <cstring>
#include <vector>

#include "app/app.h"

namespace app_test {

struct RecordedQuad {
  SpriteVertex v[4];
  DWORD fvf;
  IDirect3DBaseTexture9* texture;  // bound on stage 0 when drawn
  int presentsBefore;              // presents recorded before this draw
};

class RecordingDevice : public IDirect3DDevice9 {
 public:
  explicit RecordingDevice(IDirect3DDevice9* real) : real_(real) {}

  std::vector<RecordedQuad> quads;
  int presents = 0;
  void Forget() {
    quads.clear();
    presents = 0;
  }

  // Lifetime belongs to the test; the real device is released by it.
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetDirect3D(IDirect3D9** d) override { return real_->GetDirect3D(d); }
  HRESULT TestCooperativeLevel() override { return real_->TestCooperativeLevel(); }
  HRESULT CreateTexture(UINT w, UINT h, UINT l, DWORD u, D3DFORMAT f, D3DPOOL p,
                        IDirect3DTexture9** t, HANDLE* s) override {
    return real_->CreateTexture(w, h, l, u, f, p, t, s);
  }
  HRESULT CreateVertexBuffer(UINT n, DWORD u, DWORD f, D3DPOOL p, IDirect3DVertexBuffer9** b,
                             HANDLE* s) override {
    return real_->CreateVertexBuffer(n, u, f, p, b, s);
  }
  HRESULT CreateIndexBuffer(UINT n, DWORD u, D3DFORMAT f, D3DPOOL p, IDirect3DIndexBuffer9** b,
                            HANDLE* s) override {
    return real_->CreateIndexBuffer(n, u, f, p, b, s);
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* e,
                                  IDirect3DVertexDeclaration9** d) override {
    return real_->CreateVertexDeclaration(e, d);
  }
  HRESULT BeginScene() override { return real_->BeginScene(); }
  HRESULT EndScene() override { return real_->EndScene(); }
  HRESULT Clear(DWORD c, const D3DRECT* r, DWORD f, D3DCOLOR col, float z, DWORD s) override {
    return real_->Clear(c, r, f, col, z, s);
  }
  HRESULT Present(const RECT* a, const RECT* b, HWND w, const RGNDATA* d) override {
    ++presents;
    return real_->Present(a, b, w, d);
  }
  HRESULT SetViewport(const D3DVIEWPORT9* v) override { return real_->SetViewport(v); }
  HRESULT GetViewport(D3DVIEWPORT9* v) override { return real_->GetViewport(v); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override {
    return real_->SetRenderState(s, v);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override {
    return real_->GetRenderState(s, v);
  }
  HRESULT SetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD v) override {
    return real_->SetTextureStageState(st, t, v);
  }
  HRESULT GetTextureStageState(DWORD st, D3DTEXTURESTAGESTATETYPE t, DWORD* v) override {
    return real_->GetTextureStageState(st, t, v);
  }
  HRESULT SetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD v) override {
    return real_->SetSamplerState(s, t, v);
  }
  HRESULT GetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD* v) override {
    return real_->GetSamplerState(s, t, v);
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* t) override {
    if (stage == 0) stage0_ = t;
    return real_->SetTexture(stage, t);
  }
  HRESULT GetTexture(DWORD s, IDirect3DBaseTexture9** t) override {
    return real_->GetTexture(s, t);
  }
  HRESULT SetFVF(DWORD f) override {
    fvf_ = f;
    return real_->SetFVF(f);
  }
  HRESULT GetFVF(DWORD* f) override { return real_->GetFVF(f); }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* d) override {
    return real_->SetVertexDeclaration(d);
  }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** d) override {
    return real_->GetVertexDeclaration(d);
  }
  HRESULT SetStreamSource(UINT n, IDirect3DVertexBuffer9* b, UINT o, UINT s) override {
    return real_->SetStreamSource(n, b, o, s);
  }
  HRESULT SetIndices(IDirect3DIndexBuffer9* i) override { return real_->SetIndices(i); }
  HRESULT SetVertexShaderConstantF(UINT r, const float* d, UINT n) override {
    return real_->SetVertexShaderConstantF(r, d, n);
  }
  HRESULT GetVertexShaderConstantF(UINT r, float* d, UINT n) override {
    return real_->GetVertexShaderConstantF(r, d, n);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data,
                          UINT stride) override {
    if (type == D3DPT_TRIANGLEFAN && count == 2 && stride == sizeof(SpriteVertex)) {
      RecordedQuad q;
      std::memcpy(q.v, data, sizeof(q.v));
      q.fvf = fvf_;
      q.texture = stage0_;
      q.presentsBefore = presents;
      quads.push_back(q);
    }
    return real_->DrawPrimitiveUP(type, count, data, stride);
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE t, INT b, UINT m, UINT n, UINT s, UINT p) override {
    return real_->DrawIndexedPrimitive(t, b, m, n, s, p);
  }

 private:
  IDirect3DDevice9* real_;
  IDirect3DBaseTexture9* stage0_ = nullptr;
  DWORD fvf_ = 0;
};

}  // namespace app_test

#endif  // MORVANE_TESTS_APP_RECORDING_DEVICE_H
