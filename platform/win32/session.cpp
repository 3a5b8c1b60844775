// How the layer meets the desktop session: which SDL video driver shows the
// windows, and what SIGINT and SIGTERM mean to a windowed program.
//
// Video: a driver named in SDL_VIDEODRIVER is used as given (the unattended
// mode and the tests choose "offscreen" that way). Otherwise only a real
// display will do: SDL's own order is tried without its headless drivers,
// and when none starts the reason goes to stderr on one line, so a program
// run without a display ends instead of waiting in windows nobody sees.
//
// Signals: the first SIGINT or SIGTERM asks the program to close. Modal
// loops (dialogs, message boxes) end as if closed; a dialog that ignores
// WM_CLOSE ends with IDCANCEL. The program's own message calls then post
// WM_CLOSE to its top-level windows, so a main loop ends through WM_QUIT and
// its teardown runs. A second signal ends the process at once with the
// signal's default action. SDL's own handlers are not installed: they only
// queue an SDL_QUIT that a Windows program never asks for.
#include <SDL_ttf.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "message_internal.h"
#include "module_state.h"
#include "testing.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

SessionState& Session() { return State().session; }

void OnStopSignal(int sig) {
  const int savedErrno = errno;  // the interrupted code may be about to read it
  int none = 0;
  if (!g_stopSignal.compare_exchange_strong(none, sig)) {
    // Asked twice: the program is not winding down fast enough.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
  errno = savedErrno;
}

void InstallStopSignals() {
  if (Session().handlersInstalled) return;
  Session().handlersInstalled = true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &Session().previousInt);
  sigaction(SIGTERM, &action, &Session().previousTerm);
}

bool Headless(const std::string& driver) {
  return driver == "offscreen" || driver == "dummy" || driver == "evdev";
}

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// SDL's error text for a driver that did not start, or a plain note when it
// left none that can be read.
std::string SdlReason(const std::string& driver) {
  std::string text = SDL_GetError();
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) text.clear();
  }
  return text.empty() ? driver + " did not start" : text;
}

void ReportNoDisplay(const std::string& context, const std::string& reasons) {
  if (Session().noDisplayReported) return;
  Session().noDisplayReported = true;
  std::fprintf(stderr, "%s: no display (DISPLAY=%s%s): %s\n", program_invocation_short_name,
               EnvOr("DISPLAY", "not set").c_str(), context.c_str(), reasons.c_str());
}

}  // namespace

bool StartVideoDriver() {
  InstallStopSignals();
  const char* chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (chosen && *chosen) {
    std::string driver = chosen;
    SDL_ClearError();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    ReportNoDisplay(", SDL_VIDEODRIVER=" + driver, SdlReason(driver));
    return false;
  }
  std::string reasons;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    std::string driver = SDL_GetVideoDriver(i);
    // A Wayland compositor names itself; probing for an unnamed one only
    // makes the client library complain on stderr.
    if (Headless(driver) || (driver == "wayland" && !std::getenv("WAYLAND_DISPLAY"))) continue;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
    SDL_ClearError();
    bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!started) reasons += (reasons.empty() ? "" : ", ") + SdlReason(driver);
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (started) return true;
  }
  ReportNoDisplay("", reasons.empty() ? "SDL has no video driver for a display" : reasons);
  return false;
}

bool EnsureVideo() {
  if (Session().videoStarted) return true;
  // Window pixels are ours (the backing surfaces): SDL's plain software
  // framebuffer carries them to the screen without a GL context and its
  // driver threads.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (!StartVideoDriver()) return false;
  if (!TTF_WasInit() && TTF_Init() != 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // Text input events would only duplicate the key messages.
  SDL_StopTextInput();
  Session().videoStarted = true;
  return true;
}

bool VideoStarted() { return Session().videoStarted; }

int StopSignalReceived() { return g_stopSignal; }

void PostCloseOnStop() {
  if (g_stopSignal == 0 || Session().closePosted) return;
  for (HWND h : AllTopLevelWindows()) {
    Window* w = GetWindow(h);
    if (!w || w->destroying || (w->style & WS_DISABLED)) continue;
    PostMessageA(h, WM_CLOSE, 0, 0);
    Session().closePosted = true;
  }
}

void RestoreSignalHandlers() {
  if (!Session().handlersInstalled) return;
  sigaction(SIGINT, &Session().previousInt, nullptr);
  sigaction(SIGTERM, &Session().previousTerm, nullptr);
}

}  // namespace win32

namespace testing_hooks {

int StopSignal() { return win32::StopSignalReceived(); }

}  // namespace testing_hooks
