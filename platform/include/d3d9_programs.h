// Vertex programs for the Direct3D 9 device: an extension of this layer, not
// part of the Windows interface (the program has no shader byte code; it
// hands the device C++ functions instead). The effect framework binds
// programs with SetVertexProgram, and code outside the platform hands its
// programs over by name through RegisterVertexProgram, the one entry point
// for that.
//
// A vertex program has two forms: a plain C++ function
// (vertex_program.h) that the CPU device runs, and optionally a GLSL
// 3.30 core vertex shader that the OpenGL device runs (VertexProgramInfo
// below says what it must look like). The C++ form runs for every vertex
// of DrawIndexedPrimitive: it receives the vertex's inputs gathered by the
// bound vertex declaration (usage and usage index, streams 0 and 1), the
// 256 float4 registers set with SetVertexShaderConstantF, and the `user`
// pointer given here, and writes the clip-space position, colour 0 and
// texture coordinates 0 and 1. The binding is device state like any other:
// it holds until changed, and a null program unbinds (DrawIndexedPrimitive
// then fails, as the device has no fixed-function transform).
// Pre-transformed DrawPrimitiveUP vertices never run the program.
//
// The device keeps no copy of what `user` points at; it must stay valid
// while bound. Call from the device's thread; the program itself is called
// on that thread only, during DrawIndexedPrimitive.
#ifndef MORVANE_PLATFORM_D3D9_PROGRAMS_H
#define MORVANE_PLATFORM_D3D9_PROGRAMS_H

#include <d3d9.h>
#include <vertex_program.h>

namespace d3d9 {

// Binds the C++ form alone (the GL device cannot draw with it).
// D3DERR_INVALIDCALL when `device` is null or not a device of this layer.
HRESULT SetVertexProgram(IDirect3DDevice9* device, raster::VertexProgram program, void* user);
// The bound program and its user pointer (null, null when none), so an
// effect can put back what it found. Same failures as SetVertexProgram.
HRESULT GetVertexProgram(IDirect3DDevice9* device, raster::VertexProgram* program, void** user);

// Programs by name, for effects: the program registers each of its vertex
// programs once, before it creates an effect that names them, and
// D3DXCreateEffect resolves every pass's program name here. The table is
// process-wide and lives until the process ends; registering a name again
// replaces its entry (effects created earlier keep the entry they resolved).
struct VertexProgramInput {
  BYTE usage;       // D3DDECLUSAGE
  BYTE usageIndex;  // 0 or 1 are gathered by this device
};
struct VertexProgramInfo {
  raster::VertexProgram program = nullptr;
  void* user = nullptr;                        // passed to every call of the program
  int constantRegisters = 0;                   // reads float4 registers 0 .. this - 1
  const VertexProgramInput* inputs = nullptr;  // what it reads; static storage
  int inputCount = 0;
  const char* glsl = nullptr;  // GLSL 3.30 core form of the program, or null
};
// The GLSL form, for the GL device: a complete vertex shader whose first line
// is `#version 330 core`; input i is `layout(location = i) in vec4 NAME;` and
// carries inputs[i] (missing components fill from (0, 0, 0, 1), an input the
// declaration lacks reads (0, 0, 0, 1)); the constants are
// `uniform vec4 c[256];`; main writes gl_Position in Direct3D clip space
// (0 <= z <= w visible) and `out vec4 vColor0, vTexcoord0, vTexcoord1;`
// exactly as the C++ form writes its outputs. The device wraps main: it
// clamps colour 0 and maps clip space, pixel centres and y to GL's.

// Binds a program with every form it carries, as effects do: the CPU device
// runs `program`, the GL device `glsl` (a draw fails without it). Same
// failures as SetVertexProgram; a GLSL form without a C++ form is refused.
HRESULT SetVertexProgram(IDirect3DDevice9* device, const VertexProgramInfo& info);
// The whole binding, so an effect can put back what it found.
HRESULT GetVertexProgram(IDirect3DDevice9* device, VertexProgramInfo* info);

// D3DERR_INVALIDCALL for a null or empty name, a null program or a negative
// count; the strings and arrays given must outlive the process's effects.
HRESULT RegisterVertexProgram(const char* name, const VertexProgramInfo& info);
// The registered entry, or null.
const VertexProgramInfo* FindVertexProgram(const char* name);

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_PROGRAMS_H
