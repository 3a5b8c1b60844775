// Internal to platform/win32: the checked view of a packed DIB shared by the
// bitmap and icon decoders.
#ifndef MORVANE_PLATFORM_WIN32_RESOURCE_DIB_H
#define MORVANE_PLATFORM_WIN32_RESOURCE_DIB_H

#include <cstddef>
#include <cstdint>

struct SDL_Surface;

namespace win32 {

// A packed DIB whose header, palette and pixel rows have all been checked to
// lie inside the data. Rows are in storage order (bottom-up unless topDown).
struct DibView {
  int width = 0;
  int height = 0;  // image rows (for an icon, half the header's height)
  bool topDown = false;
  int bitCount = 0;
  const uint8_t* palette = nullptr;  // RGBQUADs
  uint32_t paletteCount = 0;
  const uint8_t* bits = nullptr;
  size_t stride = 0;
  const uint8_t* mask = nullptr;  // icons: the AND mask rows, 1 bit per pixel
  size_t maskStride = 0;
};

// Largest width or height accepted; anything bigger is treated as malformed.
constexpr int kMaxDibDimension = 16384;

// Checks and describes the DIB in data[0, size). With icon set, the header's
// height covers the colour rows and the AND mask (twice the image height,
// bottom-up). False if malformed or truncated.
bool ParseDib(const void* data, size_t size, bool icon, DibView* out);

// The colour at (x, row) in storage order as 0x00RRGGBB; the top byte holds
// the stored fourth byte for 32-bit images. Palette indices past the
// palette read as black.
uint32_t DibColour(const DibView& dib, int x, int row);

// A new ARGB8888 surface with the DIB's pixels, top row first, every pixel
// opaque. Null if SDL cannot allocate it.
SDL_Surface* DibToSurface(const DibView& dib);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_RESOURCE_DIB_H
