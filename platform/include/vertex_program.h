// The hand-over between vertex programs and the rasteriser: a public header
// of this layer's own (not part of the Windows interface), read by the
// rasteriser, which knows nothing of Direct3D, and by d3d9_programs.h.
// Programs live outside the platform (the renderer writes them as C++
// functions); they see only the plain types below, so this header includes
// nothing else.
//
// Per vertex, the rasteriser fills a VertexInput from the bound streams by
// usage and usage index, calls the program with the float4 constant
// registers, and reads back a VertexOutput: clip-space position, colour 0
// (clamped to 0..1 afterwards) and two texture coordinates. A program is a
// pure function of its arguments: it may be called from the drawing thread
// or the rasteriser's worker threads, several at once for different
// vertices, once per vertex of a draw's vertex range, in no promised order;
// so it must not write anything but *out.
#ifndef MORVANE_PLATFORM_VERTEX_PROGRAM_H
#define MORVANE_PLATFORM_VERTEX_PROGRAM_H

namespace raster {

struct Float4 {
  float x, y, z, w;
};

// Usage indices 0 and 1 are gathered for every usage. A register whose usage
// is not in the layout reads (0, 0, 0, 1); an element with fewer than four
// components fills the missing ones from (0, 0, 0, 1) as well.
struct VertexInput {
  static constexpr int kUsageIndices = 2;
  Float4 position[kUsageIndices];
  Float4 normal[kUsageIndices];
  Float4 color[kUsageIndices];
  Float4 texcoord[kUsageIndices];
  Float4 blendIndices[kUsageIndices];
  Float4 blendWeight[kUsageIndices];
};

// Outputs start as position (0, 0, 0, 1), colour (1, 1, 1, 1) and texture
// coordinates (0, 0, 0, 1) before each call, so a program writes only what
// it produces. Clip space: -w <= x, y <= w and 0 <= z <= w are visible.
struct VertexOutput {
  Float4 position;
  Float4 color0;
  Float4 texcoord[2];
};

// `constants` points at the float4 constant registers (kConstantRegisters of
// them); `user` is passed through unchanged.
using VertexProgram = void (*)(const VertexInput& in, const Float4* constants, VertexOutput* out,
                               void* user);

inline constexpr int kConstantRegisters = 256;

struct VertexShader {
  VertexProgram program = nullptr;
  const Float4* constants = nullptr;  // kConstantRegisters registers
  void* user = nullptr;
};

}  // namespace raster

#endif  // MORVANE_PLATFORM_VERTEX_PROGRAM_H
