// Internal to platform/d3d9: the software device. It keeps Direct3D 9's
// state as the application set it (render, texture-stage and sampler states
// as plain DWORDs, bindings, constants) and translates it into the
// rasteriser's State at each draw. The back buffer and depth buffer are one
// raster::Target; Present resolves it into the window.
#ifndef MORVANE_PLATFORM_D3D9_DEVICE_H
#define MORVANE_PLATFORM_D3D9_DEVICE_H

#include <d3d9_programs.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "d3d9/buffers.h"
#include "d3d9/device_choice.h"
#include "d3d9/objects.h"
#include "d3d9/texture.h"
#include "d3d9/unsupported.h"
#include "raster/raster.h"

namespace d3d9 {

inline constexpr int kRenderStates = 256;
inline constexpr int kTextureStages = 8;
inline constexpr int kStageStates = 33;
inline constexpr int kSamplerStates = 14;
inline constexpr int kStreams = 2;

class GlDevice;

// The backend MORVANE_DEVICE or SetDeviceChoice asks for (device_choice.cpp).
DeviceKind RequestedDeviceKind();
void SetLastDeviceFailure(const std::string& line);
void CopyField(char (&field)[128], const char* text);

class Device final : public IDirect3DDevice9 {
 public:
  // `params` must have been checked and completed by IDirect3D9::CreateDevice
  // (size, format, sample count). `kind` is Cpu or Gl. Fails with
  // D3DERR_OUTOFVIDEOMEMORY when the buffers cannot be allocated and with
  // D3DERR_NOTAVAILABLE when OpenGL cannot start (the reason goes to
  // LastDeviceFailure).
  static HRESULT Create(IDirect3D9* direct3d, HWND window, const D3DPRESENT_PARAMETERS& params,
                        DeviceKind kind, IDirect3DDevice9** device);

  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;

  HRESULT GetDirect3D(IDirect3D9** direct3d) override;
  HRESULT TestCooperativeLevel() override { return D3D_OK; }

  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration) override;

  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const RGNDATA* dirtyRegion) override;

  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;

  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) override;
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                   UINT vector4fCount) override;
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData,
                                   UINT vector4fCount) override;

  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                          const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primCount) override;

  // The vertex-program hand-over (d3d9_programs.h).
  void SetVertexProgram(const VertexProgramInfo& program) { program_ = program; }
  const VertexProgramInfo& vertexProgram() const { return program_; }

  void Flush() { renderer_.Flush(); }
  // Flush, and for the GL device waits until GL has drawn everything sent
  // (for timing).
  void Finish();
  void Describe(DeviceDescription* description) const;
  // A texture or buffer is being freed: the GL device drops its copy.
  void ResourceGone(const void* resource);

 private:
  Device(IDirect3D9* direct3d, HWND window, const D3DPRESENT_PARAMETERS& params);
  ~Device() override;

  void SetDefaultStates();
  // The current states as the rasteriser's State; false, with the state
  // and value in *why, when they ask for something this device does not do.
  bool BuildState(raster::State* state, Refusal* why) const;
  // Reports `why` once and returns the draw's refusal.
  HRESULT RefuseDraw(const Refusal& why);
  int samples() const;

  ULONG refs_ = 1;
  LiveCounted live_;
  IDirect3D9* direct3d_;
  HWND window_;
  D3DPRESENT_PARAMETERS params_;
  raster::Renderer renderer_;
  raster::Target target_;         // the CPU device's back buffer (empty for GL)
  std::unique_ptr<GlDevice> gl_;  // the GL device's pixels, or null
  std::vector<uint32_t> presentPixels_;
  std::vector<raster::ScreenVertex> screenVertices_;
  bool inScene_ = false;
  UnsupportedLog unsupported_;

  D3DVIEWPORT9 viewport_{};
  DWORD renderStates_[kRenderStates] = {};
  DWORD stageStates_[kTextureStages][kStageStates] = {};
  DWORD samplerStates_[kTextureStages][kSamplerStates] = {};
  Texture* textures_[kTextureStages] = {};
  VertexBuffer* streams_[kStreams] = {};
  UINT streamOffsets_[kStreams] = {};
  UINT streamStrides_[kStreams] = {};
  IndexBuffer* indices_ = nullptr;
  VertexDeclaration* declaration_ = nullptr;
  DWORD fvf_ = 0;
  raster::Float4 constants_[raster::kConstantRegisters] = {};
  VertexProgramInfo program_;
};

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_DEVICE_H
