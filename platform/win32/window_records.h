// Internal to platform/win32: the records behind HWND and a window class.
// Plain data; the handle table (window_internal.h) owns the windows and the
// module state (module_state.h) holds the table. Main thread only.
#ifndef MORVANE_PLATFORM_WIN32_WINDOW_RECORDS_H
#define MORVANE_PLATFORM_WIN32_WINDOW_RECORDS_H

#include <windows.h>

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

namespace win32 {

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool builtin = false;
};

// What a built-in control or dialog keeps besides the common fields.
struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  LONG_PTR msgResult = 0;  // DWLP_MSGRESULT
  HFONT font = nullptr;    // owned: created from the template
  int baseX = 8;           // dialog base units in pixels
  int baseY = 16;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // WS_CHILD windows only
  HWND owner = nullptr;   // top-level windows created with a parent
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<unsigned char> extra;
  std::string text;  // CP932 bytes
  RECT rect{};       // screen coordinates, or parent client coordinates for children
  HFONT font = nullptr;
  std::vector<HWND> children;  // creation order (first = bottom of the paint order)

  bool needsPaint = false;
  bool needsErase = false;
  bool destroying = false;
  bool topmost = false;
  bool fullscreen = false;
  bool framePlaced = false;  // placed inside a frame the window manager reported

  // Top-level windows only.
  SDL_Window* sdl = nullptr;
  SDL_Surface* backing = nullptr;  // ARGB8888, client size

  // BUTTON controls.
  int check = BST_UNCHECKED;
  bool pressed = false;

  std::unique_ptr<DialogState> dialog;  // "#32770" windows
  bool messageBox = false;
};

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_WINDOW_RECORDS_H
