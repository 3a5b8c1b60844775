// Where top-level windows land on a screen with a window manager, and the
// caption boxes of the frame drawn for captures.
#include <SDL.h>

#include <string>

#include "platform/win32_fixture.h"

namespace {

using namespace win32_test;

class FrameTest : public Win32Test {};

POINT SdlPosition(HWND h) {
  POINT p{-1, -1};
  SDL_GetWindowPosition(testing_hooks::SdlWindowOf(h), reinterpret_cast<int*>(&p.x),
                        reinterpret_cast<int*>(&p.y));
  return p;
}

// The program places the outer frame. Where the window manager reports a
// frame of its own, the client goes that far inside the outer rectangle;
// without one it goes where the classic frame puts it. Popups have no
// frame either way.
TEST_F(FrameTest, TheWindowManagerFrameSitsWhereTheProgramPlacedTheWindow) {
  struct Case {
    DWORD style;
    DWORD exStyle;
    bool managerFrame;
    POINT expected;
  } cases[] = {
      {WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_EX_CLIENTEDGE, false, {100 + 5, 50 + 24}},
      {WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_EX_CLIENTEDGE, true, {100 + 1, 50 + 20}},
      {WS_CAPTION | WS_VISIBLE, 0, true, {100 + 1, 50 + 20}},
      {WS_POPUP | WS_VISIBLE, 0, true, {100, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.style << " frame " << c.managerFrame);
    if (c.managerFrame) testing_hooks::SetWindowManagerFrame(1, 20, 1, 1);
    HWND h = CreateWindowExA(c.exStyle, kTestClass, "t", c.style, 100, 50, 300, 200, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    POINT p = SdlPosition(h);
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
    // Moving keeps the rule.
    SetWindowPos(h, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    p = SdlPosition(h);
    EXPECT_EQ(p.x, c.expected.x - 90);
    EXPECT_EQ(p.y, c.expected.y - 40);
    // The program's own geometry stays the classic one.
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    DestroyWindow(h);
    testing_hooks::ResetPlatform();
    SetUp();
  }
}

// A frame the window manager reports only once the window is mapped moves
// the window then.
TEST_F(FrameTest, AFrameReportedAfterShowingMovesTheWindowOnce) {
  HWND h = CreateWindowExA(0, kTestClass, "t", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 100, 50, 300,
                           200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SdlPosition(h).y, 50 + 22);
  testing_hooks::SetWindowManagerFrame(4, 30, 4, 4);
  Pump();
  POINT p = SdlPosition(h);
  EXPECT_EQ(p.x, 104);
  EXPECT_EQ(p.y, 80);
}

// The caption boxes of the capture frame: close for WS_SYSMENU, and with
// WS_MINIMIZEBOX a minimise box and a greyed maximise box beside it.
TEST_F(FrameTest, CaptureFrameDrawsTheCaptionBoxesTheStyleAsksFor) {
  struct Case {
    DWORD style;
    bool close, minimize, maximize;
  } cases[] = {
      {WS_CAPTION | WS_VISIBLE, false, false, false},
      {WS_CAPTION | WS_SYSMENU | WS_VISIBLE, true, false, false},
      {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, true, true, false},
      {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE, true, true, true},
  };
  const int width = 300;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.style);
    HWND h = CreateWindowExA(0, kTestClass, "", c.style, 0, 0, width, 100, nullptr, nullptr,
                             nullptr, nullptr);
    int w, hh;
    auto px = testing_hooks::CaptureWindow(h, &w, &hh);
    ASSERT_EQ(w, width);
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF; };
    // Frame 3, caption row from y 3; boxes 16 by 14 from y 5, right to left:
    // close at x 279, maximise at 261, minimise at 245.
    const uint32_t black = 0, face = Rgb(GetSysColor(COLOR_3DFACE));
    const uint32_t grey = Rgb(GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(279 + 1, 5 + 1) == face, c.close);                  // close box face
    EXPECT_EQ(at(245 + 6, 5 + 9) == black, c.minimize);              // minimise bar
    EXPECT_EQ(at(261 + 6, 5 + 2), !c.minimize  ? at(261 + 6, 5 + 2)  // maximise top edge
                                  : c.maximize ? black
                                               : grey);
    if (c.minimize && OutDir() != "") {
      testing_hooks::SaveWindowPng(
          h, OutDir() + "/caption-boxes-" + std::to_string(c.maximize) + ".png");
    }
    DestroyWindow(h);
  }
}

}  // namespace
