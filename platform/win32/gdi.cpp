// Device contexts, bitmaps, brushes, stock objects, system colours, BitBlt,
// FillRect, and the image, icon and cursor loaders.
#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>
#include <vector>

#include "gdi_internal.h"
#include "module_state.h"
#include "resource_registry.h"
#include "sdl_error.h"
#include "text_internal.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

GdiState& Gdi() { return State().gdi; }

// Brushes given as (HBRUSH)(COLOR_x + 1), as Windows allows for classes.
constexpr uintptr_t kMaxSysColorBrush = 32;

std::string NameKey(LPCSTR name) {
  if (!name) return {};
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
  std::string s = name;
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

Uint32 Pixel(COLORREF c) {
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

HBITMAP NewBitmap(SDL_Surface* s) {
  auto* b = new BitmapObject;
  b->surface = s;
  return static_cast<HBITMAP>(AddGdi(b));
}

HBITMAP DefaultBitmap() {
  if (!FindGdi(Gdi().defaultBitmap, GdiKind::Bitmap)) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_ARGB8888);
    if (s)
      SDL_FillRect(s, nullptr, 0xFF000000u);
    else
      platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormat");
    Gdi().defaultBitmap = NewBitmap(s);
    Find<BitmapObject>(Gdi().defaultBitmap, GdiKind::Bitmap)->stock = true;
  }
  return Gdi().defaultBitmap;
}

HBRUSH NewBrush(COLORREF color, bool stock) {
  auto* b = new BrushObject;
  b->color = color;
  b->stock = stock;
  return static_cast<HBRUSH>(AddGdi(b));
}

bool CanvasForDc(HDC dc, Canvas* c) {
  DcObject* d = Find<DcObject>(dc, GdiKind::Dc);
  if (!d) return false;
  if (d->memory) {
    BitmapObject* b = Find<BitmapObject>(d->bitmap, GdiKind::Bitmap);
    if (!b || !b->surface) return false;
    *c = Canvas{b->surface, 0, 0, SDL_Rect{0, 0, b->surface->w, b->surface->h}};
    return true;
  }
  return CanvasForWindow(d->window, c);
}

HDC NewWindowDc(HWND window) {
  auto* d = new DcObject;
  d->window = window;
  d->brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  d->font = DefaultGuiFont();
  return static_cast<HDC>(AddGdi(d));
}

void DeleteGdi(GdiObject* o) {
  Gdi().live.erase(o);
  delete o;
}

SDL_Surface* MakeStockIcon(int size) {
  // A plain "application" window glyph.
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, size, size, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormat"), nullptr;
  SDL_FillRect(s, nullptr, 0x00000000u);
  int m = size / 8;
  SDL_Rect frame{m, m, size - 2 * m, size - 2 * m};
  SDL_FillRect(s, &frame, 0xFF404040u);
  SDL_Rect inner{m + 1, m + 1, size - 2 * m - 2, size - 2 * m - 2};
  SDL_FillRect(s, &inner, 0xFFFFFFFFu);
  SDL_Rect bar{m + 1, m + 1, size - 2 * m - 2, std::max(2, size / 6)};
  SDL_FillRect(s, &bar, 0xFF0A246Au);
  return s;
}

}  // namespace

BitmapObject::~BitmapObject() {
  if (surface) SDL_FreeSurface(surface);
}

IconObject::~IconObject() {
  if (large) SDL_FreeSurface(large);
  if (small) SDL_FreeSurface(small);
}

void* AddGdi(GdiObject* object) {
  Gdi().live.insert(object);
  return object;
}

GdiObject* FindGdi(const void* handle, GdiKind kind) {
  if (!handle) return nullptr;
  auto it = Gdi().live.find(static_cast<GdiObject*>(const_cast<void*>(handle)));
  if (it == Gdi().live.end() || (*it)->kind != kind) return nullptr;
  return *it;
}

void FreeGdiObjects() {
  for (GdiObject* o : Gdi().live) delete o;
  Gdi().live.clear();
}

COLORREF SysColor(int index) {
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(200, 200, 200);
    case COLOR_BACKGROUND: return RGB(58, 110, 165);
    case COLOR_ACTIVECAPTION: return RGB(10, 36, 106);
    case COLOR_MENU: return RGB(240, 240, 240);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    default: return RGB(0, 0, 0);
  }
}

HBRUSH StockBrushForColor(int index) {
  auto it = Gdi().sysBrushes.find(index);
  if (it != Gdi().sysBrushes.end() && FindGdi(it->second, GdiKind::Brush)) return it->second;
  HBRUSH b = NewBrush(SysColor(index), true);
  Gdi().sysBrushes[index] = b;
  return b;
}

COLORREF BrushColor(HBRUSH brush, bool* valid) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v > 0 && v <= kMaxSysColorBrush) {
    *valid = true;
    return SysColor(static_cast<int>(v - 1));
  }
  BrushObject* b = Find<BrushObject>(brush, GdiKind::Brush);
  *valid = b != nullptr;
  return b ? b->color : 0;
}

bool CanvasForWindow(HWND window, Canvas* canvas) {
  Window* w = GetWindow(window);
  Window* top = TopLevelOf(w);
  if (!w || !top || !top->backing) return false;
  POINT o;
  RECT clip;
  ClientInBacking(w, &o, &clip);
  clip.right = std::min<LONG>(clip.right, top->backing->w);
  clip.bottom = std::min<LONG>(clip.bottom, top->backing->h);
  *canvas = Canvas{top->backing, o.x, o.y,
                   SDL_Rect{clip.left, clip.top, std::max<LONG>(0, clip.right - clip.left),
                            std::max<LONG>(0, clip.bottom - clip.top)}};
  return true;
}

void FillCanvas(const Canvas& c, const RECT& r, COLORREF color) {
  if (!c.surface) return;
  SDL_Rect want{c.ox + r.left, c.oy + r.top, r.right - r.left, r.bottom - r.top};
  SDL_Rect out;
  if (want.w <= 0 || want.h <= 0 || !SDL_IntersectRect(&want, &c.clip, &out)) return;
  SDL_FillRect(c.surface, &out, Pixel(color));
}

void HLine(const Canvas& c, int x0, int x1, int y, COLORREF color) {
  FillCanvas(c, RECT{std::min(x0, x1), y, std::max(x0, x1) + 1, y + 1}, color);
}

void VLine(const Canvas& c, int x, int y0, int y1, COLORREF color) {
  FillCanvas(c, RECT{x, std::min(y0, y1), x + 1, std::max(y0, y1) + 1}, color);
}

SDL_Surface* IconSurface(HICON icon, int size) {
  IconObject* i = Find<IconObject>(icon, GdiKind::Icon);
  if (!i) return nullptr;
  if (size <= 16 && i->small) return i->small;
  return i->large ? i->large : i->small;
}

}  // namespace win32

using namespace win32;

DWORD WINAPI GetSysColor(int index) { return SysColor(index); }

HBRUSH WINAPI GetSysColorBrush(int index) { return StockBrushForColor(index); }

HGDIOBJ WINAPI GetStockObject(int index) {
  auto it = Gdi().stockObjects.find(index);
  if (it != Gdi().stockObjects.end() && Gdi().live.count(static_cast<GdiObject*>(it->second)))
    return it->second;
  HGDIOBJ o = nullptr;
  switch (index) {
    case WHITE_BRUSH: o = NewBrush(RGB(255, 255, 255), true); break;
    case BLACK_BRUSH: o = NewBrush(RGB(0, 0, 0), true); break;
    case DEFAULT_GUI_FONT: o = DefaultGuiFont(); break;
    default: return nullptr;
  }
  Gdi().stockObjects[index] = o;
  return o;
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) { return NewBrush(color & 0x00FFFFFF, false); }

HDC WINAPI GetDC(HWND window) {
  if (window && !GetWindow(window)) return nullptr;
  return NewWindowDc(window);
}

int WINAPI ReleaseDC(HWND, HDC dc) {
  DcObject* d = Find<DcObject>(dc, GdiKind::Dc);
  if (!d || d->memory) return 0;
  if (Window* w = GetWindow(d->window)) Present(TopLevelOf(w));
  DeleteGdi(d);
  return 1;
}

HDC WINAPI BeginPaint(HWND window, PAINTSTRUCT* paint) {
  Window* w = GetWindow(window);
  if (!w || !paint) return nullptr;
  std::memset(paint, 0, sizeof *paint);
  if (w->needsErase) {
    SendMessageA(window, WM_ERASEBKGND, 0, 0);
    if (!(w = GetWindow(window))) return nullptr;
    w->needsErase = false;
  }
  w->needsPaint = false;
  GetClientRect(window, &paint->rcPaint);
  paint->hdc = NewWindowDc(window);
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (Window* w = GetWindow(window)) {
    w->needsPaint = false;
    Present(TopLevelOf(w));
  }
  if (paint) {
    if (DcObject* d = Find<DcObject>(paint->hdc, GdiKind::Dc); d && !d->memory) DeleteGdi(d);
  }
  return TRUE;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
  if (dc && !FindGdi(dc, GdiKind::Dc)) return nullptr;
  auto* d = new DcObject;
  d->memory = true;
  d->bitmap = DefaultBitmap();
  d->brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  d->font = DefaultGuiFont();
  return static_cast<HDC>(AddGdi(d));
}

BOOL WINAPI DeleteDC(HDC dc) {
  DcObject* d = Find<DcObject>(dc, GdiKind::Dc);
  if (!d) return FALSE;
  if (BitmapObject* b = Find<BitmapObject>(d->bitmap, GdiKind::Bitmap); b && b->selectedIn == d) {
    b->selectedIn = nullptr;
  }
  DeleteGdi(d);
  return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  DcObject* d = Find<DcObject>(dc, GdiKind::Dc);
  if (!d || !object) return nullptr;
  if (BitmapObject* b = Find<BitmapObject>(object, GdiKind::Bitmap)) {
    if (!d->memory) return nullptr;
    // A bitmap lives in one memory DC at a time.
    if (b->selectedIn && b->selectedIn != d && !b->stock) return nullptr;
    HBITMAP old = d->bitmap;
    if (BitmapObject* ob = Find<BitmapObject>(old, GdiKind::Bitmap); ob && ob->selectedIn == d) {
      ob->selectedIn = nullptr;
    }
    if (!b->stock) b->selectedIn = d;
    d->bitmap = static_cast<HBITMAP>(object);
    return old;
  }
  if (FindGdi(object, GdiKind::Brush)) {
    HBRUSH old = d->brush;
    d->brush = static_cast<HBRUSH>(object);
    return old;
  }
  if (FindGdi(object, GdiKind::Font)) {
    HFONT old = d->font;
    d->font = static_cast<HFONT>(object);
    return old;
  }
  return nullptr;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  auto it = Gdi().live.find(static_cast<GdiObject*>(object));
  if (!object || it == Gdi().live.end()) return FALSE;
  GdiObject* o = *it;
  if (o->stock) return TRUE;
  switch (o->kind) {
    case GdiKind::Bitmap: {
      auto* b = static_cast<BitmapObject*>(o);
      if (b->selectedIn) return FALSE;
      if (!b->sharedKey.empty()) Gdi().sharedBitmaps.erase(b->sharedKey);
      break;
    }
    case GdiKind::Brush:
    case GdiKind::Font: break;
    default: return FALSE;  // DCs, icons and cursors have their own calls
  }
  DeleteGdi(o);
  return TRUE;
}

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                   DWORD rop) {
  if (rop != SRCCOPY || width < 0 || height < 0) return FALSE;
  Canvas d, s;
  if (!CanvasForDc(dest, &d) || !CanvasForDc(src, &s)) return FALSE;
  // Rectangles in surface pixels, then clipped to both sides.
  int sx = s.ox + srcX, sy = s.oy + srcY, dx = d.ox + x, dy = d.oy + y;
  int w = width, h = height;
  auto clip = [&](int& a, int& b, int lo, int& len) {  // trims start of a (and b in step)
    if (a < lo) {
      int cut = lo - a;
      a += cut;
      b += cut;
      len -= cut;
    }
  };
  clip(sx, dx, s.clip.x, w);
  clip(sy, dy, s.clip.y, h);
  clip(dx, sx, d.clip.x, w);
  clip(dy, sy, d.clip.y, h);
  w = std::min({w, s.clip.x + s.clip.w - sx, d.clip.x + d.clip.w - dx});
  h = std::min({h, s.clip.y + s.clip.h - sy, d.clip.y + d.clip.h - dy});
  if (w <= 0 || h <= 0) return TRUE;
  // Through a temporary buffer, so source and destination may overlap.
  std::vector<Uint32> tmp(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int row = 0; row < h; ++row) {
    const auto* sp =
        reinterpret_cast<const Uint32*>(static_cast<const unsigned char*>(s.surface->pixels) +
                                        static_cast<size_t>(sy + row) * s.surface->pitch) +
        sx;
    std::memcpy(&tmp[static_cast<size_t>(row) * w], sp, static_cast<size_t>(w) * 4);
  }
  for (int row = 0; row < h; ++row) {
    auto* dp = reinterpret_cast<Uint32*>(static_cast<unsigned char*>(d.surface->pixels) +
                                         static_cast<size_t>(dy + row) * d.surface->pitch) +
               dx;
    const Uint32* tp = &tmp[static_cast<size_t>(row) * w];
    for (int i = 0; i < w; ++i) dp[i] = tp[i] | 0xFF000000u;
  }
  return TRUE;
}

int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!rect) return 0;
  bool valid = false;
  COLORREF color = BrushColor(brush, &valid);
  Canvas c;
  if (!valid || !CanvasForDc(dc, &c)) return 0;
  FillCanvas(c, *rect, color);
  return 1;
}

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int, UINT load) {
  if (!name || (load & LR_LOADFROMFILE)) return nullptr;
  if (type == IMAGE_ICON) {
    (void)cx;
    return LoadIconA(instance, name);
  }
  if (type != IMAGE_BITMAP) return nullptr;
  std::string key = NameKey(name);
  bool shared = (load & LR_SHARED) != 0;
  if (shared) {
    auto it = Gdi().sharedBitmaps.find(key);
    if (it != Gdi().sharedBitmaps.end() && FindGdi(it->second, GdiKind::Bitmap)) return it->second;
  }
  const ModuleResource* res = FindModuleResource(RT_BITMAP, name);
  if (!res) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  SDL_Surface* s = DecodePackedDib(res->data, res->size);
  if (!s) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  HBITMAP b = NewBitmap(s);
  if (shared) {
    Find<BitmapObject>(b, GdiKind::Bitmap)->sharedKey = key;
    Gdi().sharedBitmaps[key] = b;
  }
  return b;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (!name) return nullptr;
  if (!instance && name == IDI_APPLICATION) {
    if (!FindGdi(Gdi().stockIcon, GdiKind::Icon)) {
      auto* i = new IconObject;
      i->stock = true;
      i->large = MakeStockIcon(32);
      i->small = MakeStockIcon(16);
      Gdi().stockIcon = static_cast<HICON>(AddGdi(i));
    }
    return Gdi().stockIcon;
  }
  std::string key = NameKey(name);
  auto it = Gdi().sharedIcons.find(key);
  if (it != Gdi().sharedIcons.end() && FindGdi(it->second, GdiKind::Icon)) return it->second;
  SDL_Surface* large = LoadIconSurface(name, 32);
  if (!large) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto* i = new IconObject;
  i->stock = true;  // loaded icons are shared: DestroyIcon leaves them
  i->large = large;
  i->small = LoadIconSurface(name, 16);
  HICON h = static_cast<HICON>(AddGdi(i));
  Gdi().sharedIcons[key] = h;
  return h;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
  if (instance || name != IDC_ARROW) return nullptr;
  if (!FindGdi(Gdi().arrowCursor, GdiKind::Cursor)) {
    auto* c = new CursorObject;
    c->stock = true;
    Gdi().arrowCursor = static_cast<HCURSOR>(AddGdi(c));
  }
  return Gdi().arrowCursor;
}

BOOL WINAPI DestroyIcon(HICON icon) {
  IconObject* i = Find<IconObject>(icon, GdiKind::Icon);
  if (!i) return FALSE;
  if (!i->stock) DeleteGdi(i);
  return TRUE;
}
