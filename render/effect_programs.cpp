// The twelve vertex programs of the effect. One template covers them all:
// the shading and the morphing input are compile-time choices, so each
// program is a straight run of arithmetic without per-vertex switches.
#include <d3d9.h>
#include <d3d9_programs.h>

#include <algorithm>
#include <cmath>

#include "render/effect_source.h"

namespace effect_source {
namespace {

using raster::Float4;
using raster::VertexInput;
using raster::VertexOutput;

struct V3 {
  float x, y, z;
};

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Xyz(const Float4& v) { return {v.x, v.y, v.z}; }

V3 Normalise(V3 v) {
  const float squared = Dot(v, v);
  if (!(squared > 0.0f)) return {0.0f, 0.0f, 0.0f};
  return v * (1.0f / std::sqrt(squared));
}

// Per-axis blend from a towards b.
V3 Morph(V3 a, V3 b, const Float4& m) {
  return {a.x + m.x * (b.x - a.x), a.y + m.y * (b.y - a.y), a.z + m.z * (b.z - a.z)};
}

// Stands for any palette slot outside the palette.
constexpr Float4 kZeroMatrix[3] = {};

// The three registers of palette slot floor(index), or the zero matrix.
const Float4* PaletteSlot(const Float4* c, float index) {
  const float slot = std::floor(index);
  if (!(slot >= 0.0f && slot < static_cast<float>(kPaletteSize))) return kZeroMatrix;
  return c + kRegBlendMatrix + 3 * static_cast<int>(slot);
}

// (p, 1) x B for a float4x3 B stored as three column registers.
V3 TransformPoint(const Float4* b, V3 p) {
  return {b[0].x * p.x + b[0].y * p.y + b[0].z * p.z + b[0].w,
          b[1].x * p.x + b[1].y * p.y + b[1].z * p.z + b[1].w,
          b[2].x * p.x + b[2].y * p.y + b[2].z * p.z + b[2].w};
}

// (n, 0) x B: the 3x3 part only.
V3 TransformDirection(const Float4* b, V3 n) {
  return {b[0].x * n.x + b[0].y * n.y + b[0].z * n.z, b[1].x * n.x + b[1].y * n.y + b[1].z * n.z,
          b[2].x * n.x + b[2].y * n.y + b[2].z * n.z};
}

enum class Shading { Constant, Lambert, Phong, Blinn, Toon, Edge };

constexpr bool IsLit(Shading s) {
  return s == Shading::Lambert || s == Shading::Phong || s == Shading::Blinn || s == Shading::Toon;
}

Float4 Modulate(const Float4& a, const Float4& b) {
  return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w};
}

template <Shading kShading, bool kMorphing>
void Run(const VertexInput& in, const Float4* c, VertexOutput* out) {
  constexpr bool kLit = IsLit(kShading);
  V3 p = Xyz(in.position[0]);
  V3 n = Xyz(in.normal[0]);
  if constexpr (kMorphing) {
    p = Morph(p, Xyz(in.position[1]), c[kRegMorphingWeight]);
    if constexpr (kLit) n = Morph(n, Xyz(in.normal[1]), c[kRegMorphingWeight]);
  }
  if constexpr (kShading == Shading::Edge && !kMorphing) p = p + n * c[kRegSurfaceParam].w;

  // Skinning: the first influence always, the others only with a positive
  // weight.
  const float index[4] = {in.blendIndices[0].x, in.blendIndices[0].y, in.blendIndices[0].z,
                          in.blendIndices[0].w};
  const float weight[4] = {in.blendWeight[0].x, in.blendWeight[0].y, in.blendWeight[0].z,
                           in.blendWeight[0].w};
  const Float4* b = PaletteSlot(c, index[0]);
  V3 position = TransformPoint(b, p) * weight[0];
  V3 normal{};
  if constexpr (kLit) normal = TransformDirection(b, n) * weight[0];
  for (int k = 1; k < 4; ++k) {
    if (!(weight[k] > 0.0f)) continue;
    b = PaletteSlot(c, index[k]);
    position = position + TransformPoint(b, p) * weight[k];
    if constexpr (kLit) normal = normal + TransformDirection(b, n) * weight[k];
  }

  const Float4* wvp = c + kRegWorldViewProjection;
  out->position = {Dot(Xyz(wvp[0]), position) + wvp[0].w, Dot(Xyz(wvp[1]), position) + wvp[1].w,
                   Dot(Xyz(wvp[2]), position) + wvp[2].w, Dot(Xyz(wvp[3]), position) + wvp[3].w};
  out->texcoord[0] = in.texcoord[0];

  const Float4& diffuse = c[kRegDiffuse];
  if constexpr (kShading == Shading::Edge) {
    out->color0 = kMorphing ? Modulate(in.color[0], diffuse) : diffuse;
    return;
  }
  if constexpr (kShading == Shading::Constant) {
    out->color0 = Modulate(in.color[0], diffuse);
    return;
  }
  if constexpr (kLit) {
    const V3 N = Normalise(normal);
    const V3 l1 = Xyz(c[kRegLight1Direction]);
    const V3 l2 = Xyz(c[kRegLight2Direction]);
    const float nDotL1 = -Dot(N, l1);  // N . (-L1), unclamped
    const float d1 = std::max(0.0f, nDotL1);
    const float d2 = std::max(0.0f, -Dot(N, l2));
    const Float4& c1 = c[kRegLight1Color];
    const Float4& c2 = c[kRegLight2Color];
    const Float4& ambient = c[kRegAmbientLightColor];
    const Float4& surface = c[kRegSurfaceParam];
    if constexpr (kShading == Shading::Toon) {
      const float t = d1 * c1.w + d2 * c2.w + surface.x + ambient.w;
      out->color0 = Modulate(in.color[0], diffuse);
      out->texcoord[0] = {t, t, 0.0f, 1.0f};
      out->texcoord[1] = in.texcoord[0];
      return;
    }
    float highlight = 0.0f;
    if constexpr (kShading == Shading::Phong || kShading == Shading::Blinn) {
      const V3 view = Normalise(Xyz(c[kRegCameraPosition]) - position);
      float cosine;
      if constexpr (kShading == Shading::Phong) {
        const V3 reflected = Normalise(l1 + N * (2.0f * nDotL1));
        cosine = Dot(reflected, view);
      } else {
        cosine = Dot(N, Normalise(view - l1));
      }
      highlight = std::pow(std::max(0.0f, cosine), surface.z) * surface.y;
    }
    const Float4& col = in.color[0];
    const float sumR = c1.x * d1 + c2.x * d2 + surface.x;
    const float sumG = c1.y * d1 + c2.y * d2 + surface.x;
    const float sumB = c1.z * d1 + c2.z * d2 + surface.x;
    out->color0 = {col.x * diffuse.x * sumR + c1.x * highlight + ambient.x,
                   col.y * diffuse.y * sumG + c1.y * highlight + ambient.y,
                   col.z * diffuse.z * sumB + c1.z * highlight + ambient.z, col.w * diffuse.w};
  }
}

constexpr ProgramInput kStaticUnlit[] = {{D3DDECLUSAGE_POSITION, 0},
                                         {D3DDECLUSAGE_COLOR, 0},
                                         {D3DDECLUSAGE_TEXCOORD, 0},
                                         {D3DDECLUSAGE_BLENDINDICES, 0},
                                         {D3DDECLUSAGE_BLENDWEIGHT, 0}};
constexpr ProgramInput kStaticLit[] = {
    {D3DDECLUSAGE_POSITION, 0}, {D3DDECLUSAGE_NORMAL, 0},       {D3DDECLUSAGE_COLOR, 0},
    {D3DDECLUSAGE_TEXCOORD, 0}, {D3DDECLUSAGE_BLENDINDICES, 0}, {D3DDECLUSAGE_BLENDWEIGHT, 0}};
constexpr ProgramInput kStaticEdge[] = {{D3DDECLUSAGE_POSITION, 0},
                                        {D3DDECLUSAGE_NORMAL, 0},
                                        {D3DDECLUSAGE_TEXCOORD, 0},
                                        {D3DDECLUSAGE_BLENDINDICES, 0},
                                        {D3DDECLUSAGE_BLENDWEIGHT, 0}};
constexpr ProgramInput kMorphUnlit[] = {
    {D3DDECLUSAGE_POSITION, 0},     {D3DDECLUSAGE_COLOR, 0},       {D3DDECLUSAGE_TEXCOORD, 0},
    {D3DDECLUSAGE_BLENDINDICES, 0}, {D3DDECLUSAGE_BLENDWEIGHT, 0}, {D3DDECLUSAGE_POSITION, 1}};
constexpr ProgramInput kMorphLit[] = {{D3DDECLUSAGE_POSITION, 0},     {D3DDECLUSAGE_NORMAL, 0},
                                      {D3DDECLUSAGE_COLOR, 0},        {D3DDECLUSAGE_TEXCOORD, 0},
                                      {D3DDECLUSAGE_BLENDINDICES, 0}, {D3DDECLUSAGE_BLENDWEIGHT, 0},
                                      {D3DDECLUSAGE_POSITION, 1},     {D3DDECLUSAGE_NORMAL, 1}};

template <size_t N>
constexpr int Count(const ProgramInput (&)[N]) {
  return static_cast<int>(N);
}

}  // namespace

void ConstantStatic(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Constant, false>(in, c, out);
}
void LambertStatic(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Lambert, false>(in, c, out);
}
void PhongStatic(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Phong, false>(in, c, out);
}
void BlinnStatic(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Blinn, false>(in, c, out);
}
void ToonStatic(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Toon, false>(in, c, out);
}
void EdgeStatic(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Edge, false>(in, c, out);
}
void ConstantMorphing(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Constant, true>(in, c, out);
}
void LambertMorphing(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Lambert, true>(in, c, out);
}
void PhongMorphing(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Phong, true>(in, c, out);
}
void BlinnMorphing(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Blinn, true>(in, c, out);
}
void ToonMorphing(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Toon, true>(in, c, out);
}
void EdgeMorphing(const VertexInput& in, const Float4* c, VertexOutput* out, void*) {
  Run<Shading::Edge, true>(in, c, out);
}

const Program kPrograms[12] = {
    {kProgramConstant, ConstantStatic, kStaticUnlit, Count(kStaticUnlit)},
    {kProgramLambert, LambertStatic, kStaticLit, Count(kStaticLit)},
    {kProgramPhong, PhongStatic, kStaticLit, Count(kStaticLit)},
    {kProgramBlinn, BlinnStatic, kStaticLit, Count(kStaticLit)},
    {kProgramToon, ToonStatic, kStaticLit, Count(kStaticLit)},
    {kProgramEdge, EdgeStatic, kStaticEdge, Count(kStaticEdge)},
    {kProgramMorphConstant, ConstantMorphing, kMorphUnlit, Count(kMorphUnlit)},
    {kProgramMorphLambert, LambertMorphing, kMorphLit, Count(kMorphLit)},
    {kProgramMorphPhong, PhongMorphing, kMorphLit, Count(kMorphLit)},
    {kProgramMorphBlinn, BlinnMorphing, kMorphLit, Count(kMorphLit)},
    {kProgramMorphToon, ToonMorphing, kMorphLit, Count(kMorphLit)},
    {kProgramMorphEdge, EdgeMorphing, kMorphUnlit, Count(kMorphUnlit)},
};

}  // namespace effect_source

int RegisterEffectPrograms() {
  // The registry keeps the pointers: names and inputs live in static tables.
  for (const effect_source::Program& p : effect_source::kPrograms) {
    d3d9::VertexProgramInfo info;
    info.program = p.function;
    info.user = nullptr;
    info.constantRegisters = effect_source::kEffectConstantRegisters;
    info.inputs = p.inputs;
    info.inputCount = p.inputCount;
    info.glsl = effect_source::ProgramGlsl(p.name);
    if (FAILED(d3d9::RegisterVertexProgram(p.name, info))) return -1;
  }
  return 0;
}
