// Shared by the device benchmarks: a headless window of the benchmark's
// size and a Direct3D 9 device on it (the CPU device unless the device
// choice says otherwise), made by the tests' support library. Main thread
// only.
#ifndef MORVANE_BENCH_BENCH_DEVICE_H
#define MORVANE_BENCH_BENCH_DEVICE_H

#include <d3d9.h>
#include <windows.h>

#include <cstdlib>

#include "support/device.h"
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
  test_support::DeviceOptions options;
  options.width = width;
  options.height = height;
  options.samples = static_cast<D3DMULTISAMPLE_TYPE>(samples);
  test_support::OpenDevice(className, options, window, d3d, device);
}

}  // namespace bench

#endif  // MORVANE_BENCH_BENCH_DEVICE_H
