// Window classes, creation and destruction messages, long values and the
// frame geometry of the window layer.
#include <SDL.h>

#include "platform/win32_fixture.h"
#include "win32/window_internal.h"
#include "win32/window_surface.h"

namespace {

using namespace win32_test;

LONG_PTR userDataAtSize = -1;
LRESULT CALLBACK SizeProbeProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SIZE) userDataAtSize = GetWindowLongPtrA(h, GWLP_USERDATA);
  return RecordingProc(h, m, w, l);
}

LRESULT CALLBACK RefuseCreateProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_CREATE) return -1;
  return RecordingProc(h, m, w, l);
}

class WindowTest : public Win32Test {};

TEST_F(WindowTest, CreationSendsMessagesInOrderBeforeReturning) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SizeProbeProc;
  wc.lpszClassName = "Probe";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND h = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, "probe", "x",
                           WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                           20, 30, 810, 629, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  std::vector<UINT> order = MessagesOf(h, {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE});
  EXPECT_EQ(order, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(userDataAtSize, 0);
  for (const Seen& s : Log()) {
    if (s.hwnd == h && s.message == WM_SIZE) {
      EXPECT_EQ(s.wParam, static_cast<WPARAM>(SIZE_RESTORED));
      EXPECT_EQ(LOWORD(s.lParam), 800);
      EXPECT_EQ(HIWORD(s.lParam), 600);
    }
  }
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
  int dummy = 0;
  SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dummy));
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&dummy));
}

TEST_F(WindowTest, CreateFailures) {
  SetLastError(0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

  WNDCLASSA wc{};
  wc.lpfnWndProc = RefuseCreateProc;
  wc.lpszClassName = "Refuse";
  ASSERT_NE(RegisterClassA(&wc), 0);
  EXPECT_EQ(
      CreateWindowExA(0, "Refuse", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(testing_hooks::CaptureWindow(nullptr, nullptr, nullptr).size(), 0u);
}

TEST_F(WindowTest, ClassNamesAreUniqueWithoutRegardToCase) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "morvanetestwindow";
  SetLastError(0);
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  EXPECT_TRUE(UnregisterClassA("MORVANETESTWINDOW", nullptr));
  EXPECT_NE(RegisterClassA(&wc), 0);
}

struct FrameCase {
  DWORD style, exStyle;
  int outerW, outerH, clientW, clientH;
};

TEST_F(WindowTest, ClientAreaFollowsTheFrameStyles) {
  const DWORD mainStyle = WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const FrameCase cases[] = {
      {mainStyle, WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, 810, 629, 800, 600},
      {WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 800, 600, 800, 600},
      {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 300, 200, 292, 173},
      {WS_POPUP | WS_BORDER, 0, 100, 100, 98, 98},
      {WS_POPUP, WS_EX_DLGMODALFRAME, 100, 100, 94, 94},
      {WS_POPUP, WS_EX_CLIENTEDGE, 100, 100, 96, 96},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.style << " " << c.exStyle);
    HWND h = CreateWindowExA(c.exStyle, kTestClass, "", c.style, 5, 5, c.outerW, c.outerH, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    RECT r;
    ASSERT_TRUE(GetClientRect(h, &r));
    EXPECT_EQ(r.right, c.clientW);
    EXPECT_EQ(r.bottom, c.clientH);
    RECT adj{0, 0, c.clientW, c.clientH};
    AdjustWindowRectEx(&adj, c.style, FALSE, c.exStyle);
    EXPECT_EQ(adj.right - adj.left, c.outerW);
    EXPECT_EQ(adj.bottom - adj.top, c.outerH);
    int sw = 0, sh = 0;
    ASSERT_TRUE(win32::GetClientSize(h, &sw, &sh));
    EXPECT_EQ(sw, c.clientW);
    EXPECT_EQ(sh, c.clientH);
    DestroyWindow(h);
  }
  EXPECT_EQ(GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXDLGFRAME), 5);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
  EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
}

TEST_F(WindowTest, SetWindowPosReportsNewClientSize) {
  HWND h = CreateWindowExA(WS_EX_CLIENTEDGE, kTestClass, "", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                           0, 0, 810, 629, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  Log().clear();
  SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 410, 329, SWP_NOMOVE);
  auto sizes = MessagesOf(h, {WM_SIZE});
  ASSERT_EQ(sizes.size(), 1u);
  for (const Seen& s : Log()) {
    if (s.message == WM_SIZE) {
      EXPECT_EQ(s.lParam, MAKELPARAM(400, 300));
    }
  }
  Log().clear();
  SetWindowPos(h, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(MessagesOf(h, {WM_SIZE}).empty());
  RECT wr;
  GetWindowRect(h, &wr);
  EXPECT_EQ(wr.left, 50);
  EXPECT_EQ(wr.right - wr.left, 410);

  // Restyled to a popup, the same outer size is all client area.
  EXPECT_EQ(static_cast<DWORD>(SetWindowLongA(h, GWL_STYLE, WS_POPUP | WS_VISIBLE)) & WS_CAPTION,
            static_cast<DWORD>(WS_CAPTION));
  SetWindowLongA(h, GWL_EXSTYLE, 0);
  Log().clear();
  SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 800, 600, SWP_SHOWWINDOW);
  RECT cr;
  GetClientRect(h, &cr);
  EXPECT_EQ(cr.right, 800);
  EXPECT_EQ(cr.bottom, 600);
  EXPECT_EQ(MessagesOf(h, {WM_SIZE}).size(), 1u);
  int sw = 0, sh = 0;
  SDL_GetWindowSize(win32::GetWindow(h)->sdl, &sw, &sh);
  EXPECT_EQ(sw, 800);
  EXPECT_EQ(sh, 600);
}

TEST_F(WindowTest, DestroySendsDestroyToChildrenAndInvalidatesHandles) {
  HWND top = Popup(100, 100);
  HWND child = CreateWindowExA(0, kTestClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), top);
  Log().clear();
  EXPECT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> seen;
  for (const Seen& s : Log()) {
    if (s.message == WM_DESTROY || s.message == WM_NCDESTROY) seen.push_back({s.hwnd, s.message});
  }
  std::vector<std::pair<HWND, UINT>> want{
      {top, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(seen, want);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_EQ(GetWindowLongPtrA(child, GWLP_USERDATA), 0);
  EXPECT_EQ(SendMessageA(top, WM_USER, 0, 0), 0);
}

TEST_F(WindowTest, ChildGeometryAndTextRoundTrip) {
  HWND top = CreateWindowExA(0, kTestClass, "Title", WS_CAPTION | WS_VISIBLE, 100, 100, 206, 222,
                             nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExA(0, kTestClass, "c", WS_CHILD | WS_VISIBLE, 15, 25, 40, 12, top,
                               reinterpret_cast<HMENU>(0x1002), nullptr, nullptr);
  EXPECT_EQ(GetDlgItem(top, 0x1002), child);
  EXPECT_EQ(GetWindowLongA(child, GWL_ID), 0x1002);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 100 + 3 + 15);
  EXPECT_EQ(p.y, 100 + 3 + 19 + 25);
  ScreenToClient(top, &p);
  EXPECT_EQ(p.x, 15);
  EXPECT_EQ(p.y, 25);

  char buf[8];
  EXPECT_TRUE(SetWindowTextA(top, "\x90\xdd\x92\xe8"));  // 設定
  EXPECT_EQ(GetWindowTextLengthA(top), 4);
  EXPECT_EQ(GetWindowTextA(top, buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "\x90\xdd\x92\xe8");
  // Too small a buffer never cuts a double-byte character in half.
  EXPECT_EQ(GetWindowTextA(top, buf, 4), 2);
  EXPECT_STREQ(buf, "\x90\xdd");
}

TEST_F(WindowTest, PresentPixelsFillsTheBacking) {
  HWND h = Popup(4, 3);
  std::vector<uint32_t> frame(4 * 3, 0x00112233u);
  frame[5] = 0xFFABCDEFu;  // (1, 1)
  ASSERT_TRUE(win32::PresentPixels(h, frame.data(), 4, 3, 16));
  EXPECT_EQ(PixelAt(h, 0, 0), 0x112233u);
  EXPECT_EQ(PixelAt(h, 1, 1), 0xABCDEFu);
  EXPECT_FALSE(win32::PresentPixels(h, frame.data(), 4, 3, 8));
  EXPECT_FALSE(win32::PresentPixels(nullptr, frame.data(), 4, 3, 16));
}

TEST_F(WindowTest, EnableWindowReturnsPreviousDisabledState) {
  HWND h = Popup(10, 10);
  EXPECT_EQ(EnableWindow(h, FALSE), FALSE);
  EXPECT_FALSE(IsWindowEnabled(h));
  EXPECT_NE(EnableWindow(h, FALSE), FALSE);
  EXPECT_NE(EnableWindow(h, TRUE), FALSE);
  EXPECT_TRUE(IsWindowEnabled(h));
}

}  // namespace
