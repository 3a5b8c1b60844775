// Building meshes for the demo scene: vectors, a mesh builder that orients
// every triangle so its front faces the given normal (clockwise on screen,
// the side culling keeps), primitive shapes, and lighting baked into vertex
// colours (the benchmark's lights have no colour at run time, so what a
// surface shows is its vertex colour times diffuse times emissive).
#ifndef MORVANE_TOOLS_MKASSETS_GEOMETRY_H
#define MORVANE_TOOLS_MKASSETS_GEOMETRY_H

#include <array>
#include <functional>
#include <vector>

#include "tools/lmfdump/lmf_writer.h"

namespace mkassets {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(Vec3 a);
// The vector as the file stores it.
void Store(float out[3], Vec3 v);
Vec3 Normalize(Vec3 a);

struct Colour {
  double r = 1, g = 1, b = 1, a = 1;
};

// Up to four palette influences; weights sum to 1.
struct Skin {
  std::array<uint16_t, 4> slot{};
  std::array<double, 4> weight{1, 0, 0, 0};
  static Skin Rigid(uint16_t slot) { return Skin{{slot, slot, slot, slot}, {1, 0, 0, 0}}; }
};

struct VertexIn {
  Vec3 position;
  Vec3 normal;
  Colour colour;
  double u = 0, v = 0;
  Skin skin;
};

class MeshBuilder {
 public:
  // Throws std::length_error past 65,535 vertices (indices are 16-bit).
  uint16_t Add(const VertexIn& v);
  // A triangle whose front faces the mean of its vertex normals.
  void Triangle(uint16_t a, uint16_t b, uint16_t c);
  size_t VertexCount() const { return vertices_.size(); }
  // Every vertex, for changes after building (lighting, morph targets).
  std::vector<VertexIn>& Vertices() { return vertices_; }
  lmfw::MeshData Build(uint16_t surfaceNo) const;

  // A grid of (cols + 1) x (rows + 1) vertices from f(u, v) with u, v in
  // 0..1; a closed surface repeats its seam vertices, so texture
  // coordinates stay continuous.
  void Grid(int cols, int rows, const std::function<VertexIn(double u, double v)>& f);

 private:
  std::vector<VertexIn> vertices_;
  std::vector<uint16_t> indices_;
};

// Shapes (vertex colour white, rigid on `skin`; light them afterwards).
void AddSphere(MeshBuilder* m, Vec3 centre, Vec3 radius, int cols, int rows, const Skin& skin,
               Colour c);
// A closed tube from a to b with radii ra and rb; `skinAt(t)` gives the
// influences along it (t 0 at a, 1 at b).
void AddTube(MeshBuilder* m, Vec3 a, Vec3 b, double ra, double rb, int cols, int rows,
             const std::function<Skin(double t, Vec3 p)>& skinAt, Colour c);
void AddDisc(MeshBuilder* m, Vec3 centre, double r0, double r1, int cols, int rows,
             const Skin& skin, const std::function<Colour(double r, double a)>& colour);

// Baked light: ambient, a warm key from the upper front left, a cool rim
// from behind, a magenta fill from the right, and a highlight for shiny
// surfaces, all multiplied into each vertex colour (in the rest pose for
// skinned meshes).
void BakeLighting(MeshBuilder* m, double shine, size_t from = 0);

}  // namespace mkassets

#endif  // MORVANE_TOOLS_MKASSETS_GEOMETRY_H
