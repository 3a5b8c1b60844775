// Modal dialogs from RT_DIALOG templates (standard DLGTEMPLATE), the dialog
// window procedure, DefDlgProcA, EndDialog and the dialog keyboard.
#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "message_internal.h"
#include "module_state.h"
#include "resource_registry.h"
#include "text_internal.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

// Bounds-checked little-endian reader over the template bytes.
class Reader {
 public:
  Reader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  bool Word(WORD* v) {
    if (size_ - pos_ < 2) return false;
    *v = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Dword(DWORD* v) {
    WORD lo, hi;
    if (!Word(&lo) || !Word(&hi)) return false;
    *v = static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
    return true;
  }
  bool Short(short* v) {
    WORD w;
    if (!Word(&w)) return false;
    *v = static_cast<short>(w);
    return true;
  }
  // Zero-terminated UTF-16LE text.
  bool String(std::u16string* s) {
    s->clear();
    for (;;) {
      WORD c;
      if (!Word(&c)) return false;
      if (c == 0) return true;
      s->push_back(static_cast<char16_t>(c));
    }
  }
  // WORD 0 (none), 0xFFFF + ordinal, or a string.
  bool StringOrOrdinal(std::u16string* s, WORD* ordinal) {
    *ordinal = 0;
    s->clear();
    WORD first;
    if (!Word(&first)) return false;
    if (first == 0) return true;
    if (first == 0xFFFF) return Word(ordinal);
    pos_ -= 2;
    return String(s);
  }
  bool AlignDword() {
    size_t aligned = (pos_ + 3) & ~static_cast<size_t>(3);
    if (aligned > size_) return false;
    pos_ = aligned;
    return true;
  }
  bool Skip(size_t n) {
    if (size_ - pos_ < n) return false;
    pos_ += n;
    return true;
  }

 private:
  const unsigned char* data_;
  size_t size_;
  size_t pos_ = 0;
};

struct ItemTemplate {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD id = 0;
  std::string className;
  std::string title;
};

struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::string title;
  bool hasFont = false;
  WORD pointSize = 0;
  std::vector<ItemTemplate> items;
};

std::optional<DialogTemplate> ParseTemplate(const unsigned char* data, size_t size) {
  Reader r(data, size);
  DialogTemplate t;
  WORD count;
  if (!r.Dword(&t.style) || !r.Dword(&t.exStyle)) return std::nullopt;
  if ((t.style & 0xFFFF0000u) == 0xFFFF0000u && (t.style & 0xFFFF) == 1) return std::nullopt;  // EX
  if (!r.Word(&count) || !r.Short(&t.x) || !r.Short(&t.y) || !r.Short(&t.cx) || !r.Short(&t.cy)) {
    return std::nullopt;
  }
  std::u16string text;
  WORD ordinal;
  if (!r.StringOrOrdinal(&text, &ordinal)) return std::nullopt;  // menu
  if (!r.StringOrOrdinal(&text, &ordinal)) return std::nullopt;  // class
  if (!r.String(&text)) return std::nullopt;                     // title
  t.title = Utf16ToCp932(text);
  if (t.style & DS_SETFONT) {
    t.hasFont = true;
    if (!r.Word(&t.pointSize) || !r.String(&text)) return std::nullopt;
  }
  for (WORD i = 0; i < count; ++i) {
    ItemTemplate it;
    if (!r.AlignDword() || !r.Dword(&it.style) || !r.Dword(&it.exStyle) || !r.Short(&it.x) ||
        !r.Short(&it.y) || !r.Short(&it.cx) || !r.Short(&it.cy) || !r.Word(&it.id)) {
      return std::nullopt;
    }
    if (!r.StringOrOrdinal(&text, &ordinal)) return std::nullopt;
    if (ordinal == 0x80) {
      it.className = "BUTTON";
    } else if (ordinal == 0x82) {
      it.className = "Static";
    } else if (ordinal != 0) {
      return std::nullopt;  // edit, list and combo boxes are not provided
    } else {
      it.className = Utf16ToCp932(text);
    }
    if (!r.StringOrOrdinal(&text, &ordinal)) return std::nullopt;
    it.title = Utf16ToCp932(text);
    WORD extra;
    if (!r.Word(&extra) || !r.Skip(extra)) return std::nullopt;
    t.items.push_back(std::move(it));
  }
  return t;
}

int MulDiv(int a, int b, int c) { return static_cast<int>((static_cast<long long>(a) * b) / c); }

void BaseUnits(HFONT font, int* bx, int* by) {
  int w = 0, h = 0;
  TextSize(font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &w, &h);
  *bx = std::max(1, (w / 26 + 1) / 2);
  *by = std::max(1, FontLineHeight(font));
}

bool IsPushButton(Window* w) {
  if (!w || !w->cls || w->cls->proc != ButtonProc) return false;
  DWORD type = w->style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool DialogKey(HWND dialog, const MSG& m) {
  if (m.wParam == VK_RETURN) {
    WORD id = IDOK;
    HWND control = GetDlgItem(dialog, IDOK);
    Window* f = GetWindow(GetFocus());
    if (f && f->parent == dialog && IsPushButton(f) && IsWindowEnabled(f->handle)) {
      id = static_cast<WORD>(f->id);
      control = f->handle;
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return true;
  }
  if (m.wParam == VK_ESCAPE) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    return true;
  }
  return false;
}

HWND CreateDialogWindow(const DialogTemplate& t, HINSTANCE instance, HWND owner, DLGPROC proc,
                        LPARAM param) {
  int px = t.pointSize ? MulDiv(t.pointSize, 96, 72) : 16;
  HFONT font = CreateFontPx(px);
  int bx, by;
  BaseUnits(font, &bx, &by);

  DWORD style = t.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
  DWORD exStyle = t.exStyle | ((t.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
  RECT r{0, 0, MulDiv(t.cx, bx, 4), MulDiv(t.cy, by, 8)};
  DWORD effective = (style & WS_POPUP) ? style : (style | WS_CAPTION);
  AdjustWindowRectEx(&r, effective, FALSE, exStyle);
  POINT at{MulDiv(t.x, bx, 4), MulDiv(t.y, by, 8)};
  if (owner) ClientToScreen(owner, &at);

  auto state = std::make_unique<DialogState>();
  state->proc = proc;
  state->font = font;
  state->baseX = bx;
  state->baseY = by;
  State().dialogs.pending = std::move(state);
  HWND dlg = CreateWindowExA(exStyle, kDialogClass, t.title.c_str(), style, at.x, at.y,
                             r.right - r.left, r.bottom - r.top, owner, nullptr, instance, nullptr);
  if (State().dialogs.pending) {  // creation failed before WM_NCCREATE
    DeleteObject(State().dialogs.pending->font);
    State().dialogs.pending.reset();
  }
  if (!dlg) return nullptr;
  SendMessageA(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  HWND firstTab = nullptr;
  for (const ItemTemplate& it : t.items) {
    HWND c = CreateWindowExA(
        it.exStyle, it.className.c_str(), it.title.c_str(), it.style | WS_CHILD,
        MulDiv(it.x, bx, 4), MulDiv(it.y, by, 8), MulDiv(it.cx, bx, 4), MulDiv(it.cy, by, 8), dlg,
        reinterpret_cast<HMENU>(static_cast<uintptr_t>(it.id)), instance, nullptr);
    if (!c) {
      DestroyWindow(dlg);
      return nullptr;
    }
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!firstTab && (it.style & WS_TABSTOP) && !(it.style & WS_DISABLED)) firstTab = c;
  }
  if (!GetWindow(dlg)) return nullptr;
  if (SendMessageA(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), param) && firstTab &&
      GetWindow(firstTab)) {
    SetFocus(firstTab);
  }
  return GetWindow(dlg) ? dlg : nullptr;
}

}  // namespace

LRESULT CALLBACK DialogWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = GetWindow(h);
  if (!w) return 0;
  if (message == WM_NCCREATE && State().dialogs.pending)
    w->dialog = std::move(State().dialogs.pending);
  if (!w->dialog) w->dialog = std::make_unique<DialogState>();
  if (DLGPROC proc = w->dialog->proc) {
    INT_PTR r = proc(h, message, wParam, lParam);
    w = GetWindow(h);
    if (r) {
      // These answer through the return value; the rest through DWLP_MSGRESULT.
      if (message == WM_INITDIALOG || message == WM_NCCREATE || !w || !w->dialog) return r;
      return w->dialog->msgResult;
    }
    if (!w) return 0;
  }
  return DefDlgProcA(h, message, wParam, lParam);
}

}  // namespace win32

using namespace win32;

LRESULT WINAPI DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = GetWindow(dialog);
  if (!w) return 0;
  switch (message) {
    case WM_CLOSE:
      // As on Windows: closing a dialog is a Cancel command, which only the
      // dialog procedure can act on.
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return 0;
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND: return 0;
    default: return DefWindowProcA(dialog, message, wParam, lParam);
  }
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  Window* w = GetWindow(dialog);
  if (!w || !w->dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->dialog->ended = true;
  w->dialog->result = result;
  return TRUE;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam) {
  if (owner && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (owner == GetDesktopWindow()) owner = nullptr;
  const ModuleResource* res = templateName ? FindModuleResource(RT_DIALOG, templateName) : nullptr;
  if (!res) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  std::optional<DialogTemplate> t = ParseTemplate(res->data, res->size);
  if (!t) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!EnsureVideo()) return -1;
  HWND dlg = CreateDialogWindow(*t, instance, owner, dialogProc, initParam);
  if (!dlg) return -1;

  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  Window* w = GetWindow(dlg);
  if (w && !w->dialog->ended) {
    ShowWindow(dlg, SW_SHOW);
    if (!GetFocus() || !IsDescendant(GetFocus(), dlg)) SetActiveWindow(dlg);
  }
  RunModalLoop(
      dlg,
      [dlg] {
        Window* d = GetWindow(dlg);
        return !d || !d->dialog || d->dialog->ended;
      },
      DialogKey);

  INT_PTR result = -1;
  if (Window* d = GetWindow(dlg); d && d->dialog) {
    // A stop signal ends a dialog that ignores WM_CLOSE as Cancel.
    result = !d->dialog->ended && StopSignalReceived() ? IDCANCEL : d->dialog->result;
  }
  if (ownerWasEnabled && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  if (IsWindow(dlg)) DestroyWindow(dlg);
  return result;
}
