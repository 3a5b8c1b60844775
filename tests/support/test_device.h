// A headless Direct3D device on a small hidden popup window, for tests of
// code that creates device resources, with a check that those resources
// were released. The gtest side of support/device.h.
#ifndef MORVANE_TESTS_SUPPORT_TEST_DEVICE_H
#define MORVANE_TESTS_SUPPORT_TEST_DEVICE_H

#include <d3d9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "support/device.h"
#include "testing.h"

namespace test_support {

struct TestDevice {
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  int baseline = 0;

  // A 16 by 16 hidden popup window of class `className` and a device on it
  // without a depth buffer.
  void Open(const char* className) {
    DeviceOptions options;
    options.visible = false;
    options.depth = false;
    options.flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    ASSERT_EQ(OpenDevice(className, options, &window, &d3d, &device), D3D_OK);
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
