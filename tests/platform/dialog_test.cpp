// Modal dialogs from DLGTEMPLATE resources: parsing, the modal loop, the
// dialog keyboard and EndDialog.
#include <deque>
#include <memory>

#include "platform/win32_fixture.h"
#include "win32/resource_registry.h"

namespace {

using namespace win32_test;

// Builds DLGTEMPLATE bytes the way the resource compiler stores them.
class TemplateBuilder {
 public:
  TemplateBuilder(DWORD style, short cx, short cy, const std::u16string& title) {
    Dword(style);
    Dword(0);
    countAt_ = bytes_.size();
    Word(0);
    Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(0);  // menu
    Word(0);  // class
    String(title);
    if (style & DS_SETFONT) {
      Word(12);
      String(u"MS Shell Dlg");
    }
  }
  TemplateBuilder& Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
                        const std::u16string& text) {
    while (bytes_.size() % 4) bytes_.push_back(0);
    Dword(style);
    Dword(0);
    Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)),
        Word(static_cast<WORD>(cy)), Word(id);
    Word(0xFFFF), Word(cls);
    String(text);
    Word(0);
    ++count_;
    bytes_[countAt_] = static_cast<unsigned char>(count_);
    return *this;
  }
  std::vector<unsigned char> Bytes() const { return bytes_; }

 private:
  void Word(WORD w) {
    bytes_.push_back(static_cast<unsigned char>(w & 0xFF));
    bytes_.push_back(static_cast<unsigned char>(w >> 8));
  }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d & 0xFFFF));
    Word(static_cast<WORD>(d >> 16));
  }
  void String(const std::u16string& s) {
    for (char16_t c : s) Word(static_cast<WORD>(c));
    Word(0);
  }
  std::vector<unsigned char> bytes_;
  size_t countAt_ = 0;
  int count_ = 0;
};

// Registers a template under `name`; storage lives for the process.
void RegisterDialog(const char* name, std::vector<unsigned char> bytes) {
  static std::deque<std::vector<unsigned char>> store;
  static std::deque<win32::ModuleResource> table;
  store.push_back(std::move(bytes));
  table.push_back(
      win32::ModuleResource{{nullptr, 5}, {name, 0}, store.back().data(), store.back().size()});
  win32::RegisterModuleResources(&table.back(), 1);
}

std::vector<std::pair<UINT, WPARAM>> dialogLog;
LPARAM initParam = 0;
HWND dialogHandle = nullptr;

INT_PTR CALLBACK LoggingDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_INITDIALOG) {
    dialogHandle = h;
    initParam = l;
    SetWindowLongPtrA(h, GWLP_USERDATA, l);
    return TRUE;
  }
  if (m == WM_COMMAND) {
    dialogLog.push_back({m, w});
    return TRUE;
  }
  return FALSE;
}

class DialogTest : public Win32Test {
 protected:
  void SetUp() override {
    Win32Test::SetUp();
    dialogLog.clear();
    dialogHandle = nullptr;
    initParam = 0;
  }
};

TEST_F(DialogTest, EnterAndEscapeBecomeOkAndCancelCommands) {
  RegisterDialog("KEYS", TemplateBuilder(WS_CAPTION | DS_SETFONT, 100, 60, u"").Bytes());
  std::vector<int> script{VK_RETURN, VK_ESCAPE, 'X'};
  int step = 0;
  bool ownerDisabledDuringLoop = false;
  HWND owner = Popup(50, 50);
  LONG_PTR userData = 0;
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (step < static_cast<int>(script.size())) {
      EXPECT_EQ(active, dialogHandle);
      testing_hooks::InjectKey(script[static_cast<size_t>(step++)]);
      return;
    }
    ownerDisabledDuringLoop = !IsWindowEnabled(owner);
    userData = GetWindowLongPtrA(active, GWLP_USERDATA);
    EndDialog(active, 7);
  });
  INT_PTR r = DialogBoxParamA(nullptr, "keys", owner, LoggingDialogProc, 1234);
  EXPECT_EQ(r, 7);
  EXPECT_EQ(initParam, 1234);
  EXPECT_EQ(userData, 1234);
  std::vector<std::pair<UINT, WPARAM>> want{{WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
                                            {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)}};
  EXPECT_EQ(dialogLog, want);
  EXPECT_TRUE(ownerDisabledDuringLoop);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindow(dialogHandle));
}

TEST_F(DialogTest, MissingMalformedOrTruncatedTemplatesFail) {
  EXPECT_EQ(DialogBoxParamA(nullptr, "NOSUCH", nullptr, LoggingDialogProc, 0), -1);

  std::vector<unsigned char> full =
      TemplateBuilder(WS_CAPTION | DS_SETFONT, 100, 60, u"T")
          .Item(WS_VISIBLE | BS_PUSHBUTTON, 5, 5, 40, 14, IDOK, 0x80, u"OK")
          .Bytes();
  static const char* names[] = {"CUT0", "CUT1", "CUT2", "CUT3", "CUT4", "CUT5", "CUT6"};
  const size_t cuts[] = {0, 3, 10, 17, 30, full.size() - 10, full.size() - 1};
  for (size_t i = 0; i < std::size(cuts); ++i) {
    RegisterDialog(names[i], std::vector<unsigned char>(full.begin(), full.begin() + cuts[i]));
    EXPECT_EQ(DialogBoxParamA(nullptr, names[i], nullptr, LoggingDialogProc, 0), -1) << cuts[i];
  }
  // An item of a class the layer does not provide (edit control).
  RegisterDialog("EDIT", TemplateBuilder(WS_CAPTION, 100, 60, u"")
                             .Item(WS_VISIBLE, 5, 5, 40, 14, 10, 0x81, u"")
                             .Bytes());
  EXPECT_EQ(DialogBoxParamA(nullptr, "EDIT", nullptr, LoggingDialogProc, 0), -1);
  EXPECT_EQ(dialogHandle, nullptr);

  HWND gone = Popup(10, 10);
  DestroyWindow(gone);
  RegisterDialog("GOOD", full);
  EXPECT_EQ(DialogBoxParamA(nullptr, "GOOD", gone, LoggingDialogProc, 0), 0);
}

TEST_F(DialogTest, TemplateControlsAreCreatedAndEnterGoesToFocusedButton) {
  RegisterDialog("CTRLS", TemplateBuilder(WS_CAPTION | DS_SETFONT, 120, 80, u"\u8a2d\u5b9a")
                              .Item(WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 5, 50, 40, 14, 0x1000,
                                    0x80, u"OK")
                              .Item(WS_VISIBLE, 5, 5, 100, 10, 0x20, 0x82, u"text")
                              .Bytes());
  int step = 0;
  HWND okButton = nullptr;
  char title[16] = {};
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (step++ == 0) {
      okButton = GetDlgItem(active, 0x1000);
      EXPECT_NE(GetDlgItem(active, 0x20), nullptr);
      EXPECT_EQ(GetFocus(), okButton);
      GetWindowTextA(active, title, sizeof title);
      testing_hooks::InjectKey(VK_RETURN);
    } else {
      EndDialog(active, 3);
    }
  });
  EXPECT_EQ(DialogBoxParamA(nullptr, "CTRLS", nullptr, LoggingDialogProc, 0), 3);
  ASSERT_NE(okButton, nullptr);
  EXPECT_STREQ(title, "\x90\xdd\x92\xe8");
  ASSERT_EQ(dialogLog.size(), 1u);
  EXPECT_EQ(dialogLog[0].second, MAKEWPARAM(0x1000, BN_CLICKED));
}

}  // namespace
