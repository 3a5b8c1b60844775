// IDirect3D9: the one adapter of the software device.
#include <d3d9.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "d3d9/device.h"
#include "d3d9/gl_device.h"
#include "d3d9/hooks.h"
#include "d3d9/objects.h"
#include "testing.h"
#include "win32/allocation_faults.h"
#include "win32/window_surface.h"

namespace {

std::mutex g_multisampleMutex;
std::vector<int> g_multisamples = {2, 4, 8};

// Offered when the test hooks' list has it and, for the GL device, GL does.
// Callers pass a D3DMULTISAMPLE_TYPE as its sample count.
static_assert(D3DMULTISAMPLE_2_SAMPLES == 2 && D3DMULTISAMPLE_4_SAMPLES == 4 &&
              D3DMULTISAMPLE_8_SAMPLES == 8);
bool MultisampleSupported(int samples) {
  {
    std::lock_guard<std::mutex> lock(g_multisampleMutex);
    if (std::find(g_multisamples.begin(), g_multisamples.end(), samples) == g_multisamples.end())
      return false;
  }
  const d3d9::DeviceKind kind = d3d9::RequestedDeviceKind();
  std::string ignored;
  if (kind == d3d9::DeviceKind::Gl ||
      (kind == d3d9::DeviceKind::Auto && d3d9::GlRendererIsHardware(&ignored))) {
    const std::vector<int>& gl = d3d9::GlMultisampleCounts();
    return std::find(gl.begin(), gl.end(), samples) != gl.end();
  }
  return true;
}

bool IsRenderTargetFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

class Direct3D9 final : public IDirect3D9 {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    if (refs_ == 0) return 0;
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  UINT GetAdapterCount() override { return 1; }

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    if (adapter != D3DADAPTER_DEFAULT || mode == nullptr) return D3DERR_INVALIDCALL;
    // The desktop as the window layer reports it (it follows display-mode
    // changes); the software device always renders X8R8G8B8.
    mode->Width = static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN));
    mode->Height = static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN));
    mode->RefreshRate = 60;
    SDL_DisplayMode current;
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetCurrentDisplayMode(0, &current) == 0 &&
        current.refresh_rate > 0)
      mode->RefreshRate = static_cast<UINT>(current.refresh_rate);
    mode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
  }

  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                     BOOL /*windowed*/, D3DMULTISAMPLE_TYPE type,
                                     DWORD* qualityLevels) override {
    if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (!IsRenderTargetFormat(surfaceFormat) && surfaceFormat != D3DFMT_D16)
      return D3DERR_NOTAVAILABLE;
    bool ok = type == D3DMULTISAMPLE_NONE ||
              ((type == D3DMULTISAMPLE_2_SAMPLES || type == D3DMULTISAMPLE_4_SAMPLES ||
                type == D3DMULTISAMPLE_8_SAMPLES) &&
               MultisampleSupported(static_cast<int>(type)));
    if (!ok) return D3DERR_NOTAVAILABLE;
    if (qualityLevels) *qualityLevels = 1;
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** returnedDevice) override {
    if (returnedDevice == nullptr) return D3DERR_INVALIDCALL;
    *returnedDevice = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || params == nullptr) return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;

    // Exactly one kind of vertex processing; FPU_PRESERVE is harmless. The
    // software device does the same work for all three.
    constexpr DWORD kProcessing = D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                  D3DCREATE_MIXED_VERTEXPROCESSING;
    constexpr DWORD kFpuPreserve = 0x00000002L;
    const DWORD processing = behaviorFlags & kProcessing;
    if ((behaviorFlags & ~(kProcessing | kFpuPreserve)) != 0 ||
        (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
         processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
         processing != D3DCREATE_MIXED_VERTEXPROCESSING))
      return D3DERR_INVALIDCALL;
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        d3d9::HardwareVertexProcessingRefused())
      return D3DERR_NOTAVAILABLE;

    D3DPRESENT_PARAMETERS p = *params;
    // Only a windowed swap chain that discards and presents at once.
    if (!p.Windowed || p.SwapEffect != D3DSWAPEFFECT_DISCARD ||
        p.PresentationInterval != static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE) ||
        p.BackBufferCount > 1 || p.Flags != 0)
      return D3DERR_NOTAVAILABLE;
    if (p.FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
    if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (p.BackBufferFormat != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
    if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D16)
      return D3DERR_NOTAVAILABLE;
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE) {
      DWORD levels = 0;
      if (CheckDeviceMultiSampleType(adapter, deviceType, p.BackBufferFormat, TRUE,
                                     p.MultiSampleType, &levels) != D3D_OK)
        return D3DERR_NOTAVAILABLE;
      if (p.MultiSampleQuality >= levels) return D3DERR_INVALIDCALL;
    } else if (p.MultiSampleQuality != 0) {
      return D3DERR_INVALIDCALL;
    }

    HWND window = p.hDeviceWindow != nullptr ? p.hDeviceWindow : focusWindow;
    int clientWidth = 0, clientHeight = 0;
    if (window == nullptr || !win32::GetClientSize(window, &clientWidth, &clientHeight))
      return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth == 0) p.BackBufferWidth = static_cast<UINT>(clientWidth);
    if (p.BackBufferHeight == 0) p.BackBufferHeight = static_cast<UINT>(clientHeight);
    const UINT maxSize = static_cast<UINT>(raster::kMaxTargetSize);
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || p.BackBufferWidth > maxSize ||
        p.BackBufferHeight > maxSize)
      return D3DERR_INVALIDCALL;
    p.BackBufferCount = 1;
    p.hDeviceWindow = window;

    if (win32::AllocationFails("IDirect3D9::CreateDevice")) return D3DERR_OUTOFVIDEOMEMORY;
    // The backend is fixed here for the device's life.
    d3d9::DeviceKind kind = d3d9::RequestedDeviceKind();
    d3d9::SetLastDeviceFailure("");
    HRESULT hr = D3DERR_NOTAVAILABLE;
    if (kind == d3d9::DeviceKind::Auto) {
      std::string why;
      if (d3d9::GlRendererIsHardware(&why))
        hr = d3d9::Device::Create(this, window, p, d3d9::DeviceKind::Gl, returnedDevice);
      else
        d3d9::SetLastDeviceFailure(why);
      kind = d3d9::DeviceKind::Cpu;  // the fallback, when GL did not start
    }
    if (*returnedDevice == nullptr)
      hr = d3d9::Device::Create(this, window, p, kind, returnedDevice);
    if (hr == D3D_OK) *params = p;  // Direct3D reports the values it chose
    return hr;
  }

 private:
  std::atomic<ULONG> refs_{1};
  d3d9::LiveCounted live_;
};

}  // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION || win32::AllocationFails("Direct3DCreate9")) return nullptr;
  return new Direct3D9();
}

namespace testing_hooks {
void SetSupportedMultisamples(const std::vector<int>& sampleCounts) {
  std::lock_guard<std::mutex> lock(g_multisampleMutex);
  g_multisamples = sampleCounts;
}
}  // namespace testing_hooks
