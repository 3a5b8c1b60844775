#include "data/open_error.h"

#include <cstdio>

namespace {

// "ファイルのオープンに失敗しました\n\"%s\""
constexpr char kOpenFailedFormat[] =
    "\203t\203@\203C\203\213\202\314\203I\201[\203v\203\223\202\311\216\270\224s\202\265\202\334"
    "\202\265\202\275\n\"%s\"";
constexpr char kOpenFailedCaption[] = "Error!!";

bool g_enabled = false;
HWND g_owner = nullptr;

}  // namespace

void EnableOpenError(HWND owner) {
  g_owner = owner;
  g_enabled = true;
}

void DisableOpenError() {
  g_enabled = false;
  g_owner = nullptr;
}

void ShowOpenError(const char* fileName) {
  if (!g_enabled) return;
  char text[1024];
  std::snprintf(text, sizeof text, kOpenFailedFormat, fileName ? fileName : "");
  MessageBoxA(g_owner, text, kOpenFailedCaption, MB_OK | MB_ICONERROR | MB_TOPMOST);
}
