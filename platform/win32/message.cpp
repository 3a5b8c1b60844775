// The thread's message queue: posted messages, WM_QUIT, input translated from
// SDL events and from the test hooks, and WM_PAINT for invalid windows, in
// that retrieval order; plus DefWindowProcA.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "message_internal.h"
#include "module_state.h"
#include "testing.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

QueueState& Queue() { return State().queue; }  // under State().queueMutex
InputState& Input() { return State().input; }  // main thread

constexpr WPARAM kMkLButton = 0x0001;

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
  if (filter && !IsDescendant(m.hwnd, filter)) return false;
  if (min == 0 && max == 0) return true;
  return m.message >= min && m.message <= max;
}

// The cursor lives with the posted queue: PostMessageA stamps it from any
// thread while input translation on the main thread moves it.
POINT LastCursor() {
  std::lock_guard<std::mutex> lock(State().queueMutex);
  return Queue().lastCursor;
}

void Stamp(MSG* m) {
  m->time = GetTickCount();
  m->pt = LastCursor();
}

// The deepest visible, enabled child of w under client point (x, y) that
// takes clicks; group boxes and static text let clicks through as on Windows.
HWND HitTest(Window* w, int x, int y, POINT* local) {
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = GetWindow(*it);
    if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
    if (!PointInRect(c->rect, x, y)) continue;
    bool transparent =
        c->cls && (c->cls->proc == StaticProc ||
                   (c->cls->proc == ButtonProc && (c->style & BS_TYPEMASK) == BS_GROUPBOX));
    if (transparent) continue;
    RECT ca = ClientArea(c);
    return HitTest(c, x - ca.left, y - ca.top, local);
  }
  local->x = x;
  local->y = y;
  return w->handle;
}

LPARAM PointParam(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)),
                    static_cast<WORD>(static_cast<SHORT>(y)));
}

void QueueMouse(Window* top, UINT message, int x, int y) {
  if (!top || (top->style & WS_DISABLED)) return;
  POINT local{x, y};
  HWND target;
  if (Window* cap = GetWindow(Input().capture)) {
    // The capturing control gets the release even outside its rectangle.
    POINT o{0, 0};
    ClientToScreen(cap->handle, &o);
    POINT t{0, 0};
    ClientToScreen(top->handle, &t);
    local = POINT{x + t.x - o.x, y + t.y - o.y};
    target = cap->handle;
  } else {
    target = HitTest(top, x, y, &local);
  }
  MSG m{target, message, message == WM_LBUTTONDOWN ? kMkLButton : 0, PointParam(local.x, local.y),
        0,      {}};
  POINT screen{x, y};
  ClientToScreen(top->handle, &screen);
  {
    std::lock_guard<std::mutex> lock(State().queueMutex);
    Queue().lastCursor = screen;
  }
  m.time = GetTickCount();
  m.pt = screen;  // the position just stored, without a second lock
  Input().queued.push_back(m);
}

HWND KeyTarget() {
  HWND act = ActiveWindow();
  HWND f = GetFocus();
  if (f && act && IsDescendant(f, act)) return f;
  return act;
}

void QueueKey(int vk, bool down, bool alt, bool repeat) {
  HWND target = KeyTarget();
  Window* top = TopLevelOf(GetWindow(target));
  if (!top || (top->style & WS_DISABLED) || vk == 0) return;
  bool sys = alt || vk == VK_MENU;
  UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  DWORD lp = 1;
  if (alt) lp |= 1u << 29;
  if (!down || repeat) lp |= 1u << 30;
  if (!down) lp |= 1u << 31;
  MSG m{target, message, static_cast<WPARAM>(vk), static_cast<LPARAM>(lp), 0, {}};
  Stamp(&m);
  Input().queued.push_back(m);
}

Window* WindowForSdl(Uint32 id) {
  for (HWND h : AllTopLevelWindows()) {
    Window* w = GetWindow(h);
    if (w && w->sdl && SDL_GetWindowID(w->sdl) == id) return w;
  }
  return nullptr;
}

void TranslateSdlEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT: {
      Window* w = WindowForSdl(e.window.windowID);
      if (!w) return;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          if (!(w->style & WS_DISABLED)) {
            MSG m{w->handle, WM_SYSCOMMAND, SC_CLOSE, 0, 0, {}};
            Stamp(&m);
            Input().queued.push_back(m);
          }
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
          int cw, ch;
          SDL_GetWindowSize(w->sdl, &cw, &ch);
          ExternalResize(w, cw, ch);
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED: SetActiveWindow(w->handle); break;
        case SDL_WINDOWEVENT_EXPOSED: Present(w); break;
        default: break;
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT) {
        Window* w = WindowForSdl(e.button.windowID);
        if (w && e.type == SDL_MOUSEBUTTONDOWN && !(w->style & WS_DISABLED)) {
          SetActiveWindow(w->handle);
        }
        QueueMouse(w, e.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, e.button.x,
                   e.button.y);
      }
      break;
    case SDL_MOUSEMOTION:
      QueueMouse(WindowForSdl(e.motion.windowID), WM_MOUSEMOVE, e.motion.x, e.motion.y);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      QueueKey(VkFromSdl(e.key.keysym.sym), e.type == SDL_KEYDOWN,
               (e.key.keysym.mod & KMOD_ALT) != 0, e.key.repeat != 0);
      break;
    default: break;
  }
}

void PumpSdl() {
  if (!VideoStarted()) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) TranslateSdlEvent(e);
  PlaceFramesOnceKnown();
}

bool TakePosted(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  const DWORD now = GetTickCount();  // read before the lock: the clock has its own
  std::unique_lock<std::mutex> lock(State().queueMutex);
  for (auto it = Queue().posted.begin(); it != Queue().posted.end(); ++it) {
    if (!Matches(*it, filter, min, max)) continue;
    *msg = *it;
    if (remove) Queue().posted.erase(it);
    return true;
  }
  if (Queue().quitPosted) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(Queue().quitCode), 0, now, Queue().lastCursor};
    if (remove) Queue().quitPosted = false;
    return true;
  }
  return false;
}

bool TakeInput(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  for (auto it = Input().queued.begin(); it != Input().queued.end();) {
    if (!GetWindow(it->hwnd)) {  // its window is gone
      it = Input().queued.erase(it);
      continue;
    }
    if (Matches(*it, filter, min, max)) {
      *msg = *it;
      if (remove) {
        Input().queued.erase(it);
        UpdateKeyStateFromMessage(*msg);
      }
      return true;
    }
    ++it;
  }
  return false;
}

Window* FindInvalid(Window* w) {
  if (!w || !(w->style & WS_VISIBLE)) return nullptr;
  if (w->needsPaint) return w;
  for (HWND k : w->children) {
    if (Window* found = FindInvalid(GetWindow(k))) return found;
  }
  return nullptr;
}

bool TakePaint(MSG* msg, HWND filter, UINT min, UINT max) {
  if (!(min == 0 && max == 0) && (WM_PAINT < min || WM_PAINT > max)) return false;
  for (HWND h : AllTopLevelWindows()) {
    Window* found = FindInvalid(GetWindow(h));
    if (!found || (filter && !IsDescendant(found->handle, filter))) continue;
    *msg = MSG{found->handle, WM_PAINT, 0, 0, 0, {}};
    Stamp(msg);
    return true;
  }
  return false;
}

bool ValidFilter(HWND filter) { return !filter || GetWindow(filter); }

}  // namespace

bool TakeMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  PumpSdl();
  if (Input().queued.empty()) TakeInjectedInput();
  if (TakePosted(msg, filter, min, max, remove)) return true;
  if (TakeInput(msg, filter, min, max, remove)) return true;
  return TakePaint(msg, filter, min, max);
}

void TakeInjectedInput() {
  if (Input().injected.empty()) return;
  InputState::Injected in = Input().injected.front();
  Input().injected.pop_front();
  Window* top = GetWindow(ActiveWindow());
  if (!top) return;
  if (in.click) {
    QueueMouse(top, WM_LBUTTONDOWN, in.x, in.y);
    QueueMouse(top, WM_LBUTTONUP, in.x, in.y);
  } else {
    QueueKey(in.vk, true, false, false);
    QueueKey(in.vk, false, false, false);
  }
}

void WaitForInput() {
  if (VideoStarted()) {
    SDL_WaitEventTimeout(nullptr, 10);
  } else {
    SDL_Delay(1);
  }
}

void SetMouseCapture(HWND window) { Input().capture = window; }
HWND MouseCapture() { return GetWindow(Input().capture) ? Input().capture : nullptr; }

bool RunModalLoop(HWND modal, const std::function<bool()>& done,
                  bool (*onKey)(HWND modal, const MSG& msg)) {
  bool closeSent = false;
  while (!done()) {
    if (StopSignalReceived() && !closeSent) {
      closeSent = true;
      SendMessageA(modal, WM_CLOSE, 0, 0);
      if (!done()) return false;
      break;
    }
    MSG m;
    if (!TakeMessage(&m, nullptr, 0, 0, true)) {
      RunIdleHandler();
      if (done()) break;
      if (!TakeMessage(&m, nullptr, 0, 0, true)) {
        WaitForInput();
        continue;
      }
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return false;
    }
    if (onKey && m.message == WM_KEYDOWN && IsDescendant(m.hwnd, modal) && onKey(modal, m)) {
      continue;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return true;
}

}  // namespace win32

using namespace win32;

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
  RunPeekHandler();
  PostCloseOnStop();
  if (!msg || !ValidFilter(window)) return FALSE;
  return TakeMessage(msg, window, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0) ? TRUE
                                                                                      : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (!msg || !ValidFilter(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  for (;;) {
    PostCloseOnStop();
    if (TakeMessage(msg, window, filterMin, filterMax, true)) break;
    RunIdleHandler();
    if (TakeMessage(msg, window, filterMin, filterMax, true)) break;
    WaitForInput();
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI WaitMessage(void) {
  MSG m;
  for (;;) {
    PostCloseOnStop();
    if (TakeMessage(&m, nullptr, 0, 0, false)) return TRUE;
    RunIdleHandler();
    if (TakeMessage(&m, nullptr, 0, 0, false)) return TRUE;
    WaitForInput();
  }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  int vk = static_cast<int>(msg->wParam);
  int ch = 0;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  if (vk >= 'A' && vk <= 'Z') {
    ch = shift ? vk : vk - 'A' + 'a';
  } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE ||
             vk == VK_BACK || vk == VK_TAB) {
    ch = vk;
  }
  if (ch == 0) return FALSE;
  PostMessageA(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR,
               static_cast<WPARAM>(ch), msg->lParam);
  return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  Window* w = GetWindow(msg->hwnd);
  if (!w) return 0;
  LRESULT r = CallWindowProcA(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT && (w = GetWindow(msg->hwnd))) {
    if (IsTopLevel(w)) {
      AfterTopLevelPaint(w);
    } else {
      Present(TopLevelOf(w));
    }
  }
  return r;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !GetWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  MSG m{window, message, wParam, lParam, GetTickCount(), {}};
  std::lock_guard<std::mutex> lock(State().queueMutex);
  m.pt = Queue().lastCursor;
  Queue().posted.push_back(m);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = GetWindow(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return CallWindowProcA(w->proc, window, message, wParam, lParam);
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
  return proc ? proc(window, message, wParam, lParam) : 0;
}

VOID WINAPI PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> lock(State().queueMutex);
  Queue().quitPosted = true;
  Queue().quitCode = exitCode;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = GetWindow(window);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_SYSCOMMAND:
      // As on Windows, a close command reaches WM_CLOSE whether or not the
      // window shows a close box: a window without one (a dialog, a
      // full-screen popup) decides in its WM_CLOSE handling.
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29))) {
        if (Window* top = TopLevelOf(w)) SendMessageA(top->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      w->text = text ? text : "";
      WindowTextChanged(w);
      if (!IsTopLevel(w)) Invalidate(w, true);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      size_t cap = static_cast<size_t>(wParam);
      if (!buffer || cap == 0) return 0;
      size_t n = std::min(w->text.size(), cap - 1);
      // Never split a double-byte character.
      size_t i = 0;
      while (i < n) {
        unsigned char b = static_cast<unsigned char>(w->text[i]);
        size_t len = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
        if (i + len > n) break;
        i += len;
      }
      std::memcpy(buffer, w->text.data(), i);
      buffer[i] = '\0';
      return static_cast<LRESULT>(i);
    }
    case WM_SETFONT:
      w->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) Invalidate(w, true);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND: EraseBackground(w); return 1;
    default: return 0;
  }
}

namespace testing_hooks {

void InjectClick(int clientX, int clientY) {
  Input().injected.push_back(InputState::Injected{true, clientX, clientY, 0});
}

void InjectKey(int virtualKey) {
  Input().injected.push_back(InputState::Injected{false, 0, 0, virtualKey});
}

}  // namespace testing_hooks
