// The twelve vertex programs against the shading formulas worked out here in
// double precision from plain 4x4 matrices: skinning (one and four
// influences, a first weight that is zero or negative, later weights that are
// negative), morphing per axis, every lighting model, the closed forms with
// the light colours at 0, and palette indices outside the palette.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "render/effect_source.h"

namespace {

using raster::Float4;
using raster::VertexInput;
using raster::VertexOutput;

using Mat = std::array<std::array<double, 4>, 4>;  // row-vector convention
using Vec = std::array<double, 3>;

Mat Identity() {
  Mat m{};
  for (int i = 0; i < 4; ++i) m[i][i] = 1;
  return m;
}

// A rotation about z by `angle`, scaled by `scale`, then moved by t.
Mat Affine(double angle, double scale, Vec t) {
  Mat m = Identity();
  m[0][0] = scale * std::cos(angle);
  m[0][1] = scale * std::sin(angle);
  m[1][0] = -scale * std::sin(angle);
  m[1][1] = scale * std::cos(angle);
  m[2][2] = scale;
  m[3][0] = t[0];
  m[3][1] = t[1];
  m[3][2] = t[2];
  return m;
}

std::array<double, 4> RowTimes(const std::array<double, 4>& v, const Mat& m) {
  std::array<double, 4> r{};
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) r[j] += v[i] * m[i][j];
  return r;
}

Vec Point(const Vec& p, const Mat& m) {
  auto r = RowTimes({p[0], p[1], p[2], 1}, m);
  return {r[0], r[1], r[2]};
}
Vec Direction(const Vec& n, const Mat& m) {
  auto r = RowTimes({n[0], n[1], n[2], 0}, m);
  return {r[0], r[1], r[2]};
}
Vec Add(Vec a, Vec b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec Sub(Vec a, Vec b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec Scale(Vec a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double Dot(Vec a, Vec b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec Unit(Vec a) { return Scale(a, 1.0 / std::sqrt(Dot(a, a))); }

// The constant registers as the effect framework uploads them.
struct Constants {
  std::vector<Float4> c = std::vector<Float4>(raster::kConstantRegisters, Float4{0, 0, 0, 0});
  Mat palette[effect_source::kPaletteSize];
  Mat wvp = Identity();
  std::array<double, 4> diffuse{}, surface{}, ambient{}, light1Color{}, light2Color{};
  Vec camera{}, light1{}, light2{}, morph{};

  Constants() {
    for (Mat& m : palette) m = Mat{};
  }
  void Upload() {
    auto columns = [&](int base, const Mat& m, int count) {
      for (int k = 0; k < count; ++k)
        c[base + k] = {float(m[0][k]), float(m[1][k]), float(m[2][k]), float(m[3][k])};
    };
    auto vec4 = [&](int reg, const std::array<double, 4>& v) {
      c[reg] = {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
    };
    auto vec3 = [&](int reg, const Vec& v) { c[reg] = {float(v[0]), float(v[1]), float(v[2]), 0}; };
    columns(effect_source::kRegWorldViewProjection, wvp, 4);
    vec4(effect_source::kRegDiffuse, diffuse);
    vec4(effect_source::kRegSurfaceParam, surface);
    vec3(effect_source::kRegCameraPosition, camera);
    vec4(effect_source::kRegAmbientLightColor, ambient);
    vec3(effect_source::kRegLight1Direction, light1);
    vec4(effect_source::kRegLight1Color, light1Color);
    vec3(effect_source::kRegLight2Direction, light2);
    vec4(effect_source::kRegLight2Color, light2Color);
    vec3(effect_source::kRegMorphingWeight, morph);
    for (int i = 0; i < effect_source::kPaletteSize; ++i)
      columns(effect_source::kRegBlendMatrix + 3 * i, palette[i], 3);
  }
};

struct Vertex {
  Vec p{}, n{0, 0, -1}, p1{}, n1{0, 0, -1};
  std::array<double, 4> color{1, 1, 1, 1};
  double u = 0.25, v = 0.75;
  std::array<double, 4> index{}, weight{1, 0, 0, 0};

  VertexInput Input() const {
    VertexInput in{};
    for (int k = 0; k < VertexInput::kUsageIndices; ++k) {
      in.position[k] = in.normal[k] = in.color[k] = in.texcoord[k] = {0, 0, 0, 1};
      in.blendIndices[k] = in.blendWeight[k] = {0, 0, 0, 1};
    }
    in.position[0] = {float(p[0]), float(p[1]), float(p[2]), 1};
    in.normal[0] = {float(n[0]), float(n[1]), float(n[2]), 1};
    in.position[1] = {float(p1[0]), float(p1[1]), float(p1[2]), 1};
    in.normal[1] = {float(n1[0]), float(n1[1]), float(n1[2]), 1};
    in.color[0] = {float(color[0]), float(color[1]), float(color[2]), float(color[3])};
    in.texcoord[0] = {float(u), float(v), 0, 1};
    in.blendIndices[0] = {float(index[0]), float(index[1]), float(index[2]), float(index[3])};
    in.blendWeight[0] = {float(weight[0]), float(weight[1]), float(weight[2]), float(weight[3])};
    return in;
  }
};

enum Kind { kConstant, kLambert, kPhong, kBlinn, kToon, kEdge };

// What a program must produce, from the formulas.
struct Expected {
  std::array<double, 4> position{}, color{}, tex0{}, tex1{0, 0, 0, 1};
  bool hasTex1 = false;
};

Expected Reference(Kind kind, bool morphing, const Vertex& v, const Constants& k) {
  Vec p = v.p, n = v.n;
  if (morphing) {
    for (int a = 0; a < 3; ++a) {
      p[a] = p[a] + k.morph[a] * (v.p1[a] - p[a]);
      n[a] = n[a] + k.morph[a] * (v.n1[a] - n[a]);
    }
  }
  if (kind == kEdge && !morphing) p = Add(p, Scale(n, k.surface[3]));
  Vec P{}, N{};
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && !(v.weight[i] > 0)) continue;
    const double slot = std::floor(v.index[i]);
    const Mat m = slot >= 0 && slot < 75 ? k.palette[int(slot)] : Mat{};
    P = Add(P, Scale(Point(p, m), v.weight[i]));
    N = Add(N, Scale(Direction(n, m), v.weight[i]));
  }
  Expected e;
  e.position = RowTimes({P[0], P[1], P[2], 1}, k.wvp);
  e.tex0 = {v.u, v.v, 0, 1};
  std::array<double, 4> cd;
  for (int i = 0; i < 4; ++i) cd[i] = v.color[i] * k.diffuse[i];
  if (kind == kConstant || (kind == kEdge && morphing)) {
    e.color = cd;
    return e;
  }
  if (kind == kEdge) {
    e.color = k.diffuse;
    return e;
  }
  N = Unit(N);
  const double d1 = std::max(0.0, Dot(N, Scale(k.light1, -1)));
  const double d2 = std::max(0.0, Dot(N, Scale(k.light2, -1)));
  if (kind == kToon) {
    const double t = d1 * k.light1Color[3] + d2 * k.light2Color[3] + k.surface[0] + k.ambient[3];
    e.color = cd;
    e.tex0 = {t, t, 0, 1};
    e.tex1 = {v.u, v.v, 0, 1};
    e.hasTex1 = true;
    return e;
  }
  double s = 0;
  const Vec V = Unit(Sub(k.camera, P));
  if (kind == kPhong) {
    const Vec R = Unit(Add(k.light1, Scale(N, 2 * Dot(N, Scale(k.light1, -1)))));
    s = std::pow(std::max(0.0, Dot(R, V)), k.surface[2]) * k.surface[1];
  } else if (kind == kBlinn) {
    const Vec H = Unit(Sub(V, k.light1));
    s = std::pow(std::max(0.0, Dot(N, H)), k.surface[2]) * k.surface[1];
  }
  for (int i = 0; i < 3; ++i)
    e.color[i] = cd[i] * (k.light1Color[i] * d1 + k.light2Color[i] * d2 + k.surface[0]) +
                 k.light1Color[i] * s + k.ambient[i];
  e.color[3] = cd[3];
  return e;
}

const effect_source::Program& ProgramFor(Kind kind, bool morphing) {
  static const char* const kStatic[] = {
      effect_source::kProgramConstant, effect_source::kProgramLambert, effect_source::kProgramPhong,
      effect_source::kProgramBlinn,    effect_source::kProgramToon,    effect_source::kProgramEdge};
  static const char* const kMorph[] = {
      effect_source::kProgramMorphConstant, effect_source::kProgramMorphLambert,
      effect_source::kProgramMorphPhong,    effect_source::kProgramMorphBlinn,
      effect_source::kProgramMorphToon,     effect_source::kProgramMorphEdge};
  const std::string name = morphing ? kMorph[kind] : kStatic[kind];
  for (const effect_source::Program& p : effect_source::kPrograms)
    if (name == p.name) return p;
  ADD_FAILURE() << "no program " << name;
  return effect_source::kPrograms[0];
}

VertexOutput RunProgram(Kind kind, bool morphing, const Vertex& v, Constants& k) {
  k.Upload();
  VertexOutput out{{0, 0, 0, 1}, {1, 1, 1, 1}, {{0, 0, 0, 1}, {0, 0, 0, 1}}};
  ProgramFor(kind, morphing).function(v.Input(), k.c.data(), &out, nullptr);
  return out;
}

void ExpectNear4(const Float4& got, const std::array<double, 4>& want, const char* what) {
  const double g[4] = {got.x, got.y, got.z, got.w};
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(g[i], want[i], 2e-5 * (1 + std::fabs(want[i]))) << what << " component " << i;
}

void ExpectMatches(Kind kind, bool morphing, const Vertex& v, Constants& k) {
  const VertexOutput out = RunProgram(kind, morphing, v, k);
  const Expected e = Reference(kind, morphing, v, k);
  ExpectNear4(out.position, e.position, "position");
  ExpectNear4(out.color0, e.color, "colour");
  ExpectNear4(out.texcoord[0], e.tex0, "texcoord 0");
  if (e.hasTex1) ExpectNear4(out.texcoord[1], e.tex1, "texcoord 1");
}

// A lit set-up: coloured lights, ambient, a camera, a projection-like matrix.
Constants LitConstants() {
  Constants k;
  k.wvp = Identity();
  k.wvp[0][0] = 1.5;
  k.wvp[1][1] = 2.0;
  k.wvp[2][2] = 1.1;
  k.wvp[2][3] = 1.0;
  k.wvp[3][2] = -0.1;
  k.wvp[3][3] = 0.0;
  k.diffuse = {0.8, 0.6, 0.4, 0.9};
  k.surface = {0.2, 0.7, 8.0, 0.05};
  k.ambient = {0.05, 0.1, 0.15, 0.12};
  k.camera = {0.3, 0.4, -3.0};
  k.light1 = Unit({0.2, -0.5, 0.8});
  k.light2 = Unit({-0.7, 0.1, 0.4});
  k.light1Color = {0.9, 0.8, 0.7, 0.6};
  k.light2Color = {0.2, 0.3, 0.4, 0.25};
  k.palette[0] = Affine(0.3, 1.0, {0.1, 0.2, 0.3});
  k.palette[1] = Affine(-0.5, 1.2, {-0.2, 0.1, 0.5});
  k.palette[7] = Affine(1.1, 0.9, {0.0, -0.3, 0.2});
  k.palette[74] = Affine(2.0, 1.0, {0.4, 0.4, 0.1});
  return k;
}

Vertex LitVertex() {
  Vertex v;
  v.p = {0.3, -0.2, 0.6};
  v.n = Unit({0.1, 0.3, -1.0});
  v.color = {0.9, 0.7, 0.5, 0.8};
  return v;
}

const Kind kAllKinds[] = {kConstant, kLambert, kPhong, kBlinn, kToon, kEdge};

TEST(EffectProgramTest, EveryProgramMatchesItsFormulaForOneAndFourInfluences) {
  for (bool morphing : {false, true}) {
    for (Kind kind : kAllKinds) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << (morphing ? " morphing" : " static"));
      Constants k = LitConstants();
      k.morph = {0.25, 0.5, 0.75};
      Vertex one = LitVertex();
      one.p1 = {0.1, 0.2, 0.9};
      one.n1 = Unit({-0.3, 0.2, -1.0});
      one.index = {7, 0, 0, 0};
      ExpectMatches(kind, morphing, one, k);

      Vertex four = one;
      four.index = {0.0, 1.5, 7.9, 74.2};  // the integer part counts
      four.weight = {0.4, 0.3, 0.2, 0.1};
      ExpectMatches(kind, morphing, four, k);

      // Facing away from light 1: N . -L1 < 0 (the Phong reflection uses it
      // unclamped, and the light terms clamp it).
      Vertex away = one;
      away.n = away.n1 = {0, 0, 1};
      ExpectMatches(kind, morphing, away, k);
    }
  }
}

TEST(EffectProgramTest, WeightsOfTheFirstAndLaterInfluences) {
  Constants k = LitConstants();
  Vertex v = LitVertex();
  // A negative first weight is still added; negative later ones are not.
  v.index = {0, 1, 7, 74};
  v.weight = {-0.5, -0.25, 1.0, -1.0};
  for (Kind kind : kAllKinds) ExpectMatches(kind, false, v, k);
  const VertexOutput out = RunProgram(kConstant, false, v, k);
  const Vec want = Add(Scale(Point(v.p, k.palette[0]), -0.5), Point(v.p, k.palette[7]));
  EXPECT_NEAR(out.position.x, RowTimes({want[0], want[1], want[2], 1}, k.wvp)[0], 1e-5);

  // A zero first weight still reads its slot: an infinite matrix there
  // turns the position into NaN (0 x inf), where skipping it would not.
  k.palette[3] = Identity();
  k.palette[3][3][0] = std::numeric_limits<double>::infinity();
  v.index = {3, 1, 0, 0};
  v.weight = {0.0, 1.0, 0.0, 0.0};
  EXPECT_TRUE(std::isnan(RunProgram(kConstant, false, v, k).position.x));
  // The same slot behind a zero later weight is skipped.
  v.index = {1, 3, 0, 0};
  v.weight = {1.0, 0.0, 0.0, 0.0};
  const VertexOutput skipped = RunProgram(kConstant, false, v, k);
  EXPECT_FALSE(std::isnan(skipped.position.x));
  ExpectMatches(kConstant, false, v, k);
}

TEST(EffectProgramTest, MorphingBlendsEachAxisByItsWeight) {
  Constants k = LitConstants();
  k.palette[0] = Identity();
  k.wvp = Identity();
  Vertex v = LitVertex();
  v.p = {1, 2, 3};
  v.p1 = {5, -6, 7};
  v.n = {0, 0, -1};
  v.n1 = {1, 0, 0};
  struct Case {
    Vec weight;
    Vec position;
  } cases[] = {{{0, 0, 0}, {1, 2, 3}}, {{1, 1, 1}, {5, -6, 7}}, {{0, 1, 0.5}, {1, -6, 5}}};
  for (const Case& c : cases) {
    k.morph = c.weight;
    for (Kind kind : kAllKinds) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << " weight " << c.weight[2]);
      const VertexOutput out = RunProgram(kind, true, v, k);
      EXPECT_NEAR(out.position.x, c.position[0], 1e-5);
      EXPECT_NEAR(out.position.y, c.position[1], 1e-5);
      EXPECT_NEAR(out.position.z, c.position[2], 1e-5);
      ExpectMatches(kind, true, v, k);
    }
  }
  // The static programs read no second stream.
  k.morph = {1, 1, 1};
  const VertexOutput still = RunProgram(kLambert, false, v, k);
  EXPECT_NEAR(still.position.x, 1, 1e-6);
}

TEST(EffectProgramTest, LightColoursAtZeroGiveTheClosedForms) {
  Constants k = LitConstants();
  k.light1Color = k.light2Color = k.ambient = {0, 0, 0, 0};
  Vertex v = LitVertex();
  v.index = {1, 0, 0, 0};
  const double emissive = k.surface[0];
  for (Kind kind : {kLambert, kPhong, kBlinn}) {
    const VertexOutput out = RunProgram(kind, false, v, k);
    EXPECT_NEAR(out.color0.x, v.color[0] * k.diffuse[0] * emissive, 1e-6);
    EXPECT_NEAR(out.color0.y, v.color[1] * k.diffuse[1] * emissive, 1e-6);
    EXPECT_NEAR(out.color0.z, v.color[2] * k.diffuse[2] * emissive, 1e-6);
    EXPECT_NEAR(out.color0.w, v.color[3] * k.diffuse[3], 1e-6);
  }
  for (bool morphing : {false, true}) {
    const VertexOutput toon = RunProgram(kToon, morphing, v, k);
    EXPECT_NEAR(toon.texcoord[0].x, emissive, 1e-6);
    EXPECT_NEAR(toon.texcoord[0].y, emissive, 1e-6);
    EXPECT_NEAR(toon.texcoord[1].x, v.u, 1e-6);
    EXPECT_NEAR(toon.texcoord[1].y, v.v, 1e-6);
  }
}

TEST(EffectProgramTest, PalettePositionsOutsideThePaletteActAsTheZeroMatrix) {
  Constants k;
  k.wvp = Identity();
  k.wvp[3] = {0.5, 0.25, 0.125, 1};  // where a zero position lands
  k.diffuse = {1, 1, 1, 1};
  for (Mat& m : k.palette) m = Affine(0.2, 2.0, {1, 1, 1});
  k.Upload();
  // Registers past the palette hold values a stray read would pick up.
  for (int r = effect_source::kEffectConstantRegisters; r < raster::kConstantRegisters; ++r)
    k.c[r] = {9, 9, 9, 9};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float outside[] = {75.0f, 75.5f, -0.5f, -1.0f, 1e30f, -1e30f, nan,
                           std::numeric_limits<float>::infinity()};
  for (Kind kind : kAllKinds) {
    for (float index : outside) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << " index " << index);
      VertexInput in = LitVertex().Input();
      in.blendIndices[0] = {index, 0, 0, 0};
      in.blendWeight[0] = {1, 0, 0, 0};
      VertexOutput out{{0, 0, 0, 1}, {1, 1, 1, 1}, {{0, 0, 0, 1}, {0, 0, 0, 1}}};
      ProgramFor(kind, false).function(in, k.c.data(), &out, nullptr);
      EXPECT_FLOAT_EQ(out.position.x, 0.5f);
      EXPECT_FLOAT_EQ(out.position.y, 0.25f);
      EXPECT_FLOAT_EQ(out.position.z, 0.125f);
      EXPECT_FLOAT_EQ(out.position.w, 1.0f);
      EXPECT_FALSE(std::isnan(out.color0.x));  // the zero normal stays finite
    }
  }
  // The last slot is inside: 74.99 reads slot 74.
  Vertex v = LitVertex();
  v.index = {74.99, 0, 0, 0};
  ExpectMatches(kConstant, false, v, k);
}

}  // namespace
