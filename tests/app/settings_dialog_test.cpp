#include <strings.h>

#include <functional>
#include <string>
#include <vector>

#include "app/strings.h"
#include "app_fixture.h"

namespace {

// Runs the settings dialog the way RunApplication does. Each idle pass of
// the dialog's loop calls the next step with the dialog window; a step that
// injects input is followed by the next one once that input is handled.
struct DialogRun {
  INT_PTR result = -100;
  AppSettings settings;
};

DialogRun RunDialog(std::vector<std::function<void(HWND)>> steps) {
  DialogRun run;
  SettingsDialogState state = {};
  state.instance = GetModuleHandleA(nullptr);
  state.settings = &run.settings;
  size_t next = 0;
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (active == nullptr) return;
    if (next < steps.size()) {
      steps[next++](active);
    } else {
      ADD_FAILURE() << "dialog still open after the last step";
      EndDialog(active, -2);
    }
  });
  run.result = DialogBoxParamA(state.instance, "DIALOGWND", nullptr, SettingsDialogProc,
                               reinterpret_cast<LPARAM>(&state));
  testing_hooks::SetIdleHandler({});
  EXPECT_EQ(state.splash, nullptr);
  EXPECT_EQ(state.splashDC, nullptr);
  return run;
}

std::string TextOf(HWND window) {
  char buffer[256] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

bool Checked(HWND dialog, int id) {
  return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ClickId(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  ASSERT_NE(control, nullptr);
  RECT rc;
  GetWindowRect(control, &rc);
  POINT p = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ScreenToClient(dialog, &p);
  testing_hooks::InjectClick(p.x, p.y);
}

using SettingsDialogTest = AppTest;

struct ControlRow {
  const char* cls;
  const char* text;
  DWORD style;
  LONG x, y, width, height;
  int id;
};

TEST_F(SettingsDialogTest, CreatesTheControlsInOrderWithTheirPlacesAndMarks) {
  DialogRun run = RunDialog({[&](HWND dialog) {
    EXPECT_EQ(TextOf(dialog), kDialogCaption);
    RECT window;
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.right - window.left, 336);
    EXPECT_EQ(window.bottom - window.top, 390);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(window.left, (desktop.right - 336) / 2);
    EXPECT_EQ(window.top, (desktop.bottom - 390) / 2);

    RECT client;
    GetClientRect(dialog, &client);
    const ControlRow rows[] = {
        {"BUTTON", kWindowGroupText, 0x50000007, 5, 255, 157, 80, 0},
        {"BUTTON", kWindowedText, 0x50020009, 15, 275, 140, 12, kIdWindowed},
        {"BUTTON", kFullScreenText, 0x50000009, 15, 295, 140, 12, kIdFullScreen},
        {"Static", kEscNoteText, WS_CHILD | WS_VISIBLE, 20, 315, 130, 15, 0},
        {"BUTTON", kAntiAliasGroupText, 0x50000007, 168, 255, 157, 80, 0},
        {"BUTTON", kAntiAliasOnText, 0x50020009, 178, 275, 140, 12, kIdAntiAliasOn},
        {"BUTTON", kAntiAliasOffText, 0x50000009, 178, 295, 140, 12, kIdAntiAliasOff},
        {"BUTTON", "OK", WS_CHILD | WS_VISIBLE, client.right - 130, client.bottom - 25, 60, 20,
         kIdOk},
        {"BUTTON", "Cancel", WS_CHILD | WS_VISIBLE, client.right - 65, client.bottom - 25, 60, 20,
         kIdCancel},
    };
    std::vector<HWND> children = testing_hooks::ChildWindows(dialog);
    ASSERT_EQ(children.size(), std::size(rows));
    for (size_t i = 0; i < children.size(); ++i) {
      SCOPED_TRACE(i);
      HWND child = children[i];
      EXPECT_EQ(strcasecmp(testing_hooks::WindowClassName(child).c_str(), rows[i].cls), 0)
          << testing_hooks::WindowClassName(child);
      EXPECT_EQ(TextOf(child), rows[i].text);
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)), rows[i].style);
      EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE), 0);
      EXPECT_EQ(GetWindowLongA(child, GWL_ID), rows[i].id);
      RECT rc = ClientRectOf(child);
      EXPECT_EQ(rc.left, rows[i].x);
      EXPECT_EQ(rc.top, rows[i].y);
      EXPECT_EQ(rc.right - rc.left, rows[i].width);
      EXPECT_EQ(rc.bottom - rc.top, rows[i].height);
      EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)),
                GetStockObject(DEFAULT_GUI_FONT));
    }
    EXPECT_TRUE(Checked(dialog, kIdWindowed));
    EXPECT_FALSE(Checked(dialog, kIdFullScreen));
    EXPECT_TRUE(Checked(dialog, kIdAntiAliasOn));
    EXPECT_FALSE(Checked(dialog, kIdAntiAliasOff));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kIdAntiAliasOn)));
    SavePng(dialog, "settings-dialog.png");
    ClickId(dialog, kIdCancel);
  }});
  EXPECT_EQ(run.result, 2);
}

TEST_F(SettingsDialogTest, OkWithDefaultsGivesWindowedAndAntiAlias) {
  DialogRun run = RunDialog({[](HWND dialog) { ClickId(dialog, kIdOk); }});
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.settings.windowed, 1);
  EXPECT_EQ(run.settings.antiAlias, 1);
}

TEST_F(SettingsDialogTest, OkReturnsTheMarkedChoices) {
  DialogRun run = RunDialog({[](HWND dialog) {
                               ClickId(dialog, kIdFullScreen);
                               ClickId(dialog, kIdAntiAliasOff);
                             },
                             [](HWND dialog) {
                               EXPECT_FALSE(Checked(dialog, kIdWindowed));
                               EXPECT_TRUE(Checked(dialog, kIdFullScreen));
                               EXPECT_FALSE(Checked(dialog, kIdAntiAliasOn));
                               EXPECT_TRUE(Checked(dialog, kIdAntiAliasOff));
                               ClickId(dialog, kIdOk);
                             }});
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.settings.windowed, 0);
  EXPECT_EQ(run.settings.antiAlias, 0);
}

TEST_F(SettingsDialogTest, EnterAndEscDoNothing) {
  DialogRun run = RunDialog({[](HWND) { testing_hooks::InjectKey(VK_RETURN); },
                             [](HWND) { testing_hooks::InjectKey(VK_ESCAPE); },
                             [](HWND dialog) {
                               EXPECT_TRUE(IsWindowVisible(dialog));
                               ClickId(dialog, kIdCancel);
                             }});
  EXPECT_EQ(run.result, 2);
  EXPECT_EQ(run.settings.windowed, 1);
  EXPECT_EQ(run.settings.antiAlias, 1);
}

TEST_F(SettingsDialogTest, WithoutMultisamplingTheRadiosAreGreyedAndKeepTheirMarks) {
  testing_hooks::SetSupportedMultisamples({});
  DialogRun run = RunDialog({[](HWND dialog) {
                               EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdAntiAliasOn)));
                               EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdAntiAliasOff)));
                               EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kIdWindowed)));
                               SavePng(dialog, "settings-dialog-greyed.png");
                               ClickId(dialog, kIdAntiAliasOff);  // greyed: ignored
                             },
                             [](HWND dialog) {
                               EXPECT_TRUE(Checked(dialog, kIdAntiAliasOn));
                               EXPECT_FALSE(Checked(dialog, kIdAntiAliasOff));
                               ClickId(dialog, kIdOk);
                             }});
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.settings.antiAlias, 1);
}

TEST(ProbeMultiSampleTest, ReportsTheHighestSupportedCount) {
  const struct {
    std::vector<int> supported;
    int expected;
  } cases[] = {{{2, 4, 8}, 8}, {{2, 4}, 4}, {{2}, 2}, {{4}, 4}, {{}, 0}};
  for (const auto& c : cases) {
    testing_hooks::SetSupportedMultisamples(c.supported);
    EXPECT_EQ(ProbeMultiSample(), c.expected);
  }
  testing_hooks::SetSupportedMultisamples({2, 4, 8});
}

}  // namespace
