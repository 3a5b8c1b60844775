// The demo scene drawn by the real renderer on the software device, as a
// frame of the benchmark draws it (backdrop, the seven layers, the morph
// pair), at 0, 4, ... 32 s. The frames go into one contact sheet,
// DemoFrames.ContactSheet.png under the test images, for a person to look
// at; the test checks that the scene covers the backdrop and moves.
#include <array>

#include "data/raw_texture.h"
#include "mkassets_test_util.h"
#include "render/render_fixture.h"
#include "scene/lmf_loader.h"
#include "tools/mkassets/assets.h"

namespace render_test {
namespace {

struct SpriteVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};

class DemoFrames : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (HasFatalFailure()) return;
    int32_t abortFlag = 0;
    ASSERT_EQ(ReadLmf(assets_test::DataPath("Scene.lmf").string().c_str(), nullptr, nullptr,
                      device_, &scene_, &abortFlag),
              0);
    ASSERT_GE(scene_.cameraCount, 1);
    D3DXMatrixPerspectiveFovLH(&render_.projection, scene_.cameras[0].fovY, 4.0f / 3.0f, 0.1f,
                               10.0f);
    UploadWorldViewProjection(&render_);
    ASSERT_EQ(LoadTexture(device_, &backdrop_, assets_test::DataPath("BG.bmp").string().c_str()),
              0);
  }
  void TearDown() override {
    if (backdrop_) backdrop_->Release();
    backdrop_ = nullptr;
    RenderTest::TearDown();
  }

  void DrawBackdrop() {
    D3DSURFACE_DESC desc{};
    backdrop_->GetLevelDesc(0, &desc);
    const float w = static_cast<float>(desc.Width), h = static_cast<float>(desc.Height);
    const SpriteVertex quad[4] = {{0, 0, 0, 1, 0xFFFFFFFF, 0.5f / w, 0.5f / h},
                                  {800, 0, 0, 1, 0xFFFFFFFF, 800.5f / w, 0.5f / h},
                                  {800, 600, 0, 1, 0xFFFFFFFF, 800.5f / w, 600.5f / h},
                                  {0, 600, 0, 1, 0xFFFFFFFF, 0.5f / w, 600.5f / h}};
    device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device_->SetTexture(0, backdrop_);
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(SpriteVertex));
    device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  }

  std::vector<uint32_t> Frame(int32_t ms, float morph, bool scene) {
    UpdateMotions(ms, &scene_);
    D3DXVECTOR3 eye, target, up;
    EXPECT_EQ(GetCameraFromScene(&scene_, &eye, &target, &up), 0);
    SetCameraView(&render_, &eye, &target, &up);
    Begin(0);
    DrawBackdrop();
    if (scene) {
      for (uint16_t layer : mkassets::kDrawnLayers)
        EXPECT_EQ(DrawLayer(layer, device_, &scene_, &render_), 0);
      const float weight[3] = {morph, morph, morph};
      EXPECT_EQ(DrawMorphLayers(device_, &scene_, &render_, weight), 0);
    }
    return Finish();
  }

  IDirect3DTexture9* backdrop_ = nullptr;
};

size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
  return n;
}

TEST_F(DemoFrames, ContactSheet) {
  const std::vector<uint32_t> backdropOnly = Frame(0, 0, false);
  constexpr int kColumns = 3, kTileW = kWidth / 2, kTileH = kHeight / 2;
  std::vector<uint32_t> sheet(size_t(kTileW) * kColumns * kTileH * 3, 0xFF000000u);
  std::vector<uint32_t> previous;
  for (int i = 0; i < 9; ++i) {
    const int32_t ms = i * 4000;
    SCOPED_TRACE("at " + std::to_string(ms) + " ms");
    const std::vector<uint32_t> frame = Frame(ms, (i % 2) ? 1.0f : 0.0f, true);
    ASSERT_EQ(frame.size(), size_t(kWidth) * kHeight);
    EXPECT_GT(Differing(frame, backdropOnly), frame.size() * 3 / 10)
        << "the scene covers too little of the backdrop";
    if (!previous.empty()) {
      EXPECT_GT(Differing(frame, previous), frame.size() / 20) << "nothing moved";
    }
    previous = frame;
    // Scaled to half size by averaging 2 x 2 pixels.
    for (int y = 0; y < kTileH; ++y)
      for (int x = 0; x < kTileW; ++x) {
        uint32_t sum[3] = {0, 0, 0};
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx) {
            const uint32_t p = At(frame, 2 * x + dx, 2 * y + dy);
            for (int c = 0; c < 3; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
          }
        const size_t at = size_t((i / kColumns) * kTileH + y) * (kTileW * kColumns) +
                          size_t((i % kColumns) * kTileW + x);
        sheet[at] = 0xFF000000u | (sum[2] / 4) << 16 | (sum[1] / 4) << 8 | (sum[0] / 4);
      }
  }
  test_support::SaveFrame(sheet, kTileW * kColumns, kTileH * 3, TestName());
}

}  // namespace
}  // namespace render_test
