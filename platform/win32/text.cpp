// Text at the SDL edge: CP932 to UTF-8 with iconv, SDL2_ttf fonts at pixel
// sizes, measuring, wrapping and drawing text onto a canvas.
#include <SDL_ttf.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "gdi_internal.h"
#include "module_state.h"
#include "sdl_error.h"
#include "text_internal.h"
#include "window_internal.h"

namespace win32 {
namespace {

GdiState& Gdi() { return State().gdi; }

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Converts with iconv, replacing what cannot be converted with `bad` and
// skipping `unit` bytes (or a whole double-byte character) of input.
std::string Convert(const char* to, const char* from, const std::string& in, const std::string& bad,
                    bool cp932Input) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char buf[256];
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (truncated at the end): replace and resynchronise.
    out += bad;
    size_t skip = 1;
    if (cp932Input) {
      unsigned char b = static_cast<unsigned char>(*src);
      if (IsLead(b) && left >= 2 && IsTrail(static_cast<unsigned char>(src[1]))) skip = 2;
    } else {
      skip = std::min<size_t>(2, left);
    }
    skip = std::min(skip, left);
    src += skip;
    left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

TTF_Font* Ttf(int pixels) {
  pixels = std::clamp(pixels, 4, 256);
  auto it = Gdi().ttfCache.find(pixels);
  if (it != Gdi().ttfCache.end()) return it->second;
  if (!TTF_WasInit() && TTF_Init() != 0) {
    platform::ReportSdlFailure("TTF_Init");
    return nullptr;
  }
  // A font that does not open is said once: the null is cached.
  TTF_Font* f = TTF_OpenFont(MORVANE_FONT_PATH, pixels);
  if (!f) platform::ReportSdlFailure("TTF_OpenFont(" MORVANE_FONT_PATH ")");
  Gdi().ttfCache[pixels] = f;
  return f;
}

TTF_Font* TtfFor(HFONT font) { return Ttf(FontPixels(font)); }

size_t CharLength(const std::string& s, size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  return (IsLead(b) && i + 1 < s.size()) ? 2 : 1;
}

}  // namespace

std::string ToUtf8(const std::string& cp932) {
  return Convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", true);
}

std::string Utf16ToCp932(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return Convert("CP932", "UTF-16LE", bytes, "?", false);
}

HFONT CreateFontPx(int pixels) {
  auto* f = new FontObject;
  f->pixels = std::clamp(pixels, 4, 256);
  return static_cast<HFONT>(AddGdi(f));
}

HFONT DefaultGuiFont() {
  if (!FindGdi(Gdi().guiFont, GdiKind::Font)) {
    Gdi().guiFont = CreateFontPx(11);
    Find<FontObject>(Gdi().guiFont, GdiKind::Font)->stock = true;
  }
  return Gdi().guiFont;
}

HFONT DialogFont() {
  if (!FindGdi(Gdi().dialogFont, GdiKind::Font)) {
    Gdi().dialogFont = CreateFontPx(16);
    Find<FontObject>(Gdi().dialogFont, GdiKind::Font)->stock = true;
  }
  return Gdi().dialogFont;
}

int FontPixels(HFONT font) {
  FontObject* f = Find<FontObject>(font, GdiKind::Font);
  return f ? f->pixels : 12;
}

int FontLineHeight(HFONT font) {
  TTF_Font* f = TtfFor(font);
  return f ? TTF_FontHeight(f) : FontPixels(font);
}

void TextSize(HFONT font, const std::string& cp932, int* width, int* height) {
  int w = 0, h = FontLineHeight(font);
  std::string utf8 = ToUtf8(cp932);
  TTF_Font* f = TtfFor(font);
  if (!utf8.empty()) {
    if (!f || TTF_SizeUTF8(f, utf8.c_str(), &w, &h) != 0) {
      w = static_cast<int>(cp932.size()) * FontPixels(font) / 2;
    }
  }
  if (width) *width = w;
  if (height) *height = h;
}

int DrawTextAt(const Canvas& c, HFONT font, const std::string& cp932, int x, int y,
               COLORREF color) {
  if (!c.surface || cp932.empty()) return 0;
  TTF_Font* f = TtfFor(font);
  std::string utf8 = ToUtf8(cp932);
  if (!f || utf8.empty()) return 0;
  SDL_Color col{static_cast<Uint8>(color & 0xFF), static_cast<Uint8>((color >> 8) & 0xFF),
                static_cast<Uint8>((color >> 16) & 0xFF), 255};
  SDL_Surface* s = TTF_RenderUTF8_Blended(f, utf8.c_str(), col);
  if (!s) return platform::ReportSdlFailure("TTF_RenderUTF8_Blended"), 0;
  SDL_Rect clip = c.clip;
  SDL_SetClipRect(c.surface, &clip);
  SDL_Rect dst{c.ox + x, c.oy + y, s->w, s->h};
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
  SDL_BlitSurface(s, nullptr, c.surface, &dst);
  SDL_SetClipRect(c.surface, nullptr);
  int w = s->w;
  SDL_FreeSurface(s);
  return w;
}

std::vector<std::string> WrapText(HFONT font, const std::string& cp932, int maxWidth) {
  std::vector<std::string> paragraphs;
  std::string cur;
  for (size_t i = 0; i < cp932.size();) {
    size_t len = CharLength(cp932, i);
    char b = cp932[i];
    if (len == 1 && (b == '\n' || b == '\r')) {
      paragraphs.push_back(cur);
      cur.clear();
      if (b == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n') ++i;
      ++i;
      continue;
    }
    cur.append(cp932, i, len);
    i += len;
  }
  paragraphs.push_back(cur);
  if (maxWidth <= 0) return paragraphs;

  std::vector<std::string> lines;
  for (const std::string& p : paragraphs) {
    std::string rest = p;
    for (;;) {
      int w;
      TextSize(font, rest, &w, nullptr);
      if (w <= maxWidth || rest.empty()) {
        lines.push_back(rest);
        break;
      }
      // Longest prefix that fits, at least one character; prefer a space.
      size_t fit = 0, lastSpace = 0;
      for (size_t i = 0; i < rest.size();) {
        size_t len = CharLength(rest, i);
        int pw;
        TextSize(font, rest.substr(0, i + len), &pw, nullptr);
        if (pw > maxWidth && fit > 0) break;
        i += len;
        fit = i;
        if (len == 1 && rest[i - 1] == ' ') lastSpace = i;
      }
      size_t cut = (lastSpace > 0 && fit < rest.size()) ? lastSpace : fit;
      std::string line = rest.substr(0, cut);
      while (!line.empty() && line.back() == ' ') line.pop_back();
      lines.push_back(line);
      rest = rest.substr(cut);
      while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
      if (rest.empty()) break;
    }
  }
  return lines;
}

void FreeFonts() {
  for (auto& [px, f] : Gdi().ttfCache) {
    if (f) TTF_CloseFont(f);
  }
  Gdi().ttfCache.clear();
}

}  // namespace win32
