// The program as a child process, for the tests that need a process of their
// own: signals from outside, the display without a display, and what the
// platform does when the process ends. The parent reads progress lines on
// stdout; each line is flushed at once.
//
//   app_child plain          WinMain as the plain program runs it
//   app_child dialog         the dialog, left waiting
//   app_child run [full] [slow]
//                            the dialog answered (full screen with "full"),
//                            then the main loop until something ends it;
//                            "slow" then waits 30 s as a long teardown would
//   app_child exit-restore   switches to full screen and returns from main
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "testing.h"

namespace {

void Say(const char* format, int a = 0, int b = 0) {
  std::printf(format, a, b);
  std::fflush(stdout);
}

void SayMode(const char* label) {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  std::printf("%s %lux%lu\n", label, static_cast<unsigned long>(mode.dmPelsWidth),
              static_cast<unsigned long>(mode.dmPelsHeight));
  std::fflush(stdout);
}

void Click(HWND dialog, int id) {
  RECT rc;
  GetWindowRect(GetDlgItem(dialog, id), &rc);
  POINT p = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ScreenToClient(dialog, &p);
  testing_hooks::InjectClick(p.x, p.y);
}

bool IsDialog(HWND window) { return window != nullptr && GetDlgItem(window, kIdOk) != nullptr; }

int RunDialogOnly() {
  bool said = false;
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (!said && IsDialog(active)) Say("dialog\n");
    said = said || IsDialog(active);
  });
  BenchmarkApp app;
  RunApplication(GetModuleHandleA(nullptr), &app);
  Say("ended window=%d signal=%d\n", app.window != nullptr, testing_hooks::StopSignal());
  return 1;
}

int RunMainLoop(bool fullScreen, bool slowTeardown) {
  testing_hooks::SetDisplayModes({{kFrameWidth, kFrameHeight, 32, 60}, {1024, 768, 32, 60}});
  SayMode("desktop");
  bool answered = false, running = false;
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (answered || !IsDialog(active)) return;
    if (fullScreen) Click(active, kIdFullScreen);
    Click(active, kIdOk);
    answered = true;
  });
  testing_hooks::SetPeekHandler([&]() {
    if (!running && answered && GetActiveWindow() && !IsDialog(GetActiveWindow())) {
      running = true;
      SayMode("running");
    }
  });
  {
    BenchmarkApp app;
    RunApplication(GetModuleHandleA(nullptr), &app);
    Say("ended closed=%d signal=%d\n", app.window != nullptr && !IsWindow(app.window),
        testing_hooks::StopSignal());
    SayMode("after");
  }
  if (slowTeardown) {
    Say("tearing down\n");
    sleep(30);
    Say("finished\n");
  }
  return 1;
}

void SayModeAtExit() { SayMode("at exit"); }

int SwitchAndExit() {
  testing_hooks::SetDisplayModes({{kFrameWidth, kFrameHeight, 32, 60}, {1024, 768, 32, 60}});
  // Registered before the platform's own exit handler, so it runs after it.
  std::atexit(SayModeAtExit);
  SayMode("desktop");
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = kFrameWidth;
  mode.dmPelsHeight = kFrameHeight;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 3;
  SayMode("switched");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  auto has = [&](const char* word) {
    for (int i = 2; i < argc; ++i) {
      if (std::strcmp(argv[i], word) == 0) return true;
    }
    return false;
  };
  if (mode == "plain") return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), 1);
  testing_hooks::SetMessageBoxAutoAnswer(true);
  if (mode == "dialog") return RunDialogOnly();
  if (mode == "run") return RunMainLoop(has("full"), has("slow"));
  if (mode == "exit-restore") return SwitchAndExit();
  std::fprintf(stderr, "app_child: unknown mode '%s'\n", mode.c_str());
  return 2;
}

// As in the test main: SDL's optional libraries stay loaded, so that
// LeakSanitizer reports only this program's own allocations.
extern "C" int dlclose(void*) { return 0; }

// D-Bus, which SDL starts while probing for a display, keeps a buffer that
// LeakSanitizer sees as lost when no display starts.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
