// The devices of start-up steps 2 and 3, their fixed states, and teardown.
#include "app_fixture.h"
#include "data_set.h"
#include "support/device.h"
#include "support/image_compare.h"

namespace {

using DevicesTest = AppTest;

// A record with its main window, ready for the device steps.
void OpenWindow(BenchmarkApp* app) {
  ASSERT_EQ(CreateMainWindow(app, GetModuleHandleA(nullptr)), 1);
}

TEST_F(DevicesTest, PresentationParametersFollowTheChoicesAndTheProbe) {
  const struct {
    int antiAlias;
    std::vector<int> supported;
    D3DMULTISAMPLE_TYPE expected;
  } cases[] = {
      {1, {2, 4, 8}, D3DMULTISAMPLE_8_SAMPLES}, {1, {2, 4}, D3DMULTISAMPLE_4_SAMPLES},
      {1, {2}, D3DMULTISAMPLE_2_SAMPLES},       {1, {}, D3DMULTISAMPLE_NONE},
      {0, {2, 4, 8}, D3DMULTISAMPLE_NONE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    testing_hooks::SetSupportedMultisamples(c.supported);
    BenchmarkApp app;
    app.antiAlias = c.antiAlias;
    OpenWindow(&app);
    ASSERT_EQ(CreateGraphicsDevice(&app), 1);
    const D3DPRESENT_PARAMETERS& pp = app.presentParams;
    EXPECT_EQ(pp.MultiSampleType, c.expected);
    EXPECT_EQ(pp.MultiSampleQuality, 0u);
    // Asked as 0 by 0; the device writes back the client area it took.
    EXPECT_EQ(pp.BackBufferWidth, 800u);
    EXPECT_EQ(pp.BackBufferHeight, 600u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(pp.hDeviceWindow, app.window);
    EXPECT_EQ(pp.Windowed, TRUE);
    EXPECT_EQ(pp.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(pp.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));
    ReleaseApp(&app);
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
    DestroyWindow(app.window);
    UnregisterClassA("MAINWNDOW", GetModuleHandleA(nullptr));
  }
}

// A screen quad from (x0, y0) to (x1, y1) at depth z, in one colour, with
// texture coordinates from u 0 to 1 across; clockwise unless `reversed`.
void DrawQuad(IDirect3DDevice9* device, float x0, float y0, float x1, float y1, float z,
              D3DCOLOR colour, bool reversed = false) {
  SpriteVertex quad[4] = {{x0, y0, z, 1, colour, 0, 0},
                          {x1, y0, z, 1, colour, 1, 0},
                          {x1, y1, z, 1, colour, 1, 1},
                          {x0, y1, z, 1, colour, 0, 1}};
  if (reversed) std::swap(quad[1], quad[3]);
  device->SetFVF(kSpriteFvf);
  ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(SpriteVertex)), D3D_OK);
}

// The states start-up fixes, seen in what they draw. Each row's pixel comes
// out differently under the device's initial states (alpha test and
// blending off, alpha taken from the texture alone, culling of
// counter-clockwise triangles).
TEST_F(DevicesTest, TheFixedStatesDrawAsTheFrameExpects) {
  testing_hooks::CapturePresentedFrames(true);
  BenchmarkApp app;
  OpenWindow(&app);
  ASSERT_EQ(CreateGraphicsDevice(&app), 1);
  D3DVIEWPORT9 viewport = {};
  app.device->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 800u);
  EXPECT_EQ(viewport.Height, 600u);
  IDirect3DDevice9* d = app.device;
  IDirect3DTexture9* white = test_support::MakeTexture(d, 1, 1, [](int, int) { return ~0u; });
  IDirect3DTexture9* halves =
      test_support::MakeTexture(d, 2, 1, [](int x, int) { return x ? ~0u : 0xFF000000u; });
  ASSERT_NE(white, nullptr);
  ASSERT_NE(halves, nullptr);
  ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0), D3D_OK);
  ASSERT_EQ(d->BeginScene(), D3D_OK);
  d->SetTexture(0, white);
  // Alpha test: a transparent quad in front leaves no depth behind, so the
  // green one behind it still shows.
  DrawQuad(d, 0, 0, 100, 100, 0.2f, 0x00FF0000u);
  DrawQuad(d, 0, 0, 100, 100, 0.5f, 0xFF00FF00u);
  // Blending with the vertex alpha times the texture's: white at half alpha
  // over black.
  DrawQuad(d, 100, 0, 200, 100, 0.5f, 0x80FFFFFFu);
  // No culling: a counter-clockwise quad is drawn.
  DrawQuad(d, 200, 0, 300, 100, 0.5f, 0xFF0000FFu, true);
  // Depth test and write: the nearer red stays in front of a later green.
  DrawQuad(d, 300, 0, 400, 100, 0.3f, 0xFFFF0000u);
  DrawQuad(d, 300, 0, 400, 100, 0.6f, 0xFF00FF00u);
  // Point sampling: a black and a white texel stretched over 64 pixels meet
  // in a hard edge, with no blend of the two left of it.
  d->SetTexture(0, halves);
  DrawQuad(d, 400, 0, 464, 100, 0.5f, 0xFFFFFFFFu);
  ASSERT_EQ(d->EndScene(), D3D_OK);
  ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  int width = 0, height = 0;
  const std::vector<uint32_t> frame = testing_hooks::LastPresentedFrame(&width, &height);
  ASSERT_EQ(width, 800);
  ASSERT_EQ(height, 600);
  const struct {
    const char* what;
    int x;
    uint32_t want;
  } rows[] = {
      {"alpha test", 50, 0xFF00FF00u},
      {"blending", 150, 0xFF808080u},
      {"no culling", 250, 0xFF0000FFu},
      {"depth test", 350, 0xFFFF0000u},
      {"point sampling, left", 430, 0xFF000000u},
      {"point sampling, right", 460, 0xFFFFFFFFu},
  };
  for (const auto& row : rows) {
    const uint32_t got = frame[50 * 800 + row.x];
    EXPECT_TRUE(test_support::ChannelsWithin(got, row.want, 1))
        << row.what << ": got " << std::hex << got << " want " << row.want;
  }
  if (HasFailure()) test_support::SaveFrame(frame, width, height, test_support::TestName());
  white->Release();
  halves->Release();
  ReleaseApp(&app);
}

TEST_F(DevicesTest, HardwareVertexProcessingRefusedFallsBackToSoftware) {
  testing_hooks::RefuseHardwareVertexProcessing(true);
  BenchmarkApp app;
  OpenWindow(&app);
  EXPECT_EQ(CreateGraphicsDevice(&app), 1);
  EXPECT_NE(app.device, nullptr);
  testing_hooks::RefuseHardwareVertexProcessing(false);
}

TEST_F(DevicesTest, SoundDeviceHoldsItsPrimaryBuffer) {
  BenchmarkApp app;
  OpenWindow(&app);
  ASSERT_EQ(CreateSoundDevice(&app), 1);
  EXPECT_NE(app.directSound, nullptr);
  EXPECT_NE(app.primaryBuffer, nullptr);
  ReleaseApp(&app);
  EXPECT_EQ(app.directSound, nullptr);
  EXPECT_EQ(app.primaryBuffer, nullptr);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

// A whole run: start-up creates both devices, frames are presented into the
// window, and two teardowns leave no Direct3D or DirectSound object alive.
// The clock stands still, so every frame is at lap time 0: fully black.
TEST_F(DevicesTest, ARunPresentsFramesAndTearsEverythingDown) {
  app_test::ScratchFolder folder;
  app_test::WritePlain(app_test::DataSet{});
  testing_hooks::SetSleepAdvancesClock(false);
  testing_hooks::CapturePresentedFrames(true);
  testing_hooks::SetIdleHandler([](HWND active) {
    if (active && GetDlgItem(active, kIdOk)) AppTest::ClickControl(GetDlgItem(active, kIdOk));
  });
  int frames = 0;
  testing_hooks::SetPeekHandler([&frames]() {
    HWND active = GetActiveWindow();
    if (active && GetDlgItem(active, kIdOk) == nullptr && ++frames == 5)
      testing_hooks::SetKeyDown(VK_ESCAPE, true);
  });
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
  EXPECT_EQ(app.device, nullptr);
  EXPECT_EQ(app.directSound, nullptr);
  int width = 0, height = 0;
  std::vector<uint32_t> frame = testing_hooks::LastPresentedFrame(&width, &height);
  ASSERT_EQ(width, kFrameWidth);
  ASSERT_EQ(height, kFrameHeight);
  EXPECT_EQ(frame[0] & 0xFFFFFF, 0u);  // the fade quad covers everything
  EXPECT_EQ(frame[400 * kFrameWidth + 300] & 0xFFFFFF, 0u);
  testing_hooks::SetSleepAdvancesClock(true);
  ReleaseApp(&app);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

}  // namespace
