// Sutherland-Hodgman clipping. Each crossing is computed from the inside
// vertex towards the outside one, so two triangles sharing an edge get the
// same new vertex and no crack opens between them.
#include "raster/clip.h"

#include <algorithm>

namespace raster {

namespace {

// Signed distance d = c . p + c0; inside when d >= 0.
struct ClipPlane {
  float c[4];
  float c0;
};

float Distance(const ClipPlane& pl, const Vert& v) {
  return pl.c[0] * v.p[0] + pl.c[1] * v.p[1] + pl.c[2] * v.p[2] + pl.c[3] * v.p[3] + pl.c0;
}

Vert Lerp(const Vert& in, const Vert& out, float t) {
  Vert r;
  for (int i = 0; i < 4; ++i) r.p[i] = in.p[i] + t * (out.p[i] - in.p[i]);
  for (int i = 0; i < kAttributes; ++i) r.a[i] = in.a[i] + t * (out.a[i] - in.a[i]);
  return r;
}

int ClipAgainst(const ClipPlane* planes, int planeCount, const Vert& v0, const Vert& v1,
                const Vert& v2, Vert* out) {
  unsigned outside[3] = {0, 0, 0};
  const Vert* tri[3] = {&v0, &v1, &v2};
  for (int k = 0; k < 3; ++k)
    for (int p = 0; p < planeCount; ++p)
      // NaN distances count as outside.
      if (!(Distance(planes[p], *tri[k]) >= 0.0f)) outside[k] |= 1u << p;
  if ((outside[0] & outside[1] & outside[2]) != 0) return 0;
  out[0] = v0;
  out[1] = v1;
  out[2] = v2;
  if ((outside[0] | outside[1] | outside[2]) == 0) return 3;

  Vert buffer[kMaxClipVerts];
  Vert* src = out;
  Vert* dst = buffer;
  int count = 3;
  const unsigned any = outside[0] | outside[1] | outside[2];
  for (int p = 0; p < planeCount && count > 0; ++p) {
    if ((any & (1u << p)) == 0) continue;
    int n = 0;
    for (int i = 0; i < count; ++i) {
      const Vert& a = src[i];
      const Vert& b = src[(i + 1) % count];
      const float da = Distance(planes[p], a), db = Distance(planes[p], b);
      const bool aIn = da >= 0.0f, bIn = db >= 0.0f;
      if (aIn) dst[n++] = a;
      if (aIn != bIn) {
        dst[n++] = aIn ? Lerp(a, b, da / (da - db)) : Lerp(b, a, db / (db - da));
      }
    }
    count = n;
    std::swap(src, dst);
  }
  if (count < 3) return 0;
  if (src != out) std::copy(src, src + count, out);
  return count;
}

}  // namespace

float GuardFactor(const Viewport& vp) {
  const float extent = static_cast<float>(std::max({vp.width, vp.height, 1}));
  return std::max(1.0f, kScreenGuard / extent);
}

int ClipTriangle(const Vert& v0, const Vert& v1, const Vert& v2, float guard, Vert* out) {
  const ClipPlane planes[6] = {
      {{0, 0, 1, 0}, 0},       // z >= 0 (near)
      {{0, 0, -1, 1}, 0},      // z <= w (far)
      {{1, 0, 0, guard}, 0},   // x >= -guard w
      {{-1, 0, 0, guard}, 0},  // x <= guard w
      {{0, 1, 0, guard}, 0},   // y >= -guard w
      {{0, -1, 0, guard}, 0},  // y <= guard w
  };
  return ClipAgainst(planes, 6, v0, v1, v2, out);
}

int ClipScreenTriangle(const Vert& v0, const Vert& v1, const Vert& v2, Vert* out) {
  const ClipPlane planes[4] = {
      {{1, 0, 0, 0}, kScreenGuard},
      {{-1, 0, 0, 0}, kScreenGuard},
      {{0, 1, 0, 0}, kScreenGuard},
      {{0, -1, 0, 0}, kScreenGuard},
  };
  return ClipAgainst(planes, 4, v0, v1, v2, out);
}

}  // namespace raster
