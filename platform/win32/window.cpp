// Window classes, the HWND table, creation and destruction, long values,
// text, geometry, visibility and the backing surfaces of top-level windows.
#include "win32/allocation_faults.h"
#include "window_internal.h"
#include "window_surface.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "sdl_error.h"

namespace win32 {
namespace {

constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorTopLevelChild = 1406;
// The desktop is not in the table: it has no procedure and no SDL window.
const HWND kDesktop = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10010));

std::mutex tableMutex;
std::map<uintptr_t, std::unique_ptr<Window>> table;
uintptr_t nextHandle = 0x20000;
std::vector<HWND> topLevelOrder;
std::map<std::string, std::shared_ptr<WindowClass>> classes;  // key: upper-case name
HWND active = nullptr;
HWND focus = nullptr;
bool videoStarted = false;
bool builtinsRegistered = false;
// Client rectangle last reported by WM_SIZE/WM_MOVE, so that a change of
// style alone also reports the new client size.
std::map<HWND, RECT> reported;

std::string UpperAscii(const char* s) {
  std::string out = s ? s : "";
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string ClassKey(LPCSTR name) {
  if (name && IS_INTRESOURCE(name)) {
    return "#" + std::to_string(static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)));
  }
  return UpperAscii(name);
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

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

void ReportSizeAndMove(Window* w, bool force) {
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

SDL_Surface* NewBacking(int w, int h) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, std::max(1, w), std::max(1, h), 32,
                                                  SDL_PIXELFORMAT_ARGB8888);
  if (s)
    SDL_FillRect(s, nullptr, 0xFFFFFFFFu);
  else
    platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormat");
  return s;
}

void ApplySdlIcon(Window* w) {
  if (!w->sdl || !w->cls) return;
  if (SDL_Surface* icon = IconSurface(w->cls->icon, 32)) SDL_SetWindowIcon(w->sdl, icon);
}

void ApplySdlTitle(Window* w) {
  if (w->sdl) SDL_SetWindowTitle(w->sdl, ToUtf8(w->text).c_str());
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
  topLevelOrder.erase(std::remove(topLevelOrder.begin(), topLevelOrder.end(), h),
                      topLevelOrder.end());
  if (focus == h) focus = nullptr;
  if (MouseCapture() == h) SetMouseCapture(nullptr);
  if (active == h) {
    active = nullptr;
    // Activation passes to the owner, else to the newest visible window.
    if (Window* owner = GetWindow(w->owner); owner && !owner->destroying) {
      active = owner->handle;
    } else {
      for (auto it = topLevelOrder.rbegin(); it != topLevelOrder.rend(); ++it) {
        Window* o = GetWindow(*it);
        if (o && !o->destroying && (o->style & WS_VISIBLE)) {
          active = *it;
          break;
        }
      }
    }
  }
}

void Erase(HWND h) {
  reported.erase(h);
  std::lock_guard<std::mutex> lock(tableMutex);
  table.erase(reinterpret_cast<uintptr_t>(h));
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

// ---- table and helpers ---------------------------------------------------------

Window* GetWindow(HWND handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> lock(tableMutex);
  auto it = table.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.end() ? nullptr : it->second.get();
}

bool IsTopLevel(const Window* w) { return w && !(w->style & WS_CHILD); }

Window* TopLevelOf(Window* w) {
  while (w && (w->style & WS_CHILD)) w = GetWindow(w->parent);
  return w;
}

std::vector<HWND> AllTopLevelWindows() { return topLevelOrder; }

HWND ActiveWindow() { return GetWindow(active) ? active : nullptr; }

void SetActiveWindow(HWND window) {
  Window* w = TopLevelOf(GetWindow(window));
  HWND h = w ? w->handle : nullptr;
  if (h == active) return;
  HWND old = active;
  active = h;
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

bool EnsureVideo() {
  if (videoStarted) return true;
  // Window pixels are ours (the backing surfaces): SDL's plain software
  // framebuffer carries them to the screen without a GL context and its
  // driver threads.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (!StartVideoDriver()) return false;
  if (!TTF_WasInit() && TTF_Init() != 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // Text input events would only duplicate the key messages.
  SDL_StopTextInput();
  videoStarted = true;
  return true;
}

bool VideoStarted() { return videoStarted; }

// ---- painting ------------------------------------------------------------------

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

// ---- classes ---------------------------------------------------------------------

std::shared_ptr<WindowClass> FindClass(const std::string& name) {
  RegisterBuiltinClasses();
  auto it = classes.find(UpperAscii(name.c_str()));
  return it == classes.end() ? nullptr : it->second;
}

void RegisterBuiltinClasses() {
  if (builtinsRegistered) return;
  builtinsRegistered = true;
  auto add = [](const char* name, WNDPROC proc, HBRUSH brush) {
    auto c = std::make_shared<WindowClass>();
    c->name = name;
    c->proc = proc;
    c->background = brush;
    c->builtin = true;
    c->cursor = LoadCursorA(nullptr, IDC_ARROW);
    classes[UpperAscii(name)] = c;
  };
  // Controls paint their own background, so siblings they overlap (a group
  // box and its radio buttons) are not wiped.
  add("BUTTON", ButtonProc, nullptr);
  add("STATIC", StaticProc, nullptr);
  add(kDialogClass, DialogWindowProc, GetSysColorBrush(COLOR_3DFACE));
  add(kMessageBoxClass, MessageBoxWindowProc, GetSysColorBrush(COLOR_3DFACE));
}

void ClearClasses() {
  classes.clear();
  builtinsRegistered = false;
}

void DestroyAllWindowsSilently() {
  std::vector<std::unique_ptr<Window>> doomed;
  {
    std::lock_guard<std::mutex> lock(tableMutex);
    for (auto& [k, w] : table) doomed.push_back(std::move(w));
    table.clear();
  }
  for (auto& w : doomed) FreeWindowResources(w.get());
  topLevelOrder.clear();
  reported.clear();
  active = nullptr;
  focus = nullptr;
  videoStarted = false;
}

}  // namespace win32

using namespace win32;

// ---- public API ------------------------------------------------------------------

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  RegisterBuiltinClasses();
  std::string key = ClassKey(wc->lpszClassName);
  if (classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<WindowClass>();
  c->name = IS_INTRESOURCE(wc->lpszClassName) ? key : std::string(wc->lpszClassName);
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->clsExtra = std::max(0, wc->cbClsExtra);
  c->wndExtra = std::clamp(wc->cbWndExtra, 0, 4096);
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->iconSmall = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  classes[key] = c;
  // Atoms only need to be nonzero and distinct.
  static ATOM nextAtom = 0xC000;
  return nextAtom == 0xFFFF ? nextAtom : nextAtom++;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA ex{sizeof(WNDCLASSEXA), wc->style,        wc->lpfnWndProc,   wc->cbClsExtra,
                 wc->cbWndExtra,      wc->hInstance,    wc->hIcon,         wc->hCursor,
                 wc->hbrBackground,   wc->lpszMenuName, wc->lpszClassName, nullptr};
  return RegisterClassExA(&ex);
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  auto it = classes.find(ClassKey(className));
  if (it == classes.end() || it->second->builtin) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  classes.erase(it);
  return TRUE;
}

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
    std::lock_guard<std::mutex> lock(tableMutex);
    h = reinterpret_cast<HWND>(nextHandle);
    nextHandle += 4;
    w->handle = h;
    table.emplace(reinterpret_cast<uintptr_t>(h), std::move(owned));
  }
  if (child) {
    GetWindow(parent)->children.push_back(h);
  } else {
    topLevelOrder.push_back(h);
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

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  Window* w = GetWindow(window);
  if (!w) return FALSE;
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
  if (enable) {
    w->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    w->style |= WS_DISABLED;
    if (focus && IsDescendant(focus, window)) focus = nullptr;
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
  HWND old = GetWindow(focus) ? focus : nullptr;
  if (window && !GetWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (window == old) return old;
  focus = window;
  if (old) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window && GetWindow(window)) {
    SetActiveWindow(window);
    SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return old;
}

HWND WINAPI GetFocus(void) { return GetWindow(focus) ? focus : nullptr; }

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

namespace win32 {

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

// Title updates from WM_SETTEXT.
void WindowTextChanged(Window* w) {
  if (IsTopLevel(w)) ApplySdlTitle(w);
}

}  // namespace win32
