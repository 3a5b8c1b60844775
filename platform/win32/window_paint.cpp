// Visibility and painting: showing windows, invalidation, WM_PAINT, and the
// backing surfaces of top-level windows that the SDL windows show.
#include <algorithm>

#include "canvas_internal.h"
#include "message_internal.h"
#include "sdl_error.h"
#include "video_internal.h"
#include "window_internal.h"
#include "window_surface.h"

namespace win32 {
namespace {

void ShowTopLevel(Window* w, bool show, bool activate) {
  if (!w->sdl) return;
  if (show) {
    SDL_ShowWindow(w->sdl);
    if (!w->fullscreen) PlaceSdlWindow(w);
    if (activate) SetActiveWindow(w->handle);
  } else {
    SDL_HideWindow(w->sdl);
  }
}

}  // namespace

SDL_Surface* NewBacking(int w, int h) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, std::max(1, w), std::max(1, h), 32,
                                                  SDL_PIXELFORMAT_ARGB8888);
  if (s)
    SDL_FillRect(s, nullptr, 0xFFFFFFFFu);
  else
    platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormat");
  return s;
}

void EraseBackground(Window* w) {
  if (!w || !w->cls || !w->cls->background) return;
  bool valid = false;
  COLORREF color = BrushColor(w->cls->background, &valid);
  if (!valid) return;
  Canvas c;
  if (!CanvasForWindow(w->handle, &c)) return;
  FillCanvas(c, RECT{-c.ox, -c.oy, c.surface->w - c.ox, c.surface->h - c.oy}, color);
}

void Present(Window* top) {
  if (!top || !top->sdl || !top->backing || !(top->style & WS_VISIBLE)) return;
  SDL_Surface* screen = SDL_GetWindowSurface(top->sdl);
  if (!screen) return;
  SDL_SetSurfaceBlendMode(top->backing, SDL_BLENDMODE_NONE);
  SDL_BlitSurface(top->backing, nullptr, screen, nullptr);
  SDL_UpdateWindowSurface(top->sdl);
}

void Invalidate(Window* w, bool erase) {
  if (!w) return;
  w->needsPaint = true;
  if (erase && IsWindowVisible(w->handle)) EraseBackground(w);
  // Covered children must be drawn again over what was erased.
  if (erase) {
    for (HWND k : w->children) {
      if (Window* kw = GetWindow(k); kw && (kw->style & WS_VISIBLE)) Invalidate(kw, true);
    }
  }
}

static void PaintChildren(Window* w) {
  std::vector<HWND> kids = w->children;
  for (HWND k : kids) {
    Window* kw = GetWindow(k);
    if (!kw || !(kw->style & WS_VISIBLE)) continue;
    EraseBackground(kw);
    kw->needsPaint = true;
    SendMessageA(k, WM_PAINT, 0, 0);
    if ((kw = GetWindow(k))) {
      kw->needsPaint = false;
      PaintChildren(kw);
    }
  }
}

void AfterTopLevelPaint(Window* top) {
  if (!top) return;
  HWND h = top->handle;
  PaintChildren(top);
  if ((top = GetWindow(h))) Present(top);
}

void PaintNow(Window* w) {
  if (!w || !IsWindowVisible(w->handle)) return;
  HWND h = w->handle;
  EraseBackground(w);
  w->needsPaint = true;
  SendMessageA(h, WM_PAINT, 0, 0);
  if (!(w = GetWindow(h))) return;
  w->needsPaint = false;
  PaintChildren(w);
  if ((w = GetWindow(h))) Present(TopLevelOf(w));
}

void SyncSdlWindow(Window* w) {
  if (!w || !w->sdl) return;
  RECT ca = ClientArea(w);
  int cw = std::max(1, Width(ca)), ch = std::max(1, Height(ca));
  if (!w->fullscreen) {
    SDL_SetWindowBordered(w->sdl, (w->style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(w->sdl, (w->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    PlaceSdlWindow(w);
    SDL_SetWindowSize(w->sdl, cw, ch);
  } else if (!(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN)) {
    // Full screen as a borderless window over the display: it takes the
    // size its owner gives it, as a full-screen window does on Windows.
    SDL_SetWindowPosition(w->sdl, ca.left, ca.top);
    SDL_SetWindowSize(w->sdl, cw, ch);
  }
  if (!w->backing || w->backing->w != cw || w->backing->h != ch) {
    SDL_Surface* fresh = NewBacking(cw, ch);
    if (fresh) {
      if (w->backing) {
        SDL_SetSurfaceBlendMode(w->backing, SDL_BLENDMODE_NONE);
        SDL_BlitSurface(w->backing, nullptr, fresh, nullptr);
        SDL_FreeSurface(w->backing);
      }
      w->backing = fresh;
    }
  }
}

bool GetClientSize(HWND window, int* width, int* height) {
  Window* w = GetWindow(window);
  if (!w || !IsTopLevel(w) || !w->backing) return false;
  if (width) *width = w->backing->w;
  if (height) *height = w->backing->h;
  return true;
}

bool PresentPixels(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes) {
  Window* w = GetWindow(window);
  if (!w || !IsTopLevel(w) || !w->backing || !pixels || width <= 0 || height <= 0 ||
      pitchBytes < width * 4) {
    return false;
  }
  SDL_Surface* b = w->backing;
  int cw = std::min(width, b->w), chh = std::min(height, b->h);
  if (SDL_MUSTLOCK(b)) SDL_LockSurface(b);
  for (int y = 0; y < chh; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(
        reinterpret_cast<const unsigned char*>(pixels) + static_cast<size_t>(y) * pitchBytes);
    uint32_t* dst = reinterpret_cast<uint32_t*>(static_cast<unsigned char*>(b->pixels) +
                                                static_cast<size_t>(y) * b->pitch);
    for (int x = 0; x < cw; ++x) dst[x] = src[x] | 0xFF000000u;
  }
  if (SDL_MUSTLOCK(b)) SDL_UnlockSurface(b);
  Present(w);
  return true;
}

}  // namespace win32

using namespace win32;

BOOL WINAPI IsWindowVisible(HWND window) {
  if (window == kDesktop) return TRUE;
  Window* w = GetWindow(window);
  while (w) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD)) return TRUE;
    w = GetWindow(w->parent);
  }
  return FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  Window* w = GetWindow(window);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND window, int cmdShow) {
  Window* w = GetWindow(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool was = (w->style & WS_VISIBLE) != 0;
  bool show = cmdShow != SW_HIDE;
  if (show == was) return was ? TRUE : FALSE;
  SendMessageA(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!(w = GetWindow(window))) return was;
  if (show) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~static_cast<DWORD>(WS_VISIBLE);
  }
  if (IsTopLevel(w)) {
    ShowTopLevel(w, show, true);
    UpdateFullscreen(w);
    if (show) Invalidate(w, true);
  } else if (show) {
    Invalidate(w, true);
  } else if (Window* parent = GetWindow(w->parent)) {
    Invalidate(parent, true);
  }
  return was ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND window) {
  Window* w = GetWindow(window);
  if (!w) return FALSE;
  if (w->needsPaint && IsWindowVisible(window)) {
    SendMessageA(window, WM_PAINT, 0, 0);
    if ((w = GetWindow(window)) && IsTopLevel(w)) AfterTopLevelPaint(w);
  }
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND window, const RECT*, BOOL erase) {
  Window* w = GetWindow(window);
  if (!w) return window == nullptr ? TRUE : FALSE;
  Invalidate(w, erase != FALSE);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT*) {
  Window* w = GetWindow(window);
  if (!w) return FALSE;
  w->needsPaint = false;
  return TRUE;
}
