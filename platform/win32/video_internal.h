// Internal to platform/win32: SDL video, the display and the stop signals
// (session.cpp, display.cpp). Main thread only.
#ifndef MORVANE_PLATFORM_WIN32_VIDEO_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_VIDEO_INTERNAL_H

#include "window_records.h"

namespace win32 {

// Initialises SDL video (and TTF) on first use. False if SDL cannot start.
bool EnsureVideo();
bool VideoStarted();
// Starts SDL video with the driver SDL_VIDEODRIVER names, else with a real
// display only; says why on stderr when none starts. Installs the stop
// signal handlers first (session.cpp).
bool StartVideoDriver();
// The first SIGINT or SIGTERM received, 0 for none.
int StopSignalReceived();
// After a stop signal, posts WM_CLOSE once to the enabled top-level windows.
void PostCloseOnStop();
// Desktop size: the current display mode.
void DesktopSize(int* width, int* height);
// Applies or leaves full screen for top-level w according to its rect,
// style and the current display mode.
void UpdateFullscreen(Window* w);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_VIDEO_INTERNAL_H
