#include "app/cli/automation.h"

#include <mmsystem.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/app.h"
#include "testing.h"

namespace {

struct AutomationState {
  AutomationOptions options;
  bool dialogAnswered = false;
  HWND mainWindow = nullptr;
  DWORD mainStart = 0;
  bool mainCaptured = false;
  bool ended = false;
  long frames = 0;
};

AutomationState g_run;

bool ParseInt(const std::string& text, int low, int high, int* out) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return false;
  *out = static_cast<int>(value);
  return true;
}

// Centre of a control of the dialog, in the dialog's client coordinates.
bool ControlCentre(HWND dialog, int id, int* x, int* y) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return false;
  RECT rc;
  GetWindowRect(control, &rc);
  POINT p = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ScreenToClient(dialog, &p);
  *x = p.x;
  *y = p.y;
  return true;
}

void Capture(HWND window, const char* name) {
  if (g_run.options.captureDir.empty() || window == nullptr) return;
  std::string path = g_run.options.captureDir + "/" + name;
  if (testing_hooks::SaveWindowPng(window, path))
    std::fprintf(stderr, "morvane: wrote %s\n", path.c_str());
}

// The dialog is answered like a person would: click the chosen radios, then
// OK. Greyed radios ignore the click, as they would for a person.
void OnIdle(HWND active) {
  if (g_run.dialogAnswered || active == nullptr) return;
  int x, y;
  if (!ControlCentre(active, kIdOk, &x, &y)) return;
  int radioX, radioY;
  int windowedId = g_run.options.windowed ? kIdWindowed : kIdFullScreen;
  int aaId = g_run.options.antiAlias ? kIdAntiAliasOn : kIdAntiAliasOff;
  if (ControlCentre(active, windowedId, &radioX, &radioY))
    testing_hooks::InjectClick(radioX, radioY);
  if (ControlCentre(active, aaId, &radioX, &radioY)) testing_hooks::InjectClick(radioX, radioY);
  Capture(active, "dialog.png");
  testing_hooks::InjectClick(x, y);
  g_run.dialogAnswered = true;
}

// Between frames: count them, capture the window once, and hold Esc when the
// run's time is up.
void OnPeek() {
  if (!g_run.dialogAnswered || g_run.ended) return;
  HWND active = GetActiveWindow();
  if (g_run.mainWindow == nullptr) {
    if (active == nullptr || GetDlgItem(active, kIdOk) != nullptr) return;
    g_run.mainWindow = active;
    g_run.mainStart = timeGetTime();
    std::fprintf(stderr, "morvane: main window open\n");
  }
  ++g_run.frames;
  DWORD elapsed = timeGetTime() - g_run.mainStart;
  if (!g_run.mainCaptured && elapsed >= 500) {
    Capture(g_run.mainWindow, "main-window.png");
    g_run.mainCaptured = true;
  }
  if (elapsed >= static_cast<DWORD>(g_run.options.seconds) * 1000) {
    testing_hooks::SetKeyDown(VK_ESCAPE, true);
    g_run.ended = true;
  }
}

}  // namespace

std::string AutomationUsage() {
  return "usage: morvane [--windowed 0|1] [--antialias 0|1] [--seconds N] [--capture DIR]\n"
         "               [--display] [--sound]\n"
         "With no arguments the program runs as a desktop program and asks its settings\n"
         "in a dialog. With arguments it runs unattended: the dialog is answered with the\n"
         "given choices, the run lasts N seconds (default 3), PNG captures of the dialog\n"
         "and main window go to DIR. Windows are drawn offscreen unless --display is given,\n"
         "and sound goes to SDL's dummy audio driver unless --sound is given.\n";
}

bool ParseAutomationOptions(const std::vector<std::string>& args, AutomationOptions* options,
                            bool* help, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const char* what) -> const std::string* {
      if (i + 1 >= args.size()) {
        *error = std::string("missing value for ") + what;
        return nullptr;
      }
      return &args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      *help = true;
    } else if (arg == "--windowed" || arg == "--antialias") {
      const std::string* v = value(arg.c_str());
      int* target = arg == "--windowed" ? &options->windowed : &options->antiAlias;
      if (v == nullptr) return false;
      if (!ParseInt(*v, 0, 1, target)) {
        *error = arg + " takes 0 or 1, not '" + *v + "'";
        return false;
      }
    } else if (arg == "--seconds") {
      const std::string* v = value("--seconds");
      if (v == nullptr) return false;
      if (!ParseInt(*v, 0, 86400, &options->seconds)) {
        *error = "--seconds takes a whole number of seconds, not '" + *v + "'";
        return false;
      }
    } else if (arg == "--capture") {
      const std::string* v = value("--capture");
      if (v == nullptr) return false;
      options->captureDir = *v;
    } else if (arg == "--display") {
      options->headless = false;
    } else if (arg == "--sound") {
      options->sound = true;
    } else {
      *error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}

void InstallAutomation(const AutomationOptions& options) {
  g_run = AutomationState{};
  g_run.options = options;
  testing_hooks::SetMessageBoxAutoAnswer(true);
  if (!options.captureDir.empty()) testing_hooks::SetMessageBoxCaptureDir(options.captureDir);
  testing_hooks::SetIdleHandler(OnIdle);
  testing_hooks::SetPeekHandler(OnPeek);
}

int ReportAutomation() {
  const auto& boxes = testing_hooks::MessageBoxes();
  for (const auto& box : boxes)
    std::printf("message: %s: %s\n", testing_hooks::Cp932ToUtf8(box.caption).c_str(),
                testing_hooks::Cp932ToUtf8(box.text).c_str());
  std::printf("dialog: %s\n", g_run.dialogAnswered ? "answered" : "not shown");
  std::printf("main window: %s, %ld message-loop passes\n",
              g_run.mainWindow ? "opened" : "not opened", g_run.frames);
  std::printf("built: dialog, main window, Direct3D and DirectSound devices, archive; frames are\n"
              "cleared and presented\n"
              "not built yet: loading the data files, the effect, drawing the scene, music, scoring\n");
  return g_run.dialogAnswered && g_run.mainWindow && boxes.empty() ? 0 : 1;
}
