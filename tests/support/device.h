// Headless Direct3D devices for tests, benchmarks and fuzzers: a popup
// window on SDL's offscreen driver, the Direct3D object and a device with
// the program's presentation parameters, and textures filled from a
// function. Free of the test framework, so the benchmarks and fuzzers use it
// too; tests/support/test_device.h adds the gtest checks.
//
// Does not: set render states (the program's are SetFixedDeviceStates in
// app/app.h), check for leaks, or reset the platform.
//
// Threads: the main thread only, like the window and device calls it makes.
#ifndef MORVANE_TESTS_SUPPORT_DEVICE_H
#define MORVANE_TESTS_SUPPORT_DEVICE_H

#include <d3d9.h>
#include <windows.h>

#include <cstdint>
#include <functional>

namespace test_support {

// How OpenDevice makes its window and device. The defaults are the
// program's: X8R8G8B8, one back buffer of the window's size, discard,
// windowed, a D16 depth buffer, immediate presentation, hardware vertex
// processing.
struct DeviceOptions {
  int width = 16;  // the window's client area
  int height = 16;
  bool visible = true;
  bool depth = true;  // an automatic D16 depth buffer
  D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE;
  DWORD flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  UINT backBufferWidth = 0;  // 0: the window's client area
  UINT backBufferHeight = 0;
};

// Registers `className` (DefWindowProcA) and opens a width x height popup at
// the origin. Null when the window cannot be made.
HWND OpenPopup(const char* className, int width, int height, bool visible = true);

// The presentation parameters of `options` for `window`.
D3DPRESENT_PARAMETERS PresentParams(HWND window, const DeviceOptions& options);

// Opens the window, the Direct3D object and the device, storing each it
// made (the rest null); `params`, when given, receives the presentation
// parameters as the device wrote them back. D3D_OK; E_FAIL when there is no
// window or Direct3D object; else CreateDevice's result. The caller releases
// the device and the Direct3D object; the window goes with the platform's
// reset.
HRESULT OpenDevice(const char* className, const DeviceOptions& options, HWND* window,
                   IDirect3D9** d3d, IDirect3DDevice9** device,
                   D3DPRESENT_PARAMETERS* params = nullptr);

using TexelFunction = std::function<uint32_t(int x, int y)>;

// A w x h A8R8G8B8 managed texture of `levels` levels (0: the whole chain)
// whose top level holds texel(x, y); the lower levels are left as made.
// Null when the device refuses it.
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT w, UINT h, const TexelFunction& texel,
                               UINT levels = 1);

}  // namespace test_support

#endif  // MORVANE_TESTS_SUPPORT_DEVICE_H
