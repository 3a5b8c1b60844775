// MessageBoxA: a modal top-level window with an icon, the text and OK (and
// Cancel) buttons; and the auto-answer policy of the test hooks.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "message_internal.h"
#include "module_state.h"
#include "testing.h"
#include "text_internal.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

MessageBoxState& Boxes() { return State().boxes; }
using Policy = MessageBoxState::Policy;
using BoxState = MessageBoxState::Box;

constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonW = 75, kButtonH = 23, kButtonGap = 6;
constexpr int kMaxTextWidth = 480;

bool AutoAnswer() {
  if (Boxes().policy != Policy::Default) return Boxes().policy == Policy::On;
  if (!EnsureVideo()) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  std::string d = driver ? driver : "";
  return d == "offscreen" || d == "dummy";
}

UINT IconKind(UINT type) { return type & 0xF0; }

// Coverage of a disc of radius r at pixel (x, y), 4x4 samples.
double DiscCoverage(double cx, double cy, double r, int x, int y) {
  int in = 0;
  for (int sy = 0; sy < 4; ++sy) {
    for (int sx = 0; sx < 4; ++sx) {
      double dx = x + (sx + 0.5) / 4 - cx, dy = y + (sy + 0.5) / 4 - cy;
      if (dx * dx + dy * dy <= r * r) ++in;
    }
  }
  return in / 16.0;
}

COLORREF Mix(COLORREF a, COLORREF b, double t) {
  auto ch = [&](int s) {
    double va = (a >> s) & 0xFF, vb = (b >> s) & 0xFF;
    return static_cast<COLORREF>(std::lround(va + (vb - va) * t)) << s;
  };
  return ch(0) | ch(8) | ch(16);
}

void Plot(const Canvas& c, int x, int y, COLORREF col) {
  FillCanvas(c, RECT{x, y, x + 1, y + 1}, col);
}

void DrawIcon(const Canvas& c, UINT kind, int x0, int y0) {
  COLORREF face = SysColor(COLOR_3DFACE);
  COLORREF fill = kind == MB_ICONERROR         ? RGB(200, 30, 30)
                  : kind == MB_ICONEXCLAMATION ? RGB(250, 200, 20)
                                               : RGB(30, 80, 200);
  for (int y = 0; y < kIcon; ++y) {
    for (int x = 0; x < kIcon; ++x) {
      double cov;
      if (kind == MB_ICONEXCLAMATION) {
        // Triangle pointing up.
        int in = 0;
        for (int s = 0; s < 16; ++s) {
          double px = x + ((s % 4) + 0.5) / 4, py = y + ((s / 4) + 0.5) / 4;
          double half = (py - 2) * 0.52;
          if (py >= 2 && py <= 30 && std::fabs(px - 16) <= half) ++in;
        }
        cov = in / 16.0;
      } else {
        cov = DiscCoverage(16, 16, 15, x, y);
      }
      if (cov > 0) Plot(c, x0 + x, y0 + y, Mix(face, fill, cov));
    }
  }
  COLORREF ink = kind == MB_ICONEXCLAMATION ? RGB(0, 0, 0) : RGB(255, 255, 255);
  if (kind == MB_ICONERROR) {
    // A white X: distance to both diagonals.
    for (int y = 0; y < kIcon; ++y) {
      for (int x = 0; x < kIcon; ++x) {
        int in = 0;
        for (int s = 0; s < 16; ++s) {
          double px = x + ((s % 4) + 0.5) / 4 - 16, py = y + ((s / 4) + 0.5) / 4 - 16;
          if (std::fabs(px) > 8 || std::fabs(py) > 8) continue;
          if (std::fabs(px - py) < 2.6 || std::fabs(px + py) < 2.6) ++in;
        }
        if (in) Plot(c, x0 + x, y0 + y, Mix(fill, ink, in / 16.0));
      }
    }
    return;
  }
  const char* glyph = kind == MB_ICONQUESTION ? "?" : kind == MB_ICONEXCLAMATION ? "!" : "i";
  HFONT big = CreateFontPx(22);
  int tw, th;
  TextSize(big, glyph, &tw, &th);
  int gy = y0 + (kIcon - th) / 2 + (kind == MB_ICONEXCLAMATION ? 3 : 0);
  DrawTextAt(c, big, glyph, x0 + (kIcon - tw) / 2, gy, ink);
  DrawTextAt(c, big, glyph, x0 + (kIcon - tw) / 2 + 1, gy, ink);  // heavier stroke
  DeleteObject(big);
}

bool BoxKey(HWND box, const MSG& m) {
  auto it = Boxes().open.find(box);
  if (it == Boxes().open.end()) return false;
  bool hasCancel = (it->second.type & 0x0F) == MB_OKCANCEL;
  int id = 0;
  if (m.wParam == VK_RETURN) {
    id = IDOK;
    HWND f = GetFocus();
    if (f && GetParent(f) == box) id = GetWindowLongA(f, GWL_ID);
  } else if (m.wParam == VK_ESCAPE) {
    id = hasCancel ? IDCANCEL : IDOK;
  }
  if (!id) return false;
  SendMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return true;
}

}  // namespace

LRESULT CALLBACK MessageBoxWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = Boxes().open.find(h);
  if (it == Boxes().open.end()) return DefWindowProcA(h, message, wParam, lParam);
  BoxState& s = it->second;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      Canvas c;
      if (CanvasForWindow(h, &c)) {
        if (IconKind(s.type)) DrawIcon(c, IconKind(s.type), kMargin, kMargin);
        int y = s.textY;
        for (const std::string& line : s.lines) {
          DrawTextAt(c, s.font, line, s.textX, y, SysColor(COLOR_WINDOWTEXT));
          y += s.lineHeight;
        }
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        s.ended = true;
        s.result = LOWORD(wParam);
      }
      return 0;
    case WM_CLOSE:
      s.ended = true;
      s.result = (s.type & 0x0F) == MB_OKCANCEL ? IDCANCEL : IDOK;
      return 0;
    case WM_DESTROY:
      if (s.font) DeleteObject(s.font);
      Boxes().open.erase(it);
      return 0;
    default: return DefWindowProcA(h, message, wParam, lParam);
  }
}

}  // namespace win32

using namespace win32;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::string body = text ? text : "";
  std::string title = caption ? caption : "Error";
  if (owner && !IsWindow(owner)) owner = nullptr;
  bool automatic = AutoAnswer();
  if (automatic) {
    Boxes().records.push_back(testing_hooks::MessageBoxRecord{owner, body, title, type});
    // One line per box: line breaks of the text are written as "\n".
    std::string line;
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
      if (body[i] == '\r' || body[i] == '\n') {
        line += "\\n";
      } else {
        line += body[i];
      }
    }
    std::fprintf(stderr, "MessageBox [%s]: %s\n", ToUtf8(title).c_str(), ToUtf8(line).c_str());
  }
  if (!EnsureVideo()) return automatic ? IDOK : 0;

  BoxState state;
  state.type = type;
  state.font = CreateFontPx(14);
  state.lineHeight = FontLineHeight(state.font);
  state.lines = WrapText(state.font, body, kMaxTextWidth);
  int textW = 0;
  for (const std::string& l : state.lines) {
    int w;
    TextSize(state.font, l, &w, nullptr);
    textW = std::max(textW, w);
  }
  int textH = state.lineHeight * static_cast<int>(state.lines.size());
  bool icon = IconKind(type) != 0;
  bool hasCancel = (type & 0x0F) == MB_OKCANCEL;
  state.textX = kMargin + (icon ? kIcon + kMargin : 0);
  int top = icon ? std::max(textH, kIcon) : textH;
  state.textY = kMargin + (top - textH) / 2;
  int buttonsW = hasCancel ? 2 * kButtonW + kButtonGap : kButtonW;
  int clientW = std::max({state.textX + textW + kMargin, buttonsW + 2 * kMargin, 180});
  int clientH = kMargin + top + kMargin + kButtonH + kMargin;

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_DLGMODALFRAME | ((type & MB_TOPMOST) ? WS_EX_TOPMOST : 0);
  RECT r{0, 0, clientW, clientH};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  int w = r.right - r.left, h = r.bottom - r.top;
  RECT around;
  if (!owner || !GetWindowRect(owner, &around)) GetWindowRect(GetDesktopWindow(), &around);
  int x = around.left + (around.right - around.left - w) / 2;
  int y = around.top + (around.bottom - around.top - h) / 2;

  HWND box = CreateWindowExA(exStyle, kMessageBoxClass, title.c_str(), style, x, y, w, h, owner,
                             nullptr, nullptr, nullptr);
  if (!box) {
    DeleteObject(state.font);
    return automatic ? IDOK : 0;
  }
  Boxes().open[box] = std::move(state);
  HFONT font = Boxes().open[box].font;
  int bx = (clientW - buttonsW) / 2, by = clientH - kMargin - kButtonH;
  HWND ok =
      CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, bx, by, kButtonW,
                      kButtonH, box, reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
  SendMessageA(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (hasCancel) {
    HWND cancel = CreateWindowExA(0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                  bx + kButtonW + kButtonGap, by, kButtonW, kButtonH, box,
                                  reinterpret_cast<HMENU>(IDCANCEL), nullptr, nullptr);
    SendMessageA(cancel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(box, SW_SHOW);
  SetFocus(ok);

  int result = IDOK;
  if (automatic) {
    PaintNow(GetWindow(box));
    if (!Boxes().captureDir.empty()) {
      std::string path =
          Boxes().captureDir + "/msgbox-" + std::to_string(++Boxes().captureCount) + ".png";
      testing_hooks::SaveWindowPng(box, path);
    }
  } else {
    RunModalLoop(
        box,
        [box] {
          auto it = Boxes().open.find(box);
          return it == Boxes().open.end() || it->second.ended;
        },
        BoxKey);
    if (auto it = Boxes().open.find(box); it != Boxes().open.end()) result = it->second.result;
  }
  if (ownerWasEnabled && IsWindow(owner)) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  if (IsWindow(box)) DestroyWindow(box);
  return result;
}

namespace testing_hooks {

void SetMessageBoxAutoAnswer(bool on) { Boxes().policy = on ? Policy::On : Policy::Off; }

const std::vector<MessageBoxRecord>& MessageBoxes() { return Boxes().records; }

void ClearMessageBoxes() { Boxes().records.clear(); }

void SetMessageBoxCaptureDir(const std::string& dir) {
  Boxes().captureDir = dir;
  Boxes().captureCount = 0;
}

}  // namespace testing_hooks
