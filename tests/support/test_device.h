// A headless Direct3D device on a small popup window, for tests of code that
// creates device resources, with a check that those resources were released.
#ifndef MORVANE_TESTS_SUPPORT_TEST_DEVICE_H
#define MORVANE_TESTS_SUPPORT_TEST_DEVICE_H

#include <d3d9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "testing.h"

namespace test_support {

struct TestDevice {
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  int baseline = 0;

  // A small popup window of class `className` and a device on it.
  void Open(const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = className;
    ASSERT_NE(RegisterClassA(&wc), 0);
    window = CreateWindowExA(0, className, "texture", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window;
    p.Windowed = TRUE;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device),
              D3D_OK);
    baseline = testing_hooks::LiveDirect3DObjects();
  }

  // Releases the device; every resource made since Open must already be gone.
  void Close() {
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), baseline) << "a device resource was left alive";
    if (device) device->Release();
    if (d3d) d3d->Release();
    device = nullptr;
    d3d = nullptr;
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
  }
};

}  // namespace test_support

#endif  // MORVANE_TESTS_SUPPORT_TEST_DEVICE_H
