// Window geometry: frames, client areas, positions, WM_SIZE / WM_MOVE and
// the system metrics that describe the frame.
#include <algorithm>

#include "module_state.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

POINT ClientOriginOnScreen(const Window* w) {
  RECT ca = ClientArea(w);
  POINT p{ca.left, ca.top};
  if (w->parent) {
    if (const Window* parent = GetWindow(w->parent)) {
      POINT pp = ClientOriginOnScreen(parent);
      p.x += pp.x;
      p.y += pp.y;
    }
  }
  return p;
}

}  // namespace

void ReportSizeAndMove(Window* w, bool force) {
  std::map<HWND, RECT>& reported = State().windows.reported;
  HWND h = w->handle;
  RECT ca = ClientArea(w);
  auto it = reported.find(h);
  bool sizeChanged = force || it == reported.end() || Width(it->second) != Width(ca) ||
                     Height(it->second) != Height(ca);
  bool moved =
      force || it == reported.end() || it->second.left != ca.left || it->second.top != ca.top;
  reported[h] = ca;
  if (sizeChanged) {
    SendMessageA(h, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(std::max(0, Width(ca)), std::max(0, Height(ca))));
  }
  if (GetWindow(h) && moved) SendMessageA(h, WM_MOVE, 0, MAKELPARAM(ca.left, ca.top));
  if (!GetWindow(h)) reported.erase(h);
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = 4;
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    frame = 3;
  } else if (style & WS_BORDER) {
    frame = 1;
  }
  if (exStyle & WS_EX_CLIENTEDGE) frame += 2;
  RECT r{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION) r.top += 19;
  return r;
}

RECT ClientArea(const Window* w) {
  RECT in = FrameInsets(w->style, w->exStyle);
  RECT r{w->rect.left + in.left, w->rect.top + in.top, w->rect.right - in.right,
         w->rect.bottom - in.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void ClientInBacking(const Window* w, POINT* origin, RECT* clip) {
  if (!(w->style & WS_CHILD)) {
    RECT ca = ClientArea(w);
    *origin = POINT{0, 0};
    *clip = RECT{0, 0, Width(ca), Height(ca)};
    return;
  }
  const Window* parent = GetWindow(w->parent);
  if (!parent) {
    *origin = POINT{0, 0};
    *clip = RECT{0, 0, 0, 0};
    return;
  }
  POINT po;
  RECT pc;
  ClientInBacking(parent, &po, &pc);
  RECT ca = ClientArea(w);
  origin->x = po.x + ca.left;
  origin->y = po.y + ca.top;
  clip->left = std::max(pc.left, origin->x);
  clip->top = std::max(pc.top, origin->y);
  clip->right = std::min(pc.right, origin->x + Width(ca));
  clip->bottom = std::min(pc.bottom, origin->y + Height(ca));
  if (clip->right < clip->left) clip->right = clip->left;
  if (clip->bottom < clip->top) clip->bottom = clip->top;
}

bool PointInRect(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Called from the event pump when the window manager changed a window.
void ExternalResize(Window* w, int clientWidth, int clientHeight) {
  if (!w) return;
  RECT ca = ClientArea(w);
  if (Width(ca) == clientWidth && Height(ca) == clientHeight) return;
  w->rect.right += clientWidth - Width(ca);
  w->rect.bottom += clientHeight - Height(ca);
  SyncSdlWindow(w);
  HWND h = w->handle;
  ReportSizeAndMove(w, false);
  if ((w = GetWindow(h))) Invalidate(w, true);
}

}  // namespace win32

using namespace win32;

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  if (!rect) return FALSE;
  if (window == kDesktop) {
    int dw, dh;
    DesktopSize(&dw, &dh);
    *rect = RECT{0, 0, dw, dh};
    return TRUE;
  }
  Window* w = GetWindow(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT ca = ClientArea(w);
  *rect = RECT{0, 0, Width(ca), Height(ca)};
  return TRUE;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  if (!rect) return FALSE;
  if (window == kDesktop) return GetClientRect(window, rect);
  Window* w = GetWindow(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = w->rect;
  if (w->parent) {
    if (Window* parent = GetWindow(w->parent)) {
      POINT p = ClientOriginOnScreen(parent);
      rect->left += p.x;
      rect->right += p.x;
      rect->top += p.y;
      rect->bottom += p.y;
    }
  }
  return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT in = FrameInsets(style, exStyle);
  rect->left -= in.left;
  rect->top -= in.top + (menu ? 19 : 0);
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = GetWindow(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT r = w->rect;
  if (!(flags & SWP_NOMOVE)) {
    r.right += x - r.left;
    r.bottom += y - r.top;
    r.left = x;
    r.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(0, cx);
    r.bottom = r.top + std::max(0, cy);
  }
  bool resized = Width(r) != Width(w->rect) || Height(r) != Height(w->rect);
  w->rect = r;
  if (!(flags & SWP_NOZORDER) && IsTopLevel(w)) {
    if (insertAfter == HWND_TOPMOST) {
      w->exStyle |= WS_EX_TOPMOST;
    } else if (insertAfter == HWND_NOTOPMOST) {
      w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    }
    bool top = (w->exStyle & WS_EX_TOPMOST) != 0;
    if (w->sdl && top != w->topmost) SDL_SetWindowAlwaysOnTop(w->sdl, top ? SDL_TRUE : SDL_FALSE);
    w->topmost = top;
  }
  if (IsTopLevel(w)) SyncSdlWindow(w);
  ReportSizeAndMove(w, false);
  if (!(w = GetWindow(window))) return TRUE;
  if (flags & SWP_SHOWWINDOW) {
    ShowWindow(window, SW_SHOW);
  } else if (flags & SWP_HIDEWINDOW) {
    ShowWindow(window, SW_HIDE);
  }
  if (!(w = GetWindow(window))) return TRUE;
  if (IsTopLevel(w)) {
    UpdateFullscreen(w);
    if (resized || (flags & SWP_FRAMECHANGED)) Invalidate(w, true);
  } else if (Window* parent = GetWindow(w->parent)) {
    Invalidate(parent, true);
  }
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  BOOL ok = SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (ok && repaint) InvalidateRect(window, nullptr, TRUE);
  return ok;
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point) {
  Window* w = GetWindow(window);
  if (!w || !point) return FALSE;
  POINT o = ClientOriginOnScreen(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL WINAPI ScreenToClient(HWND window, LPPOINT point) {
  Window* w = GetWindow(window);
  if (!w || !point) return FALSE;
  POINT o = ClientOriginOnScreen(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      int w, h;
      DesktopSize(&w, &h);
      return index == SM_CXSCREEN ? w : h;
    }
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    default: return 0;
  }
}
