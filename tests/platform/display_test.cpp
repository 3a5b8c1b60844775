// Display modes: enumeration, mode changes and full screen of a covering
// popup window.
#include "platform/win32_fixture.h"
#include "win32/window_internal.h"

namespace {

using namespace win32_test;

class DisplayTest : public Win32Test {};

const std::vector<testing_hooks::DisplayMode> kWith800 = {
    {1024, 768, 32, 60}, {800, 600, 16, 60}, {800, 600, 32, 75}};
const std::vector<testing_hooks::DisplayMode> kWithout800 = {{1024, 768, 32, 60},
                                                             {640, 480, 32, 60}};

TEST_F(DisplayTest, EnumeratesTheListedModes) {
  testing_hooks::SetDisplayModes(kWith800);
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  for (size_t i = 0; i < kWith800.size(); ++i) {
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, static_cast<DWORD>(i), &dm));
    EXPECT_EQ(dm.dmPelsWidth, static_cast<DWORD>(kWith800[i].width));
    EXPECT_EQ(dm.dmPelsHeight, static_cast<DWORD>(kWith800[i].height));
    EXPECT_EQ(dm.dmBitsPerPel, static_cast<DWORD>(kWith800[i].bitsPerPixel));
    EXPECT_EQ(dm.dmDisplayFrequency, static_cast<DWORD>(kWith800[i].refreshRate));
    EXPECT_EQ(dm.dmFields, static_cast<DWORD>(DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL |
                                              DM_DISPLAYFREQUENCY));
    EXPECT_EQ(dm.dmSize, sizeof dm);
  }
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, static_cast<DWORD>(kWith800.size()), &dm));
  testing_hooks::SetDisplayModes({});
  EXPECT_FALSE(EnumDisplaySettingsA(nullptr, 0, &dm));
  EXPECT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm));
  EXPECT_EQ(static_cast<int>(dm.dmPelsWidth), GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(DisplayTest, ChangeNeedsAListedMode) {
  struct Case {
    const std::vector<testing_hooks::DisplayMode>* modes;
    DWORD fields;
    DWORD bits;
    LONG result;
  } cases[] = {
      {&kWith800, DM_PELSWIDTH | DM_PELSHEIGHT, 24, DISP_CHANGE_SUCCESSFUL},
      {&kWith800, DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 32, DISP_CHANGE_SUCCESSFUL},
      {&kWith800, DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL, 24, DISP_CHANGE_BADMODE},
      {&kWithout800, DM_PELSWIDTH | DM_PELSHEIGHT, 32, DISP_CHANGE_BADMODE},
  };
  int desktopW = GetSystemMetrics(SM_CXSCREEN);
  for (const Case& c : cases) {
    testing_hooks::SetDisplayModes(*c.modes);
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = 800;
    dm.dmPelsHeight = 600;
    dm.dmBitsPerPel = c.bits;
    dm.dmFields = c.fields;
    EXPECT_EQ(ChangeDisplaySettingsA(&dm, CDS_TEST), c.result);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktopW);
    EXPECT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), c.result);
    if (c.result == DISP_CHANGE_SUCCESSFUL) {
      EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
      EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
      RECT r;
      GetWindowRect(GetDesktopWindow(), &r);
      EXPECT_EQ(r.right, 800);
      EXPECT_EQ(r.bottom, 600);
    }
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktopW);
  }
}

TEST_F(DisplayTest, CoveringPopupGoesFullScreen) {
  testing_hooks::SetDisplayModes(kWith800);
  HWND h = CreateWindowExA(WS_EX_CLIENTEDGE, kTestClass, "", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                           10, 10, 810, 629, nullptr, nullptr, nullptr, nullptr);
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  dm.dmPelsWidth = 800;
  dm.dmPelsHeight = 600;
  dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  ASSERT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  EXPECT_FALSE(win32::GetWindow(h)->fullscreen);
  SetWindowLongA(h, GWL_EXSTYLE, 0);
  SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
  SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 800, 600, SWP_SHOWWINDOW);
  EXPECT_TRUE(win32::GetWindow(h)->fullscreen);
  int w = 0, hh = 0;
  SDL_GetWindowSize(win32::GetWindow(h)->sdl, &w, &hh);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(hh, 600);
  ChangeDisplaySettingsA(nullptr, 0);
  EXPECT_FALSE(win32::GetWindow(h)->fullscreen);
}

class CaptureTest : public Win32Test {};

TEST_F(CaptureTest, FramedWindowCaptureHasFrameCaptionAndClient) {
  HWND h =
      CreateWindowExA(WS_EX_CLIENTEDGE, kTestClass, "Capture", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                      0, 0, 210, 129, nullptr, nullptr, nullptr, nullptr);
  Pump();
  HDC dc = GetDC(h);
  HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
  RECT r{0, 0, 10, 10};
  FillRect(dc, &r, green);
  ReleaseDC(h, dc);
  std::string path = (OutDir().empty() ? std::string("/tmp") : OutDir()) + "/capture-framed.png";
  ASSERT_TRUE(testing_hooks::SaveWindowPng(h, path));
  int w, hh;
  auto px = testing_hooks::CaptureWindow(h, &w, &hh);
  ASSERT_EQ(w, 210);
  ASSERT_EQ(hh, 129);
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF; };
  EXPECT_EQ(at(5, 5 + 19), 0x00C800u);                               // client origin
  EXPECT_EQ(at(5 + 20, 5 + 19 + 20), Rgb(GetSysColor(COLOR_MENU)));  // class background
  EXPECT_EQ(at(3, 10), Rgb(GetSysColor(COLOR_ACTIVECAPTION)));       // caption bar
  EXPECT_EQ(at(4, 24), Rgb(GetSysColor(COLOR_3DDKSHADOW)));          // client edge
  DeleteObject(green);
  EXPECT_FALSE(testing_hooks::SaveWindowPng(nullptr, path));
}

}  // namespace
