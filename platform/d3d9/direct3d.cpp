// IDirect3D9: the one adapter of the software device.
#include <d3d9.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "testing.h"

namespace {

std::mutex g_multisampleMutex;
std::vector<int> g_multisamples = {2, 4, 8};

bool MultisampleSupported(int samples) {
  std::lock_guard<std::mutex> lock(g_multisampleMutex);
  return std::find(g_multisamples.begin(), g_multisamples.end(), samples) != g_multisamples.end();
}

bool IsRenderTargetFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

class Direct3D9 final : public IDirect3D9 {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
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

  HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                       IDirect3DDevice9** returnedDevice) override {
    // The software device is not built yet: fail honestly.
    if (returnedDevice) *returnedDevice = nullptr;
    return D3DERR_NOTAVAILABLE;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new Direct3D9();
}

namespace testing_hooks {
void SetSupportedMultisamples(const std::vector<int>& sampleCounts) {
  std::lock_guard<std::mutex> lock(g_multisampleMutex);
  g_multisamples = sampleCounts;
}
}  // namespace testing_hooks
