// Packed DIB and icon decoding: valid images of every supported depth and
// orientation pixel by pixel, and tables of malformed data that must be
// refused without reading outside the buffer.
#include <windows.h>

#include "win32/resource_registry.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace {

using test_support::Put16;
using test_support::Put32;
void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void Set16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

// An image described top row first: palette indices for 1/4/8 bits,
// 0xAARRGGBB values (alpha stored only at 32 bits) otherwise.
struct ImageDesc {
  int width;
  int height;
  bool topDown;
  int bpp;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  uint32_t clrUsed;
  std::vector<uint32_t> pixels;
  std::vector<bool> mask;  // icons: true = transparent; empty for bitmaps
};

// The packed DIB; for icons the header height is doubled and the AND mask
// follows the colour rows.
std::vector<uint8_t> Build(const ImageDesc& s) {
  const bool icon = !s.mask.empty();
  std::vector<uint8_t> b;
  Put32(&b, 40);
  Put32(&b, uint32_t(s.width));
  const int storedHeight = icon ? s.height * 2 : (s.topDown ? -s.height : s.height);
  Put32(&b, uint32_t(storedHeight));
  Put16(&b, 1);
  Put16(&b, uint32_t(s.bpp));
  Put32(&b, BI_RGB);
  Put32(&b, 0);
  Put32(&b, 0);
  Put32(&b, 0);
  Put32(&b, s.clrUsed);
  Put32(&b, 0);
  for (uint32_t c : s.palette) Put32(&b, c);
  const size_t stride = ((size_t(s.width) * s.bpp + 31) / 32) * 4;
  for (int i = 0; i < s.height; ++i) {
    const int y = s.topDown ? i : s.height - 1 - i;
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < s.width; ++x) {
      const uint32_t v = s.pixels[size_t(y) * s.width + x];
      switch (s.bpp) {
        case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = uint8_t(v); break;
        case 24:
          row[x * 3] = uint8_t(v);
          row[x * 3 + 1] = uint8_t(v >> 8);
          row[x * 3 + 2] = uint8_t(v >> 16);
          break;
        default:
          for (int k = 0; k < 4; ++k) row[x * 4 + k] = uint8_t(v >> (8 * k));
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  if (icon) {
    const size_t maskStride = ((size_t(s.width) + 31) / 32) * 4;
    for (int y = s.height - 1; y >= 0; --y) {
      std::vector<uint8_t> row(maskStride, 0);
      for (int x = 0; x < s.width; ++x) {
        if (s.mask[size_t(y) * s.width + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
      }
      b.insert(b.end(), row.begin(), row.end());
    }
  }
  return b;
}

uint32_t ExpectedRgb(const ImageDesc& s, int x, int y) {
  const uint32_t v = s.pixels[size_t(y) * s.width + x];
  if (s.bpp <= 8) return v < s.palette.size() ? s.palette[v] : 0;
  return v & 0xFFFFFF;
}

uint32_t PixelAt(SDL_Surface* s, int x, int y) {
  return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) +
                                           size_t(y) * s->pitch)[x];
}

// Decodes from an exact-size heap copy so a read past the end is caught.
SDL_Surface* Decode(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> exact(bytes);
  exact.shrink_to_fit();
  return win32::DecodePackedDib(exact.empty() ? nullptr : exact.data(), exact.size());
}

std::vector<ImageDesc> ValidImages() {
  std::vector<ImageDesc> images;
  // 1 bit, width not a multiple of 8 or 32.
  images.push_back({11,
                    3,
                    false,
                    1,
                    {0x102030, 0xF0E0D0},
                    0,
                    {0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0, 1, 0, 0, 1, 1, 0,
                     1, 0, 1, 0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 1, 1, 0},
                    {}});
  // 4 bits, odd width, top-down, full palette.
  ImageDesc four{5, 2, true, 4, {}, 0, {0, 15, 7, 8, 1, 3, 14, 2, 9, 4}, {}};
  for (uint32_t i = 0; i < 16; ++i) four.palette.push_back(i * 0x0F0F0F ^ (i << 20));
  images.push_back(four);
  // 8 bits with a short palette: index 3 lies past it and reads as black.
  images.push_back(
      {3, 3, false, 8, {0xFF0000, 0x00FF00, 0x0000FF}, 3, {0, 1, 2, 2, 1, 0, 3, 0, 1}, {}});
  // 24 bits, bottom-up and top-down, width 3 (rows padded).
  const std::vector<uint32_t> rgb = {0x123456, 0xABCDEF, 0x000000, 0xFFFFFF, 0x7F8081, 0x010203};
  images.push_back({3, 2, false, 24, {}, 0, rgb, {}});
  images.push_back({3, 2, true, 24, {}, 0, rgb, {}});
  // 32 bits: the fourth byte is not alpha for a bitmap.
  images.push_back({2, 2, false, 32, {}, 0, {0x00112233, 0x80445566, 0xFF778899, 0x12AABBCC}, {}});
  images.push_back({2, 1, true, 32, {}, 0, {0x00FEDCBA, 0x00000001}, {}});
  return images;
}

TEST(DecodePackedDib, DecodesEveryDepthAndOrientation) {
  for (const ImageDesc& s : ValidImages()) {
    const std::string label = std::to_string(s.bpp) + " bpp " + std::to_string(s.width) + "x" +
                              std::to_string(s.height) + (s.topDown ? " top-down" : " bottom-up");
    SDL_Surface* surface = Decode(Build(s));
    ASSERT_NE(surface, nullptr) << label;
    EXPECT_EQ(surface->format->format, SDL_PIXELFORMAT_ARGB8888) << label;
    ASSERT_EQ(surface->w, s.width) << label;
    ASSERT_EQ(surface->h, s.height) << label;
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width; ++x) {
        EXPECT_EQ(PixelAt(surface, x, y), 0xFF000000u | ExpectedRgb(s, x, y))
            << label << " at " << x << "," << y;
      }
    }
    SDL_FreeSurface(surface);
  }
}

TEST(DecodePackedDib, EveryTruncationIsRefused) {
  for (const ImageDesc& s : ValidImages()) {
    const std::vector<uint8_t> full = Build(s);
    for (size_t n = 0; n < full.size(); ++n) {
      const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_EQ(Decode(cut), nullptr) << s.bpp << " bpp cut to " << n;
    }
  }
}

TEST(DecodePackedDib, MalformedHeadersAreRefused) {
  // Base: 4x4, 8 bits, 256-entry palette.
  ImageDesc base{
      4, 4, false, 8, std::vector<uint32_t>(256, 0x808080), 0, std::vector<uint32_t>(16, 5), {}};
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> change;
  };
  const Case cases[] = {
      {"core header size", [](auto& b) { Set32(b, 0, 12); }},
      {"header size past the data", [](auto& b) { Set32(b, 0, uint32_t(b.size() + 1)); }},
      {"header size huge", [](auto& b) { Set32(b, 0, 0xFFFFFFF0u); }},
      {"zero width", [](auto& b) { Set32(b, 4, 0); }},
      {"negative width", [](auto& b) { Set32(b, 4, uint32_t(-4)); }},
      {"huge width", [](auto& b) { Set32(b, 4, 0x7FFFFFFF); }},
      {"width past the limit", [](auto& b) { Set32(b, 4, 16385); }},
      {"zero height", [](auto& b) { Set32(b, 8, 0); }},
      {"most negative height", [](auto& b) { Set32(b, 8, uint32_t(INT_MIN)); }},
      {"huge height", [](auto& b) { Set32(b, 8, 0x7FFFFFFF); }},
      {"huge negative height", [](auto& b) { Set32(b, 8, uint32_t(-0x7FFFFFFF)); }},
      {"two planes", [](auto& b) { Set16(b, 12, 2); }},
      {"zero bits", [](auto& b) { Set16(b, 14, 0); }},
      {"16 bits", [](auto& b) { Set16(b, 14, 16); }},
      {"2 bits", [](auto& b) { Set16(b, 14, 2); }},
      {"RLE8", [](auto& b) { Set32(b, 16, 1); }},
      {"bitfields", [](auto& b) { Set32(b, 16, 3); }},
      {"257 colours", [](auto& b) { Set32(b, 32, 257); }},
      {"colour count overflows", [](auto& b) { Set32(b, 32, 0xFFFFFFFFu); }},
      {"4 bits with 17 colours",
       [](auto& b) {
         Set16(b, 14, 4);
         Set32(b, 32, 17);
       }},
      {"24 bits with a vast palette",
       [](auto& b) {
         Set16(b, 14, 24);
         Set32(b, 32, 0x40000001);
       }},
      {"size needs more rows", [](auto& b) { Set32(b, 8, 5); }},
      {"large image, little data",
       [](auto& b) {
         Set32(b, 4, 16384);
         Set32(b, 8, 16384);
         Set16(b, 14, 32);
       }},
      {"last byte missing", [](auto& b) { b.pop_back(); }},
  };
  const std::vector<uint8_t> good = Build(base);
  SDL_Surface* ok = Decode(good);
  ASSERT_NE(ok, nullptr);
  SDL_FreeSurface(ok);
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.change(bytes);
    EXPECT_EQ(Decode(bytes), nullptr) << c.what;
  }
  EXPECT_EQ(win32::DecodePackedDib(nullptr, 100), nullptr);
}

TEST(DecodePackedDib, LargerHeadersAndOptionalPalettesAreSkipped) {
  // A 24-bit image with a 2-entry palette ahead of its bits and a 108-byte
  // (V4) header: the bits start after both.
  ImageDesc s{2, 1, false, 24, {0xFFFFFF, 0xFFFFFF}, 2, {0x010203, 0x040506}, {}};
  std::vector<uint8_t> b = Build(s);
  Set32(b, 0, 108);
  b.insert(b.begin() + 40, 68, 0xEE);
  SDL_Surface* surface = Decode(b);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(PixelAt(surface, 0, 0), 0xFF010203u);
  EXPECT_EQ(PixelAt(surface, 1, 0), 0xFF040506u);
  SDL_FreeSurface(surface);
}

// ---- Icons ---------------------------------------------------------------

std::vector<uint8_t> Group(std::vector<std::pair<int, WORD>> entries, int bpp = 8) {
  std::vector<uint8_t> g;
  Put16(&g, 0);
  Put16(&g, 1);
  Put16(&g, uint32_t(entries.size()));
  for (auto [size, id] : entries) {
    g.push_back(uint8_t(size));
    g.push_back(uint8_t(size));
    g.push_back(0);
    g.push_back(0);
    Put16(&g, 1);
    Put16(&g, uint32_t(bpp));
    Put32(&g, 0);
    Put16(&g, id);
  }
  return g;
}

ImageDesc MaskedIcon() {
  // 8x8, 1 bit: a cross of opaque pixels on a transparent field.
  ImageDesc s{8, 8, false, 1, {0x000000, 0x20C040}, 0, {}, {}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool on = x == 3 || y == 5;
      s.pixels.push_back(on ? 1 : 0);
      s.mask.push_back(!on);
    }
  }
  return s;
}

ImageDesc AlphaIcon() {
  ImageDesc s{4, 4, false, 32, {}, 0, {}, {}};
  for (int i = 0; i < 16; ++i) {
    s.pixels.push_back(uint32_t(i * 16) << 24 | 0x00336699u);
    s.mask.push_back(false);
  }
  return s;
}

struct IconTables {
  std::vector<std::vector<uint8_t>> blobs;
  std::vector<win32::ModuleResource> table;
  std::vector<std::string> names;
};

IconTables& Icons() {
  static IconTables t = [] {
    IconTables t;
    std::vector<uint8_t> oddHeight = Build(MaskedIcon());
    Set32(oddHeight, 8, 15);
    std::vector<uint8_t> negHeight = Build(MaskedIcon());
    Set32(negHeight, 8, uint32_t(-16));
    std::vector<uint8_t> noMask = Build(MaskedIcon());
    noMask.resize(noMask.size() - 1);
    std::vector<uint8_t> badGroup = Group({{8, 900}});
    badGroup[2] = 2;  // a cursor directory
    std::vector<uint8_t> shortGroup = Group({{8, 900}, {8, 901}});
    shortGroup.resize(shortGroup.size() - 1);
    struct Item {
      WORD type;
      const char* name;
      WORD id;
      std::vector<uint8_t> data;
    };
    const Item items[] = {
        {3, nullptr, 900, Build(MaskedIcon())},
        {3, nullptr, 901, Build(AlphaIcon())},
        {3, nullptr, 902, oddHeight},
        {3, nullptr, 903, negHeight},
        {3, nullptr, 904, noMask},
        {14, "TESTMASKED", 0, Group({{8, 900}})},
        {14, "TESTPAIR", 0, Group({{4, 901}, {8, 900}}, 32)},
        {14, "TESTODD", 0, Group({{8, 902}})},
        {14, "TESTNEG", 0, Group({{8, 903}})},
        {14, "TESTNOMASK", 0, Group({{8, 904}})},
        {14, "TESTMISSING", 0, Group({{8, 999}})},
        {14, "TESTEMPTY", 0, Group({})},
        {14, "TESTCURSOR", 0, badGroup},
        {14, "TESTSHORT", 0, shortGroup},
    };
    for (const Item& it : items) t.blobs.push_back(it.data);
    for (size_t i = 0; i < std::size(items); ++i) {
      t.table.push_back({{nullptr, items[i].type},
                         {items[i].name, items[i].id},
                         t.blobs[i].data(),
                         t.blobs[i].size()});
    }
    win32::RegisterModuleResources(t.table.data(), t.table.size());
    return t;
  }();
  return t;
}

TEST(LoadIconSurface, AndMaskMakesPixelsTransparent) {
  Icons();
  const ImageDesc s = MaskedIcon();
  SDL_Surface* surface = win32::LoadIconSurface("testmasked", 32);
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(surface->w, 8);
  ASSERT_EQ(surface->h, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint32_t p = PixelAt(surface, x, y);
      if (s.mask[size_t(y) * 8 + x]) {
        EXPECT_EQ(p >> 24, 0u) << x << "," << y;
      } else {
        EXPECT_EQ(p, 0xFF20C040u) << x << "," << y;
      }
    }
  }
  SDL_FreeSurface(surface);
}

TEST(LoadIconSurface, PicksTheClosestSizeAndKeeps32BitAlpha) {
  Icons();
  SDL_Surface* small = win32::LoadIconSurface("TESTPAIR", 5);
  ASSERT_NE(small, nullptr);
  ASSERT_EQ(small->w, 4);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(PixelAt(small, i % 4, i / 4), uint32_t(i * 16) << 24 | 0x336699u) << i;
  }
  SDL_FreeSurface(small);
  SDL_Surface* large = win32::LoadIconSurface("TESTPAIR", 7);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->w, 8);
  SDL_FreeSurface(large);
}

TEST(LoadIconSurface, MalformedGroupsAndImagesAreRefused) {
  Icons();
  const char* names[] = {"TESTODD",   "TESTNEG",    "TESTNOMASK", "TESTMISSING",
                         "TESTEMPTY", "TESTCURSOR", "TESTSHORT",  "NOSUCHICON"};
  for (const char* name : names) EXPECT_EQ(win32::LoadIconSurface(name, 8), nullptr) << name;
}

TEST(LoadIconSurface, TheProgramIconHasBothSizesWithTransparentCorners) {
  for (int size : {32, 16}) {
    SDL_Surface* icon = win32::LoadIconSurface("MAINICON", size);
    ASSERT_NE(icon, nullptr) << size;
    ASSERT_EQ(icon->w, size);
    ASSERT_EQ(icon->h, size);
    const int last = size - 1;
    for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
      EXPECT_EQ(PixelAt(icon, x, y) >> 24, 0u) << size << " corner " << x << "," << y;
    }
    EXPECT_EQ(PixelAt(icon, size / 2, size / 2) >> 24, 0xFFu) << size;
    EXPECT_EQ(PixelAt(icon, size / 2, 1) >> 24, 0xFFu) << size;  // the square reaches the edge
    SDL_FreeSurface(icon);
  }
}

}  // namespace
