// File encoders: 24-bit BMP, 8-bit ICO, and PNG through SDL_image.
#include "art.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cmath>

namespace mkart {
namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v & 0xFF));
  b.push_back(uint8_t((v >> 8) & 0xFF));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& b, int w, int h, int bits, uint32_t imageBytes) {
  Put32(b, 40);
  Put32(b, uint32_t(w));
  Put32(b, uint32_t(h));
  Put16(b, 1);
  Put16(b, uint32_t(bits));
  Put32(b, 0);  // BI_RGB
  Put32(b, imageBytes);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
}

}  // namespace

uint8_t ToByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 1) return 255;
  return uint8_t(std::lround(v * 255.0));
}

std::vector<uint8_t> EncodeBmp(const Picture& p) {
  const uint32_t stride = (uint32_t(p.width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = stride * uint32_t(p.height);
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 14 + 40 + imageBytes);
  Put32(b, 0);
  Put32(b, 14 + 40);
  PutInfoHeader(b, p.width, p.height, 24, imageBytes);
  for (int y = p.height - 1; y >= 0; --y) {
    const size_t start = b.size();
    for (int x = 0; x < p.width; ++x) {
      const Rgb& c = p.colour[size_t(y) * p.width + x];
      b.push_back(ToByte(c.b));
      b.push_back(ToByte(c.g));
      b.push_back(ToByte(c.r));
    }
    while (b.size() - start < stride) b.push_back(0);
  }
  return b;
}

std::vector<uint8_t> EncodeIco(const std::vector<Picture>& images) {
  std::vector<std::vector<uint8_t>> dibs;
  for (const Picture& p : images) {
    const Indexed q = Quantise(p);
    const uint32_t stride = (uint32_t(p.width) + 3) & ~3u;
    const uint32_t maskStride = ((uint32_t(p.width) + 31) / 32) * 4;
    const uint32_t imageBytes = (stride + maskStride) * uint32_t(p.height);
    std::vector<uint8_t> d;
    PutInfoHeader(d, p.width, p.height * 2, 8, imageBytes);
    for (uint32_t c : q.palette) Put32(d, c);  // RGBQUAD: blue, green, red, 0
    for (int y = p.height - 1; y >= 0; --y) {
      for (uint32_t x = 0; x < stride; ++x) {
        d.push_back(x < uint32_t(p.width) ? q.index[size_t(y) * p.width + x] : 0);
      }
    }
    for (int y = p.height - 1; y >= 0; --y) {
      std::vector<uint8_t> row(maskStride, 0);
      for (int x = 0; x < p.width; ++x) {
        if (p.alpha[size_t(y) * p.width + x] < 0.5) row[size_t(x) >> 3] |= uint8_t(0x80 >> (x & 7));
      }
      d.insert(d.end(), row.begin(), row.end());
    }
    dibs.push_back(std::move(d));
  }
  std::vector<uint8_t> b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, uint32_t(images.size()));
  uint32_t offset = 6 + 16 * uint32_t(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    b.push_back(uint8_t(images[i].width & 0xFF));  // 256 is stored as 0
    b.push_back(uint8_t(images[i].height & 0xFF));
    b.push_back(0);  // 256 colours
    b.push_back(0);
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, uint32_t(dibs[i].size()));
    Put32(b, offset);
    offset += uint32_t(dibs[i].size());
  }
  for (const auto& d : dibs) b.insert(b.end(), d.begin(), d.end());
  return b;
}

bool SavePng(const Picture& p, const std::string& path) {
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormat(0, p.width, p.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr) return false;
  for (int y = 0; y < p.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < p.width; ++x) {
      const Rgb& c = p.colour[size_t(y) * p.width + x];
      row[x] = uint32_t(ToByte(p.alpha[size_t(y) * p.width + x])) << 24 |
               uint32_t(ToByte(c.r)) << 16 | uint32_t(ToByte(c.g)) << 8 | ToByte(c.b);
    }
  }
  const bool ok = IMG_SavePNG(s, path.c_str()) == 0;
  SDL_FreeSurface(s);
  return ok;
}

}  // namespace mkart
