// Writing compiled effects: an effect described in memory (parameters,
// samplers, techniques and passes naming registered vertex programs) is
// written in the format D3DXCreateEffect reads (platform/d3dx9/
// EFFECT_FORMAT.md). Used by the build to make the program's effect
// resource, and by tests.
//
// Register layout (what vertex programs read): Float3 and Float4 take one
// float4 register (a Float3 keeps w = 0); Float4x4 takes 4 registers and
// Float4x3 takes 3, register k holding column k of the matrix,
// (m[0][k], m[1][k], m[2][k], m[3][k]), so out.k = dot((x, y, z, 1),
// c[base + k]); array element i starts at firstRegister + i * registers per
// element. Texture and Sampler take no registers. Defaults are given row by
// row: m[r][c] at r * columns + c (4 rows; 3 or 4 columns).
//
// Does not: check the description. The writer writes what it is given,
// duplicate names and overlapping registers included, so tests can build
// blobs the reader must refuse; D3DXCreateEffect does the checking.
// Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_EFFECTC_EFFECT_WRITER_H
#define MORVANE_TOOLS_EFFECTC_EFFECT_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fxc {

enum class ParamType : uint32_t { Float3, Float4, Float4x3, Float4x4, Texture, Sampler };

struct SamplerDesc {
  std::string texture;                                   // name of a Texture parameter
  uint32_t minFilter = 0, magFilter = 0, mipFilter = 0;  // D3DTEXF_*
  uint32_t addressU = 0, addressV = 0;                   // D3DTADDRESS_*
};

struct ParameterDesc {
  std::string name;
  ParamType type = ParamType::Float4;
  uint32_t elements = 0;        // 0 = not an array
  uint32_t firstRegister = 0;   // numeric types only
  std::vector<float> defaults;  // empty = all 0; else floats per element * max(1, elements)
  SamplerDesc sampler;          // Sampler type only
};

struct SamplerBinding {
  uint32_t stage = 0;
  std::string sampler;  // name of a Sampler parameter
};

struct PassDesc {
  std::string name;
  std::string vertexProgram;  // a name given to d3d9::RegisterVertexProgram
  std::vector<SamplerBinding> samplers;
};

struct TechniqueDesc {
  std::string name;
  std::vector<PassDesc> passes;
};

struct EffectDesc {
  std::vector<ParameterDesc> parameters;
  std::vector<TechniqueDesc> techniques;
};

// Where each record starts in a written blob (byte offsets), for tests that
// cut or patch one section.
struct EffectLayout {
  size_t headerEnd = 0;
  std::vector<size_t> parameters;  // start of each parameter record
  std::vector<size_t> techniques;  // start of each technique record
  std::vector<size_t> passes;      // start of each pass record, all techniques in order
  size_t end = 0;
};

std::vector<uint8_t> WriteEffect(const EffectDesc& desc);
std::vector<uint8_t> WriteEffect(const EffectDesc& desc, EffectLayout* layout);

// Float4 registers one element of `type` takes, and the floats one default
// element holds.
uint32_t RegistersPerElement(ParamType type);
uint32_t FloatsPerElement(ParamType type);

}  // namespace fxc

#endif  // MORVANE_TOOLS_EFFECTC_EFFECT_WRITER_H
