// The settings dialog: window or full screen, anti-aliasing on or off, the
// splash picture, OK and Cancel. Every control is created at run time.
#include "app/app.h"
#include "app/strings.h"

namespace {

constexpr int kDialogWidth = 336;
constexpr int kDialogHeight = 390;
constexpr DWORD kGroupBoxStyle = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kFirstRadioStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON;
constexpr DWORD kRadioStyle = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr DWORD kPushStyle = WS_CHILD | WS_VISIBLE;

HWND AddControl(SettingsDialogState* state, const char* cls, const char* text, DWORD style, int x,
                int y, int width, int height, int id) {
  HWND control =
      CreateWindowExA(0, cls, text, style, x, y, width, height, state->dialog,
                      reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), state->instance, nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return control;
}

void InitDialog(HWND dialog, SettingsDialogState* state) {
  state->dialog = dialog;
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  MoveWindow(dialog, (desktop.right - kDialogWidth) / 2, (desktop.bottom - kDialogHeight) / 2,
             kDialogWidth, kDialogHeight, TRUE);
  SetWindowTextA(dialog, kDialogCaption);

  AppSettings* settings = state->settings;

  AddControl(state, "BUTTON", kWindowGroupText, kGroupBoxStyle, 5, 255, 157, 80, 0);
  state->windowedRadio =
      AddControl(state, "BUTTON", kWindowedText, kFirstRadioStyle, 15, 275, 140, 12, kIdWindowed);
  state->fullScreenRadio =
      AddControl(state, "BUTTON", kFullScreenText, kRadioStyle, 15, 295, 140, 12, kIdFullScreen);
  AddControl(state, "Static", kEscNoteText, WS_CHILD | WS_VISIBLE, 20, 315, 130, 15, 0);
  SendMessageA(settings->windowed == 1 ? state->windowedRadio : state->fullScreenRadio, BM_SETCHECK,
               BST_CHECKED, 0);

  AddControl(state, "BUTTON", kAntiAliasGroupText, kGroupBoxStyle, 168, 255, 157, 80, 0);
  state->antiAliasOnRadio = AddControl(state, "BUTTON", kAntiAliasOnText, kFirstRadioStyle, 178,
                                       275, 140, 12, kIdAntiAliasOn);
  state->antiAliasOffRadio = AddControl(state, "BUTTON", kAntiAliasOffText, kRadioStyle, 178, 295,
                                        140, 12, kIdAntiAliasOff);
  SendMessageA(settings->antiAlias == 1 ? state->antiAliasOnRadio : state->antiAliasOffRadio,
               BM_SETCHECK, BST_CHECKED, 0);
  // Without multisampling the choice is shown but cannot be changed; the
  // marks stay as set.
  if (ProbeMultiSample() == 0) {
    EnableWindow(state->antiAliasOnRadio, FALSE);
    EnableWindow(state->antiAliasOffRadio, FALSE);
  }

  RECT client;
  GetClientRect(dialog, &client);
  AddControl(state, "BUTTON", "OK", kPushStyle, client.right - 130, client.bottom - 25, 60, 20,
             kIdOk);
  AddControl(state, "BUTTON", "Cancel", kPushStyle, client.right - 65, client.bottom - 25, 60, 20,
             kIdCancel);

  state->splash = static_cast<HBITMAP>(
      LoadImageA(state->instance, "STARTIMAGE", IMAGE_BITMAP, 0, 0, LR_SHARED));
  if (state->splash) {
    state->splashDC = CreateCompatibleDC(nullptr);
    SelectObject(state->splashDC, state->splash);
  }
  SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
}

// The "STARTIMAGE" bitmap's size, centred at the top of the dialog.
constexpr int kSplashWidth = 320;
constexpr int kSplashHeight = 240;
constexpr int kSplashTop = 5;

void PaintSplash(HWND dialog, SettingsDialogState* state) {
  HDC dc = GetDC(dialog);
  RECT client;
  GetClientRect(dialog, &client);
  BitBlt(dc, (client.right - kSplashWidth) / 2, kSplashTop, kSplashWidth, kSplashHeight,
         state->splashDC, 0, 0, SRCCOPY);
  ReleaseDC(dialog, dc);
}

void FreeSplash(SettingsDialogState* state) {
  DeleteDC(state->splashDC);
  DeleteObject(state->splash);
  state->splashDC = nullptr;
  state->splash = nullptr;
}

void HandleCommand(HWND dialog, SettingsDialogState* state, int id) {
  if ((id & 0xF000) != 0x1000) return;  // IDOK/IDCANCEL from Enter/Esc land here
  if (id == kIdOk) {
    state->settings->windowed =
        SendMessageA(state->windowedRadio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    state->settings->antiAlias =
        SendMessageA(state->antiAliasOnRadio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    FreeSplash(state);
    EndDialog(dialog, 1);
  } else if (id == kIdCancel) {
    FreeSplash(state);
    EndDialog(dialog, 2);
  }
}

}  // namespace

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog, reinterpret_cast<SettingsDialogState*>(lParam));
      return TRUE;
    case WM_PAINT: {
      auto* state =
          reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
      if (state) PaintSplash(dialog, state);
      return FALSE;  // default processing validates the window
    }
    case WM_COMMAND: {
      auto* state =
          reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
      if (state) HandleCommand(dialog, state, LOWORD(wParam));
      return TRUE;
    }
    default: return FALSE;
  }
}
