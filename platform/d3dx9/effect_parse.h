// Internal to platform/d3dx9: reading and checking a compiled effect
// (EFFECT_FORMAT.md) into plain records the effect object works from.
// Everything a blob can get wrong is found here, so the effect itself never
// meets an inconsistent description. Program names are resolved through
// d3d9::FindVertexProgram.
//
// Does not: touch a device. Threads: any, but program registration must not
// run at the same time.
#ifndef MORVANE_PLATFORM_D3DX9_EFFECT_PARSE_H
#define MORVANE_PLATFORM_D3DX9_EFFECT_PARSE_H

#include <d3d9_programs.h>
#include <vertex_program.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3dx9/effect_format.h"

namespace fxformat {

// Why a blob was refused; kOk (0) on success.
enum class ParseError : uint8_t {
  kOk = 0,
  kBadMagic,
  kBadVersion,
  kTruncated,      // a record runs past the end
  kCountTooLarge,  // a count beyond its limit or beyond what the bytes can hold
  kTrailingBytes,  // bytes after the last technique
  kBadName,        // empty, too long or holding a NUL
  kDuplicateName,
  kBadType,
  kBadArray,         // an array of textures or samplers, or too many elements
  kBadDefaults,      // a default count fitting neither rule
  kRegisterRange,    // registers past 255, or a register on a non-numeric type
  kRegisterOverlap,  // two parameters sharing a register
  kBadSamplerState,
  kSamplerTexture,  // a sampler naming no Texture parameter
  kBadStage,        // a stage past 7 or bound twice in one pass
  kBindingSampler,  // a binding naming no Sampler parameter
  kUnknownProgram,  // a program name nobody registered
  kNoTechniques,
  kNoPasses,
};
const char* ParseErrorName(ParseError error);

inline constexpr uint32_t kNoParameter = 0xFFFFFFFFu;

struct Parameter {
  std::string name;
  TypeCode type = TypeCode::kFloat4;
  uint32_t elements = 0;  // 0 = not an array
  uint32_t firstRegister = 0;
  uint32_t registerCount = 0;  // registers per element x max(1, elements)
  // Numeric types: the register images, registerCount of them, from the
  // defaults.
  std::vector<raster::Float4> registers;
  // Sampler: index of its Texture parameter and its states.
  uint32_t texture = kNoParameter;
  uint32_t minFilter = 0, magFilter = 0, mipFilter = 0, addressU = 0, addressV = 0;
};

struct Binding {
  uint32_t stage = 0;
  uint32_t sampler = 0;  // index of a Sampler parameter
};

struct Pass {
  std::string name;
  std::string programName;
  d3d9::VertexProgramInfo program;  // as resolved when the blob was read
  std::vector<Binding> bindings;
};

struct Technique {
  std::string name;
  std::vector<Pass> passes;
};

struct EffectData {
  std::vector<Parameter> parameters;
  std::vector<Technique> techniques;
};

struct ParseResult {
  ParseError error = ParseError::kOk;
  size_t offset = 0;  // where in the blob the fault was found
};

// Reads `size` bytes at `bytes` into `out` (left empty on failure).
ParseResult ParseEffect(const uint8_t* bytes, size_t size, EffectData* out);

// Writes the register images of one matrix element from a row-major 4x4
// D3DX matrix (Float4x3 keeps columns 0..2) or of one vector element.
void MatrixToRegisters(TypeCode type, const float m[16], raster::Float4* registers);
void VectorToRegister(TypeCode type, const float v[4], raster::Float4* reg);

}  // namespace fxformat

#endif  // MORVANE_PLATFORM_D3DX9_EFFECT_PARSE_H
