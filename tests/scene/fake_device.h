// A Direct3D device for the loader tests that keeps its buffers and textures
// in plain memory, counts the objects alive, and fails a chosen creation or
// lock on demand. Texture rows are padded (pitch wider than the level) so
// that a loader ignoring the pitch is caught.
#ifndef MORVANE_TESTS_SCENE_FAKE_DEVICE_H
#define MORVANE_TESTS_SCENE_FAKE_DEVICE_H

#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace scene_test {

constexpr int kPitchPadding = 12;

class FakeDevice : public IDirect3DDevice9 {
 public:
  FakeDevice() = default;

  // Objects created and not yet released.
  int live = 0;
  // The n-th (1-based) lock of any buffer or texture fails; 0: none.
  int failLockAt = 0;
  // The n-th (1-based) creation of a buffer or texture fails; 0: none.
  int failCreateAt = 0;
  int locks = 0;
  int creations = 0;
  // Locked and not unlocked.
  int openLocks = 0;

  // Contents of a buffer made by this device.
  static std::vector<uint8_t> Contents(IDirect3DVertexBuffer9* buffer);
  static std::vector<uint8_t> Contents(IDirect3DIndexBuffer9* buffer);
  // Level 0 of a texture: side, and its texels as rows of side x 4 bytes.
  static uint32_t Side(IDirect3DTexture9* texture);
  static std::vector<uint8_t> Level0(IDirect3DTexture9* texture);
  static UINT Levels(IDirect3DTexture9* texture);

  bool NextLockFails() { return ++locks == failLockAt; }
  bool NextCreateFails() { return ++creations == failCreateAt; }

  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetDirect3D(IDirect3D9**) override { return E_NOTIMPL; }
  HRESULT TestCooperativeLevel() override { return D3D_OK; }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9*,
                                  IDirect3DVertexDeclaration9**) override {
    return E_NOTIMPL;
  }
  HRESULT BeginScene() override { return E_NOTIMPL; }
  HRESULT EndScene() override { return E_NOTIMPL; }
  HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return E_NOTIMPL; }
  HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override { return E_NOTIMPL; }
  HRESULT SetViewport(const D3DVIEWPORT9*) override { return E_NOTIMPL; }
  HRESULT GetViewport(D3DVIEWPORT9*) override { return E_NOTIMPL; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
  HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return E_NOTIMPL; }
  HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
  HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return E_NOTIMPL; }
  HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { return E_NOTIMPL; }
  HRESULT SetFVF(DWORD) override { return E_NOTIMPL; }
  HRESULT GetFVF(DWORD*) override { return E_NOTIMPL; }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9*) override { return E_NOTIMPL; }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9**) override { return E_NOTIMPL; }
  HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return E_NOTIMPL; }
  HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return E_NOTIMPL; }
  HRESULT SetVertexShaderConstantF(UINT, const float*, UINT) override { return E_NOTIMPL; }
  HRESULT GetVertexShaderConstantF(UINT, float*, UINT) override { return E_NOTIMPL; }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return E_NOTIMPL; }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {
    return E_NOTIMPL;
  }
};

}  // namespace scene_test

#endif  // MORVANE_TESTS_SCENE_FAKE_DEVICE_H
