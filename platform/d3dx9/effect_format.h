// Internal to platform/d3dx9 (and the effect writer in tools/effectc): the
// constants of the compiled-effect format described in EFFECT_FORMAT.md.
// Plain constants and two small helpers; no parsing here (effect_parse.h).
#ifndef MORVANE_PLATFORM_D3DX9_EFFECT_FORMAT_H
#define MORVANE_PLATFORM_D3DX9_EFFECT_FORMAT_H

#include <cstdint>

namespace fxformat {

// "MVFX" read as a little-endian uint32.
inline constexpr uint32_t kMagic = 0x5846564Du;
inline constexpr uint32_t kVersion = 1;

// Parameter type codes, in the order of fxc::ParamType.
enum class TypeCode : uint32_t {
  kFloat3 = 0,
  kFloat4 = 1,
  kFloat4x3 = 2,
  kFloat4x4 = 3,
  kTexture = 4,
  kSampler = 5,
};
inline constexpr uint32_t kTypeCodes = 6;
static_assert(static_cast<uint32_t>(TypeCode::kSampler) + 1 == kTypeCodes);

// Limits a blob must keep.
inline constexpr uint32_t kMaxNameLength = 255;  // bytes, no NUL inside, at least 1
inline constexpr uint32_t kMaxParameters = 1024;
inline constexpr uint32_t kMaxTechniques = 256;
inline constexpr uint32_t kMaxPasses = 64;     // per technique
inline constexpr uint32_t kMaxBindings = 8;    // per pass
inline constexpr uint32_t kSamplerStages = 8;  // stage numbers 0..7
inline constexpr uint32_t kConstantRegisters = 256;
inline constexpr uint32_t kMaxElements = kConstantRegisters;

// Header: magic, version, parameter count, technique count.
inline constexpr uint32_t kHeaderSize = 16;

// Float4 registers one element of a numeric type takes (0 for Texture and
// Sampler), and the floats its default value holds.
constexpr uint32_t RegistersPerElement(TypeCode type) {
  switch (type) {
    case TypeCode::kFloat3:
    case TypeCode::kFloat4: return 1;
    case TypeCode::kFloat4x3: return 3;
    case TypeCode::kFloat4x4: return 4;
    default: return 0;
  }
}
constexpr uint32_t FloatsPerElement(TypeCode type) {
  switch (type) {
    case TypeCode::kFloat3: return 3;
    case TypeCode::kFloat4: return 4;
    case TypeCode::kFloat4x3: return 12;
    case TypeCode::kFloat4x4: return 16;
    default: return 0;
  }
}

}  // namespace fxformat

#endif  // MORVANE_PLATFORM_D3DX9_EFFECT_FORMAT_H
