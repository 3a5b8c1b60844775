// The two pictures of the overlay and the background: the sprite sheet
// "Chip.bmp" (logo, panel, score labels, digits, drawn with the stroke font
// over transparency) and the backdrop "BG.bmp" (a dark concert hall with
// light beams and stars).
#include <string>

#include "assets.h"
#include "dmath.h"
#include "strokes.h"

namespace mkassets {
namespace {

using mkart::Rgb;

const Rgb kCyan{0.35, 0.95, 1.0};
const Rgb kMagenta{1.0, 0.35, 0.85};
const Rgb kWhite{1, 1, 1};
const Rgb kInk{0.02, 0.03, 0.10};

// Bright text over a dark halo so it reads over any part of the scene.
void HaloText(mkart::Picture* p, const std::vector<Polyline>& lines, double half,
              const Paint& paint) {
  DrawStrokes(p, lines, half + 1.1, Paint{kInk, kInk, 0.75});
  DrawStrokes(p, lines, half, paint);
}

// A translucent plate with a thin neon edge filling the rectangle.
void Plate(mkart::Picture* p, const ChipRect& r, double radius, const Paint& fill,
           const Paint& edge) {
  FillRoundRect(p, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2, radius, fill);
  StrokeRoundRect(p, r.left + 2.5, r.top + 2.5, r.right - 2.5, r.bottom - 2.5, radius, 0.7, edge);
}

void DrawLogo(mkart::Picture* p) {
  Plate(p, kChipLogo, 12, Paint{{0.05, 0.06, 0.20}, {0.16, 0.03, 0.22}, 0.78},
        Paint{kCyan, kMagenta, 0.9});
  // The emblem: a ring around a chevron, like a stage seen from above.
  const double cx = 38, cy = 38, rad = 22;
  Polyline ring;
  for (int i = 0; i <= 48; ++i) {
    const double a = 2 * kPi * i / 48;
    ring.push_back({cx + rad * Cos(a), cy + rad * Sin(a)});
  }
  DrawStrokes(p, {ring}, 2.2, Paint{kCyan, kMagenta, 1});
  DrawStrokes(
      p,
      {{{cx - 12, cy + 9}, {cx - 12, cy - 9}, {cx, cy + 3}, {cx + 12, cy - 9}, {cx + 12, cy + 9}}},
      2.4, Paint{kWhite, kCyan, 1});
  // The name, slanted, then the subtitle.
  const auto name = TextStrokes("MORVANE", 72, 10, 5.0, 0.18);
  DrawStrokes(p, name, 4.2, Paint{kMagenta, kMagenta, 0.35});
  DrawStrokes(p, name, 2.3, Paint{kWhite, kCyan, 1});
  HaloText(p, TextStrokes("BENCHMARK VER.B", 74, 52, 1.7, 0.18), 0.8,
           Paint{{1, 0.8, 0.95}, kMagenta, 1});
}

void DrawPanel(mkart::Picture* p) {
  const ChipRect r = kChipPanel;
  Plate(p, r, 10, Paint{{0.10, 0.03, 0.20}, {0.03, 0.05, 0.16}, 0.72}, Paint{kMagenta, kCyan, 0.9});
  HaloText(p, TextStrokes("MORVANE STAGE", r.left + 14, r.top + 10, 1.9, 0.15), 0.85,
           Paint{kWhite, kCyan, 1});
  // A level meter of bars, cyan to magenta.
  Rng rng(7);
  const int bars = 24;
  for (int i = 0; i < bars; ++i) {
    const double x0 = r.left + 14 + i * 10.2;
    const double h = 10 + 36 * (0.5 + 0.5 * Sin(i * 0.7)) * (0.6 + 0.4 * rng.Unit());
    const double t = static_cast<double>(i) / (bars - 1);
    const Rgb c{Lerp(kCyan.r, kMagenta.r, t), Lerp(kCyan.g, kMagenta.g, t),
                Lerp(kCyan.b, kMagenta.b, t)};
    FillRoundRect(p, x0, r.bottom - 12 - h, x0 + 7, r.bottom - 12, 2, Paint{kWhite, c, 0.95});
  }
  DrawStrokes(p, {{{r.left + 12.0, r.bottom - 9.0}, {r.right - 12.0, r.bottom - 9.0}}}, 0.6,
              Paint{kCyan, kCyan, 0.8});
}

void DrawLabels(mkart::Picture* p) {
  const char* labels[3] = {"SCORE", "AVERAGE", "BEST"};
  const Paint paints[3] = {Paint{kWhite, kCyan, 1}, Paint{kWhite, {0.7, 1, 0.7}, 1},
                           Paint{{1, 0.95, 0.6}, {1, 0.6, 0.3}, 1}};
  for (int row = 0; row < 3; ++row) {
    const double scale = 2.2;
    const double w = TextWidth(labels[row], scale);
    const double x = kChipLabels.right - 5 - w;
    HaloText(p, TextStrokes(labels[row], x, kChipLabels.top + 20 * row + 2.5, scale, 0.12), 0.9,
             paints[row]);
  }
}

void DrawDigits(mkart::Picture* p) {
  for (int d = 0; d < 10; ++d) {
    const double scale = 2.35;
    const double x = kDigitLeft + 14 * d + (kDigitWidth - 4 * scale) / 2 - 0.6;
    const double y = kDigitTop + (kDigitHeight - 6 * scale) / 2;
    HaloText(p, TextStrokes(std::string(1, static_cast<char>('0' + d)), x, y, scale, 0.1), 0.95,
             Paint{kWhite, {0.75, 0.95, 1}, 1});
  }
}

}  // namespace

mkart::Picture MakeChip() {
  mkart::Picture p(kChipWidth, kChipHeight);
  for (double& a : p.alpha) a = 0;
  DrawLogo(&p);
  DrawPanel(&p);
  DrawLabels(&p);
  DrawDigits(&p);
  return p;
}

mkart::Picture MakeBackdrop() {
  const int w = kBackdropWidth, h = kBackdropHeight;
  mkart::Picture p(w, h);
  Rng rng(2026);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double v = static_cast<double>(y) / h;
      // Night-blue at the top, a violet horizon, dark floor below.
      const double horizon = ExpFast(-(v - 0.55) * (v - 0.55) * 40);
      Rgb c{0.02 + 0.30 * horizon, 0.02 + 0.06 * horizon, 0.08 + 0.30 * horizon};
      const double dx = (x - 400.0) / 400, dy = (y - 330.0) / 300;
      const double glow = ExpFast(-(dx * dx * 3 + dy * dy * 8));
      c.r += 0.35 * glow;
      c.g += 0.10 * glow;
      c.b += 0.30 * glow;
      // Beams fanning down from the rig above the stage.
      for (int b = 0; b < 7; ++b) {
        const double ox = 100 + b * 100.0;
        const double angle = (b - 3) * 0.16;
        const double along = y;
        const double across = (x - ox) - along * Sin(angle);
        const double width = 12 + along * 0.12;
        const double beam = ExpFast(-across * across / (width * width)) * ExpFast(-along / 420);
        const bool warm = b % 2 == 0;
        c.r += beam * (warm ? 0.22 : 0.08);
        c.g += beam * (warm ? 0.10 : 0.18);
        c.b += beam * (warm ? 0.20 : 0.25);
      }
      p.at(x, y) = c;
    }
  // Stars in the upper sky, fewer near the glow.
  for (int i = 0; i < 420; ++i) {
    const int x = static_cast<int>(rng.Unit() * w);
    const int y = static_cast<int>(rng.Unit() * rng.Unit() * h * 0.5);
    const double b = 0.3 + 0.7 * rng.Unit();
    Blend(&p, x, y, {0.8 + 0.2 * b, 0.85, 1}, b);
    if (b > 0.85) {
      Blend(&p, x + 1, y, {0.8, 0.85, 1}, b * 0.4);
      Blend(&p, x - 1, y, {0.8, 0.85, 1}, b * 0.4);
      Blend(&p, x, y + 1, {0.8, 0.85, 1}, b * 0.4);
      Blend(&p, x, y - 1, {0.8, 0.85, 1}, b * 0.4);
    }
  }
  // Far speaker towers and a truss as dark silhouettes on the horizon.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool tower =
          (x > 40 && x < 120 && y > 190 && y < 420) || (x > 680 && x < 760 && y > 190 && y < 420);
      const bool truss =
          y > 60 && y < 74 && ((x + y) % 24 < 3 || (x - y + 800) % 24 < 3 || y < 62 || y > 71);
      if (tower || truss) Blend(&p, x, y, {0.015, 0.01, 0.035}, 0.85);
      if (tower && (y - 200) % 44 < 30 && (x % 80 > 48 && x % 80 < 78)) {
        const double r = (((x % 80) - 63.0) * ((x % 80) - 63.0) +
                          ((y - 200) % 44 - 15.0) * ((y - 200) % 44 - 15.0));
        if (r < 144) Blend(&p, x, y, {0.08, 0.06, 0.14}, 0.9);
      }
    }
  return p;
}

std::vector<uint8_t> EncodeRaw(const mkart::Picture& picture) {
  std::vector<uint8_t> out = {'T', 'E', 'Y', 'L'};
  auto put32 = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put32(static_cast<uint32_t>(picture.width));
  put32(static_cast<uint32_t>(picture.height));
  const lmfw::PictureData data = ToPictureData(picture);
  out.insert(out.end(), data.pixels.begin(), data.pixels.end());
  return out;
}

lmfw::PictureData ToPictureData(const mkart::Picture& picture) {
  lmfw::PictureData data;
  data.width = picture.width;
  data.height = picture.height;
  data.pixels.reserve(size_t(picture.width) * picture.height * 4);
  for (size_t i = 0; i < picture.colour.size(); ++i) {
    const Rgb& c = picture.colour[i];
    data.pixels.push_back(mkart::ToByte(c.b));
    data.pixels.push_back(mkart::ToByte(c.g));
    data.pixels.push_back(mkart::ToByte(c.r));
    data.pixels.push_back(mkart::ToByte(picture.alpha[i]));
  }
  return data;
}

}  // namespace mkassets
