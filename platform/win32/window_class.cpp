// Window classes: the built-in controls' classes and RegisterClass.
#include <algorithm>

#include "module_state.h"
#include "window_internal.h"

namespace win32 {
namespace {

ClassesState& Classes() { return State().classes; }

std::string UpperAscii(const char* s) {
  std::string out = s ? s : "";
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

std::string ClassKey(LPCSTR name) {
  if (name && IS_INTRESOURCE(name)) {
    return "#" + std::to_string(static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)));
  }
  return UpperAscii(name);
}

std::shared_ptr<WindowClass> FindClass(const std::string& name) {
  RegisterBuiltinClasses();
  auto it = Classes().byName.find(UpperAscii(name.c_str()));
  return it == Classes().byName.end() ? nullptr : it->second;
}

void RegisterBuiltinClasses() {
  if (Classes().builtinsRegistered) return;
  Classes().builtinsRegistered = true;
  auto add = [](const char* name, WNDPROC proc, HBRUSH brush) {
    auto c = std::make_shared<WindowClass>();
    c->name = name;
    c->proc = proc;
    c->background = brush;
    c->builtin = true;
    c->cursor = LoadCursorA(nullptr, IDC_ARROW);
    Classes().byName[UpperAscii(name)] = c;
  };
  // Controls paint their own background, so siblings they overlap (a group
  // box and its radio buttons) are not wiped.
  add("BUTTON", ButtonProc, nullptr);
  add("STATIC", StaticProc, nullptr);
  add(kDialogClass, DialogWindowProc, GetSysColorBrush(COLOR_3DFACE));
  add(kMessageBoxClass, MessageBoxWindowProc, GetSysColorBrush(COLOR_3DFACE));
}

}  // namespace win32

using namespace win32;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  RegisterBuiltinClasses();
  std::string key = ClassKey(wc->lpszClassName);
  if (Classes().byName.count(key)) {
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
  Classes().byName[key] = c;
  // Atoms only need to be nonzero and distinct.
  ATOM& next = Classes().nextAtom;
  return next == 0xFFFF ? next : next++;
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
  auto it = Classes().byName.find(ClassKey(className));
  if (it == Classes().byName.end() || it->second->builtin) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  Classes().byName.erase(it);
  return TRUE;
}
