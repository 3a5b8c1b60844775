// The main window: an 800 by 600 client area, or the whole 800 by 600
// display in full screen, and its window procedure.
#include "app/app.h"
#include "app/strings.h"

namespace {

constexpr DWORD kMainStyle =
    WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;

// Outer size that gives an 800 by 600 client area for the main window's
// framed styles.
int FramedWidth() {
  return kFrameWidth + 2 * (GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXDLGFRAME));
}
int FramedHeight() {
  return kFrameHeight + 2 * (GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYDLGFRAME)) +
         GetSystemMetrics(SM_CYCAPTION);
}

// The first 800 by 600 mode of the primary display, whatever its depth and
// refresh rate; false when the display lists none.
bool FindFrameSizeMode(DEVMODEA* mode) {
  for (DWORD i = 0;; ++i) {
    *mode = DEVMODEA{};
    mode->dmSize = sizeof(DEVMODEA);
    if (!EnumDisplaySettingsA(nullptr, i, mode)) return false;
    if (mode->dmPelsWidth == kFrameWidth && mode->dmPelsHeight == kFrameHeight) return true;
  }
}

}  // namespace

int CreateMainWindow(BenchmarkApp* app, HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = 0;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MAINICON");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_MENU);
  wc.lpszMenuName = "";
  wc.lpszClassName = kMainWindowClass;
  if (RegisterClassA(&wc) == 0) return 0;

  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  const int width = FramedWidth();
  const int height = FramedHeight();
  const int x = (desktop.right - width) / 2;
  const int y = (desktop.bottom - height) / 2;

  app->window =
      CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, kMainWindowClass, kMainWindowTitle,
                      kMainStyle, x, y, width, height, nullptr, nullptr, instance, nullptr);
  if (app->window == nullptr) return 0;
  SetWindowLongPtrA(app->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));

  if (app->windowed != 0) return 1;

  // Full screen: the display switches to 800 by 600 (depth and refresh rate
  // left as they are) and a borderless window covers it.
  DEVMODEA mode;
  if (!FindFrameSizeMode(&mode)) return 0;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 0;

  SetWindowLongA(app->window, GWL_EXSTYLE, 0);
  SetWindowLongA(app->window, GWL_STYLE, static_cast<LONG>(kFullScreenStyle));
  SetWindowPos(app->window, HWND_NOTOPMOST, 0, 0, kFrameWidth, kFrameHeight, SWP_SHOWWINDOW);
  return 1;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY: PostQuitMessage(0); break;
    case WM_SIZE: {
      // The window keeps its size: anything that changes both client
      // dimensions away from 800 by 600 is set back.
      auto* app = reinterpret_cast<BenchmarkApp*>(GetWindowLongPtrA(window, GWLP_USERDATA));
      if (app == nullptr) break;  // still inside CreateWindowExA
      if (LOWORD(lParam) == kFrameWidth || HIWORD(lParam) == kFrameHeight) break;
      if (app->windowed == 1)
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, FramedWidth(), FramedHeight(), SWP_NOMOVE);
      else
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, kFullScreenSetBackWidth,
                     kFullScreenSetBackHeight, SWP_NOMOVE);
      break;
    }
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
