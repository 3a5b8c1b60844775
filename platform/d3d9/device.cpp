// IDirect3DDevice9: lifetime, resource creation, bindings, scenes, Clear
// and Present. States are in device_states.cpp, draws in device_draw.cpp.
#include "d3d9/device.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

#include "d3d9/gl_device.h"
#include "d3d9/hooks.h"
#include "raster/simd.h"
#include "win32/allocation_faults.h"
#include "win32/window_surface.h"

namespace d3d9 {

void DeviceAddRef(Device* device) { device->AddRef(); }
void DeviceRelease(Device* device) { device->Release(); }
void DeviceFlush(Device* device) { device->Flush(); }
void DeviceResourceGone(Device* device, const void* resource) { device->ResourceGone(resource); }
IDirect3DDevice9* DeviceInterface(Device* device) { return device; }

namespace {

// Points a binding slot at `value`, moving the device's bind counts.
template <class T>
void Rebind(T*& slot, T* value) {
  if (slot == value) return;
  if (value != nullptr) value->Bind();
  T* old = slot;
  slot = value;
  if (old != nullptr) old->Unbind();
}

// An injected allocation fault; the out pointer is nulled as on any failure.
template <class T>
bool OutOfMemory(const char* point, T** out) {
  if (!win32::AllocationFails(point)) return false;
  if (out != nullptr) *out = nullptr;
  return true;
}

}  // namespace

HRESULT Device::Create(IDirect3D9* direct3d, HWND window, const D3DPRESENT_PARAMETERS& params,
                       DeviceKind kind, IDirect3DDevice9** device) {
  Device* d = new (std::nothrow) Device(direct3d, window, params);
  if (d == nullptr) return E_OUTOFMEMORY;
  const int width = static_cast<int>(params.BackBufferWidth);
  const int height = static_cast<int>(params.BackBufferHeight);
  bool ok = false;
  try {
    d->presentPixels_.resize(static_cast<size_t>(width) * height);
    if (kind == DeviceKind::Gl) {
      std::string failure;
      d->gl_ = GlDevice::Create(params, &failure);
      SetLastDeviceFailure(failure);
      if (d->gl_ == nullptr) {
        d->Release();
        return D3DERR_NOTAVAILABLE;
      }
      ok = true;
    } else {
      ok = d->target_.Reset(width, height, d->samples());
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) {
    d->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  if (d->gl_ == nullptr) d->renderer_.SetTarget(&d->target_);
  d->viewport_ = D3DVIEWPORT9{0, 0, params.BackBufferWidth, params.BackBufferHeight, 0.0f, 1.0f};
  *device = d;
  return D3D_OK;
}

Device::Device(IDirect3D9* direct3d, HWND window, const D3DPRESENT_PARAMETERS& params)
    : direct3d_(direct3d), window_(window), params_(params), renderer_(NewDeviceRendererOptions()) {
  direct3d_->AddRef();
  SetDefaultStates();
}

Device::~Device() {
  // Recorded draws may read bound textures; finish them, then drop the
  // bindings (which may free resources the application already released).
  renderer_.Flush();
  for (Texture*& t : textures_) Rebind(t, static_cast<Texture*>(nullptr));
  for (VertexBuffer*& s : streams_) Rebind(s, static_cast<VertexBuffer*>(nullptr));
  Rebind(indices_, static_cast<IndexBuffer*>(nullptr));
  Rebind(declaration_, static_cast<VertexDeclaration*>(nullptr));
  renderer_.SetTarget(nullptr);
  direct3d_->Release();
}

int Device::samples() const {
  return params_.MultiSampleType == D3DMULTISAMPLE_NONE ? 1
                                                        : static_cast<int>(params_.MultiSampleType);
}

void Device::Describe(DeviceDescription* description) const {
  if (gl_ != nullptr) {
    description->kind = DeviceKind::Gl;
    CopyField(description->renderer, gl_->renderer());
    CopyField(description->version, gl_->version());
    return;
  }
  description->kind = DeviceKind::Cpu;
  // The pixel rows' level is chosen at run time (raster/simd.h); the rest is
  // plain C++ vectorised for the build's target.
  const char* target = "";
#if defined(__AVX512F__)
  target = ", AVX-512 target";
#elif defined(__AVX2__)
  target = ", AVX2 target";
#endif
  char renderer[128];
  std::snprintf(renderer, sizeof renderer, "Morvane CPU rasteriser (%s%s)", raster::PixelSimdName(),
                target);
  CopyField(description->renderer, renderer);
  CopyField(description->version, "Direct3D 9 subset, software device");
}

void Device::Finish() {
  renderer_.Flush();
  if (gl_ != nullptr) gl_->Finish();
}

void Device::ResourceGone(const void* resource) {
  if (gl_ != nullptr) gl_->Forget(resource);
}

ULONG Device::Release() {
  if (refs_ == 0) return 0;
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Device::GetDirect3D(IDirect3D9** direct3d) {
  if (direct3d == nullptr) return D3DERR_INVALIDCALL;
  direct3d_->AddRef();
  *direct3d = direct3d_;
  return D3D_OK;
}

// ---- Resources --------------------------------------------------------------

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  if (sharedHandle != nullptr) return D3DERR_INVALIDCALL;
  if (OutOfMemory("IDirect3DDevice9::CreateTexture", texture)) return E_OUTOFMEMORY;
  return Texture::Create(this, width, height, levels, usage, format, pool, texture);
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) {
  if (sharedHandle != nullptr) return D3DERR_INVALIDCALL;
  if (OutOfMemory("IDirect3DDevice9::CreateVertexBuffer", vertexBuffer)) return E_OUTOFMEMORY;
  return VertexBuffer::Create(this, length, usage, fvf, pool, vertexBuffer);
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) {
  if (sharedHandle != nullptr) return D3DERR_INVALIDCALL;
  if (OutOfMemory("IDirect3DDevice9::CreateIndexBuffer", indexBuffer)) return E_OUTOFMEMORY;
  return IndexBuffer::Create(this, length, usage, format, pool, indexBuffer);
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                        IDirect3DVertexDeclaration9** declaration) {
  if (OutOfMemory("IDirect3DDevice9::CreateVertexDeclaration", declaration)) return E_OUTOFMEMORY;
  return VertexDeclaration::Create(this, elements, declaration);
}

// ---- Bindings -----------------------------------------------------------------

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= kTextureStages) return D3DERR_INVALIDCALL;
  Texture* t = nullptr;
  if (texture != nullptr) {
    t = dynamic_cast<Texture*>(texture);
    if (t == nullptr || t->owner() != this) return D3DERR_INVALIDCALL;
  }
  Rebind(textures_[stage], t);
  return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (texture == nullptr || stage >= kTextureStages) return D3DERR_INVALIDCALL;
  *texture = textures_[stage];
  if (*texture != nullptr) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
  // Setting a format replaces the declaration, as in Direct3D.
  fvf_ = fvf;
  Rebind(declaration_, static_cast<VertexDeclaration*>(nullptr));
  return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
  if (fvf == nullptr) return D3DERR_INVALIDCALL;
  *fvf = fvf_;
  return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  VertexDeclaration* d = nullptr;
  if (declaration != nullptr) {
    d = dynamic_cast<VertexDeclaration*>(declaration);
    if (d == nullptr || d->owner() != this) return D3DERR_INVALIDCALL;
  }
  Rebind(declaration_, d);
  fvf_ = 0;
  return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) {
  if (declaration == nullptr) return D3DERR_INVALIDCALL;
  *declaration = declaration_;
  if (declaration_ != nullptr) declaration_->AddRef();
  return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData,
                                UINT offsetInBytes, UINT stride) {
  if (streamNumber >= kStreams) return D3DERR_INVALIDCALL;
  VertexBuffer* b = nullptr;
  if (streamData != nullptr) {
    b = dynamic_cast<VertexBuffer*>(streamData);
    if (b == nullptr || b->owner() != this || offsetInBytes % 4 != 0) return D3DERR_INVALIDCALL;
  }
  Rebind(streams_[streamNumber], b);
  streamOffsets_[streamNumber] = offsetInBytes;
  streamStrides_[streamNumber] = stride;
  return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* indexData) {
  IndexBuffer* b = nullptr;
  if (indexData != nullptr) {
    b = dynamic_cast<IndexBuffer*>(indexData);
    if (b == nullptr || b->owner() != this) return D3DERR_INVALIDCALL;
  }
  Rebind(indices_, b);
  return D3D_OK;
}

HRESULT Device::SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                         UINT vector4fCount) {
  if (constantData == nullptr ||
      uint64_t{startRegister} + vector4fCount > static_cast<uint64_t>(raster::kConstantRegisters))
    return D3DERR_INVALIDCALL;
  for (UINT i = 0; i < vector4fCount; ++i) {
    const float* c = constantData + size_t{i} * 4;
    constants_[startRegister + i] = raster::Float4{c[0], c[1], c[2], c[3]};
  }
  return D3D_OK;
}

HRESULT Device::GetVertexShaderConstantF(UINT startRegister, float* constantData,
                                         UINT vector4fCount) {
  if (constantData == nullptr ||
      uint64_t{startRegister} + vector4fCount > static_cast<uint64_t>(raster::kConstantRegisters))
    return D3DERR_INVALIDCALL;
  for (UINT i = 0; i < vector4fCount; ++i) {
    const raster::Float4& c = constants_[startRegister + i];
    float* out = constantData + size_t{i} * 4;
    out[0] = c.x, out[1] = c.y, out[2] = c.z, out[3] = c.w;
  }
  return D3D_OK;
}

// ---- Frames -------------------------------------------------------------------

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD /*stencil*/) {
  if ((count != 0) != (rects != nullptr)) return D3DERR_INVALIDCALL;
  if (flags == 0 || (flags & ~static_cast<DWORD>(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)) != 0)
    return D3DERR_INVALIDCALL;  // no stencil buffer
  const bool clearDepth = (flags & D3DCLEAR_ZBUFFER) != 0;
  if (clearDepth && (!params_.EnableAutoDepthStencil || !(z >= 0.0f && z <= 1.0f)))
    return D3DERR_INVALIDCALL;
  const bool clearColor = (flags & D3DCLEAR_TARGET) != 0;
  const raster::Viewport vp{static_cast<int>(viewport_.X),
                            static_cast<int>(viewport_.Y),
                            static_cast<int>(viewport_.Width),
                            static_cast<int>(viewport_.Height),
                            0.0f,
                            1.0f};
  const auto clear = [&](const raster::Viewport& r) {
    if (gl_ != nullptr)
      gl_->Clear(r, clearColor, color, clearDepth, z);
    else
      renderer_.Clear(r, clearColor, color, clearDepth, z);
  };
  if (count == 0) {
    clear(vp);
    return D3D_OK;
  }
  for (DWORD i = 0; i < count; ++i) {
    // The rectangle (x2, y2 exclusive) within the viewport.
    const int64_t x0 = std::max<int64_t>(rects[i].x1, vp.x);
    const int64_t y0 = std::max<int64_t>(rects[i].y1, vp.y);
    const int64_t x1 = std::min<int64_t>(rects[i].x2, int64_t{vp.x} + vp.width);
    const int64_t y1 = std::min<int64_t>(rects[i].y2, int64_t{vp.y} + vp.height);
    if (x0 >= x1 || y0 >= y1) continue;
    const raster::Viewport r{static_cast<int>(x0),
                             static_cast<int>(y0),
                             static_cast<int>(x1 - x0),
                             static_cast<int>(y1 - y0),
                             0.0f,
                             1.0f};
    clear(r);
  }
  return D3D_OK;
}

HRESULT Device::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                        const RGNDATA* dirtyRegion) {
  if (sourceRect != nullptr || destRect != nullptr || destWindowOverride != nullptr ||
      dirtyRegion != nullptr)
    return D3DERR_INVALIDCALL;
  const int width = static_cast<int>(params_.BackBufferWidth);
  const int height = static_cast<int>(params_.BackBufferHeight);
  if (gl_ != nullptr)
    gl_->ReadFrame(presentPixels_.data());
  else
    renderer_.Resolve(presentPixels_.data(), width * 4);
  const auto start = std::chrono::steady_clock::now();
  RecordPresentedFrame(presentPixels_.data(), width, height);
  const bool shown = win32::PresentPixels(window_, presentPixels_.data(), width, height, width * 4);
  raster::StageTimes times = renderer_.TakeStageTimes();
  times.present = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordFrameStageTimes(times);
  return shown ? D3D_OK : D3DERR_INVALIDCALL;  // not shown: the window is gone
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
  if (viewport == nullptr) return D3DERR_INVALIDCALL;
  const D3DVIEWPORT9& v = *viewport;
  if (v.Width == 0 || v.Height == 0 ||
      uint64_t{v.X} + v.Width > uint64_t{params_.BackBufferWidth} ||
      uint64_t{v.Y} + v.Height > uint64_t{params_.BackBufferHeight})
    return D3DERR_INVALIDCALL;
  if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f))
    return D3DERR_INVALIDCALL;
  viewport_ = v;
  return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
  if (viewport == nullptr) return D3DERR_INVALIDCALL;
  *viewport = viewport_;
  return D3D_OK;
}

}  // namespace d3d9
