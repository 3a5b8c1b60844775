// Internal to platform/win32: drawing into a window's backing surface, and
// the system colours and brushes it draws with (gdi.cpp, text.cpp). Main
// thread only.
#ifndef MORVANE_PLATFORM_WIN32_CANVAS_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_CANVAS_INTERNAL_H

#include <windows.h>

#include <SDL.h>

namespace win32 {

// Draw target: a surface with a clip rectangle and an origin.
struct Canvas {
  SDL_Surface* surface = nullptr;
  int ox = 0;
  int oy = 0;
  SDL_Rect clip{0, 0, 0, 0};
};
bool CanvasForWindow(HWND window, Canvas* canvas);
void FillCanvas(const Canvas& c, const RECT& r, COLORREF color);
void HLine(const Canvas& c, int x0, int x1, int y, COLORREF color);
void VLine(const Canvas& c, int x, int y0, int y1, COLORREF color);

COLORREF SysColor(int index);
HBRUSH StockBrushForColor(int index);
COLORREF BrushColor(HBRUSH brush, bool* valid);
SDL_Surface* IconSurface(HICON icon, int size);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_CANVAS_INTERNAL_H
