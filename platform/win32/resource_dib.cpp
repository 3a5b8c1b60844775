// Packed DIB decoding for RT_BITMAP and the images inside RT_ICON. All sizes
// are computed in 64 bits and checked against the data before any pixel is
// read, so malformed headers fail instead of reading past the end.
#include "resource_dib.h"

#include "resource_registry.h"

#include <SDL.h>

#include <cstring>

namespace win32 {
namespace {

constexpr uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr uint32_t kMaxHeaderSize = 124;  // BITMAPV5HEADER

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool ParseDib(const void* data, size_t size, bool icon, DibView* out) {
  if (data == nullptr || size < kInfoHeaderSize) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  const uint32_t headerSize = ReadU32(p);
  if (headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize || headerSize > size)
    return false;
  const int64_t width = static_cast<int32_t>(ReadU32(p + 4));
  int64_t height = static_cast<int32_t>(ReadU32(p + 8));
  const uint16_t planes = ReadU16(p + 12);
  const uint16_t bitCount = ReadU16(p + 14);
  const uint32_t compression = ReadU32(p + 16);
  const uint32_t clrUsed = ReadU32(p + 32);

  if (planes != 1 || compression != BI_RGB) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return false;
  }
  bool topDown = false;
  if (height < 0) {
    if (icon) return false;  // icon images are always stored bottom-up
    topDown = true;
    height = -height;
  }
  if (icon) {
    if (height % 2 != 0) return false;
    height /= 2;
  }
  if (width <= 0 || height <= 0 || width > kMaxDibDimension || height > kMaxDibDimension) {
    return false;
  }

  uint64_t paletteCount = 0;
  if (bitCount <= 8) {
    const uint64_t full = uint64_t{1} << bitCount;
    if (clrUsed > full) return false;
    paletteCount = clrUsed == 0 ? full : clrUsed;
  } else if (clrUsed > 256) {
    return false;  // an optional palette ahead of true-colour bits; never this large
  } else {
    paletteCount = clrUsed;
  }

  const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
  const uint64_t maskStride = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
  const uint64_t paletteOffset = headerSize;
  const uint64_t bitsOffset = paletteOffset + paletteCount * 4;
  const uint64_t bitsEnd = bitsOffset + stride * static_cast<uint64_t>(height);
  const uint64_t end = icon ? bitsEnd + maskStride * static_cast<uint64_t>(height) : bitsEnd;
  if (end > size) return false;

  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->topDown = topDown;
  out->bitCount = bitCount;
  out->palette = p + paletteOffset;
  out->paletteCount = static_cast<uint32_t>(paletteCount);
  out->bits = p + bitsOffset;
  out->stride = static_cast<size_t>(stride);
  out->mask = icon ? p + bitsEnd : nullptr;
  out->maskStride = icon ? static_cast<size_t>(maskStride) : 0;
  return true;
}

uint32_t DibColour(const DibView& dib, int x, int row) {
  const uint8_t* line = dib.bits + static_cast<size_t>(row) * dib.stride;
  uint32_t index;
  switch (dib.bitCount) {
    case 1: index = (line[x >> 3] >> (7 - (x & 7))) & 1u; break;
    case 4: index = (x & 1) ? (line[x >> 1] & 0x0Fu) : (line[x >> 1] >> 4); break;
    case 8: index = line[x]; break;
    case 24: {
      const uint8_t* px = line + static_cast<size_t>(x) * 3;
      return (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
    }
    default: {
      const uint8_t* px = line + static_cast<size_t>(x) * 4;
      return (uint32_t{px[3]} << 24) | (uint32_t{px[2]} << 16) | (uint32_t{px[1]} << 8) | px[0];
    }
  }
  if (index >= dib.paletteCount) return 0;
  const uint8_t* q = dib.palette + index * 4;
  return (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
}

SDL_Surface* DibToSurface(const DibView& dib) {
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormat(0, dib.width, dib.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr) return nullptr;
  for (int y = 0; y < dib.height; ++y) {
    const int row = dib.topDown ? y : dib.height - 1 - y;
    auto* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) +
                                            static_cast<size_t>(y) * s->pitch);
    for (int x = 0; x < dib.width; ++x) dst[x] = 0xFF000000u | (DibColour(dib, x, row) & 0xFFFFFFu);
  }
  return s;
}

SDL_Surface* DecodePackedDib(const void* data, size_t size) {
  DibView dib;
  if (!ParseDib(data, size, false, &dib)) return nullptr;
  return DibToSurface(dib);
}

}  // namespace win32
