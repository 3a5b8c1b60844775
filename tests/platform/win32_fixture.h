// Shared set-up for the window-layer tests: a clean platform per test, a
// recording window class, and helpers to pump the queue and read pixels.
#ifndef MORVANE_TESTS_PLATFORM_WIN32_FIXTURE_H
#define MORVANE_TESTS_PLATFORM_WIN32_FIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testing.h"

namespace win32_test {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message reaching RecordingProc, in order.
inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back(Seen{h, m, w, l});
  return DefWindowProcA(h, m, w, l);
}

inline std::vector<UINT> MessagesOf(HWND h, std::initializer_list<UINT> only) {
  std::vector<UINT> out;
  for (const Seen& s : Log()) {
    if (s.hwnd != h) continue;
    for (UINT m : only) {
      if (m == s.message) out.push_back(m);
    }
  }
  return out;
}

inline const char* kTestClass = "MorvaneTestWindow";

class Win32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_hooks::ResetPlatform();
    testing_hooks::UseVirtualClock(1000);
    Log().clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_MENU);
    wc.lpszClassName = kTestClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    testing_hooks::ResetPlatform();
    testing_hooks::UseRealClock();
  }

  // A visible popup whose window rect is its client area.
  HWND Popup(int w, int h, int x = 10, int y = 10) {
    return CreateWindowExA(0, kTestClass, "t", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                           nullptr, nullptr);
  }

  // Dispatches everything queued (input, posted, paints), without waiting.
  static void Pump() {
    MSG m;
    for (int guard = 0; guard < 1000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        return;
      }
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }

  static uint32_t PixelAt(HWND h, int x, int y) {
    int w = 0, hh = 0;
    std::vector<uint32_t> px = testing_hooks::CaptureWindow(h, &w, &hh);
    if (x < 0 || y < 0 || x >= w || y >= hh) return 0;
    return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
  }

  static uint32_t Rgb(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

  // Folder for images a person should look at, if the run asks for them.
  static std::string OutDir() {
    const char* d = std::getenv("MORVANE_TEST_OUT");
    if (!d || !*d) return {};
    std::string cmd = std::string("mkdir -p '") + d + "'";
    if (std::system(cmd.c_str()) != 0) return {};
    return d;
  }
};

}  // namespace win32_test

#endif  // MORVANE_TESTS_PLATFORM_WIN32_FIXTURE_H
