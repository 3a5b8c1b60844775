// Screen-space sprites as the program draws them: texel-exact copies,
// alpha-tested holes, the blend pairs it uses, and the stage-0 modulation.
#include <cmath>

#include "device_fixture.h"

namespace d3d9_test {
namespace {

class SpriteTables : public BothDevicesTest {};
MORVANE_ON_BOTH_DEVICES(SpriteTables);

constexpr D3DCOLOR kBackground = 0x00336699;

uint32_t Pattern(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>(x * 31) << 16 | static_cast<uint32_t>(y * 29) << 8 |
         static_cast<uint32_t>((x * 7 + y * 13) & 0xFF);
}

TEST_P(SpriteTables, ASpriteReproducesItsSourceTexelsExactly) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  IDirect3DTexture9* t = MakeTexture(8, 8, Pattern);
  ASSERT_NE(t, nullptr);
  device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device_->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
  ClearAll(kBackground);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(DrawSprite(t, RECT{1, 2, 6, 7}, 3.0f, 4.0f, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(DrawSprite(t, RECT{0, 0, 8, 8}, 20.0f, 20.0f, 0xFFFFFFFF), D3D_OK);
  ASSERT_EQ(device_->EndScene(), D3D_OK);

  std::vector<uint32_t> expected(kWidth * kHeight, 0xFF000000u | kBackground);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) expected[(4 + y) * kWidth + 3 + x] = Pattern(1 + x, 2 + y);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) expected[(20 + y) * kWidth + 20 + x] = Pattern(x, y);
  EXPECT_TRUE(FrameEquals(Present(), expected));
  t->Release();
}

TEST_P(SpriteTables, TexelsWithAlphaZeroAreDiscardedEvenWithoutBlending) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  // Copying blend: without the alpha test the transparent texels would show.
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  IDirect3DTexture9* t = MakeTexture(4, 4, [](int x, int y) {
    return (x + y) % 2 == 0 ? 0x00FF00FFu : (x == 3 ? 0x01FFFFFFu : 0xFF00FF00u);
  });
  ClearAll(kBackground);
  device_->BeginScene();
  ASSERT_EQ(DrawSprite(t, RECT{0, 0, 4, 4}, 0.0f, 0.0f, 0xFFFFFFFF), D3D_OK);
  device_->EndScene();
  const std::vector<uint32_t> frame = Present();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint32_t want =
          (x + y) % 2 == 0 ? 0xFF000000u | kBackground : (x == 3 ? 0xFFFFFFFFu : 0xFF00FF00u);
      EXPECT_EQ(At(frame, x, y), want) << x << "," << y;
    }
  t->Release();
}

// Independent expectation: src * Fs + dst * Fd per channel, rounded, clamped.
uint32_t Blend(uint32_t src, uint32_t dst, D3DBLEND fs, D3DBLEND fd) {
  const double as = (src >> 24) / 255.0;
  uint32_t out = 0xFF000000u;
  for (int sh = 0; sh < 24; sh += 8) {
    const double s = ((src >> sh) & 0xFF) / 255.0, d = ((dst >> sh) & 0xFF) / 255.0;
    auto factor = [&](D3DBLEND f) {
      switch (f) {
        case D3DBLEND_ZERO: return 0.0;
        case D3DBLEND_ONE: return 1.0;
        case D3DBLEND_SRCALPHA: return as;
        case D3DBLEND_INVSRCALPHA: return 1.0 - as;
        case D3DBLEND_INVSRCCOLOR: return 1.0 - s;
        case D3DBLEND_DESTCOLOR: return d;
        case D3DBLEND_INVDESTCOLOR: return 1.0 - d;
        default: return -1.0;
      }
    };
    const double v = std::min(1.0, s * factor(fs) + d * factor(fd));
    out |= static_cast<uint32_t>(std::lround(v * 255.0)) << sh;
  }
  return out;
}

TEST_P(SpriteTables, EachBlendPairOfTheProgramCombinesKnownColours) {
  const struct {
    D3DBLEND src, dst;
  } pairs[] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},       {D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR},      {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ONE}};
  const uint32_t sources[] = {0x80C08040u, 0xFFFFFFFFu, 0x40102030u, 0xFF00FF7Fu};
  const uint32_t dest = 0x00604020u;
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  for (const auto& p : pairs) {
    device_->SetRenderState(D3DRS_SRCBLEND, p.src);
    device_->SetRenderState(D3DRS_DESTBLEND, p.dst);
    ClearAll(dest);
    device_->BeginScene();
    // Untextured: the stage's modulation passes the vertex colour on.
    for (int i = 0; i < 4; ++i)
      ASSERT_EQ(
          DrawRect(static_cast<float>(i * 4), 0, static_cast<float>(i * 4 + 4), 4, sources[i]),
          D3D_OK);
    device_->EndScene();
    const std::vector<uint32_t> frame = Present();
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(ChannelsWithin(At(frame, i * 4 + 1, 1),
                                 Blend(sources[i], 0xFF000000u | dest, p.src, p.dst),
                                 BlendTolerance()))
          << "pair " << p.src << "/" << p.dst << " source " << std::hex << sources[i];
  }
}

TEST_P(SpriteTables, TheFadeQuadModulatesVertexAlphaWithTextureAlpha) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  IDirect3DTexture9* t =
      MakeTexture(4, 4, [](int x, int) { return x < 2 ? 0xFF808080u : 0x80808080u; });
  ClearAll(0x00FFFFFF);
  device_->BeginScene();
  ASSERT_EQ(DrawSprite(t, RECT{0, 0, 4, 4}, 0.0f, 0.0f, 0x7F000000u), D3D_OK);  // alpha 127, black
  device_->EndScene();
  const std::vector<uint32_t> frame = Present();
  // Colour: black x texel = black; alpha 127 x 255 and 127 x 128.
  EXPECT_EQ(At(frame, 0, 0),
            Blend(0x7F000000u, 0xFFFFFFFFu, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA));
  EXPECT_EQ(At(frame, 3, 0),
            Blend(0x40000000u, 0xFFFFFFFFu, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA));
  t->Release();
}

// Each Present adds one frame to the stage times the hook hands out; with
// the split on, the pixel work shows as coverage and shading, and the
// present stage is the device's own. Taking them starts the sums again.
TEST_F(DeviceTest, PresentedFramesCarryTheirStageTimes) {
  testing_hooks::SetDeviceStageSplit(true);
  const HRESULT created = CreateDevice();
  testing_hooks::SetDeviceStageSplit(false);
  ASSERT_EQ(created, D3D_OK);
  SetProgramStates();
  IDirect3DTexture9* t = MakeTexture(8, 8, Pattern);
  ASSERT_NE(t, nullptr);
  testing_hooks::TakeDeviceStageTimes(nullptr);
  for (int frame = 0; frame < 3; ++frame) {
    ClearAll(kBackground);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    ASSERT_EQ(DrawSprite(t, RECT{0, 0, 8, 8}, 3.0f + frame, 4.0f, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    Present();
  }
  int frames = 0;
  const testing_hooks::StageTimes s = testing_hooks::TakeDeviceStageTimes(&frames);
  EXPECT_EQ(frames, 3);
  EXPECT_GT(s.vertex, 0.0);
  EXPECT_GT(s.setup, 0.0);
  EXPECT_GT(s.binning, 0.0);
  EXPECT_GT(s.coverage, 0.0);
  EXPECT_GT(s.shading, 0.0);
  EXPECT_GT(s.resolve, 0.0);
  EXPECT_GT(s.present, 0.0);
  int none = -1;
  const testing_hooks::StageTimes after = testing_hooks::TakeDeviceStageTimes(&none);
  EXPECT_EQ(none, 0);
  EXPECT_EQ(after.shading + after.present, 0.0);
  t->Release();
}

}  // namespace
}  // namespace d3d9_test
