#include <string>

#include "app/strings.h"
#include "app_fixture.h"

namespace {

using MainWindowTest = AppTest;

RECT Client(HWND window) {
  RECT rc;
  GetClientRect(window, &rc);
  return rc;
}

TEST_F(MainWindowTest, WindowedHasAnExact800By600ClientAreaAndTheTitle) {
  BenchmarkApp app;
  ASSERT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 1);
  ASSERT_NE(app.window, nullptr);
  RECT client = Client(app.window);
  EXPECT_EQ(client.right, kFrameWidth);
  EXPECT_EQ(client.bottom, kFrameHeight);

  char title[128] = {};
  GetWindowTextA(app.window, title, sizeof title);
  EXPECT_EQ(std::string(title), kMainWindowTitle);
  EXPECT_EQ(testing_hooks::SdlWindowTitle(app.window),
            "Morvane(\xE4\xBB\xAE)  \xE3\x81\xB9\xE3\x82\x93\xE3\x81\xA1\xE3\x81\xBE\xE3\x83\xBC"
            "\xE3\x81\x8F Ver.B");
  // Windows adds WS_CLIPSIBLINGS to every top-level window; the rest is ours.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(app.window, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
            0x12CA0000u);
  EXPECT_EQ(reinterpret_cast<BenchmarkApp*>(GetWindowLongPtrA(app.window, GWLP_USERDATA)), &app);

  // Centred on the desktop.
  RECT window, desktop;
  GetWindowRect(app.window, &window);
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_EQ(window.left, (desktop.right - (window.right - window.left)) / 2);
  EXPECT_EQ(window.top, (desktop.bottom - (window.bottom - window.top)) / 2);
  SavePng(app.window, "main-window.png");
}

// The size rule: a change that keeps the client width at 800 or the height
// at 600 is left alone; anything else is set back to the framed size.
TEST_F(MainWindowTest, SizeChangesAreSetBackUnlessOneDimensionStays) {
  BenchmarkApp app;
  ASSERT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 1);
  RECT original;
  GetWindowRect(app.window, &original);
  const int width = original.right - original.left;
  const int height = original.bottom - original.top;

  const struct {
    int outerWidth, outerHeight;    // asked for
    int clientWidth, clientHeight;  // client area afterwards
  } cases[] = {
      {width, height + 50, kFrameWidth, kFrameHeight + 50},    // width stays: left alone
      {width + 40, height, kFrameWidth + 40, kFrameHeight},    // height stays: left alone
      {width - 100, height - 100, kFrameWidth, kFrameHeight},  // both change: set back
      {width + 100, height + 10, kFrameWidth, kFrameHeight},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outerWidth);
    SetWindowPos(app.window, HWND_NOTOPMOST, 0, 0, c.outerWidth, c.outerHeight, SWP_NOMOVE);
    RECT client = Client(app.window);
    EXPECT_EQ(client.right, c.clientWidth);
    EXPECT_EQ(client.bottom, c.clientHeight);
    SetWindowPos(app.window, HWND_NOTOPMOST, 0, 0, width, height, SWP_NOMOVE);
  }
}

TEST_F(MainWindowTest, FullScreenSizeRuleUses802By602) {
  testing_hooks::SetDisplayModes({{kFrameWidth, kFrameHeight, 32, 60}, {1024, 768, 32, 60}});
  BenchmarkApp app;
  app.windowed = 0;
  ASSERT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 1);
  SetWindowPos(app.window, HWND_NOTOPMOST, 0, 0, 640, 480, SWP_NOMOVE);
  RECT window;
  GetWindowRect(app.window, &window);
  EXPECT_EQ(window.right - window.left, kFullScreenSetBackWidth);
  EXPECT_EQ(window.bottom - window.top, kFullScreenSetBackHeight);
}

TEST_F(MainWindowTest, FullScreenSwitchesTheDisplayAndRestylesTheWindow) {
  testing_hooks::SetDisplayModes(
      {{640, 480, 32, 60}, {kFrameWidth, kFrameHeight, 16, 75}, {1024, 768, 32, 60}});
  BenchmarkApp app;
  app.windowed = 0;
  ASSERT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 1);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(app.window, GWL_STYLE)), 0x92000000u);
  EXPECT_EQ(GetWindowLongA(app.window, GWL_EXSTYLE), 0);
  RECT window;
  GetWindowRect(app.window, &window);
  EXPECT_EQ(window.left, 0);
  EXPECT_EQ(window.top, 0);
  EXPECT_EQ(window.right, kFrameWidth);
  EXPECT_EQ(window.bottom, kFrameHeight);
  RECT client = Client(app.window);
  EXPECT_EQ(client.right, kFrameWidth);
  EXPECT_EQ(client.bottom, kFrameHeight);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kFrameWidth);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), kFrameHeight);
}

TEST_F(MainWindowTest, FullScreenFailsWithoutAn800By600Mode) {
  for (auto modes : {std::vector<testing_hooks::DisplayMode>{{1024, 768, 32, 60}},
                     std::vector<testing_hooks::DisplayMode>{}}) {
    testing_hooks::SetDisplayModes(modes);
    BenchmarkApp app;
    app.windowed = 0;
    EXPECT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 0);
    EXPECT_NE(app.window, nullptr);  // the window stays until the process ends
    UnregisterClassA("MAINWNDOW", GetModuleHandleA(nullptr));
  }
}

}  // namespace
