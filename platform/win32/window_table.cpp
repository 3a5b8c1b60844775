// The HWND table: creating and destroying windows, their SDL windows,
// activation, focus and the parent and owner links.
#include <algorithm>
#include <mutex>

#include "canvas_internal.h"
#include "message_internal.h"
#include "module_state.h"
#include "sdl_error.h"
#include "text_internal.h"
#include "video_internal.h"
#include "win32/allocation_faults.h"
#include "window_internal.h"

namespace win32 {
namespace {

WindowsState& Windows() { return State().windows; }

constexpr DWORD kErrorTopLevelChild = 1406;

void ApplySdlIcon(Window* w) {
  if (!w->sdl || !w->cls) return;
  if (SDL_Surface* icon = IconSurface(w->cls->icon, 32)) SDL_SetWindowIcon(w->sdl, icon);
}

bool CreateSdlWindow(Window* w) {
  RECT ca = ClientArea(w);
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if ((w->style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
  if (w->style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if (w->exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  w->sdl = SDL_CreateWindow(ToUtf8(w->text).c_str(), ca.left, ca.top, std::max(1, Width(ca)),
                            std::max(1, Height(ca)), flags);
  if (!w->sdl) return platform::ReportSdlFailure("SDL_CreateWindow");
  w->backing = NewBacking(Width(ca), Height(ca));
  if (!w->backing) return false;
  w->topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
  ApplySdlIcon(w);
  return true;
}

void FreeWindowResources(Window* w) {
  if (w->backing) SDL_FreeSurface(w->backing);
  w->backing = nullptr;
  if (w->sdl) SDL_DestroyWindow(w->sdl);
  w->sdl = nullptr;
  if (w->dialog && w->dialog->font) DeleteObject(w->dialog->font);
}

void Unlink(Window* w) {
  HWND h = w->handle;
  if (Window* parent = GetWindow(w->parent)) {
    auto& c = parent->children;
    c.erase(std::remove(c.begin(), c.end(), h), c.end());
  }
  Windows().topLevelOrder.erase(
      std::remove(Windows().topLevelOrder.begin(), Windows().topLevelOrder.end(), h),
      Windows().topLevelOrder.end());
  if (Windows().focus == h) Windows().focus = nullptr;
  if (MouseCapture() == h) SetMouseCapture(nullptr);
  if (Windows().active == h) {
    Windows().active = nullptr;
    // Activation passes to the owner, else to the newest visible window.
    if (Window* owner = GetWindow(w->owner); owner && !owner->destroying) {
      Windows().active = owner->handle;
    } else {
      for (auto it = Windows().topLevelOrder.rbegin(); it != Windows().topLevelOrder.rend(); ++it) {
        Window* o = GetWindow(*it);
        if (o && !o->destroying && (o->style & WS_VISIBLE)) {
          Windows().active = *it;
          break;
        }
      }
    }
  }
}

void Erase(HWND h) {
  Windows().reported.erase(h);
  std::lock_guard<std::mutex> lock(State().tableMutex);
  Windows().table.erase(reinterpret_cast<uintptr_t>(h));
}

void DestroyRecursive(HWND h) {
  Window* w = GetWindow(h);
  if (!w) return;
  SendMessageA(h, WM_DESTROY, 0, 0);
  w = GetWindow(h);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND k : kids) {
    if (Window* kw = GetWindow(k)) kw->destroying = true;
    DestroyRecursive(k);
  }
  SendMessageA(h, WM_NCDESTROY, 0, 0);
  w = GetWindow(h);
  if (!w) return;
  Unlink(w);
  FreeWindowResources(w);
  Erase(h);
}

}  // namespace

Window* GetWindow(HWND handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(State().tableMutex);
  auto it = Windows().table.find(reinterpret_cast<uintptr_t>(handle));
  return it == Windows().table.end() ? nullptr : it->second.get();
}

bool IsTopLevel(const Window* w) { return w && !(w->style & WS_CHILD); }

Window* TopLevelOf(Window* w) {
  while (w && (w->style & WS_CHILD)) w = GetWindow(w->parent);
  return w;
}

std::vector<HWND> AllTopLevelWindows() { return Windows().topLevelOrder; }

HWND ActiveWindow() { return GetWindow(Windows().active) ? Windows().active : nullptr; }

void SetActiveWindow(HWND window) {
  Window* w = TopLevelOf(GetWindow(window));
  HWND h = w ? w->handle : nullptr;
  if (h == Windows().active) return;
  HWND old = Windows().active;
  Windows().active = h;
  if (GetWindow(old)) SendMessageA(old, WM_ACTIVATE, 0, reinterpret_cast<LPARAM>(h));
  if (h && GetWindow(h)) {
    SendMessageA(h, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(old));
    if (Window* again = GetWindow(h); again && again->sdl && (again->style & WS_VISIBLE)) {
      SDL_RaiseWindow(again->sdl);
    }
  }
}

bool IsDescendant(HWND window, HWND ancestor) {
  Window* w = GetWindow(window);
  while (w) {
    if (w->handle == ancestor) return true;
    if (!(w->style & WS_CHILD)) return false;
    w = GetWindow(w->parent);
  }
  return false;
}

void DestroyAllWindowsSilently() {
  std::vector<Window*> all;
  {
    std::lock_guard<std::mutex> lock(State().tableMutex);
    for (auto& [handle, w] : Windows().table) all.push_back(w.get());
  }
  // The table lock is never held across calls out of the table.
  for (Window* w : all) FreeWindowResources(w);
}

}  // namespace win32

using namespace win32;

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  std::shared_ptr<WindowClass> cls =
      className ? FindClass(IS_INTRESOURCE(className) ? ClassKey(className) : className) : nullptr;
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (parent == kDesktop) parent = nullptr;
  if (parent && !GetWindow(parent)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((style & WS_CHILD) && !parent) {
    SetLastError(kErrorTopLevelChild);
    return nullptr;
  }
  bool child = (style & WS_CHILD) != 0;
  // Overlapped windows always have a caption.
  if (!child && !(style & WS_POPUP)) style |= WS_CAPTION | WS_CLIPSIBLINGS;
  if ((!child && !EnsureVideo()) || win32::AllocationFails("CreateWindowExA")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  auto owned = std::make_unique<Window>();
  Window* w = owned.get();
  w->cls = cls;
  w->proc = cls->proc;
  w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
  w->exStyle = exStyle;
  w->instance = instance;
  w->text = windowName ? windowName : "";
  w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
  if (child) {
    w->parent = parent;
    w->id = reinterpret_cast<LONG_PTR>(menu);
  } else {
    w->owner = parent ? TopLevelOf(GetWindow(parent))->handle : nullptr;
  }
  if (x == CW_USEDEFAULT) x = child ? 0 : 64, y = child ? 0 : 64;
  if (width == CW_USEDEFAULT) width = child ? 0 : 640, height = child ? 0 : 480;
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};

  HWND h;
  {
    std::lock_guard<std::mutex> lock(State().tableMutex);
    h = reinterpret_cast<HWND>(Windows().nextHandle);
    Windows().nextHandle += 4;
    w->handle = h;
    Windows().table.emplace(reinterpret_cast<uintptr_t>(h), std::move(owned));
  }
  if (child) {
    GetWindow(parent)->children.push_back(h);
  } else {
    Windows().topLevelOrder.push_back(h);
    if (!CreateSdlWindow(w)) {
      Unlink(w);
      FreeWindowResources(w);
      Erase(h);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }

  CREATESTRUCTA cs{
      param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  if (!SendMessageA(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !GetWindow(h)) {
    DestroyWindow(h);
    return nullptr;
  }
  if (SendMessageA(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !GetWindow(h)) {
    DestroyWindow(h);
    return nullptr;
  }
  if ((w = GetWindow(h))) ReportSizeAndMove(w, true);
  if (!GetWindow(h)) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return GetWindow(h) ? h : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
  Window* w = GetWindow(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;
  bool wasVisible = IsWindowVisible(window);
  Window* top = TopLevelOf(w);
  HWND topHandle = top ? top->handle : nullptr;
  if (w->sdl) SDL_HideWindow(w->sdl);
  // Owned windows go first, as on Windows.
  if (IsTopLevel(w)) {
    for (HWND o : AllTopLevelWindows()) {
      Window* ow = GetWindow(o);
      if (ow && ow->owner == window) DestroyWindow(o);
    }
  }
  DestroyRecursive(window);
  if (topHandle != window && wasVisible) {
    if (Window* t = GetWindow(topHandle)) Invalidate(t, true);
  }
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
  return (window == kDesktop || GetWindow(window)) ? TRUE : FALSE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  Window* w = GetWindow(window);
  if (!w) return FALSE;
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
  if (enable) {
    w->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    w->style |= WS_DISABLED;
    if (Windows().focus && IsDescendant(Windows().focus, window)) Windows().focus = nullptr;
    if (MouseCapture() && IsDescendant(MouseCapture(), window)) SetMouseCapture(nullptr);
  }
  SendMessageA(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  if ((w = GetWindow(window)) && !IsTopLevel(w)) Invalidate(w, true);
  return wasDisabled ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND window) {
  Window* w = GetWindow(window);
  if (!w) return nullptr;
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Window* w = GetWindow(dialog);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (HWND k : w->children) {
    Window* kw = GetWindow(k);
    if (kw && static_cast<int>(kw->id) == id) return k;
  }
  return nullptr;
}

HWND WINAPI GetDesktopWindow(void) { return kDesktop; }

HWND WINAPI GetActiveWindow(void) { return ActiveWindow(); }

HWND WINAPI SetFocus(HWND window) {
  HWND old = GetWindow(Windows().focus) ? Windows().focus : nullptr;
  if (window && !GetWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (window == old) return old;
  Windows().focus = window;
  if (old) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window && GetWindow(window)) {
    SetActiveWindow(window);
    SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return old;
}

HWND WINAPI GetFocus(void) { return GetWindow(Windows().focus) ? Windows().focus : nullptr; }
