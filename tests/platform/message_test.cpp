// The message queue: retrieval order, PM_NOREMOVE, WM_QUIT, sent messages,
// the idle handler, injected input and default window processing.
#include <SDL.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include "platform/win32_fixture.h"

namespace {

using namespace win32_test;

class MessageTest : public Win32Test {};

TEST_F(MessageTest, PeekWithoutRemoveThenGetReturnsTheSameMessage) {
  HWND h = Popup(10, 10);
  Pump();
  ASSERT_TRUE(PostMessageA(h, WM_USER + 1, 11, 12));
  ASSERT_TRUE(PostMessageA(h, WM_USER + 2, 21, 22));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(m.wParam, 11u);
  EXPECT_EQ(m.lParam, 12);
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, QuitComesAfterPostedMessagesAndEndsGetMessage) {
  HWND h = Popup(10, 10);
  Pump();
  PostQuitMessage(7);
  PostMessageA(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, FiltersAndInvalidWindow) {
  HWND a = Popup(10, 10);
  HWND b = Popup(10, 10);
  Pump();
  PostMessageA(a, WM_USER + 1, 0, 0);
  PostMessageA(b, WM_USER + 2, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER + 2, WM_USER + 5, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 1, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  DestroyWindow(b);
  EXPECT_EQ(GetMessageA(&m, b, 0, 0), -1);
  EXPECT_FALSE(PostMessageA(b, WM_USER, 0, 0));
}

TEST_F(MessageTest, SendMessageCallsTheProcedureAtOnce) {
  HWND h = Popup(10, 10);
  Log().clear();
  SendMessageA(h, WM_USER + 3, 5, 6);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].message, static_cast<UINT>(WM_USER + 3));
  EXPECT_EQ(Log()[0].wParam, 5u);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 10, PM_NOREMOVE));
}

TEST_F(MessageTest, GetMessageCallsTheIdleHandlerWhenEmpty) {
  HWND h = Popup(10, 10);
  Pump();
  int calls = 0;
  HWND seenActive = nullptr;
  testing_hooks::SetIdleHandler([&](HWND active) {
    ++calls;
    seenActive = active;
    PostMessageA(h, WM_USER + 9, 0, 0);
  });
  MSG m;
  ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 9));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seenActive, h);
  int peeks = 0;
  testing_hooks::SetPeekHandler([&] { ++peeks; });
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(peeks, 1);
}

TEST_F(MessageTest, PaintComesLastAndDispatchValidates) {
  HWND h = Popup(10, 10);
  PostMessageA(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageA(&m);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  InvalidateRect(h, nullptr, TRUE);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(ValidateRect(h, nullptr));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageTest, InjectedClickReachesTheChildUnderThePoint) {
  HWND top = Popup(200, 100);
  HWND child = CreateWindowExA(0, kTestClass, "", WS_CHILD | WS_VISIBLE, 50, 20, 40, 30, top,
                               nullptr, nullptr, nullptr);
  Pump();
  Log().clear();
  testing_hooks::InjectClick(60, 25);
  testing_hooks::InjectClick(5, 6);
  Pump();
  std::vector<Seen> clicks;
  for (const Seen& s : Log()) {
    if (s.message == WM_LBUTTONDOWN || s.message == WM_LBUTTONUP) clicks.push_back(s);
  }
  ASSERT_EQ(clicks.size(), 4u);
  EXPECT_EQ(clicks[0].hwnd, child);
  EXPECT_EQ(clicks[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(clicks[0].lParam, MAKELPARAM(10, 5));
  EXPECT_EQ(clicks[1].message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(clicks[2].hwnd, top);
  EXPECT_EQ(clicks[2].lParam, MAKELPARAM(5, 6));

  // A disabled child lets the click fall to its parent.
  EnableWindow(child, FALSE);
  Log().clear();
  testing_hooks::InjectClick(60, 25);
  Pump();
  EXPECT_TRUE(MessagesOf(child, {WM_LBUTTONDOWN}).empty());
  EXPECT_EQ(MessagesOf(top, {WM_LBUTTONDOWN}).size(), 1u);
}

TEST_F(MessageTest, InjectedKeysTranslateAndSetKeyState) {
  HWND h = Popup(10, 10);
  Pump();
  Log().clear();
  testing_hooks::InjectKey('A');
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(m.wParam, static_cast<WPARAM>('A'));
  EXPECT_LT(GetKeyState('A'), 0);
  TranslateMessage(&m);
  DispatchMessageA(&m);
  Pump();
  EXPECT_GE(GetKeyState('A'), 0);
  auto order = MessagesOf(h, {WM_KEYDOWN, WM_CHAR, WM_KEYUP});
  EXPECT_EQ(order, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  for (const Seen& s : Log()) {
    if (s.message == WM_CHAR) {
      EXPECT_EQ(s.wParam, static_cast<WPARAM>('a'));
    }
  }
  testing_hooks::SetKeyDown(VK_ESCAPE, true);
  EXPECT_LT(GetKeyState(VK_ESCAPE), 0);
  EXPECT_LT(GetAsyncKeyState(VK_ESCAPE), 0);
  testing_hooks::ClearKeys();
  EXPECT_EQ(GetKeyState(VK_ESCAPE), 0);
}

// As on Windows, the close command and Alt+F4 reach WM_CLOSE whether or not
// the window shows a close box (a full-screen popup has none), and so does
// the window manager's close; default WM_CLOSE processing destroys.
TEST_F(MessageTest, CloseRequestsReachWmCloseWithOrWithoutASystemMenu) {
  const DWORD styles[] = {WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_CAPTION | WS_VISIBLE,
                          WS_POPUP | WS_VISIBLE};
  enum Request { kSysCommand, kAltF4, kManagerClose };
  for (DWORD style : styles) {
    for (Request request : {kSysCommand, kAltF4, kManagerClose}) {
      SCOPED_TRACE(testing::Message() << std::hex << style << " request " << request);
      HWND h = CreateWindowExA(0, kTestClass, "", style, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                               nullptr);
      ASSERT_NE(h, nullptr);
      Log().clear();
      if (request == kSysCommand) {
        SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
      } else if (request == kAltF4) {
        SendMessageA(h, WM_SYSKEYDOWN, VK_F4, 1 << 29);
      } else {
        SDL_Event e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        e.window.windowID = SDL_GetWindowID(testing_hooks::SdlWindowOf(h));
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        Pump();
      }
      EXPECT_EQ(MessagesOf(h, {WM_CLOSE, WM_DESTROY}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
      EXPECT_FALSE(IsWindow(h));
      Pump();
    }
  }
}

// The kernel runs a process-directed signal on whichever thread it picks (a
// raster worker, the music thread). The main thread reads the flag while the
// handler sets it, so the two must not race, and the interrupted thread's
// errno must come back as it was.
TEST_F(MessageTest, AStopSignalTakenOnAnotherThreadClosesTheWindow) {
  HWND h = Popup(100, 100);  // the layer's handlers are in once video runs
  Pump();
  Log().clear();
  int errnoAfter = 0;
  std::thread other([&errnoAfter] {
    errno = EDOM;
    std::raise(SIGTERM);
    errnoAfter = errno;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (testing_hooks::StopSignal() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  other.join();
  EXPECT_EQ(testing_hooks::StopSignal(), SIGTERM);
  EXPECT_EQ(errnoAfter, EDOM);
  Pump();
  EXPECT_EQ(MessagesOf(h, {WM_CLOSE}).size(), 1u);
  EXPECT_FALSE(IsWindow(h));
}

// Messages posted from another thread carry the cursor position that clicks
// on the main thread keep moving; every one arrives, stamped with a position
// the cursor really had.
TEST_F(MessageTest, MessagesPostedFromAnotherThreadWhileClicksMoveTheCursor) {
  HWND h = Popup(100, 100, 10, 10);
  Pump();
  Log().clear();
  constexpr int kPosts = 200;
  std::thread poster([h] {
    for (int i = 0; i < kPosts; ++i) PostMessageA(h, WM_USER, static_cast<WPARAM>(i), 0);
  });
  std::vector<MSG> posted;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (posted.size() < static_cast<size_t>(kPosts) &&
         std::chrono::steady_clock::now() < deadline) {
    testing_hooks::InjectClick(static_cast<int>(posted.size() % 2) * 20 + 5, 7);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_USER) posted.push_back(m);
      DispatchMessageA(&m);
    }
  }
  poster.join();
  ASSERT_EQ(posted.size(), static_cast<size_t>(kPosts));
  for (int i = 0; i < kPosts; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(posted[i].wParam, static_cast<WPARAM>(i));
    // Screen positions: the client's origin is (10, 10); before the first
    // click the cursor is at the origin of the screen.
    const POINT pt = posted[i].pt;
    const bool known = (pt.x == 0 && pt.y == 0) || ((pt.x == 15 || pt.x == 35) && pt.y == 17);
    EXPECT_TRUE(known) << pt.x << "," << pt.y;
  }
}

}  // namespace
