// The splash: two glossy spheres on a checker floor under a sunset sky,
// ray traced with 4x4 supersampling, then the title in IPA Gothic with a
// soft drop shadow.
#include "art.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mkart {
namespace {

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 Norm(V3 a) { return a * (1.0 / std::sqrt(Dot(a, a))); }

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb Mix(Rgb a, Rgb b, double t) { return a * (1 - t) + b * t; }

double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }
double Smooth(double t) {
  t = Clamp01(t);
  return t * t * (3 - 2 * t);
}

struct Sphere {
  V3 centre;
  double radius;
  Rgb albedo;
  double reflect;  // at normal incidence; Fresnel raises it at grazing angles
  double shine;
};

const Sphere kSpheres[] = {
    {{0.55, 1.0, 0.6}, 1.0, {0.85, 0.16, 0.10}, 0.06, 90},        // glossy red
    {{-1.45, 0.55, -0.35}, 0.55, {0.85, 0.88, 0.95}, 0.80, 300},  // chrome
    {{2.05, 0.35, -0.9}, 0.35, {0.95, 0.72, 0.20}, 0.10, 60},     // small gold
};

const V3 kSunDir = Norm({-0.48, 0.13, 1.0});  // low sun in view, behind the spheres
const Rgb kSunColour = {1.35, 0.95, 0.65};
const Rgb kHorizon = {1.0, 0.62, 0.34};

Rgb Sky(V3 d) {
  const double h = std::max(0.0, d.y);
  const Rgb zenith = {0.10, 0.09, 0.30};
  const Rgb mid = {0.62, 0.27, 0.45};
  Rgb c =
      h < 0.18 ? Mix(kHorizon, mid, Smooth(h / 0.18)) : Mix(mid, zenith, Smooth((h - 0.18) / 0.6));
  const double s = std::max(0.0, Dot(d, kSunDir));
  c = c + Rgb{1.0, 0.7, 0.4} * (0.55 * std::pow(s, 12.0));   // glow
  c = c + Rgb{1.0, 0.95, 0.8} * (std::pow(s, 900.0) * 3.0);  // disc
  return c;
}

bool HitSphere(const Sphere& s, V3 o, V3 d, double* t) {
  const V3 oc = o - s.centre;
  const double b = Dot(oc, d);
  const double c = Dot(oc, oc) - s.radius * s.radius;
  const double disc = b * b - c;
  if (disc < 0) return false;
  const double root = -b - std::sqrt(disc);
  if (root < 1e-4) return false;
  *t = root;
  return true;
}

// 1 = lit, 0 = in full shadow; the penumbra widens with distance to the
// occluder, as under a sun of finite size.
double SunVisibility(V3 p) {
  double v = 1.0;
  for (const Sphere& s : kSpheres) {
    const V3 oc = s.centre - p;
    const double t = Dot(oc, kSunDir);
    if (t <= 0) continue;
    const double d = std::sqrt(std::max(0.0, Dot(oc, oc) - t * t));
    v = std::min(v, Smooth((d - s.radius) / (0.09 * t) * 0.5 + 0.5));
  }
  return v;
}

// Darkening of the floor where the spheres sit close above it.
double Occlusion(V3 p, V3 n) {
  double occ = 0;
  for (const Sphere& s : kSpheres) {
    const V3 toC = s.centre - p;
    const double dist2 = Dot(toC, toC);
    const double cosine = std::max(0.0, Dot(n, toC) / std::sqrt(dist2));
    occ += cosine * s.radius * s.radius / dist2;
  }
  return Clamp01(1.0 - occ);
}

Rgb Trace(V3 o, V3 d, int depth);

Rgb Floor(V3 o, V3 d, double t, int depth) {
  const V3 p = o + d * t;
  const V3 n = {0, 1, 0};
  const bool dark = (int(std::floor(p.x)) + int(std::floor(p.z))) & 1;
  const Rgb tile = dark ? Rgb{0.16, 0.15, 0.20} : Rgb{0.88, 0.80, 0.70};
  const double sun = std::max(0.0, kSunDir.y) * SunVisibility(p + n * 1e-3);
  Rgb c = tile * (kSunColour * sun + Rgb{0.35, 0.25, 0.35} * (0.55 * Occlusion(p, n)));
  if (depth < 2) {
    const V3 r = d - n * (2 * Dot(d, n));
    const double fresnel = 0.04 + 0.5 * std::pow(1 - std::max(0.0, -Dot(d, n)), 5);
    c = Mix(c, Trace(p + n * 1e-3, r, depth + 1), fresnel);
  }
  const double fog = 1 - std::exp(-t * 0.045);
  return Mix(c, kHorizon * 0.9, fog);
}

Rgb Trace(V3 o, V3 d, int depth) {
  double best = 1e30;
  const Sphere* hit = nullptr;
  for (const Sphere& s : kSpheres) {
    double t;
    if (HitSphere(s, o, d, &t) && t < best) {
      best = t;
      hit = &s;
    }
  }
  double floorT = d.y < -1e-6 ? -o.y / d.y : 1e30;
  if (floorT < 1e-4) floorT = 1e30;
  if (hit == nullptr && floorT >= 1e30) return Sky(d);
  if (hit == nullptr || floorT < best) return Floor(o, d, floorT, depth);

  const V3 p = o + d * best;
  const V3 n = Norm(p - hit->centre);
  const double sun = std::max(0.0, Dot(n, kSunDir)) * SunVisibility(p + n * 1e-3);
  const Rgb skyLight = Mix(Rgb{0.30, 0.20, 0.25}, Rgb{0.45, 0.30, 0.55}, 0.5 + 0.5 * n.y);
  const V3 fillDir = Norm({0.7, 0.8, -0.7});  // soft fill from above the viewer's right
  const double fill = std::max(0.0, Dot(n, fillDir)) * 0.75;
  Rgb c = hit->albedo * (kSunColour * sun + skyLight + Rgb{0.6, 0.55, 0.7} * fill);
  const V3 r = d - n * (2 * Dot(d, n));
  const double specular =
      std::pow(std::max(0.0, Dot(r, kSunDir)), hit->shine) * SunVisibility(p + n * 1e-3);
  const double fresnel =
      hit->reflect + (1 - hit->reflect) * std::pow(1 - std::max(0.0, -Dot(d, n)), 5);
  if (depth < 3) {
    Rgb mirror = Trace(p + n * 1e-3, r, depth + 1);
    if (hit->reflect > 0.5) mirror = mirror * hit->albedo;
    c = Mix(c, mirror, fresnel);
  }
  const double fillSpec = std::pow(std::max(0.0, Dot(r, fillDir)), hit->shine * 0.5);
  return c + kSunColour * (specular * 1.2) + Rgb{0.9, 0.9, 1.0} * (fillSpec * 0.6);
}

// Filmic-ish curve so the sun glow rolls off instead of clipping.
Rgb Tone(Rgb c) {
  auto f = [](double v) {
    v = std::max(0.0, v);
    const double m = v * (1 + v / 4.0) / (1 + v);
    return std::pow(Clamp01(m), 1 / 1.1);
  };
  return {f(c.r), f(c.g), f(c.b)};
}

void RenderScene(Picture* p) {
  const V3 eye = {0.0, 1.35, -5.2};
  const V3 target = {0.1, 1.05, 0.0};
  const V3 fwd = Norm(target - eye);
  const V3 right = Norm(Cross({0, 1, 0}, fwd));
  const V3 up = Cross(fwd, right);
  const double halfH = std::tan(26.0 * 3.14159265358979 / 180.0);
  const double halfW = halfH * p->width / p->height;
  constexpr int kGrid = 4;
  for (int y = 0; y < p->height; ++y) {
    for (int x = 0; x < p->width; ++x) {
      Rgb sum;
      for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
          const double u = ((x + (sx + 0.5) / kGrid) / p->width * 2 - 1) * halfW;
          const double v = (1 - (y + (sy + 0.5) / kGrid) / p->height * 2) * halfH;
          sum = sum + Tone(Trace(eye, Norm(fwd + right * u + up * v), 0));
        }
      }
      p->at(x, y) = sum * (1.0 / (kGrid * kGrid));
    }
  }
}

// Coverage of rendered text as a float mask the size of the picture.
struct Mask {
  int w, h;
  std::vector<double> a;
};

bool TextMask(TTF_Font* font, const char* utf8, Mask* m, int* textW, int* textH) {
  SDL_Color white = {255, 255, 255, 255};
  SDL_Surface* s = TTF_RenderUTF8_Blended(font, utf8, white);
  if (s == nullptr) return false;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(s);
  if (argb == nullptr) return false;
  m->w = argb->w;
  m->h = argb->h;
  m->a.assign(size_t(m->w) * m->h, 0);
  for (int y = 0; y < m->h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                        y * argb->pitch);
    for (int x = 0; x < m->w; ++x) m->a[size_t(y) * m->w + x] = (row[x] >> 24) / 255.0;
  }
  *textW = m->w;
  *textH = m->h;
  SDL_FreeSurface(argb);
  return true;
}

// Three box passes each way approximate a Gaussian.
std::vector<double> Blur(const std::vector<double>& src, int w, int h, int radius) {
  std::vector<double> a = src, b(src.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        double s = 0;
        for (int k = -radius; k <= radius; ++k) {
          const int xx = x + k;
          if (xx >= 0 && xx < w) s += a[size_t(y) * w + xx];
        }
        b[size_t(y) * w + x] = s / (2 * radius + 1);
      }
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        double s = 0;
        for (int k = -radius; k <= radius; ++k) {
          const int yy = y + k;
          if (yy >= 0 && yy < h) s += b[size_t(yy) * w + x];
        }
        a[size_t(y) * w + x] = s / (2 * radius + 1);
      }
    }
  }
  return a;
}

// Draws a text mask with its top-left at (left, top) and a soft shadow; the
// fill fades from top to bottom between two colours.
void DrawText(Picture* p, const Mask& m, int left, int top, Rgb topColour, Rgb bottomColour) {
  constexpr int kPad = 8;
  const int w = m.w + 2 * kPad, h = m.h + 2 * kPad;
  std::vector<double> padded(size_t(w) * h, 0);
  for (int y = 0; y < m.h; ++y) {
    for (int x = 0; x < m.w; ++x)
      padded[size_t(y + kPad) * w + x + kPad] = m.a[size_t(y) * m.w + x];
  }
  const std::vector<double> shadow = Blur(padded, w, h, 2);
  constexpr int kOffset = 2;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int px = left - kPad + x + kOffset, py = top - kPad + y + kOffset;
      if (px < 0 || py < 0 || px >= p->width || py >= p->height) continue;
      p->at(px, py) = p->at(px, py) * (1 - 0.75 * Clamp01(shadow[size_t(y) * w + x] * 1.4));
    }
  }
  for (int y = 0; y < m.h; ++y) {
    const Rgb fillColour = Mix(topColour, bottomColour, double(y) / std::max(1, m.h - 1));
    for (int x = 0; x < m.w; ++x) {
      const int px = left + x, py = top + y;
      if (px < 0 || py < 0 || px >= p->width || py >= p->height) continue;
      p->at(px, py) = Mix(p->at(px, py), fillColour, m.a[size_t(y) * m.w + x]);
    }
  }
}

}  // namespace

bool MakeSplash(const std::string& fontPath, Picture* out) {
  RenderScene(out);
  if (TTF_Init() != 0) {
    std::fprintf(stderr, "mkart: TTF_Init: %s\n", TTF_GetError());
    return false;
  }
  bool ok = false;
  TTF_Font* title = TTF_OpenFont(fontPath.c_str(), 36);
  TTF_Font* sub = TTF_OpenFont(fontPath.c_str(), 17);
  if (title == nullptr || sub == nullptr) {
    std::fprintf(stderr, "mkart: cannot open font %s: %s\n", fontPath.c_str(), TTF_GetError());
  } else {
    TTF_SetFontHinting(title, TTF_HINTING_LIGHT);
    TTF_SetFontHinting(sub, TTF_HINTING_LIGHT);
    Mask tm, sm;
    int tw, th, sw, sh;
    if (TextMask(title, "Morvane Bench", &tm, &tw, &th) &&
        TextMask(sub, "べんちまーく", &sm, &sw, &sh)) {
      DrawText(out, tm, (out->width - tw) / 2, 14, {1.0, 0.98, 0.92}, {1.0, 0.80, 0.55});
      DrawText(out, sm, (out->width - sw) / 2, 14 + th + 1, {1.0, 0.90, 0.70}, {1.0, 0.85, 0.62});
      ok = true;
    } else {
      std::fprintf(stderr, "mkart: cannot render text: %s\n", TTF_GetError());
    }
  }
  if (title != nullptr) TTF_CloseFont(title);
  if (sub != nullptr) TTF_CloseFont(sub);
  TTF_Quit();
  return ok;
}

}  // namespace mkart
