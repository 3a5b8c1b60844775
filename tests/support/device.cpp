#include "support/device.h"

namespace test_support {

HWND OpenPopup(const char* className, int width, int height, bool visible) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = className;
  if (RegisterClassA(&wc) == 0) return nullptr;
  const DWORD style = WS_POPUP | (visible ? WS_VISIBLE : 0);
  return CreateWindowExA(0, className, "test", style, 0, 0, width, height, nullptr, nullptr,
                         nullptr, nullptr);
}

D3DPRESENT_PARAMETERS PresentParams(HWND window, const DeviceOptions& options) {
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = options.backBufferWidth;
  p.BackBufferHeight = options.backBufferHeight;
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.MultiSampleType = options.samples;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = window;
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = options.depth ? TRUE : FALSE;
  p.AutoDepthStencilFormat = options.depth ? D3DFMT_D16 : D3DFMT_UNKNOWN;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return p;
}

HRESULT OpenDevice(const char* className, const DeviceOptions& options, HWND* window,
                   IDirect3D9** d3d, IDirect3DDevice9** device, D3DPRESENT_PARAMETERS* params) {
  *d3d = nullptr;
  *device = nullptr;
  *window = OpenPopup(className, options.width, options.height, options.visible);
  if (*window == nullptr) return E_FAIL;
  *d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (*d3d == nullptr) return E_FAIL;
  D3DPRESENT_PARAMETERS p = PresentParams(*window, options);
  const HRESULT hr =
      (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, *window, options.flags, &p, device);
  if (FAILED(hr)) *device = nullptr;
  if (params != nullptr) *params = p;
  return hr;
}

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT w, UINT h, const TexelFunction& texel,
                               UINT levels) {
  IDirect3DTexture9* t = nullptr;
  if (FAILED(device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr)))
    return nullptr;
  D3DLOCKED_RECT r{};
  if (FAILED(t->LockRect(0, &r, nullptr, 0))) {
    t->Release();
    return nullptr;
  }
  for (UINT y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch);
    for (UINT x = 0; x < w; ++x) row[x] = texel(static_cast<int>(x), static_cast<int>(y));
  }
  t->UnlockRect(0);
  return t;
}

}  // namespace test_support
