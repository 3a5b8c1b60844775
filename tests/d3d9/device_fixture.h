// Shared set-up for the Direct3D 9 device tests: a small window, the
// Direct3D object, a device made with the program's presentation
// parameters, sprite drawing as the program does it, and frames read back
// through the present-capture hook (written as PNG on a mismatch).
#ifndef MORVANE_TESTS_D3D9_DEVICE_FIXTURE_H
#define MORVANE_TESTS_D3D9_DEVICE_FIXTURE_H

#include <SDL.h>
#include <SDL_image.h>
#include <d3d9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/app.h"
#include "d3d9/device_choice.h"
#include "support/device.h"
#include "support/image_compare.h"
#include "testing.h"

namespace d3d9 {
// Test names show the backend rather than the enum's bytes.
inline void PrintTo(DeviceKind kind, std::ostream* out) {
  *out << (kind == DeviceKind::Gl ? "gl" : kind == DeviceKind::Cpu ? "cpu" : "auto");
}
}  // namespace d3d9

namespace d3d9_test {

struct SpriteVertex {
  float x, y, z, rhw;
  DWORD diffuse;
  float u, v;
};
static_assert(sizeof(SpriteVertex) == 28);

// The program's presentation parameters, with a back buffer of the window's
// size and `samples`.
inline D3DPRESENT_PARAMETERS ProgramParams(HWND window, D3DMULTISAMPLE_TYPE samples) {
  test_support::DeviceOptions options;
  options.samples = samples;
  return test_support::PresentParams(window, options);
}

using test_support::SaveFrame;
using test_support::TestName;

class DeviceTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 32;
  static constexpr int kHeight = 32;

  void SetUp() override {
    testing_hooks::ResetPlatform();
    testing_hooks::CapturePresentedFrames(true);
    window_ = test_support::OpenPopup("MorvaneD3DTest", kWidth, kHeight);
    ASSERT_NE(window_, nullptr);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d_, nullptr);
  }

  void TearDown() override {
    // Whatever failed, the last frame shown is kept for a person to look at.
    if (HasFailure()) SaveFrame(lastFrame_, kWidth, kHeight, TestName() + ".last");
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    device_ = nullptr;
    d3d_ = nullptr;
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
    testing_hooks::CapturePresentedFrames(false);
    testing_hooks::RefuseHardwareVertexProcessing(false);
    testing_hooks::SetSupportedMultisamples({2, 4, 8});
    testing_hooks::ResetPlatform();
  }

  HRESULT CreateDevice(D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE,
                       DWORD flags = D3DCREATE_HARDWARE_VERTEXPROCESSING) {
    params_ = ProgramParams(window_, samples);
    return d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, flags, &params_,
                              &device_);
  }

  // The fixed states the program sets once after creating its device.
  void SetProgramStates() { SetFixedDeviceStates(device_); }

  // A texture of w x h with texel(x, y) from `texel`; level 0 only written.
  IDirect3DTexture9* MakeTexture(UINT w, UINT h, uint32_t (*texel)(int x, int y)) {
    IDirect3DTexture9* t = test_support::MakeTexture(device_, w, h, texel, 0);
    EXPECT_NE(t, nullptr);
    return t;
  }

  // The program's sprite: source rectangle in texels to (x, y), texture
  // coordinates shifted by half a texel, a fan of two triangles.
  HRESULT DrawSprite(IDirect3DTexture9* texture, RECT src, float x, float y, DWORD color) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    const float W = static_cast<float>(desc.Width), H = static_cast<float>(desc.Height);
    const float x1 = x + static_cast<float>(src.right - src.left);
    const float y1 = y + static_cast<float>(src.bottom - src.top);
    const float uL = (static_cast<float>(src.left) + 0.5f) / W;
    const float uR = (static_cast<float>(src.right) + 0.5f) / W;
    const float vT = (static_cast<float>(src.top) + 0.5f) / H;
    const float vB = (static_cast<float>(src.bottom) + 0.5f) / H;
    const SpriteVertex v[4] = {{x, y, 0, 1, color, uL, vT},
                               {x1, y, 0, 1, color, uR, vT},
                               {x1, y1, 0, 1, color, uR, vB},
                               {x, y1, 0, 1, color, uL, vB}};
    device_->SetTexture(0, texture);
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    return device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(SpriteVertex));
  }

  // Untextured screen-space triangles (a fan) in one colour at depth z.
  HRESULT DrawFan(std::vector<std::pair<float, float>> points, DWORD color, float z = 0.0f) {
    std::vector<SpriteVertex> v;
    for (auto [x, y] : points) v.push_back({x, y, z, 1, color, 0, 0});
    device_->SetTexture(0, nullptr);
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    return device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, static_cast<UINT>(v.size() - 2), v.data(),
                                    sizeof(SpriteVertex));
  }

  HRESULT DrawRect(float x0, float y0, float x1, float y1, DWORD color, float z = 0.0f) {
    return DrawFan({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, color, z);
  }

  void ClearAll(D3DCOLOR color) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0),
              D3D_OK);
  }

  // Presents and returns the frame as shown.
  std::vector<uint32_t> Present() {
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    int w = 0, h = 0;
    std::vector<uint32_t> frame = testing_hooks::LastPresentedFrame(&w, &h);
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    lastFrame_ = frame;
    return frame;
  }

  // Compares a frame with `expected`; on a mismatch saves the comparison.
  static ::testing::AssertionResult FrameEquals(const std::vector<uint32_t>& got,
                                                const std::vector<uint32_t>& expected) {
    return test_support::FramesEqual(got, expected, kWidth, kHeight, TestName());
  }

  static bool ChannelsWithin(uint32_t got, uint32_t want, int tolerance) {
    return test_support::ChannelsWithin(got, want, tolerance);
  }

  // Two devices' frames of the same drawing (test_support::FramesAgree).
  static ::testing::AssertionResult FramesAgree(const std::vector<uint32_t>& got,
                                                const std::vector<uint32_t>& expected, int levels,
                                                double fraction) {
    return test_support::FramesAgree(got, expected, kWidth, kHeight, levels, fraction, TestName());
  }

  static uint32_t At(const std::vector<uint32_t>& frame, int x, int y) {
    return frame[static_cast<size_t>(y) * kWidth + x];
  }

  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  D3DPRESENT_PARAMETERS params_{};
  std::vector<uint32_t> lastFrame_;
};

// Device tables that run on both backends: a suite deriving from this runs
// once with the CPU device and once with the GL device (MORVANE_ON_BOTH_DEVICES).
class BothDevicesTest : public DeviceTest, public ::testing::WithParamInterface<d3d9::DeviceKind> {
 protected:
  void SetUp() override {
    unsetenv("MORVANE_DEVICE");
    d3d9::SetDeviceChoice(GetParam());
    DeviceTest::SetUp();
  }
  void TearDown() override {
    DeviceTest::TearDown();
    d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
  }
  bool OnGl() const { return GetParam() == d3d9::DeviceKind::Gl; }
  // GL blends in the implementation's own fixed point, which may round a
  // channel the other way: one level either side is allowed there.
  int BlendTolerance() const { return OnGl() ? 1 : 0; }
};

// Test names start with Cpu/ or Gl/; the build labels the Gl/ ones "gl".
#define MORVANE_ON_BOTH_DEVICES(Suite)                                            \
  INSTANTIATE_TEST_SUITE_P(Cpu, Suite, ::testing::Values(d3d9::DeviceKind::Cpu)); \
  INSTANTIATE_TEST_SUITE_P(Gl, Suite, ::testing::Values(d3d9::DeviceKind::Gl))

}  // namespace d3d9_test

#endif  // MORVANE_TESTS_D3D9_DEVICE_FIXTURE_H
