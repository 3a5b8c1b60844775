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
#include "testing.h"

namespace app_test {

// The sprite sheet's texel at (x, y): every texel of the 512 by 256 sheet
// differs from its neighbours, alpha 255.
inline uint32_t ChipTexel(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>((x * 37) & 0xFF) << 16 |
         static_cast<uint32_t>((y * 53) & 0xFF) << 8 | static_cast<uint32_t>((x + y) & 0xFF);
}

inline IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, int w, int h,
                                      uint32_t (*texel)(int, int)) {
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(device->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  if (t == nullptr) return nullptr;
  D3DLOCKED_RECT lr;
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch);
    for (int x = 0; x < w; ++x) row[x] = texel(x, y);
  }
  t->UnlockRect(0);
  return t;
}

class FrameRig : public ::testing::Test {
 protected:
  // Tests that count many frames and only read the recorded quads draw into
  // a small back buffer (quads are clipped to it; their coordinates are
  // recorded as given).
  explicit FrameRig(int side = 0) : side_(side) {}

  void SetUp() override {
    testing_hooks::UseVirtualClock(50000);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FrameRig";
    ASSERT_NE(RegisterClassA(&wc), 0);
    window_ = CreateWindowExA(0, "FrameRig", "frame", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = side_ ? side_ : 800;
    p.BackBufferHeight = side_ ? side_ : 600;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window_;
    p.Windowed = TRUE;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &real_),
              D3D_OK);
    recorder_ = new RecordingDevice(real_);
    app_.device = recorder_;
    app_.bgTexture = MakeTexture(real_, 1024, 1024, [](int, int) { return 0xFF204060u; });
    app_.chipTexture = MakeTexture(real_, 512, 256, ChipTexel);
    // The device states the frame relies on (alpha test and blending, stage 0
    // modulation, point sampling), as start-up sets them.
    real_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    real_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    real_->SetRenderState(D3DRS_ALPHAREF, 0);
    real_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    real_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    real_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    real_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    real_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    real_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    real_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    real_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    real_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    real_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    real_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    real_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
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
      if (q.texture == app_.bgTexture && q.v[0].x == 0.0f && q.v[2].x == 800.0f &&
          q.v[2].y == 600.0f)
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
