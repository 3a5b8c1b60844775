// The values of a window: long values, extra bytes, and its text.
#include <cstring>

#include "text_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

constexpr DWORD kErrorInvalidIndex = 1413;

void ApplySdlTitle(Window* w) {
  if (w->sdl) SDL_SetWindowTitle(w->sdl, ToUtf8(w->text).c_str());
}

LONG_PTR ReadExtra(Window* w, int index, bool* ok) {
  *ok = false;
  if (w->dialog && index == DWLP_MSGRESULT) {
    *ok = true;
    return w->dialog->msgResult;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    *ok = true;
    return v;
  }
  return 0;
}

bool WriteExtra(Window* w, int index, LONG_PTR value, LONG_PTR* old) {
  if (w->dialog && index == DWLP_MSGRESULT) {
    *old = w->dialog->msgResult;
    w->dialog->msgResult = value;
    return true;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
    std::memcpy(old, w->extra.data() + index, sizeof *old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return true;
  }
  return false;
}

// Shared by the LONG and LONG_PTR accessors.
LONG_PTR GetLongValue(HWND h, int index) {
  Window* w = GetWindow(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: {
      bool ok;
      LONG_PTR v = ReadExtra(w, index, &ok);
      if (!ok) SetLastError(kErrorInvalidIndex);
      return v;
    }
  }
}

LONG_PTR SetLongValue(HWND h, int index, LONG_PTR value) {
  Window* w = GetWindow(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      if (value) w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE: {
      old = static_cast<LONG>(w->style);
      DWORD keepChild = w->style & WS_CHILD;  // a window cannot change what it is
      w->style = (static_cast<DWORD>(value) & ~static_cast<DWORD>(WS_CHILD)) | keepChild;
      return old;
    }
    case GWL_EXSTYLE:
      old = static_cast<LONG>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    default:
      if (!WriteExtra(w, index, value, &old)) {
        SetLastError(kErrorInvalidIndex);
        return 0;
      }
      return old;
  }
}

}  // namespace

// Title updates from WM_SETTEXT.
void WindowTextChanged(Window* w) {
  if (IsTopLevel(w)) ApplySdlTitle(w);
}

}  // namespace win32

using namespace win32;

LONG WINAPI GetWindowLongA(HWND window, int index) {
  return static_cast<LONG>(GetLongValue(window, index));
}
LONG WINAPI SetWindowLongA(HWND window, int index, LONG value) {
  return static_cast<LONG>(SetLongValue(window, index, value));
}
LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) { return GetLongValue(window, index); }
LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  return SetLongValue(window, index, value);
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  if (!GetWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                         : FALSE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = '\0';
  if (!GetWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                       reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthA(HWND window) {
  Window* w = GetWindow(window);
  return w ? static_cast<int>(w->text.size()) : 0;
}
