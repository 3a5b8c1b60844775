// Internal to platform/win32: text at the SDL edge (text.cpp): CP932
// conversion, fonts at pixel sizes, measuring, wrapping and drawing. Main
// thread only.
#ifndef MORVANE_PLATFORM_WIN32_TEXT_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_TEXT_INTERNAL_H

#include <windows.h>

#include <string>
#include <vector>

#include "canvas_internal.h"

namespace win32 {

std::string ToUtf8(const std::string& cp932);
// UTF-16 text (dialog templates) as CP932; unmappable characters become '?'.
std::string Utf16ToCp932(const std::u16string& text);
HFONT CreateFontPx(int pixels);
HFONT DefaultGuiFont();
HFONT DialogFont();  // 16 px, the "MS Shell Dlg" 12 pt equivalent
int FontPixels(HFONT font);
// Text in CP932; returns the width drawn.
int DrawTextAt(const Canvas& c, HFONT font, const std::string& cp932, int x, int y, COLORREF color);
void TextSize(HFONT font, const std::string& cp932, int* width, int* height);
// Splits CP932 text into lines at line feeds and where it exceeds maxWidth
// (maxWidth <= 0: no wrap).
std::vector<std::string> WrapText(HFONT font, const std::string& cp932, int maxWidth);
int FontLineHeight(HFONT font);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_TEXT_INTERNAL_H
