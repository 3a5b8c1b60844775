#include "geometry.h"

#include <algorithm>
#include <stdexcept>

#include "dmath.h"

namespace mkassets {

double Length(Vec3 a) { return Sqrt(Dot(a, a)); }
Vec3 Normalize(Vec3 a) {
  const double l = Length(a);
  return l > 0 ? a * (1 / l) : Vec3{0, 1, 0};
}

void Store(float out[3], Vec3 v) {
  out[0] = static_cast<float>(v.x);
  out[1] = static_cast<float>(v.y);
  out[2] = static_cast<float>(v.z);
}

uint16_t MeshBuilder::Add(const VertexIn& v) {
  // Indices are 16-bit: a mesh past 65,535 vertices is a mistake in the
  // scene's code, not something to write.
  if (vertices_.size() >= 0xFFFF) throw std::length_error("a mesh needs more than 65535 vertices");
  vertices_.push_back(v);
  return static_cast<uint16_t>(vertices_.size() - 1);
}

void MeshBuilder::Triangle(uint16_t a, uint16_t b, uint16_t c) {
  const Vec3 pa = vertices_[a].position, pb = vertices_[b].position, pc = vertices_[c].position;
  const Vec3 n = vertices_[a].normal + vertices_[b].normal + vertices_[c].normal;
  // Clockwise on screen seen from the front means cross(b - a, c - a) points
  // at the viewer in this left-handed space.
  if (Dot(Cross(pb - pa, pc - pa), n) < 0) std::swap(b, c);
  indices_.push_back(a);
  indices_.push_back(b);
  indices_.push_back(c);
}

lmfw::MeshData MeshBuilder::Build(uint16_t surfaceNo) const {
  lmfw::MeshData mesh;
  mesh.surfaceNo = surfaceNo;
  mesh.indices = indices_;
  mesh.vertices.reserve(vertices_.size());
  for (const VertexIn& v : vertices_) {
    SceneVertex s{};
    const Vec3 n = Normalize(v.normal);
    Store(s.position, v.position);
    Store(s.normal, n);
    s.color[0] = static_cast<float>(Clamp01(v.colour.r));
    s.color[1] = static_cast<float>(Clamp01(v.colour.g));
    s.color[2] = static_cast<float>(Clamp01(v.colour.b));
    s.color[3] = static_cast<float>(Clamp01(v.colour.a));
    s.texCoord[0] = static_cast<float>(v.u);
    s.texCoord[1] = static_cast<float>(v.v);
    // The heaviest influence goes first (the one the vertex programs always
    // add); weights are rounded to float and the first takes the remainder,
    // so the stored four add up to 1 as exactly as floats can.
    std::array<int, 4> order{0, 1, 2, 3};
    std::stable_sort(order.begin(), order.end(),
                     [&v](int a, int b) { return v.skin.weight[a] > v.skin.weight[b]; });
    float rest = 1.0f;
    for (int k = 3; k >= 0; --k) {
      const auto from = static_cast<size_t>(order[static_cast<size_t>(k)]);
      s.blendIndices[k] = static_cast<float>(v.skin.slot[from]);
      if (k > 0) {
        s.blendWeights[k] = static_cast<float>(v.skin.weight[from]);
        rest -= s.blendWeights[k];
      }
    }
    s.blendWeights[0] = rest;
    mesh.vertices.push_back(s);
  }
  return mesh;
}

void MeshBuilder::Grid(int cols, int rows, const std::function<VertexIn(double, double)>& f) {
  const uint16_t base = static_cast<uint16_t>(vertices_.size());
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= cols; ++i)
      Add(f(static_cast<double>(i) / cols, static_cast<double>(j) / rows));
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i) {
      const auto at = [&](int a, int b) {
        return static_cast<uint16_t>(base + b * (cols + 1) + a);
      };
      Triangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
      Triangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
}

void AddSphere(MeshBuilder* m, Vec3 c, Vec3 r, int cols, int rows, const Skin& skin, Colour col) {
  m->Grid(cols, rows, [&](double u, double v) {
    const double a = 2 * kPi * u, b = kPi * v;
    const Vec3 d{Sin(b) * Cos(a), Cos(b), Sin(b) * Sin(a)};
    const Vec3 p = c + Vec3{d.x * r.x, d.y * r.y, d.z * r.z};
    const Vec3 n = Normalize(Vec3{d.x / r.x, d.y / r.y, d.z / r.z});
    return VertexIn{p, n, col, u, v, skin};
  });
}

void AddTube(MeshBuilder* m, Vec3 a, Vec3 b, double ra, double rb, int cols, int rows,
             const std::function<Skin(double, Vec3)>& skinAt, Colour col) {
  const Vec3 axis = Normalize(b - a);
  const Vec3 helper = (axis.y > 0.9 || axis.y < -0.9) ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  const Vec3 side = Normalize(Cross(axis, helper));
  const Vec3 up = Cross(side, axis);
  const double len = Length(b - a);
  // Rounded ends: the radius follows a capsule profile over the end caps.
  m->Grid(cols, rows, [&](double u, double v) {
    const double ang = 2 * kPi * u;
    const double cap = 0.18;
    double t = v, k = 1;
    if (v < cap) k = Sqrt(1 - (1 - v / cap) * (1 - v / cap));
    if (v > 1 - cap) k = Sqrt(1 - ((v - 1 + cap) / cap) * ((v - 1 + cap) / cap));
    const double r = Lerp(ra, rb, t) * k;
    const double bulge =
        (v < cap) ? -(1 - v / cap) * ra * 0.5 : (v > 1 - cap ? (v - 1 + cap) / cap * rb * 0.5 : 0);
    const Vec3 ring = side * Cos(ang) + up * Sin(ang);
    const Vec3 centre = a + axis * (t * len + bulge);
    const Vec3 p = centre + ring * r;
    Vec3 n = ring * k + axis * (v < cap ? -(1 - k) : (v > 1 - cap ? (1 - k) : 0));
    return VertexIn{p, Normalize(n), col, u, v, skinAt(t, p)};
  });
}

void AddDisc(MeshBuilder* m, Vec3 c, double r0, double r1, int cols, int rows, const Skin& skin,
             const std::function<Colour(double, double)>& colour) {
  m->Grid(cols, rows, [&](double u, double v) {
    const double a = 2 * kPi * u;
    const double r = Lerp(r0, r1, v);
    const Vec3 p = c + Vec3{r * Cos(a), 0, r * Sin(a)};
    return VertexIn{p, {0, 1, 0}, colour(r, a), p.x * 0.5, p.z * 0.5, skin};
  });
}

void BakeLighting(MeshBuilder* m, double shine, size_t from) {
  const Vec3 key = Normalize({-0.5, 0.8, -0.6});
  const Vec3 rim = Normalize({0.4, 0.5, 0.9});
  const Vec3 fill = Normalize({0.9, 0.2, -0.2});
  const Vec3 view = Normalize({0, 0.35, -1});
  const Vec3 half = Normalize(key + view);
  auto& vs = m->Vertices();
  for (size_t i = from; i < vs.size(); ++i) {
    VertexIn& v = vs[i];
    const Vec3 n = Normalize(v.normal);
    const double dk = Dot(n, key) > 0 ? Dot(n, key) : 0;
    const double dr = Dot(n, rim) > 0 ? Dot(n, rim) : 0;
    const double df = Dot(n, fill) > 0 ? Dot(n, fill) : 0;
    double spec = Dot(n, half) > 0 ? Dot(n, half) : 0;
    spec = spec * spec;
    spec = spec * spec;
    spec = spec * spec * shine;
    const double r = 0.30 + 0.85 * dk * 1.0 + 0.35 * dr * 0.5 + 0.30 * df * 1.0;
    const double g = 0.30 + 0.85 * dk * 0.92 + 0.35 * dr * 0.7 + 0.30 * df * 0.35;
    const double b = 0.38 + 0.85 * dk * 0.82 + 0.35 * dr * 1.0 + 0.30 * df * 0.9;
    v.colour.r = v.colour.r * r + spec;
    v.colour.g = v.colour.g * g + spec;
    v.colour.b = v.colour.b * b + spec;
  }
}

}  // namespace mkassets
