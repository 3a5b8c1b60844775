// The program's icon: a small sunset scene on a rounded square (the splash
// in miniature) and its reduction to a 256-colour palette.
#include "art.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace mkart {
namespace {

double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }
Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Inside test of a rounded square of side 1 with corner radius rc.
bool InRoundedSquare(double u, double v, double rc) {
  const double dx = std::max(std::abs(u - 0.5) - (0.5 - rc), 0.0);
  const double dy = std::max(std::abs(v - 0.5) - (0.5 - rc), 0.0);
  return dx * dx + dy * dy <= rc * rc;
}

// Colour of the emblem at (u, v) in [0,1]^2, v downwards.
Rgb EmblemColour(double u, double v) {
  constexpr double kHorizon = 0.70;
  Rgb c;
  if (v < kHorizon) {
    const double t = v / kHorizon;
    c = t < 0.6 ? Mix({0.12, 0.10, 0.38}, {0.62, 0.24, 0.48}, t / 0.6)
                : Mix({0.62, 0.24, 0.48}, {1.0, 0.60, 0.30}, (t - 0.6) / 0.4);
  } else {
    // Floor: two rows of checker tiles in perspective.
    const double depth = (v - kHorizon) / (1 - kHorizon);
    const double row = std::floor(depth * 3.0);
    const double col = std::floor((u - 0.5) / (0.12 + depth * 0.35) + 10.0);
    const bool dark = (static_cast<int>(row + col) & 1) != 0;
    c = dark ? Rgb{0.18, 0.16, 0.24} : Rgb{0.90, 0.78, 0.62};
  }
  // The sphere, lit from the upper left, with a shadow on the floor.
  const double cx = 0.5, cy = 0.50, r = 0.30;
  const double sdx = (u - cx - 0.06) / (r * 1.1), sdy = (v - (kHorizon + 0.09)) / (r * 0.28);
  if (v > kHorizon && sdx * sdx + sdy * sdy < 1) c = c.r > 0.5 ? Rgb{0.45, 0.36, 0.32} : c;
  const double dx = (u - cx) / r, dy = (v - cy) / r;
  const double d2 = dx * dx + dy * dy;
  if (d2 <= 1) {
    const double nz = std::sqrt(1 - d2);
    const double lx = -0.5, ly = -0.6, lz = 0.62;  // towards the light
    const double diffuse = Clamp01(dx * lx + dy * ly + nz * lz);
    Rgb s = Mix({0.25, 0.03, 0.05}, {0.95, 0.18, 0.10}, diffuse);
    // Mirror of the horizon along the lower rim.
    s = Mix(s, {1.0, 0.62, 0.32}, Clamp01((dy - 0.35) * 1.2) * (1 - nz) * 1.5);
    const double hx = dx + 0.38, hy = dy + 0.42;
    const double highlight = std::exp(-(hx * hx + hy * hy) * 18.0);
    s = Mix(s, {1.0, 0.97, 0.92}, Clamp01(highlight * 1.2));
    c = s;
  }
  return c;
}

}  // namespace

Picture MakeEmblem(int size) {
  Picture p(size, size);
  constexpr int kGrid = 6;
  const double rc = 0.22;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Rgb sum;
      int inside = 0;
      for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
          const double u = (x + (sx + 0.5) / kGrid) / size;
          const double v = (y + (sy + 0.5) / kGrid) / size;
          if (!InRoundedSquare(u, v, rc)) continue;
          // A thin light rim sets the square off against dark backgrounds.
          const bool rim = !InRoundedSquare((u - 0.5) * 1.09 + 0.5, (v - 0.5) * 1.09 + 0.5, rc);
          const Rgb c = rim ? Rgb{0.95, 0.85, 0.95} : EmblemColour(u, v);
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
          ++inside;
        }
      }
      const double a = double(inside) / (kGrid * kGrid);
      p.alphaAt(x, y) = a;
      p.at(x, y) = inside ? Rgb{sum.r / inside, sum.g / inside, sum.b / inside} : Rgb{};
    }
  }
  return p;
}

namespace {

struct Box {
  std::vector<uint32_t> colours;  // with repeats, one per pixel
};

int Channel(uint32_t c, int ch) { return (c >> (16 - 8 * ch)) & 0xFF; }

int LongestAxis(const Box& b, int* range) {
  int best = 0;
  *range = -1;
  for (int ch = 0; ch < 3; ++ch) {
    int lo = 255, hi = 0;
    for (uint32_t c : b.colours) {
      lo = std::min(lo, Channel(c, ch));
      hi = std::max(hi, Channel(c, ch));
    }
    if (hi - lo > *range) {
      *range = hi - lo;
      best = ch;
    }
  }
  return best;
}

}  // namespace

Indexed Quantise(const Picture& p) {
  constexpr size_t kColours = 255;  // entry 0 stays black, for masked pixels
  std::vector<uint32_t> pixels(p.colour.size());
  Box all;
  for (size_t i = 0; i < pixels.size(); ++i) {
    const Rgb& c = p.colour[i];
    pixels[i] = (uint32_t{ToByte(c.r)} << 16) | (uint32_t{ToByte(c.g)} << 8) | ToByte(c.b);
    if (p.alpha[i] >= 0.5) all.colours.push_back(pixels[i]);
  }
  Indexed out;
  out.palette.assign(256, 0);
  out.index.assign(pixels.size(), 0);
  std::vector<uint32_t> unique = all.colours;
  std::sort(unique.begin(), unique.end());
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
  std::vector<uint32_t> chosen;
  if (unique.size() <= kColours) {
    chosen = unique;
  } else {
    std::vector<Box> boxes;
    boxes.push_back(std::move(all));
    while (boxes.size() < kColours) {
      size_t pick = 0;
      int pickRange = -1, pickAxis = 0;
      for (size_t i = 0; i < boxes.size(); ++i) {
        int range;
        const int axis = LongestAxis(boxes[i], &range);
        if (boxes[i].colours.size() > 1 && range > pickRange) {
          pick = i;
          pickRange = range;
          pickAxis = axis;
        }
      }
      if (pickRange <= 0) break;
      Box& b = boxes[pick];
      std::sort(b.colours.begin(), b.colours.end(), [pickAxis](uint32_t x, uint32_t y) {
        const int cx = Channel(x, pickAxis), cy = Channel(y, pickAxis);
        return cx != cy ? cx < cy : x < y;
      });
      // Split at the median, but never between two pixels of the same value.
      size_t mid = b.colours.size() / 2;
      while (mid < b.colours.size() &&
             Channel(b.colours[mid], pickAxis) == Channel(b.colours[mid - 1], pickAxis)) {
        ++mid;
      }
      if (mid == b.colours.size()) {
        mid = b.colours.size() / 2;
        while (mid > 1 &&
               Channel(b.colours[mid], pickAxis) == Channel(b.colours[mid - 1], pickAxis))
          --mid;
      }
      Box upper;
      upper.colours.assign(b.colours.begin() + static_cast<std::ptrdiff_t>(mid), b.colours.end());
      b.colours.resize(mid);
      boxes.push_back(std::move(upper));
    }
    for (const Box& b : boxes) {
      uint64_t s[3] = {0, 0, 0};
      for (uint32_t c : b.colours) {
        for (int ch = 0; ch < 3; ++ch) s[ch] += Channel(c, ch);
      }
      const uint64_t n = b.colours.size();
      chosen.push_back(uint32_t((s[0] + n / 2) / n) << 16 | uint32_t((s[1] + n / 2) / n) << 8 |
                       uint32_t((s[2] + n / 2) / n));
    }
  }
  for (size_t i = 0; i < chosen.size(); ++i) out.palette[i + 1] = chosen[i];
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (p.alpha[i] < 0.5) continue;
    int best = 1;
    int bestD = 1 << 30;
    for (size_t k = 0; k < chosen.size(); ++k) {
      int d = 0;
      for (int ch = 0; ch < 3; ++ch) {
        const int e = Channel(pixels[i], ch) - Channel(chosen[k], ch);
        d += e * e;
      }
      if (d < bestD) {
        bestD = d;
        best = static_cast<int>(k) + 1;
      }
    }
    out.index[i] = static_cast<uint8_t>(best);
  }
  return out;
}

}  // namespace mkart
