// Target storage, clear and resolve.
#include <algorithm>
#include <cstring>

#include "raster/target.h"

namespace raster {

bool Target::Reset(int width, int height, int samples) {
  width_ = height_ = samples_ = 0;
  color_.clear();
  depth_.clear();
  if (width < 1 || height < 1 || width > kMaxTargetSize || height > kMaxTargetSize) return false;
  if (samples != 1 && samples != 2 && samples != 4 && samples != 8) return false;
  width_ = width;
  height_ = height;
  samples_ = samples;
  const size_t count = static_cast<size_t>(width) * height * samples;
  color_.assign(count, 0xFF000000u);
  depth_.assign(count, 0xFFFF);
  return true;
}

void Target::Clear(const Viewport& rect, bool clearColor, uint32_t color, bool clearDepth,
                   float z) {
  const int x0 = std::max(rect.x, 0);
  const int y0 = std::max(rect.y, 0);
  // In 64 bits: x + width may exceed int.
  const int x1 = static_cast<int>(std::min<int64_t>(int64_t{rect.x} + rect.width, width_));
  const int y1 = static_cast<int>(std::min<int64_t>(int64_t{rect.y} + rect.height, height_));
  if (x0 >= x1 || y0 >= y1) return;
  const uint32_t c = color | 0xFF000000u;
  const uint16_t d = DepthToD16(z);
  const size_t run = static_cast<size_t>(x1 - x0) * samples_;
  for (int y = y0; y < y1; ++y) {
    const size_t start = Index(x0, y, 0);
    if (clearColor) std::fill_n(color_.begin() + start, run, c);
    if (clearDepth) std::fill_n(depth_.begin() + start, run, d);
  }
}

namespace {

// The rounded box filter of n = 2^shift samples. Every stored colour has
// alpha 0xFF, so a pixel whose samples agree resolves to that colour (the
// common case away from edges) without the per-channel sums.
template <int kShift>
uint32_t ResolvePixel(const uint32_t* s) {
  constexpr int n = 1 << kShift;
  bool same = true;
  for (int i = 1; i < n; ++i) same = same && s[i] == s[0];
  if (same) return s[0];
  uint32_t r = 0, g = 0, b = 0;
  for (int i = 0; i < n; ++i) {
    r += (s[i] >> 16) & 0xFF;
    g += (s[i] >> 8) & 0xFF;
    b += s[i] & 0xFF;
  }
  constexpr uint32_t half = n / 2;
  return 0xFF000000u | ((r + half) >> kShift) << 16 | ((g + half) >> kShift) << 8 |
         ((b + half) >> kShift);
}

template <int kShift>
void ResolveRow(const uint32_t* samples, int width, uint32_t* out) {
  for (int x = 0; x < width; ++x) out[x] = ResolvePixel<kShift>(samples + (x << kShift));
}

}  // namespace

uint32_t Target::Resolved(int x, int y) const {
  const uint32_t* s = &color_[Index(x, y, 0)];
  switch (samples_) {
    case 2: return ResolvePixel<1>(s);
    case 4: return ResolvePixel<2>(s);
    case 8: return ResolvePixel<3>(s);
    default: return s[0];
  }
}

void Target::Resolve(uint32_t* out, int pitchBytes) const {
  ResolveRows(out, pitchBytes, 0, height_);
}

void Target::ResolveRows(uint32_t* out, int pitchBytes, int y0, int y1) const {
  for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out) +
                                            static_cast<ptrdiff_t>(y) * pitchBytes);
    const uint32_t* samples = &color_[Index(0, y, 0)];
    switch (samples_) {
      case 2: ResolveRow<1>(samples, width_, row); break;
      case 4: ResolveRow<2>(samples, width_, row); break;
      case 8: ResolveRow<3>(samples, width_, row); break;
      default: std::memcpy(row, samples, static_cast<size_t>(width_) * 4); break;
    }
  }
}

}  // namespace raster
