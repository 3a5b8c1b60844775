// Triangle set-up: snap to the sub-pixel grid, cull on screen winding, build
// the edge functions with the top-left rule and the interpolation planes.
#include "raster/setup.h"

#include <algorithm>
#include <cmath>

namespace raster {

namespace {

// Positions beyond this many pixels from the origin are refused; clipping
// keeps real geometry well inside, so the edge products fit in 64 bits.
constexpr float kMaxCoordinate = 1 << 15;

constexpr SampleOffset kPattern1[] = {{0, 0}};
constexpr SampleOffset kPattern2[] = {{64, 64}, {-64, -64}};
constexpr SampleOffset kPattern4[] = {{-32, -96}, {96, -32}, {-96, 32}, {32, 96}};
constexpr SampleOffset kPattern8[] = {{16, -48}, {-16, 48},   {80, 16},  {-48, -80},
                                      {-80, 80}, {-112, -16}, {48, 112}, {112, -112}};

bool Finite(const Vert& v) {
  for (float f : v.p)
    if (!std::isfinite(f)) return false;
  for (float f : v.a)
    if (!std::isfinite(f)) return false;
  return std::fabs(v.p[0]) < kMaxCoordinate && std::fabs(v.p[1]) < kMaxCoordinate;
}

Plane MakePlane(double f0, double f1, double f2, double dx1, double dy1, double dx2, double dy2,
                double det) {
  Plane p;
  p.f0 = static_cast<float>(f0);
  p.dx = static_cast<float>(((f1 - f0) * dy2 - (f2 - f0) * dy1) / det);
  p.dy = static_cast<float>(((f2 - f0) * dx1 - (f1 - f0) * dx2) / det);
  return p;
}

}  // namespace

const SampleOffset* SamplePattern(int samples) {
  switch (samples) {
    case 2: return kPattern2;
    case 4: return kPattern4;
    case 8: return kPattern8;
    default: return kPattern1;
  }
}

Vert ToScreen(const Vert& clip, const Viewport& vp) {
  Vert s;
  const float q = 1.0f / clip.p[3];
  const float halfW = vp.width * 0.5f, halfH = vp.height * 0.5f;
  s.p[0] = static_cast<float>(vp.x) + (1.0f + clip.p[0] * q) * halfW;
  s.p[1] = static_cast<float>(vp.y) + (1.0f - clip.p[1] * q) * halfH;
  s.p[2] = vp.minZ + clip.p[2] * q * (vp.maxZ - vp.minZ);
  s.p[3] = q;
  for (int i = 0; i < kAttributes; ++i) s.a[i] = clip.a[i] * q;
  return s;
}

bool SetupTriangle(const Vert& v0, const Vert& v1, const Vert& v2, CullMode cull,
                   const Rect& scissor, uint32_t draw, Setup* out) {
  if (!Finite(v0) || !Finite(v1) || !Finite(v2)) return false;
  const Vert* v[3] = {&v0, &v1, &v2};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = std::llrint(static_cast<double>(v[i]->p[0]) * kSubPixel);
    Y[i] = std::llrint(static_cast<double>(v[i]->p[1]) * kSubPixel);
  }
  // Positive for clockwise on the screen (y down).
  const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return false;
  if (cull == CullMode::kCounterClockwise && area < 0) return false;
  if (cull == CullMode::kClockwise && area > 0) return false;
  if (area < 0) {
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
  }

  Setup& t = *out;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
    t.a[i] = -dy;
    t.b[i] = dx;
    t.c[i] = dy * X[i] - dx * Y[i];
    // Clockwise with y down: a top edge runs exactly left to right, a left
    // edge runs upwards. Centres on other edges belong to the neighbour.
    const bool topLeft = (dy == 0 && dx > 0) || dy < 0;
    if (!topLeft) t.c[i] -= 1;
  }

  const int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  const int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  // A pixel can be covered only if one of its samples lies in the hull.
  t.box.x0 =
      std::max<int>(scissor.x0, static_cast<int>((minX - kMaxSampleOffset) >> kSubPixelBits));
  t.box.y0 =
      std::max<int>(scissor.y0, static_cast<int>((minY - kMaxSampleOffset) >> kSubPixelBits));
  t.box.x1 = std::min<int>(
      scissor.x1, static_cast<int>((maxX + kMaxSampleOffset + kSubPixel - 1) >> kSubPixelBits));
  t.box.y1 = std::min<int>(
      scissor.y1, static_cast<int>((maxY + kMaxSampleOffset + kSubPixel - 1) >> kSubPixelBits));
  if (t.box.x0 > t.box.x1 || t.box.y0 > t.box.y1) return false;

  // Planes over the snapped positions, in double, stored as float.
  const double x0 = static_cast<double>(X[0]) / kSubPixel,
               y0 = static_cast<double>(Y[0]) / kSubPixel;
  const double dx1 = static_cast<double>(X[1] - X[0]) / kSubPixel;
  const double dy1 = static_cast<double>(Y[1] - Y[0]) / kSubPixel;
  const double dx2 = static_cast<double>(X[2] - X[0]) / kSubPixel;
  const double dy2 = static_cast<double>(Y[2] - Y[0]) / kSubPixel;
  const double det = dx1 * dy2 - dx2 * dy1;
  t.ox = static_cast<float>(x0);
  t.oy = static_cast<float>(y0);
  t.z = MakePlane(v[0]->p[2], v[1]->p[2], v[2]->p[2], dx1, dy1, dx2, dy2, det);
  t.q = MakePlane(v[0]->p[3], v[1]->p[3], v[2]->p[3], dx1, dy1, dx2, dy2, det);
  for (int k = 0; k < kAttributes; ++k)
    t.attr[k] = MakePlane(v[0]->a[k], v[1]->a[k], v[2]->a[k], dx1, dy1, dx2, dy2, det);
  t.draw = draw;
  return true;
}

}  // namespace raster
