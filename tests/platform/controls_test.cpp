// BUTTON and Static controls: radio groups, disabled controls, push
// buttons, and how a settings dialog built from them looks.
#include <deque>

#include "platform/win32_fixture.h"
#include "win32/resource_registry.h"

namespace {

using namespace win32_test;

struct Control {
  const char* cls;
  const char* text;
  DWORD style;
  int x, y, w, h, id;
};

// Two radio groups inside group boxes, as a settings dialog lays them out.
const Control kControls[] = {
    {"BUTTON", "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x90\xdd\x92\xe8", 0x50000007, 5, 5, 157,
     80, 0},
    {"BUTTON", "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45", 0x50020009, 15, 25, 140, 12, 0x1002},
    {"BUTTON", "\x83\x74\x83\x8b\x83\x58\x83\x4e\x83\x8a\x81\x5b\x83\x93", 0x50000009, 15, 45, 140,
     12, 0x1003},
    {"Static",
     "\x81\xa6"
     "Esc\x83\x4c\x81\x5b\x82\xc5\x8f\x49\x97\xb9\x82\xc5\x82\xab\x82\xdc\x82\xb7",
     0x50000000, 20, 65, 130, 15, 0},
    {"BUTTON", "\x83\x41\x83\x93\x83\x60\x83\x47\x83\x43\x83\x8a\x83\x41\x83\x58\x90\xdd\x92\xe8",
     0x50000007, 168, 5, 157, 80, 0},
    {"BUTTON", "\x83\x41\x83\x93\x83\x60\x83\x47\x83\x43\x83\x8a\x83\x41\x83\x58\x97\x4c\x82\xe8",
     0x50020009, 178, 25, 140, 12, 0x1004},
    {"BUTTON", "\x83\x41\x83\x93\x83\x60\x83\x47\x83\x43\x83\x8a\x83\x41\x83\x58\x96\xb3\x82\xb5",
     0x50000009, 178, 45, 140, 12, 0x1005},
    {"BUTTON", "OK", 0x50000000, 200, 95, 60, 20, 0x1000},
    {"BUTTON", "Cancel", 0x50000000, 265, 95, 60, 20, 0x1001},
};

std::vector<std::pair<WORD, WORD>> commands;  // (id, code) from WM_COMMAND

LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND) commands.push_back({LOWORD(w), HIWORD(w)});
  return DefWindowProcA(h, m, w, l);
}

void CreateControls(HWND parent) {
  for (const Control& c : kControls) {
    HWND h =
        CreateWindowExA(0, c.cls, c.text, c.style, c.x, c.y, c.w, c.h, parent,
                        reinterpret_cast<HMENU>(static_cast<uintptr_t>(c.id)), nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  SendMessageA(GetDlgItem(parent, 0x1002), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(GetDlgItem(parent, 0x1004), BM_SETCHECK, BST_CHECKED, 0);
}

class ControlsTest : public Win32Test {
 protected:
  HWND MakeParent() {
    commands.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = "ControlParent";
    RegisterClassA(&wc);
    HWND p = CreateWindowExA(0, "ControlParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 336, 130, nullptr,
                             nullptr, nullptr, nullptr);
    CreateControls(p);
    Pump();
    return p;
  }
  static UINT Check(HWND p, int id) { return IsDlgButtonChecked(p, id); }
};

TEST_F(ControlsTest, RadioClicksStayWithinTheirGroup) {
  HWND p = MakeParent();
  testing_hooks::InjectClick(20, 50);  // second radio of the first group
  Pump();
  EXPECT_EQ(Check(p, 0x1002), 0u);
  EXPECT_EQ(Check(p, 0x1003), 1u);
  EXPECT_EQ(Check(p, 0x1004), 1u);  // other group untouched
  EXPECT_EQ(Check(p, 0x1005), 0u);
  testing_hooks::InjectClick(185, 50);
  testing_hooks::InjectClick(20, 30);
  Pump();
  EXPECT_EQ(Check(p, 0x1002), 1u);
  EXPECT_EQ(Check(p, 0x1003), 0u);
  EXPECT_EQ(Check(p, 0x1004), 0u);
  EXPECT_EQ(Check(p, 0x1005), 1u);
  std::vector<std::pair<WORD, WORD>> want{
      {0x1003, BN_CLICKED}, {0x1005, BN_CLICKED}, {0x1002, BN_CLICKED}};
  EXPECT_EQ(commands, want);
}

TEST_F(ControlsTest, DisabledRadioIgnoresClicksAndKeepsItsMark) {
  HWND p = MakeParent();
  HWND on = GetDlgItem(p, 0x1004), off = GetDlgItem(p, 0x1005);
  EXPECT_EQ(EnableWindow(on, FALSE), FALSE);
  EXPECT_EQ(EnableWindow(off, FALSE), FALSE);
  Pump();
  testing_hooks::InjectClick(185, 50);
  testing_hooks::InjectClick(185, 30);
  Pump();
  EXPECT_EQ(Check(p, 0x1004), 1u);
  EXPECT_EQ(Check(p, 0x1005), 0u);
  EXPECT_TRUE(commands.empty());
  // The mark is still drawn: grey dot in the middle of the circle.
  EXPECT_EQ(PixelAt(p, 178 + 5, 25 + 5), Rgb(GetSysColor(COLOR_GRAYTEXT)));
  EXPECT_EQ(PixelAt(p, 15 + 5, 25 + 5), Rgb(GetSysColor(COLOR_BTNTEXT)));
  EXPECT_EQ(PixelAt(p, 15 + 5, 45 + 5), Rgb(GetSysColor(COLOR_WINDOW)));
  EXPECT_NE(EnableWindow(on, TRUE), FALSE);
}

TEST_F(ControlsTest, PushButtonCommandsOnlyWhenReleasedInside) {
  HWND p = MakeParent();
  testing_hooks::InjectClick(210, 100);
  Pump();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0], (std::pair<WORD, WORD>{0x1000, BN_CLICKED}));
  HWND ok = GetDlgItem(p, 0x1000);
  SendMessageA(ok, WM_LBUTTONDOWN, 1, MAKELPARAM(5, 5));
  SendMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(70, 5));
  EXPECT_EQ(commands.size(), 1u);
  HWND box = CreateWindowExA(0, "button", "chk", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 5, 100,
                             60, 14, p, reinterpret_cast<HMENU>(77), nullptr, nullptr);
  SendMessageA(box, WM_LBUTTONDOWN, 1, MAKELPARAM(3, 3));
  SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(IsDlgButtonChecked(p, 77), 1u);
}

// The settings dialog as the program builds it, saved for a person to look at.
INT_PTR CALLBACK SettingsProc(HWND h, UINT m, WPARAM, LPARAM) {
  if (m == WM_INITDIALOG) {
    MoveWindow(h, 100, 100, 336, 160, TRUE);
    SetWindowTextA(h, "\x90\xdd\x92\xe8");
    CreateControls(h);
    EnableWindow(GetDlgItem(h, 0x1004), FALSE);
    EnableWindow(GetDlgItem(h, 0x1005), FALSE);
    return TRUE;
  }
  return FALSE;
}

TEST_F(ControlsTest, SettingsDialogImage) {
  static std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> b(18, 0);
    DWORD style = WS_CAPTION | DS_SETFONT;
    for (int i = 0; i < 4; ++i)
      b[static_cast<size_t>(i)] = static_cast<unsigned char>(style >> (8 * i));
    const char16_t face[] = u"MS Shell Dlg";
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 12, 0});  // menu, class, title, point size
    for (char16_t c : face) b.insert(b.end(), {static_cast<unsigned char>(c), 0});
    return b;
  }();
  static win32::ModuleResource res{{nullptr, 5}, {"DIALOGWND", 0}, bytes.data(), bytes.size()};
  win32::RegisterModuleResources(&res, 1);
  std::string out = OutDir();
  bool saved = false;
  uint32_t caption = 0, face = 0;
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (!out.empty()) saved = testing_hooks::SaveWindowPng(active, out + "/controls-dialog.png");
    caption = PixelAt(active, 3, 10);  // left end of the caption gradient
    face = PixelAt(active, 330, 140);
    EndDialog(active, 1);
  });
  EXPECT_EQ(DialogBoxParamA(nullptr, "DIALOGWND", nullptr, SettingsProc, 0), 1);
  EXPECT_EQ(face, Rgb(GetSysColor(COLOR_3DFACE)));
  EXPECT_EQ(caption, Rgb(GetSysColor(COLOR_ACTIVECAPTION)));
  if (!out.empty()) {
    EXPECT_TRUE(saved);
  }
}

}  // namespace
