// Shared by the device benchmarks: a headless window of the benchmark's
// size and a Direct3D 9 device on it (the CPU device unless the device
// choice says otherwise). Main thread only.
#ifndef MORVANE_BENCH_BENCH_DEVICE_H
#define MORVANE_BENCH_BENCH_DEVICE_H

#include <d3d9.h>
#include <windows.h>

#include <cstdlib>

#include "testing.h"

namespace bench {

// Resets the platform layer, then opens a width x height pop-up window of
// the given class and a device with a D16 depth buffer and `samples`
// samples (0 for none). Fills what it could create; *device stays null on
// failure. The caller releases the objects.
inline void OpenDevice(const char* className, int width, int height, int samples, HWND* window,
                       IDirect3D9** d3d, IDirect3DDevice9** device) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  testing_hooks::ResetPlatform();
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  *window = CreateWindowExA(0, className, "bench", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                            nullptr, nullptr, nullptr, nullptr);
  *d3d = Direct3DCreate9(D3D_SDK_VERSION);
  *device = nullptr;
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = static_cast<UINT>(width);
  p.BackBufferHeight = static_cast<UINT>(height);
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(samples);
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = *window;
  p.Windowed = TRUE;
  p.EnableAutoDepthStencil = TRUE;
  p.AutoDepthStencilFormat = D3DFMT_D16;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  if (*d3d != nullptr &&
      (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, *window,
                           D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, device) != D3D_OK)
    *device = nullptr;
}

}  // namespace bench

#endif  // MORVANE_BENCH_BENCH_DEVICE_H
