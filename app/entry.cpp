// The entry point and the run: dialog, start-up, message loop, teardown.
#include "app/app.h"
#include "app/strings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*prevInstance*/, LPSTR /*cmdLine*/,
                   int /*showCmd*/) {
  BenchmarkApp app;
  RunApplication(instance, &app);
  return 1;
}

int RunApplication(HINSTANCE instance, BenchmarkApp* app) {
  AppSettings settings;
  SettingsDialogState state = {};
  state.instance = instance;
  state.settings = &settings;

  if (DialogBoxParamA(instance, "DIALOGWND", nullptr, SettingsDialogProc,
                      reinterpret_cast<LPARAM>(&state)) != 1)
    return 1;

  app->windowed = settings.windowed;
  app->antiAlias = settings.antiAlias;

  if (InitializeApp(app, instance) != 1) {
    MessageBoxA(nullptr, kInitFailedText, kErrorCaption, MB_OK | MB_ICONERROR);
    ReleaseApp(app);
    return 1;
  }

  // Pending messages always go first; frames run back to back while the
  // queue is empty.
  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (GetMessageA(&msg, nullptr, 0, 0) == 0) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else if (RenderFrame(app) == 0) {
      break;
    }
  }

  ReleaseApp(app);
  return 1;
}
