// Internal to platform: the narrow path by which the Direct3D device shows
// frames in a top-level window. Main thread only.
#ifndef MORVANE_PLATFORM_WIN32_WINDOW_SURFACE_H
#define MORVANE_PLATFORM_WIN32_WINDOW_SURFACE_H

#include <windows.h>

#include <cstdint>

namespace win32 {

// Client size of a top-level window (the size of its backing surface).
// False for an invalid or child window.
bool GetClientSize(HWND window, int* width, int* height);

// Writes a frame of 0xXXRRGGBB pixels (alpha ignored) into the window's
// backing, top-left aligned and clipped to the client size, and shows it.
// pitchBytes is the distance between rows. False for an invalid window or
// bad arguments.
bool PresentPixels(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_WINDOW_SURFACE_H
