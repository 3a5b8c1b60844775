// The GLSL form of the twelve vertex programs: one template, the shading and
// the morphing input chosen by #defines, following the C++ template in
// effect_programs.cpp statement for statement so that the two forms compute
// the same numbers (the edge cases included: a zero vector normalises to
// zero, a palette slot outside the palette reads the zero matrix, later
// influences count only with a positive weight).
#include <d3d9.h>

#include <array>
#include <cstring>
#include <string>

#include "render/effect_source.h"

namespace effect_source {
namespace {

// The body after the version line, the choices and the inputs. Registers,
// palette size and the inputs' names come from the preamble built below.
constexpr char kTemplate[] = R"glsl(
#define LIT (SHADING_LAMBERT || SHADING_PHONG || SHADING_BLINN || SHADING_TOON)

uniform vec4 c[256];
out vec4 vColor0;
out vec4 vTexcoord0;
out vec4 vTexcoord1;

vec3 Normalise(vec3 v) {
  float squared = dot(v, v);
  if (!(squared > 0.0)) return vec3(0.0);
  return v * (1.0 / sqrt(squared));
}

// Per-axis blend from a towards b.
vec3 Morph(vec3 a, vec3 b, vec3 m) { return a + m * (b - a); }

// The three column registers of palette slot floor(index), or the zero
// matrix for a slot outside the palette (no register is read then).
void PaletteSlot(float index, out vec4 b0, out vec4 b1, out vec4 b2) {
  float slot = floor(index);
  if (slot >= 0.0 && slot < float(PALETTE_SIZE)) {
    int base = REG_BLEND_MATRIX + 3 * int(slot);
    b0 = c[base];
    b1 = c[base + 1];
    b2 = c[base + 2];
  } else {
    b0 = vec4(0.0);
    b1 = vec4(0.0);
    b2 = vec4(0.0);
  }
}

vec3 TransformPoint(vec4 b0, vec4 b1, vec4 b2, vec3 p) {
  return vec3(b0.x * p.x + b0.y * p.y + b0.z * p.z + b0.w,
              b1.x * p.x + b1.y * p.y + b1.z * p.z + b1.w,
              b2.x * p.x + b2.y * p.y + b2.z * p.z + b2.w);
}

vec3 TransformDirection(vec4 b0, vec4 b1, vec4 b2, vec3 n) {
  return vec3(b0.x * n.x + b0.y * n.y + b0.z * n.z,
              b1.x * n.x + b1.y * n.y + b1.z * n.z,
              b2.x * n.x + b2.y * n.y + b2.z * n.z);
}

// x^y as the C library gives it for x >= 0 (0^0 = 1, 0^y = 0 for y > 0),
// where exp2(y * log2(x)) alone would give NaN or depend on the driver.
float Power(float x, float y) {
  if (x == 0.0) return y == 0.0 ? 1.0 : (y > 0.0 ? 0.0 : 1.0 / 0.0);
  return pow(x, y);
}

void main() {
  vec3 p = inPosition0.xyz;
#if LIT || SHADING_EDGE && !MORPHING
  vec3 n = inNormal0.xyz;
#endif
#if MORPHING
  p = Morph(p, inPosition1.xyz, c[REG_MORPHING_WEIGHT].xyz);
#if LIT
  n = Morph(n, inNormal1.xyz, c[REG_MORPHING_WEIGHT].xyz);
#endif
#endif
#if SHADING_EDGE && !MORPHING
  p = p + n * c[REG_SURFACE_PARAM].w;
#endif

  // Skinning: the first influence always, the others only with a positive
  // weight.
  vec4 b0, b1, b2;
  PaletteSlot(inBlendIndices0.x, b0, b1, b2);
  vec3 position = TransformPoint(b0, b1, b2, p) * inBlendWeight0.x;
#if LIT
  vec3 normal = TransformDirection(b0, b1, b2, n) * inBlendWeight0.x;
#endif
  for (int k = 1; k < 4; ++k) {
    float weight = inBlendWeight0[k];
    if (!(weight > 0.0)) continue;
    PaletteSlot(inBlendIndices0[k], b0, b1, b2);
    position = position + TransformPoint(b0, b1, b2, p) * weight;
#if LIT
    normal = normal + TransformDirection(b0, b1, b2, n) * weight;
#endif
  }

  vec4 w0 = c[REG_WORLD_VIEW_PROJECTION];
  vec4 w1 = c[REG_WORLD_VIEW_PROJECTION + 1];
  vec4 w2 = c[REG_WORLD_VIEW_PROJECTION + 2];
  vec4 w3 = c[REG_WORLD_VIEW_PROJECTION + 3];
  gl_Position = vec4(w0.x * position.x + w0.y * position.y + w0.z * position.z + w0.w,
                     w1.x * position.x + w1.y * position.y + w1.z * position.z + w1.w,
                     w2.x * position.x + w2.y * position.y + w2.z * position.z + w2.w,
                     w3.x * position.x + w3.y * position.y + w3.z * position.z + w3.w);
  vColor0 = vec4(1.0);
  vTexcoord0 = inTexcoord0;
  vTexcoord1 = vec4(0.0, 0.0, 0.0, 1.0);

  vec4 diffuse = c[REG_DIFFUSE];
#if SHADING_EDGE
#if MORPHING
  vColor0 = inColor0 * diffuse;
#else
  vColor0 = diffuse;
#endif
#elif SHADING_CONSTANT
  vColor0 = inColor0 * diffuse;
#else
  vec3 N = Normalise(normal);
  vec3 l1 = c[REG_LIGHT1_DIRECTION].xyz;
  vec3 l2 = c[REG_LIGHT2_DIRECTION].xyz;
  float nDotL1 = -dot(N, l1);  // N . (-L1), unclamped
  float d1 = max(0.0, nDotL1);
  float d2 = max(0.0, -dot(N, l2));
  vec4 c1 = c[REG_LIGHT1_COLOR];
  vec4 c2 = c[REG_LIGHT2_COLOR];
  vec4 ambient = c[REG_AMBIENT_LIGHT_COLOR];
  vec4 surface = c[REG_SURFACE_PARAM];
#if SHADING_TOON
  float t = d1 * c1.w + d2 * c2.w + surface.x + ambient.w;
  vColor0 = inColor0 * diffuse;
  vTexcoord0 = vec4(t, t, 0.0, 1.0);
  vTexcoord1 = inTexcoord0;
#else
  float highlight = 0.0;
#if SHADING_PHONG || SHADING_BLINN
  vec3 view = Normalise(c[REG_CAMERA_POSITION].xyz - position);
#if SHADING_PHONG
  float cosine = dot(Normalise(l1 + N * (2.0 * nDotL1)), view);
#else
  float cosine = dot(N, Normalise(view - l1));
#endif
  highlight = Power(max(0.0, cosine), surface.z) * surface.y;
#endif
  vec4 col = inColor0;
  vec3 sum = c1.rgb * d1 + c2.rgb * d2 + surface.x;
  vColor0 = vec4(col.rgb * diffuse.rgb * sum + c1.rgb * highlight + ambient.rgb,
                 col.a * diffuse.a);
#endif
#endif
}
)glsl";

const char* UsageName(BYTE usage) {
  switch (usage) {
    case D3DDECLUSAGE_POSITION: return "inPosition";
    case D3DDECLUSAGE_NORMAL: return "inNormal";
    case D3DDECLUSAGE_COLOR: return "inColor";
    case D3DDECLUSAGE_TEXCOORD: return "inTexcoord";
    case D3DDECLUSAGE_BLENDINDICES: return "inBlendIndices";
    case D3DDECLUSAGE_BLENDWEIGHT: return "inBlendWeight";
    default: return nullptr;
  }
}

// Each program's shading (the #define set to 1) and whether it morphs.
struct Choice {
  const char* name;
  const char* shading;
  bool morphing;
};
constexpr Choice kChoices[] = {
    {kProgramConstant, "SHADING_CONSTANT", false},
    {kProgramLambert, "SHADING_LAMBERT", false},
    {kProgramPhong, "SHADING_PHONG", false},
    {kProgramBlinn, "SHADING_BLINN", false},
    {kProgramToon, "SHADING_TOON", false},
    {kProgramEdge, "SHADING_EDGE", false},
    {kProgramMorphConstant, "SHADING_CONSTANT", true},
    {kProgramMorphLambert, "SHADING_LAMBERT", true},
    {kProgramMorphPhong, "SHADING_PHONG", true},
    {kProgramMorphBlinn, "SHADING_BLINN", true},
    {kProgramMorphToon, "SHADING_TOON", true},
    {kProgramMorphEdge, "SHADING_EDGE", true},
};
constexpr const char* kShadings[] = {"SHADING_CONSTANT", "SHADING_LAMBERT", "SHADING_PHONG",
                                     "SHADING_BLINN",    "SHADING_TOON",    "SHADING_EDGE"};

void Define(std::string& s, const char* name, int value) {
  s += "#define ";
  s += name;
  s += ' ';
  s += std::to_string(value);
  s += '\n';
}

// The full source, or empty when an input has no GLSL name.
std::string Build(const Choice& choice, const Program& program) {
  std::string s = "#version 330 core\n";
  for (const char* shading : kShadings)
    Define(s, shading, std::strcmp(shading, choice.shading) == 0);
  Define(s, "MORPHING", choice.morphing);
  struct Named {
    const char* name;
    int value;
  };
  constexpr Named kNumbers[] = {{"PALETTE_SIZE", kPaletteSize},
                                {"REG_WORLD_VIEW_PROJECTION", kRegWorldViewProjection},
                                {"REG_DIFFUSE", kRegDiffuse},
                                {"REG_SURFACE_PARAM", kRegSurfaceParam},
                                {"REG_CAMERA_POSITION", kRegCameraPosition},
                                {"REG_AMBIENT_LIGHT_COLOR", kRegAmbientLightColor},
                                {"REG_LIGHT1_DIRECTION", kRegLight1Direction},
                                {"REG_LIGHT1_COLOR", kRegLight1Color},
                                {"REG_LIGHT2_DIRECTION", kRegLight2Direction},
                                {"REG_LIGHT2_COLOR", kRegLight2Color},
                                {"REG_MORPHING_WEIGHT", kRegMorphingWeight},
                                {"REG_BLEND_MATRIX", kRegBlendMatrix}};
  for (const Named& number : kNumbers) Define(s, number.name, number.value);
  // Input i at location i, named for its usage and usage index.
  for (int i = 0; i < program.inputCount; ++i) {
    const char* usage = UsageName(program.inputs[i].usage);
    if (usage == nullptr) return {};
    s += "layout(location = " + std::to_string(i) + ") in vec4 " + usage +
         std::to_string(program.inputs[i].usageIndex) + ";\n";
  }
  s += kTemplate;
  return s;
}

}  // namespace

const char* ProgramGlsl(const char* name) {
  constexpr int kCount = sizeof(kChoices) / sizeof(kChoices[0]);
  static_assert(kCount == sizeof(kPrograms) / sizeof(kPrograms[0]));
  // Built once; never freed, as the program registry keeps the pointers.
  static const auto* const sources = [] {
    auto* built = new std::array<std::string, kCount>;
    for (int i = 0; i < kCount; ++i)
      for (const Program& p : kPrograms)
        if (std::strcmp(p.name, kChoices[i].name) == 0) (*built)[i] = Build(kChoices[i], p);
    return built;
  }();
  for (int i = 0; i < kCount; ++i)
    if (name != nullptr && std::strcmp(name, kChoices[i].name) == 0)
      return (*sources)[i].empty() ? nullptr : (*sources)[i].c_str();
  return nullptr;
}

}  // namespace effect_source
