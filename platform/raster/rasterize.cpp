// The reference traversal.
#include "raster/rasterize.h"

namespace raster {

void DrawTriangleReference(const Setup& t, const PixelState& s, Target& target) {
  const int n = target.samples();
  const SampleOffset* pattern = SamplePattern(n);
  constexpr SampleOffset kCentre = {0, 0};
  uint32_t* colors = target.color_data();
  uint16_t* depths = target.depth_data();
  for (int y = t.box.y0; y <= t.box.y1; ++y) {
    for (int x = t.box.x0; x <= t.box.x1; ++x) {
      unsigned mask = 0;
      for (int k = 0; k < n; ++k) {
        const SampleOffset o = s.antialias ? pattern[k] : kCentre;
        const int64_t X = int64_t{x} * kSubPixel + o.dx, Y = int64_t{y} * kSubPixel + o.dy;
        bool in = true;
        for (int i = 0; i < 3; ++i) in = in && t.a[i] * X + t.b[i] * Y + t.c[i] >= 0;
        if (in) mask |= 1u << k;
      }
      if (mask == 0) continue;
      const uint32_t color = ShadePixel(t, s, x, y);
      if (s.alphaTest && !Passes(s.alphaFunc, color >> 24, s.alphaRef)) continue;
      for (int k = 0; k < n; ++k) {
        if ((mask & (1u << k)) == 0) continue;
        const size_t index = target.Index(x, y, k);
        if (s.depthTest) {
          const uint16_t z = SampleDepth(t, x, y, s.antialias ? pattern[k] : kCentre);
          if (!Passes(s.depthFunc, z, depths[index])) continue;
          if (s.depthWrite) depths[index] = z;
        }
        colors[index] = OutputColor(s, color, colors[index]);
      }
    }
  }
}

}  // namespace raster
