// The render target: X8R8G8B8 colour and D16 depth, 1, 2, 4 or 8 samples per
// pixel, and its resolve to one 0xFFRRGGBB value per pixel. Storage is
// pixel-major (the samples of one pixel are adjacent). Not thread-safe: while
// a Renderer draws into a target, only that renderer's thread touches it.
#ifndef MORVANE_PLATFORM_RASTER_TARGET_H
#define MORVANE_PLATFORM_RASTER_TARGET_H

#include <cstdint>
#include <vector>

#include "raster/state.h"

namespace raster {

inline constexpr int kMaxTargetSize = 8192;

class Target {
 public:
  // Allocates width x height pixels of `samples` samples (1, 2, 4 or 8),
  // colour 0xFF000000 and depth 0xFFFF. Returns false, leaving the target
  // empty, for a size outside 1..kMaxTargetSize or another sample count.
  bool Reset(int width, int height, int samples);

  int width() const { return width_; }
  int height() const { return height_; }
  int samples() const { return samples_; }

  // Colour (alpha byte always 0xFF) and depth of sample s of pixel (x, y).
  uint32_t color(int x, int y, int s) const { return color_[Index(x, y, s)]; }
  uint16_t depth(int x, int y, int s) const { return depth_[Index(x, y, s)]; }
  uint32_t* color_data() { return color_.data(); }
  uint16_t* depth_data() { return depth_.data(); }
  size_t Index(int x, int y, int s) const {
    return (static_cast<size_t>(y) * width_ + x) * samples_ + s;
  }

  // Fills the part of `rect` inside the target: colour with 0xXXRRGGBB (the
  // X byte is stored as 0xFF), depth with z clamped to 0..1 at D16.
  void Clear(const Viewport& rect, bool clearColor, uint32_t color, bool clearDepth, float z);

  // Box-filters each pixel's samples (rounded to nearest per channel) into
  // `out`, rows `pitchBytes` apart, as 0xFFRRGGBB.
  void Resolve(uint32_t* out, int pitchBytes) const;
  // The same for rows y0..y1-1 only (out still points at row 0), so that
  // bands of rows can be resolved on different threads.
  void ResolveRows(uint32_t* out, int pitchBytes, int y0, int y1) const;
  // Resolved colour of one pixel.
  uint32_t Resolved(int x, int y) const;

 private:
  int width_ = 0, height_ = 0, samples_ = 0;
  std::vector<uint32_t> color_;
  std::vector<uint16_t> depth_;
};

// 0..1 to the D16 value stored and compared (NaN reads 0).
inline uint16_t DepthToD16(float z) {
  if (!(z > 0.0f)) return 0;
  if (z >= 1.0f) return 0xFFFF;
  return static_cast<uint16_t>(z * 65535.0f + 0.5f);
}

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_TARGET_H
