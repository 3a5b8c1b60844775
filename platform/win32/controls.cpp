// The BUTTON (push, radio, check, group box) and Static control classes,
// drawn in the classic Windows look.
#include <algorithm>
#include <cmath>

#include "message_internal.h"
#include "text_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

int Type(const Window* w) { return static_cast<int>(w->style & BS_TYPEMASK); }
bool IsRadio(int type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsCheck(int type) { return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX; }

HFONT ControlFont(const Window* w) {
  if (w->font) return w->font;
  if (Window* parent = GetWindow(w->parent); parent && parent->font) return parent->font;
  return DialogFont();
}

// Greyed text is embossed: a highlight one pixel down-right, then grey.
void DrawLabel(const Canvas& c, HFONT font, const std::string& text, int x, int y, bool enabled) {
  if (enabled) {
    DrawTextAt(c, font, text, x, y, SysColor(COLOR_BTNTEXT));
  } else {
    DrawTextAt(c, font, text, x + 1, y + 1, SysColor(COLOR_BTNHIGHLIGHT));
    DrawTextAt(c, font, text, x, y, SysColor(COLOR_GRAYTEXT));
  }
}

void Bevel(const Canvas& c, RECT r, COLORREF tl, COLORREF br) {
  HLine(c, r.left, r.right - 1, r.top, tl);
  VLine(c, r.left, r.top, r.bottom - 1, tl);
  HLine(c, r.left, r.right - 1, r.bottom - 1, br);
  VLine(c, r.right - 1, r.top, r.bottom - 1, br);
}

void DrawPushButton(Window* w, const Canvas& c, const RECT& r, bool enabled) {
  FillCanvas(c, r, SysColor(COLOR_3DFACE));
  RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  if (w->pressed) {
    Bevel(c, r, SysColor(COLOR_3DDKSHADOW), SysColor(COLOR_BTNHIGHLIGHT));
    Bevel(c, inner, SysColor(COLOR_BTNSHADOW), SysColor(COLOR_3DLIGHT));
  } else {
    if ((w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      Bevel(c, r, RGB(0, 0, 0), RGB(0, 0, 0));
      RECT in2{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
      Bevel(c, in2, SysColor(COLOR_BTNHIGHLIGHT), SysColor(COLOR_3DDKSHADOW));
      inner = RECT{in2.left + 1, in2.top + 1, in2.right - 1, in2.bottom - 1};
    } else {
      Bevel(c, r, SysColor(COLOR_BTNHIGHLIGHT), SysColor(COLOR_3DDKSHADOW));
    }
    Bevel(c, inner, SysColor(COLOR_3DLIGHT), SysColor(COLOR_BTNSHADOW));
  }
  HFONT font = ControlFont(w);
  int tw, th;
  TextSize(font, w->text, &tw, &th);
  int shift = w->pressed ? 1 : 0;
  DrawLabel(c, font, w->text, (r.right - r.left - tw) / 2 + shift,
            (r.bottom - r.top - th) / 2 + shift, enabled);
}

// A sunken circle 12 px across, with a dot when checked.
void DrawRadioMark(const Canvas& c, int x0, int y0, bool checked, bool enabled) {
  const double cx = 5.5, cy = 5.5;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      double dx = x - cx, dy = y - cy;
      double d = std::sqrt(dx * dx + dy * dy);
      COLORREF col;
      if (d > 6.0) continue;
      if (d > 5.0) {
        col = (dx + dy < 0) ? SysColor(COLOR_BTNSHADOW) : SysColor(COLOR_BTNHIGHLIGHT);
      } else if (d > 4.0) {
        col = (dx + dy < 0) ? SysColor(COLOR_3DDKSHADOW) : SysColor(COLOR_3DLIGHT);
      } else if (checked && d <= 2.0) {
        col = enabled ? SysColor(COLOR_BTNTEXT) : SysColor(COLOR_GRAYTEXT);
      } else {
        col = enabled ? SysColor(COLOR_WINDOW) : SysColor(COLOR_3DFACE);
      }
      FillCanvas(c, RECT{x0 + x, y0 + y, x0 + x + 1, y0 + y + 1}, col);
    }
  }
}

void DrawCheckMark(const Canvas& c, int x0, int y0, bool checked, bool enabled) {
  RECT box{x0, y0, x0 + 13, y0 + 13};
  FillCanvas(c, box, enabled ? SysColor(COLOR_WINDOW) : SysColor(COLOR_3DFACE));
  Bevel(c, box, SysColor(COLOR_BTNSHADOW), SysColor(COLOR_BTNHIGHLIGHT));
  Bevel(c, RECT{x0 + 1, y0 + 1, x0 + 12, y0 + 12}, SysColor(COLOR_3DDKSHADOW),
        SysColor(COLOR_3DLIGHT));
  if (!checked) return;
  COLORREF ink = enabled ? SysColor(COLOR_BTNTEXT) : SysColor(COLOR_GRAYTEXT);
  // A tick: down from (3,5) to (5,7), then up to (9,3), three pixels thick.
  for (int i = 0; i < 7; ++i) {
    int x = x0 + 3 + i;
    int y = y0 + (i <= 2 ? 5 + i : 7 - (i - 2));
    VLine(c, x, y, y + 2, ink);
  }
}

void DrawMarkButton(Window* w, const Canvas& c, const RECT& r, bool enabled) {
  FillCanvas(c, r, SysColor(COLOR_3DFACE));
  int h = r.bottom - r.top;
  int markSize = IsRadio(Type(w)) ? 12 : 13;
  int my = (h - markSize) / 2;
  if (IsRadio(Type(w))) {
    DrawRadioMark(c, 0, my, w->check == BST_CHECKED, enabled);
  } else {
    DrawCheckMark(c, 0, my, w->check == BST_CHECKED, enabled);
  }
  HFONT font = ControlFont(w);
  int tw, th;
  TextSize(font, w->text, &tw, &th);
  DrawLabel(c, font, w->text, markSize + 4, (h - th) / 2, enabled);
}

void DrawGroupBox(Window* w, const Canvas& c, const RECT& r, bool enabled) {
  HFONT font = ControlFont(w);
  int tw, th;
  TextSize(font, w->text, &tw, &th);
  int top = th / 2;
  RECT frame{r.left, r.top + top, r.right - 1, r.bottom - 1};
  Bevel(c, frame, SysColor(COLOR_BTNSHADOW), SysColor(COLOR_BTNSHADOW));
  RECT light{r.left + 1, r.top + top + 1, r.right, r.bottom};
  HLine(c, light.left, light.right - 3, light.top, SysColor(COLOR_BTNHIGHLIGHT));
  VLine(c, light.left, light.top, light.bottom - 3, SysColor(COLOR_BTNHIGHLIGHT));
  HLine(c, r.left, r.right - 1, r.bottom - 1, SysColor(COLOR_BTNHIGHLIGHT));
  VLine(c, r.right - 1, r.top + top, r.bottom - 1, SysColor(COLOR_BTNHIGHLIGHT));
  if (w->text.empty()) return;
  FillCanvas(c, RECT{6, 0, 6 + tw + 4, th}, SysColor(COLOR_3DFACE));
  DrawLabel(c, font, w->text, 8, 0, enabled);
}

void CheckInGroup(Window* w) {
  Window* parent = GetWindow(w->parent);
  if (!parent) return;
  const auto& sib = parent->children;
  auto self = std::find(sib.begin(), sib.end(), w->handle);
  if (self == sib.end()) return;
  size_t idx = static_cast<size_t>(self - sib.begin());
  // The group runs from the nearest sibling at or before this one with
  // WS_GROUP up to the next sibling with WS_GROUP.
  size_t start = idx;
  while (start > 0) {
    Window* s = GetWindow(sib[start]);
    if (s && (s->style & WS_GROUP)) break;
    --start;
  }
  size_t end = idx + 1;
  while (end < sib.size()) {
    Window* s = GetWindow(sib[end]);
    if (s && (s->style & WS_GROUP)) break;
    ++end;
  }
  std::vector<HWND> group(sib.begin() + static_cast<std::ptrdiff_t>(start),
                          sib.begin() + static_cast<std::ptrdiff_t>(end));
  for (HWND h : group) {
    Window* s = GetWindow(h);
    if (!s || h == w->handle) continue;
    if (s->cls && s->cls->proc == ButtonProc && Type(s) == BS_AUTORADIOBUTTON) {
      SendMessageA(h, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessageA(w->handle, BM_SETCHECK, BST_CHECKED, 0);
}

void Clicked(HWND h) {
  Window* w = GetWindow(h);
  if (!w) return;
  int type = Type(w);
  if (type == BS_AUTORADIOBUTTON) {
    CheckInGroup(w);
  } else if (type == BS_AUTOCHECKBOX) {
    SendMessageA(h, BM_SETCHECK, w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
  }
  if (!(w = GetWindow(h))) return;
  if (HWND parent = w->parent; GetWindow(parent)) {
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(h));
  }
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = GetWindow(h);
  if (!w) return 0;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      Canvas c;
      if (CanvasForWindow(h, &c)) {
        RECT r;
        GetClientRect(h, &r);
        bool enabled = IsWindowEnabled(h) != FALSE;
        int type = Type(w);
        if (type == BS_GROUPBOX) {
          DrawGroupBox(w, c, r, enabled);
        } else if (IsRadio(type) || IsCheck(type)) {
          DrawMarkButton(w, c, r, enabled);
        } else {
          DrawPushButton(w, c, r, enabled);
        }
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (!IsWindowEnabled(h) || Type(w) == BS_GROUPBOX) return 0;
      w->pressed = true;
      SetMouseCapture(h);
      if (Type(w) == BS_PUSHBUTTON || Type(w) == BS_DEFPUSHBUTTON) SetFocus(h);
      if ((w = GetWindow(h))) Invalidate(w, false);
      return 0;
    case WM_LBUTTONUP: {
      bool wasPressed = w->pressed;
      w->pressed = false;
      if (MouseCapture() == h) SetMouseCapture(nullptr);
      Invalidate(w, false);
      RECT r;
      GetClientRect(h, &r);
      int x = static_cast<SHORT>(LOWORD(lParam)), y = static_cast<SHORT>(HIWORD(lParam));
      if (wasPressed && IsWindowEnabled(h) && PointInRect(r, x, y)) Clicked(h);
      return 0;
    }
    case BM_GETCHECK: return w->check;
    case BM_SETCHECK: {
      int state = static_cast<int>(wParam) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
      if (w->check != state) {
        w->check = state;
        Invalidate(w, false);
      }
      return 0;
    }
    case WM_ENABLE:
      if (!wParam) w->pressed = false;
      Invalidate(w, false);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;
    default: return DefWindowProcA(h, message, wParam, lParam);
  }
}

LRESULT CALLBACK StaticProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = GetWindow(h);
  if (!w) return 0;
  if (message != WM_PAINT) {
    if (message == WM_ENABLE) Invalidate(w, false);
    return DefWindowProcA(h, message, wParam, lParam);
  }
  PAINTSTRUCT ps;
  BeginPaint(h, &ps);
  Canvas c;
  if (CanvasForWindow(h, &c)) {
    RECT r;
    GetClientRect(h, &r);
    FillCanvas(c, r, SysColor(COLOR_3DFACE));
    HFONT font = ControlFont(w);
    int lh = FontLineHeight(font);
    int y = 0;
    bool enabled = IsWindowEnabled(h) != FALSE;
    for (const std::string& line : WrapText(font, w->text, r.right)) {
      if (y >= r.bottom) break;
      DrawLabel(c, font, line, 0, y, enabled);
      y += lh;
    }
  }
  EndPaint(h, &ps);
  return 0;
}

}  // namespace win32

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? static_cast<UINT>(SendMessageA(item, BM_GETCHECK, 0, 0)) : 0;
}
