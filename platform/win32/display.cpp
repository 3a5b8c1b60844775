// The desktop (SDL display 0), its list of modes, display mode changes and
// full screen for top-level popup windows that cover the display.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "module_state.h"
#include "testing.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

DisplayState& Display() { return State().display; }

int ReportedBits(Uint32 format) {
  int bits = SDL_BITSPERPIXEL(format);
  return bits == 24 ? 32 : bits;  // RGB888 is stored as 32 bits per pixel
}

std::vector<testing_hooks::DisplayMode> Modes() {
  if (Display().fakeModes) return *Display().fakeModes;
  std::vector<testing_hooks::DisplayMode> out;
  if (!EnsureVideo()) return out;
  int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
    out.push_back({m.w, m.h, ReportedBits(m.format), m.refresh_rate});
  }
  return out;
}

testing_hooks::DisplayMode DesktopMode() {
  testing_hooks::DisplayMode d{640, 480, 32, 60};
  if (!EnsureVideo()) return d;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
    d.width = bounds.w;
    d.height = bounds.h;
  }
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
    if (m.format) d.bitsPerPixel = ReportedBits(m.format);
    if (m.refresh_rate) d.refreshRate = m.refresh_rate;
  }
  return d;
}

testing_hooks::DisplayMode CurrentMode() {
  return Display().changedMode ? *Display().changedMode : DesktopMode();
}

// Windows undoes a CDS_FULLSCREEN change when the process ends; an X server
// keeps it, so the layer undoes it itself on the way out.
void RestoreDisplayAtExit() {
  if (Display().changedMode) ChangeDisplaySettingsA(nullptr, 0);
}

void Fill(DEVMODEA* dm, const testing_hooks::DisplayMode& m) {
  WORD size = dm->dmSize;
  WORD extra = dm->dmDriverExtra;
  std::memset(dm, 0, sizeof *dm);
  dm->dmSize = size ? size : static_cast<WORD>(sizeof(DEVMODEA));
  dm->dmDriverExtra = extra;
  std::memcpy(dm->dmDeviceName, "DISPLAY", 8);
  dm->dmSpecVersion = 0x0401;
  dm->dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
  dm->dmPelsWidth = static_cast<DWORD>(m.width);
  dm->dmPelsHeight = static_cast<DWORD>(m.height);
  dm->dmBitsPerPel = static_cast<DWORD>(m.bitsPerPixel);
  dm->dmDisplayFrequency = static_cast<DWORD>(m.refreshRate);
}

bool Covers(const Window* w, int dw, int dh) {
  return IsTopLevel(w) && (w->style & WS_POPUP) && (w->style & WS_VISIBLE) && w->rect.left <= 0 &&
         w->rect.top <= 0 && w->rect.right >= dw && w->rect.bottom >= dh;
}

void LeaveFullscreen(Window* w) {
  if (!w->fullscreen) return;
  w->fullscreen = false;
  if (w->sdl) SDL_SetWindowFullscreen(w->sdl, 0);
  SyncSdlWindow(w);
}

void EnterFullscreen(Window* w, const testing_hooks::DisplayMode& m) {
  if (!w->sdl) return;
  w->fullscreen = true;
  SDL_DisplayMode want{SDL_PIXELFORMAT_UNKNOWN, m.width, m.height, m.refreshRate, nullptr};
  SDL_DisplayMode got;
  bool sdlMode = !Display().fakeModes && SDL_GetClosestDisplayMode(0, &want, &got) &&
                 got.w == m.width && got.h == m.height;
  if (sdlMode && SDL_SetWindowDisplayMode(w->sdl, &got) == 0 &&
      SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN) == 0) {
    return;
  }
  // SDL cannot switch to it: a borderless window over the whole display.
  SDL_SetWindowFullscreen(w->sdl, 0);
  SDL_SetWindowBordered(w->sdl, SDL_FALSE);
  SDL_SetWindowPosition(w->sdl, 0, 0);
  SDL_SetWindowSize(w->sdl, m.width, m.height);
}

}  // namespace

void DesktopSize(int* width, int* height) {
  testing_hooks::DisplayMode m = CurrentMode();
  *width = m.width;
  *height = m.height;
}

void UpdateFullscreen(Window* w) {
  if (!w || !IsTopLevel(w) || !w->sdl) return;
  testing_hooks::DisplayMode m = CurrentMode();
  if (Display().changedMode && Covers(w, m.width, m.height)) {
    if (!w->fullscreen) EnterFullscreen(w, m);
  } else {
    LeaveFullscreen(w);
  }
}

}  // namespace win32

using namespace win32;

BOOL WINAPI EnumDisplaySettingsA(LPCSTR, DWORD modeNum, DEVMODEA* devMode) {
  if (!devMode) return FALSE;
  if (modeNum == ENUM_CURRENT_SETTINGS) {
    Fill(devMode, CurrentMode());
    return TRUE;
  }
  if (modeNum == ENUM_REGISTRY_SETTINGS) {
    Fill(devMode, DesktopMode());
    return TRUE;
  }
  std::vector<testing_hooks::DisplayMode> modes = Modes();
  if (modeNum >= modes.size()) return FALSE;
  Fill(devMode, modes[modeNum]);
  return TRUE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* devMode, DWORD flags) {
  if (!devMode) {
    if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
    Display().changedMode.reset();
    for (HWND h : AllTopLevelWindows()) UpdateFullscreen(GetWindow(h));
    return DISP_CHANGE_SUCCESSFUL;
  }
  DWORD f = devMode->dmFields;
  std::optional<testing_hooks::DisplayMode> match;
  for (const auto& m : Modes()) {
    if ((f & DM_PELSWIDTH) && devMode->dmPelsWidth != static_cast<DWORD>(m.width)) continue;
    if ((f & DM_PELSHEIGHT) && devMode->dmPelsHeight != static_cast<DWORD>(m.height)) continue;
    if ((f & DM_BITSPERPEL) && devMode->dmBitsPerPel != static_cast<DWORD>(m.bitsPerPixel))
      continue;
    if ((f & DM_DISPLAYFREQUENCY) &&
        devMode->dmDisplayFrequency != static_cast<DWORD>(m.refreshRate)) {
      continue;
    }
    match = m;
    break;
  }
  if (!match) return DISP_CHANGE_BADMODE;
  if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
  Display().changedMode = match;
  static bool restoreAtExit = false;
  if (!restoreAtExit) restoreAtExit = std::atexit(RestoreDisplayAtExit) == 0;
  for (HWND h : AllTopLevelWindows()) {
    Window* w = GetWindow(h);
    if (w && w->fullscreen) {
      // Already full screen: follow the new mode.
      w->fullscreen = false;
    }
    UpdateFullscreen(w);
  }
  return DISP_CHANGE_SUCCESSFUL;
}

namespace testing_hooks {

void SetDisplayModes(const std::vector<DisplayMode>& modes) { Display().fakeModes = modes; }

}  // namespace testing_hooks
