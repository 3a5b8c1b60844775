// Captures of a window as the user would see it: the classic frame and
// caption bar drawn around the client backing.
#include <SDL_image.h>

#include <algorithm>
#include <initializer_list>

#include "gdi_internal.h"
#include "sdl_error.h"
#include "testing.h"
#include "text_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

void Edge(const Canvas& c, int l, int t, int r, int b, COLORREF tl, COLORREF br) {
  HLine(c, l, r - 1, t, tl);
  VLine(c, l, t, b - 1, tl);
  HLine(c, l, r - 1, b - 1, br);
  VLine(c, r - 1, t, b - 1, br);
}

constexpr int kBoxWidth = 16, kBoxHeight = 14;

void CaptionBox(const Canvas& c, int x, int y) {
  FillCanvas(c, RECT{x, y, x + kBoxWidth, y + kBoxHeight}, SysColor(COLOR_3DFACE));
  Edge(c, x, y, x + kBoxWidth, y + kBoxHeight, SysColor(COLOR_BTNHIGHLIGHT),
       SysColor(COLOR_3DDKSHADOW));
}

// A glyph of filled rectangles; greyed, it is drawn in the shadow colour
// over a highlight one pixel down and right.
void Glyph(const Canvas& c, std::initializer_list<RECT> parts, bool enabled) {
  if (!enabled) {
    for (const RECT& r : parts) {
      FillCanvas(c, RECT{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1},
                 SysColor(COLOR_BTNHIGHLIGHT));
    }
  }
  for (const RECT& r : parts) FillCanvas(c, r, enabled ? RGB(0, 0, 0) : SysColor(COLOR_BTNSHADOW));
}

void MinimizeGlyph(const Canvas& c, int x, int y, bool enabled) {
  Glyph(c, {RECT{x + 4, y + 9, x + 10, y + 11}}, enabled);
}

// A window outline with a thick top edge.
void MaximizeGlyph(const Canvas& c, int x, int y, bool enabled) {
  Glyph(c,
        {RECT{x + 3, y + 2, x + 12, y + 4}, RECT{x + 3, y + 4, x + 4, y + 11},
         RECT{x + 11, y + 4, x + 12, y + 11}, RECT{x + 3, y + 10, x + 12, y + 11}},
        enabled);
}

void DrawFrame(Window* w, const Canvas& c, int width, int height) {
  FillCanvas(c, RECT{0, 0, width, height}, SysColor(COLOR_3DFACE));
  RECT in = FrameInsets(w->style, w->exStyle);
  int frame = in.left - ((w->exStyle & WS_EX_CLIENTEDGE) ? 2 : 0);
  if (frame >= 2) {
    Edge(c, 0, 0, width, height, SysColor(COLOR_3DLIGHT), SysColor(COLOR_3DDKSHADOW));
    Edge(c, 1, 1, width - 1, height - 1, SysColor(COLOR_BTNHIGHLIGHT), SysColor(COLOR_BTNSHADOW));
  } else if (frame == 1) {
    Edge(c, 0, 0, width, height, RGB(0, 0, 0), RGB(0, 0, 0));
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION) {
    int top = frame, bottom = frame + 18;
    // Classic gradient from the active caption colour to a light blue.
    COLORREF a = SysColor(COLOR_ACTIVECAPTION), b = RGB(166, 202, 240);
    int span = std::max(1, width - 2 * frame);
    for (int x = 0; x < span; ++x) {
      auto mix = [&](int s) {
        int va = (a >> s) & 0xFF, vb = (b >> s) & 0xFF;
        return static_cast<COLORREF>(va + (vb - va) * x / span) << s;
      };
      VLine(c, frame + x, top, bottom - 1, mix(0) | mix(8) | mix(16));
    }
    int textX = frame + 4;
    if (SDL_Surface* icon = w->cls ? IconSurface(w->cls->icon, 16) : nullptr) {
      SDL_Rect dst{frame + 2, top + 1, 16, 16};
      SDL_SetSurfaceBlendMode(icon, SDL_BLENDMODE_BLEND);
      SDL_BlitScaled(icon, nullptr, c.surface, &dst);
      textX = frame + 21;
    }
    HFONT font = DefaultGuiFont();
    int th;
    TextSize(font, w->text, nullptr, &th);
    DrawTextAt(c, font, w->text, textX, top + (18 - th) / 2, SysColor(COLOR_CAPTIONTEXT));
    DrawTextAt(c, font, w->text, textX + 1, top + (18 - th) / 2, SysColor(COLOR_CAPTIONTEXT));
    if (w->style & WS_SYSMENU) {
      // Close box with an X.
      int bx = width - frame - 2 - kBoxWidth, by = top + 2;
      CaptionBox(c, bx, by);
      for (int i = 0; i < 7; ++i) {
        FillCanvas(c, RECT{bx + 4 + i, by + 3 + i, bx + 6 + i, by + 4 + i}, RGB(0, 0, 0));
        FillCanvas(c, RECT{bx + 10 - i, by + 3 + i, bx + 12 - i, by + 4 + i}, RGB(0, 0, 0));
      }
      // Either box brings both, as on Windows; the one not asked for is greyed.
      if (w->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
        int maxX = bx - 2 - kBoxWidth, minX = maxX - kBoxWidth;
        CaptionBox(c, maxX, by);
        MaximizeGlyph(c, maxX, by, (w->style & WS_MAXIMIZEBOX) != 0);
        CaptionBox(c, minX, by);
        MinimizeGlyph(c, minX, by, (w->style & WS_MINIMIZEBOX) != 0);
      }
    }
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) {
    int l = in.left - 2, t = in.top - 2, r = width - in.right + 2, b = height - in.bottom + 2;
    Edge(c, l, t, r, b, SysColor(COLOR_BTNSHADOW), SysColor(COLOR_BTNHIGHLIGHT));
    Edge(c, l + 1, t + 1, r - 1, b - 1, SysColor(COLOR_3DDKSHADOW), SysColor(COLOR_3DLIGHT));
  }
}

}  // namespace
}  // namespace win32

namespace testing_hooks {

std::vector<uint32_t> CaptureWindow(HWND window, int* width, int* height) {
  using namespace win32;
  if (width) *width = 0;
  if (height) *height = 0;
  Window* w = GetWindow(window);
  Window* top = TopLevelOf(w);
  if (!w || !top || !top->backing) return {};
  int cw, ch;
  SDL_Surface* out;
  if (IsTopLevel(w)) {
    cw = std::max(1, static_cast<int>(w->rect.right - w->rect.left));
    ch = std::max(1, static_cast<int>(w->rect.bottom - w->rect.top));
    out = SDL_CreateRGBSurfaceWithFormat(0, cw, ch, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
      return platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormat"), std::vector<uint32_t>{};
    Canvas c{out, 0, 0, SDL_Rect{0, 0, cw, ch}};
    DrawFrame(w, c, cw, ch);
    RECT in = FrameInsets(w->style, w->exStyle);
    SDL_Rect dst{in.left, in.top, w->backing->w, w->backing->h};
    SDL_SetSurfaceBlendMode(w->backing, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(w->backing, nullptr, out, &dst);
  } else {
    // A child: its client area as drawn in the top-level backing.
    Canvas c;
    if (!CanvasForWindow(window, &c)) return {};
    RECT r;
    GetClientRect(window, &r);
    cw = std::max(1, static_cast<int>(r.right));
    ch = std::max(1, static_cast<int>(r.bottom));
    out = SDL_CreateRGBSurfaceWithFormat(0, cw, ch, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
      return platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormat"), std::vector<uint32_t>{};
    SDL_FillRect(out, nullptr, 0xFF000000u);
    SDL_Rect src{c.ox, c.oy, cw, ch}, clipped;
    if (SDL_IntersectRect(&src, &c.clip, &clipped)) {
      SDL_Rect dst{clipped.x - c.ox, clipped.y - c.oy, clipped.w, clipped.h};
      SDL_SetSurfaceBlendMode(c.surface, SDL_BLENDMODE_NONE);
      SDL_BlitSurface(c.surface, &clipped, out, &dst);
    }
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(cw) * static_cast<size_t>(ch));
  for (int y = 0; y < ch; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(
        static_cast<const unsigned char*>(out->pixels) + static_cast<size_t>(y) * out->pitch);
    for (int x = 0; x < cw; ++x) pixels[static_cast<size_t>(y) * cw + x] = row[x] | 0xFF000000u;
  }
  SDL_FreeSurface(out);
  if (width) *width = cw;
  if (height) *height = ch;
  return pixels;
}

bool SaveWindowPng(HWND window, const std::string& path) {
  int w, h;
  std::vector<uint32_t> pixels = CaptureWindow(window, &w, &h);
  if (pixels.empty()) return false;
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return platform::ReportSdlFailure("SDL_CreateRGBSurfaceWithFormatFrom");
  const bool ok = IMG_SavePNG(s, path.c_str()) == 0 || platform::ReportSdlFailure("IMG_SavePNG");
  SDL_FreeSurface(s);
  return ok;
}

}  // namespace testing_hooks
