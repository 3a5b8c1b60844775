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

uint32_t Target::Resolved(int x, int y) const {
  const uint32_t* s = &color_[Index(x, y, 0)];
  if (samples_ == 1) return s[0];
  uint32_t r = 0, g = 0, b = 0;
  for (int i = 0; i < samples_; ++i) {
    r += (s[i] >> 16) & 0xFF;
    g += (s[i] >> 8) & 0xFF;
    b += s[i] & 0xFF;
  }
  const uint32_t n = static_cast<uint32_t>(samples_), half = n / 2;
  return 0xFF000000u | ((r + half) / n) << 16 | ((g + half) / n) << 8 | ((b + half) / n);
}

void Target::Resolve(uint32_t* out, int pitchBytes) const {
  for (int y = 0; y < height_; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out) +
                                            static_cast<ptrdiff_t>(y) * pitchBytes);
    if (samples_ == 1) {
      std::memcpy(row, &color_[Index(0, y, 0)], static_cast<size_t>(width_) * 4);
    } else {
      for (int x = 0; x < width_; ++x) row[x] = Resolved(x, y);
    }
  }
}

}  // namespace raster
