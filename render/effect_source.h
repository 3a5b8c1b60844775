// The effect built into the program: its sixteen parameters with their
// constant registers, the three samplers, the four techniques with their
// passes, and the twelve vertex programs those passes name. The tables are
// plain data so that the build tool tools/mkeffect can turn them into the
// compiled effect stored as the resource "SHADER_OBJECT" of type "SHADER",
// and the programs are C++ functions, each with its GLSL form, handed to the
// device by name (RegisterEffectPrograms) before the effect is created from
// that resource.
//
// Register layout (what the effect framework uploads and the programs read):
// a float3 or float4 takes one register; a float4x4 four and a float4x3
// three, register k holding column k, so out.k = dot((x, y, z, 1), c[base+k]).
// Element i of the palette starts at kRegBlendMatrix + 3 * i. All programs
// read registers 0 .. kEffectConstantRegisters - 1.
//
// The programs (inputs: position p, normal n, colour c, uv, blend indices
// i0..i3, blend weights w0..w3; morphing programs also p' and n'):
// - Morphing input: p += M * (p' - p) and n += M * (n' - n) per axis, M the
//   morphing weight (the morphing edge program morphs p only).
// - Skinning: slot s_k = floor(i_k); P = w0 * (p x B[s0]) + the sum over
//   k = 1..3 of w_k * (p x B[s_k]) for w_k > 0 only. The first influence is
//   added whatever its weight. Lit programs skin the normal alike with the
//   3x3 part and normalise it.
// - A slot outside 0..74 after the floor (negative, too large, not a number)
//   reads no register: it acts as the zero matrix, as out-of-range constant
//   reads of the hardware give (0, 0, 0, 0).
// - Normalising a zero vector gives the zero vector (no NaN reaches the
//   rasteriser through a degenerate normal, light or view direction).
// - Outputs: position (P, 1) x "WorldViewProjectionMat"; colour and texture
//   coordinates per program as the comments at each one say.
//
// Threads: the tables are constant; the programs are pure functions the
// device calls on its drawing thread. RegisterEffectPrograms: main thread,
// before the effect is created.
#ifndef MORVANE_RENDER_EFFECT_SOURCE_H
#define MORVANE_RENDER_EFFECT_SOURCE_H

#include <d3d9.h>
#include <d3d9_programs.h>
#include <vertex_program.h>

#include <cstdint>
#include <iterator>

namespace effect_source {

// --- Registers -----------------------------------------------------------------

constexpr int kRegWorldViewProjection = 0;  // float4x4: 0..3
constexpr int kRegDiffuse = 4;
constexpr int kRegSurfaceParam = 5;
constexpr int kRegCameraPosition = 6;
constexpr int kRegAmbientLightColor = 7;
constexpr int kRegLight1Direction = 8;
constexpr int kRegLight1Color = 9;
constexpr int kRegLight2Direction = 10;
constexpr int kRegLight2Color = 11;
constexpr int kRegMorphingWeight = 12;
constexpr int kRegBlendMatrix = 13;  // 75 float4x3: 13..237
constexpr int kPaletteSize = 75;
constexpr int kEffectConstantRegisters = kRegBlendMatrix + 3 * kPaletteSize;
static_assert(kEffectConstantRegisters <= raster::kConstantRegisters);

// --- Parameters and samplers ---------------------------------------------------

enum class ParamType : uint8_t { Float3, Float4, Float4x3, Float4x4, Texture, Sampler };

// Filter and address codes as the effect stores them: Direct3D's own values.
constexpr uint8_t kFilterNone = D3DTEXF_NONE;
constexpr uint8_t kFilterLinear = D3DTEXF_LINEAR;
constexpr uint8_t kAddressWrap = D3DTADDRESS_WRAP;
constexpr uint8_t kAddressClamp = D3DTADDRESS_CLAMP;

struct Sampler {
  const char* texture;  // the texture parameter it samples
  uint8_t minFilter, magFilter, mipFilter, addressU, addressV;
};

struct Parameter {
  const char* name;
  ParamType type;
  int elements;       // 0: not an array
  int firstRegister;  // -1 for textures and samplers
  Sampler sampler;    // samplers only
};

constexpr Sampler kNoSampler = {nullptr, 0, 0, 0, 0, 0};
constexpr Sampler kWrapSampler = {"Texture",   kFilterLinear, kFilterLinear,
                                  kFilterNone, kAddressWrap,  kAddressWrap};
constexpr Sampler kClampSampler = {"Texture",   kFilterLinear, kFilterLinear,
                                   kFilterNone, kAddressClamp, kAddressClamp};
constexpr Sampler kToonSampler = {"ToonTexture", kFilterLinear, kFilterLinear,
                                  kFilterNone,   kAddressClamp, kAddressClamp};

// The sixteen parameters in their order; every numeric default is 0.
inline constexpr Parameter kParameters[] = {
    {"WorldViewProjectionMat", ParamType::Float4x4, 0, kRegWorldViewProjection, kNoSampler},
    {"Diffuse", ParamType::Float4, 0, kRegDiffuse, kNoSampler},
    {"SurfaceParam", ParamType::Float4, 0, kRegSurfaceParam, kNoSampler},
    {"CameraPosition", ParamType::Float3, 0, kRegCameraPosition, kNoSampler},
    {"AmbientLightColor", ParamType::Float4, 0, kRegAmbientLightColor, kNoSampler},
    {"Light1Direction", ParamType::Float3, 0, kRegLight1Direction, kNoSampler},
    {"Light1Color", ParamType::Float4, 0, kRegLight1Color, kNoSampler},
    {"Light2Direction", ParamType::Float3, 0, kRegLight2Direction, kNoSampler},
    {"Light2Color", ParamType::Float4, 0, kRegLight2Color, kNoSampler},
    {"MorphingWeight", ParamType::Float3, 0, kRegMorphingWeight, kNoSampler},
    {"BlendMatrix", ParamType::Float4x3, kPaletteSize, kRegBlendMatrix, kNoSampler},
    {"Texture", ParamType::Texture, 0, -1, kNoSampler},
    {"ToonTexture", ParamType::Texture, 0, -1, kNoSampler},
    {"WrapSampler", ParamType::Sampler, 0, -1, kWrapSampler},
    {"ClampSampler", ParamType::Sampler, 0, -1, kClampSampler},
    {"ToonSampler", ParamType::Sampler, 0, -1, kToonSampler},
};
constexpr int kParameterCount = sizeof(kParameters) / sizeof(kParameters[0]);
static_assert(kParameterCount == 16);

// --- Programs --------------------------------------------------------------------

// Names under which RegisterEffectPrograms hands the programs to the device
// and by which the passes name them.
inline constexpr const char kProgramConstant[] = "ConstantStatic";
inline constexpr const char kProgramLambert[] = "LambertStatic";
inline constexpr const char kProgramPhong[] = "PhongStatic";
inline constexpr const char kProgramBlinn[] = "BlinnStatic";
inline constexpr const char kProgramToon[] = "ToonStatic";
inline constexpr const char kProgramEdge[] = "EdgeStatic";
inline constexpr const char kProgramMorphConstant[] = "ConstantMorphing";
inline constexpr const char kProgramMorphLambert[] = "LambertMorphing";
inline constexpr const char kProgramMorphPhong[] = "PhongMorphing";
inline constexpr const char kProgramMorphBlinn[] = "BlinnMorphing";
inline constexpr const char kProgramMorphToon[] = "ToonMorphing";
inline constexpr const char kProgramMorphEdge[] = "EdgeMorphing";

// Colour output 0 and texture coordinates, per program:
//   constant: c * D, uv.
//   Lambert:  rgb = c.rgb*D.rgb*(C1.rgb*d1 + C2.rgb*d2 + S.x) + A.rgb, a = c.a*D.a; uv.
//   Phong:    Lambert + C1.rgb * s, s = max(0, R.V)^S.z * S.y with
//             R = normalise(L1 + 2 (N.-L1) N), V = normalise(E - P); uv.
//   Blinn:    as Phong with s = max(0, N.H)^S.z * S.y, H = normalise(V - L1).
//   toon:     c * D; texcoord 0 = (t, t), t = d1*C1.a + d2*C2.a + S.x + A.a;
//             texcoord 1 = uv.
//   edge, static:    p pushed by n * S.w before skinning; D; uv.
//   edge, morphing:  position morphed only, no normal; c * D; uv.
// with d1 = max(0, N.-L1), d2 = max(0, N.-L2).
void ConstantStatic(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*,
                    void*);
void LambertStatic(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void PhongStatic(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void BlinnStatic(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void ToonStatic(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void EdgeStatic(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void ConstantMorphing(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*,
                      void*);
void LambertMorphing(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*,
                     void*);
void PhongMorphing(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void BlinnMorphing(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void ToonMorphing(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);
void EdgeMorphing(const raster::VertexInput&, const raster::Float4*, raster::VertexOutput*, void*);

// Inputs a program reads: (D3DDECLUSAGE, usage index) pairs.
using ProgramInput = d3d9::VertexProgramInput;

struct Program {
  const char* name;
  raster::VertexProgram function;
  const ProgramInput* inputs;
  int inputCount;
};

// The twelve programs.
extern const Program kPrograms[12];

// The GLSL 3.30 core form of the program of that name among kPrograms, for a
// device that runs vertex programs on the GPU; null for any other name. It
// computes what the C++ form computes, edge cases included: input i of the
// program's inputs is `layout(location = i) in vec4`, the registers are
// `uniform vec4 c[256]`, and it writes gl_Position (Direct3D clip space) and
// vColor0 (unclamped), vTexcoord0, vTexcoord1, the defaults included. Built
// on the first call (thread-safe); the text lives until the process ends.
const char* ProgramGlsl(const char* name);

// --- Techniques and passes -------------------------------------------------------

struct SamplerBinding {
  int stage;
  const char* sampler;
};

struct Pass {
  const char* name;
  const char* vertexProgram;
  SamplerBinding samplers[2];
  int samplerCount;
};

struct Technique {
  const char* name;
  const Pass* passes;
  int passCount;
};

inline constexpr const char kTechShader[] = "ShaderTechnique";
inline constexpr const char kTechMorphShader[] = "MorphingShaderTechnique";
inline constexpr const char kTechEdge[] = "EdgeShader";
inline constexpr const char kTechMorphEdge[] = "MorphingEdgeShader";

// Pass i of the two shading techniques is surface type i.
inline constexpr Pass kShaderPasses[] = {
    {"Constant", kProgramConstant, {{0, "WrapSampler"}, {}}, 1},
    {"Lambert", kProgramLambert, {{0, "WrapSampler"}, {}}, 1},
    {"Phong", kProgramPhong, {{0, "WrapSampler"}, {}}, 1},
    {"Blinn", kProgramBlinn, {{0, "WrapSampler"}, {}}, 1},
    {"Toon", kProgramToon, {{0, "ToonSampler"}, {1, "WrapSampler"}}, 2},
};
inline constexpr Pass kMorphShaderPasses[] = {
    {"Constant", kProgramMorphConstant, {{0, "WrapSampler"}, {}}, 1},
    {"Lambert", kProgramMorphLambert, {{0, "WrapSampler"}, {}}, 1},
    {"Phong", kProgramMorphPhong, {{0, "WrapSampler"}, {}}, 1},
    {"Blinn", kProgramMorphBlinn, {{0, "WrapSampler"}, {}}, 1},
    {"Toon", kProgramMorphToon, {{0, "ToonSampler"}, {1, "WrapSampler"}}, 2},
};
inline constexpr Pass kEdgePasses[] = {{"RearStretchEdge", kProgramEdge, {}, 0}};
inline constexpr Pass kMorphEdgePasses[] = {{"RearStretchEdge", kProgramMorphEdge, {}, 0}};

inline constexpr Technique kTechniques[] = {
    {kTechShader, kShaderPasses, static_cast<int>(std::size(kShaderPasses))},
    {kTechMorphShader, kMorphShaderPasses, static_cast<int>(std::size(kMorphShaderPasses))},
    {kTechEdge, kEdgePasses, static_cast<int>(std::size(kEdgePasses))},
    {kTechMorphEdge, kMorphEdgePasses, static_cast<int>(std::size(kMorphEdgePasses))},
};

}  // namespace effect_source

// Hands the twelve programs to the device's program registry under their
// names. 0, or -1 when the registry refuses one. Repeatable.
int RegisterEffectPrograms();

#endif  // MORVANE_RENDER_EFFECT_SOURCE_H
