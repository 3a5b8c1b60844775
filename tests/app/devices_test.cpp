// The devices of start-up steps 2 and 3, their fixed states, and teardown.
#include "app_fixture.h"
#include "data_set.h"

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

TEST_F(DevicesTest, TheFixedStatesAreSet) {
  BenchmarkApp app;
  OpenWindow(&app);
  ASSERT_EQ(CreateGraphicsDevice(&app), 1);
  const struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } states[] = {
      {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
      {D3DRS_DITHERENABLE, TRUE},
      {D3DRS_ALPHATESTENABLE, TRUE},
      {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
      {D3DRS_ALPHAREF, 0},
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ZENABLE, D3DZB_TRUE},
      {D3DRS_CULLMODE, D3DCULL_NONE},
      {D3DRS_LIGHTING, FALSE},
      {D3DRS_ALPHABLENDENABLE, TRUE},
      {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
      {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
  };
  for (const auto& s : states) {
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(app.device->GetRenderState(s.state, &value), D3D_OK);
    EXPECT_EQ(value, s.value) << "render state " << s.state;
  }
  const struct {
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
  } stage[] = {
      {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_DIFFUSE},
      {D3DTSS_COLORARG2, D3DTA_TEXTURE}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
      {D3DTSS_ALPHAARG1, D3DTA_DIFFUSE}, {D3DTSS_ALPHAARG2, D3DTA_TEXTURE},
  };
  for (const auto& s : stage) {
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(app.device->GetTextureStageState(0, s.type, &value), D3D_OK);
    EXPECT_EQ(value, s.value) << "stage state " << s.type;
  }
  DWORD filter = 0;
  app.device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
  EXPECT_EQ(filter, static_cast<DWORD>(D3DTEXF_POINT));
  app.device->GetSamplerState(0, D3DSAMP_MAGFILTER, &filter);
  EXPECT_EQ(filter, static_cast<DWORD>(D3DTEXF_POINT));
  D3DVIEWPORT9 viewport = {};
  app.device->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 800u);
  EXPECT_EQ(viewport.Height, 600u);
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
