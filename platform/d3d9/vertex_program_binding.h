// The one entry point through which code outside the platform (the effect
// framework) gives the software device its vertex programs.
//
// A vertex program is a plain function (raster/vertex_program.h) that the
// device runs for every vertex of DrawIndexedPrimitive: it receives the
// vertex's inputs gathered by the bound vertex declaration (usage and usage
// index, streams 0 and 1), the 256 float4 registers set with
// SetVertexShaderConstantF, and the `user` pointer given here, and writes
// the clip-space position, colour 0 and texture coordinates 0 and 1. The
// binding is device state like any other: it holds until changed, and a
// null program unbinds (DrawIndexedPrimitive then fails, as the device has
// no fixed-function transform). Pre-transformed DrawPrimitiveUP vertices
// never run the program.
//
// The device keeps no copy of what `user` points at; it must stay valid
// while bound. Call from the device's thread; the program itself is called
// on that thread only, during DrawIndexedPrimitive.
#ifndef MORVANE_PLATFORM_D3D9_VERTEX_PROGRAM_BINDING_H
#define MORVANE_PLATFORM_D3D9_VERTEX_PROGRAM_BINDING_H

#include <d3d9.h>

#include "raster/vertex_program.h"

namespace d3d9 {

// D3DERR_INVALIDCALL when `device` is null or not a device of this layer.
HRESULT SetVertexProgram(IDirect3DDevice9* device, raster::VertexProgram program, void* user);

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_VERTEX_PROGRAM_BINDING_H
