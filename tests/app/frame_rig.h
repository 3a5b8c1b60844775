// A BenchmarkApp ready for RenderFrame without the start-up: an 800 by 600
// device on a popup window behind a RecordingDevice, a background texture
// and a sprite sheet whose texels all differ, an empty scene, the virtual
// clock, and the lap started at the current time.
#ifndef MORVANE_TESTS_APP_FRAME_RIG_H
#define MORVANE_TESTS_APP_FRAME_RIG_H

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"
#include "recording_device.h"
#include "support/device.h"
#include "testing.h"

namespace app_test {

// The sprite sheet's texel at (x, y): every texel of the 512 by 256 sheet
// differs from its neighbours, alpha 255.
inline uint32_t ChipTexel(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>((x * 37) & 0xFF) << 16 |
         static_cast<uint32_t>((y * 53) & 0xFF) << 8 | static_cast<uint32_t>((x + y) & 0xFF);
}

class FrameRig : public ::testing::Test {
 protected:
  // Tests that count many frames and only read the recorded quads draw into
  // a small back buffer (quads are clipped to it; their coordinates are
  // recorded as given).
  explicit FrameRig(int side = 0) : side_(side) {}

  void SetUp() override {
    testing_hooks::UseVirtualClock(50000);
    test_support::DeviceOptions options;
    options.width = kFrameWidth;
    options.height = kFrameHeight;
    options.backBufferWidth = side_ ? side_ : kFrameWidth;
    options.backBufferHeight = side_ ? side_ : kFrameHeight;
    options.depth = false;
    options.flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    ASSERT_EQ(test_support::OpenDevice("FrameRig", options, &window_, &d3d_, &real_), D3D_OK);
    recorder_ = new RecordingDevice(real_);
    app_.device = recorder_;
    app_.bgTexture =
        test_support::MakeTexture(real_, 1024, 1024, [](int, int) { return 0xFF204060u; });
    app_.chipTexture = test_support::MakeTexture(real_, 512, 256, ChipTexel);
    ASSERT_NE(app_.bgTexture, nullptr);
    ASSERT_NE(app_.chipTexture, nullptr);
    // The device states the frame relies on, as start-up sets them.
    SetFixedDeviceStates(real_);
    app_.lapStart = timeGetTime();
  }

  void TearDown() override {
    app_.device = nullptr;
    ReleaseApp(&app_);
    if (real_) real_->Release();
    if (d3d_) d3d_->Release();
    delete recorder_;
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
    testing_hooks::CapturePresentedFrames(false);
    testing_hooks::ClearKeys();
    testing_hooks::ResetPlatform();
  }

  // Draws one frame at `elapsed` ms into the lap; only this frame's calls
  // stay recorded.
  int FrameAt(int32_t elapsed) {
    app_.lapStart = timeGetTime() - static_cast<DWORD>(elapsed);
    recorder_->Forget();
    return RenderFrame(&app_);
  }

  // Frames with the clock advancing `step` ms before each.
  void Frames(int count, DWORD step) {
    for (int i = 0; i < count; ++i) {
      testing_hooks::AdvanceClock(step);
      RenderFrame(&app_);
    }
  }

  // Quads drawn with the background texture covering the whole screen.
  std::vector<RecordedQuad> FullScreenQuads() const {
    std::vector<RecordedQuad> out;
    for (const RecordedQuad& q : recorder_->quads)
      if (q.texture == app_.bgTexture && q.v[0].x == 0.0f &&
          q.v[2].x == static_cast<float>(kFrameWidth) &&
          q.v[2].y == static_cast<float>(kFrameHeight))
        out.push_back(q);
    return out;
  }

  // The digits drawn on the number row at `y`, read from the sprite sheet
  // rectangles of the quads, left to right; each glyph's x is checked to sit
  // in its column (units at 776, 14 pixels per digit).
  std::string Row(float y) const {
    std::vector<std::pair<float, char>> glyphs;
    for (const RecordedQuad& q : recorder_->quads) {
      if (q.texture != app_.chipTexture || q.v[0].y != y) continue;
      const int left = static_cast<int>(q.v[0].u * 512.0f - 0.5f + 0.01f);
      const int right = static_cast<int>(q.v[1].u * 512.0f - 0.5f + 0.01f);
      EXPECT_EQ(right - left, 14);
      EXPECT_EQ(q.v[2].y - q.v[0].y, 18.0f);
      EXPECT_EQ((left - 91) % 14, 0);
      EXPECT_EQ(q.v[1].x - q.v[0].x, 14.0f);
      glyphs.emplace_back(q.v[0].x, static_cast<char>('0' + (left - 91) / 14));
    }
    std::sort(glyphs.begin(), glyphs.end());
    std::string digits;
    for (size_t i = 0; i < glyphs.size(); ++i) {
      EXPECT_EQ(glyphs[i].first, 776.0f - 14.0f * static_cast<float>(glyphs.size() - 1 - i));
      digits += glyphs[i].second;
    }
    return digits;
  }

  int side_;
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* real_ = nullptr;
  RecordingDevice* recorder_ = nullptr;
  BenchmarkApp app_;
};

}  // namespace app_test

#endif  // MORVANE_TESTS_APP_FRAME_RIG_H
