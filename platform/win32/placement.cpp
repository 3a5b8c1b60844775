// Where a top-level window's SDL window goes on the screen. The program
// places a window by its outer rectangle (frame included). SDL places the
// client area, and a window manager draws its own frame around it, so the
// client goes as far inside the outer rectangle as that frame is thick: the
// frame, not the client, then sits where the program put the window. Where
// the window manager reports no frame (no window manager, headless drivers,
// borderless windows) the client goes where the classic frame would put it.
#include <optional>

#include "module_state.h"
#include "testing.h"
#include "window_internal.h"

namespace win32 {
namespace {

// The window manager's frame around w's client area; false when unknown.
bool ManagerFrame(Window* w, int* left, int* top) {
  if (w->fullscreen || (w->style & WS_CAPTION) != WS_CAPTION) return false;
  if (const std::optional<RECT>& fake = State().display.fakeFrame) {
    *left = fake->left;
    *top = fake->top;
    return true;
  }
  int t = 0, l = 0, b = 0, r = 0;
  if (SDL_GetWindowBordersSize(w->sdl, &t, &l, &b, &r) != 0) return false;
  if (t == 0 && l == 0 && b == 0 && r == 0) return false;
  *left = l;
  *top = t;
  return true;
}

}  // namespace

void PlaceSdlWindow(Window* w) {
  if (!w || !w->sdl) return;
  int left = 0, top = 0;
  if (ManagerFrame(w, &left, &top)) {
    SDL_SetWindowPosition(w->sdl, w->rect.left + left, w->rect.top + top);
    w->framePlaced = true;
  } else {
    RECT ca = ClientArea(w);
    SDL_SetWindowPosition(w->sdl, ca.left, ca.top);
  }
}

void PlaceFramesOnceKnown() {
  // A window manager reports its frame only after it has mapped the window.
  for (HWND h : AllTopLevelWindows()) {
    Window* w = GetWindow(h);
    if (!w || w->framePlaced || !w->sdl || !(w->style & WS_VISIBLE)) continue;
    int left, top;
    if (ManagerFrame(w, &left, &top)) PlaceSdlWindow(w);
  }
}

}  // namespace win32

namespace testing_hooks {

void SetWindowManagerFrame(int left, int top, int right, int bottom) {
  win32::State().display.fakeFrame = RECT{left, top, right, bottom};
}

SDL_Window* SdlWindowOf(HWND window) {
  win32::Window* w = win32::GetWindow(window);
  return w && win32::IsTopLevel(w) ? w->sdl : nullptr;
}

}  // namespace testing_hooks
