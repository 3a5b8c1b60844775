// Internal to platform/d3d9: the GL device's shader programs. Every program
// shares one fragment shader (texture stage 0 in 8-bit arithmetic as the
// CPU device does it, then the alpha test as a discard); the vertex side is
// either the device's own pass-through for pre-transformed vertices or a
// vertex program's GLSL form wrapped in a main that maps Direct3D's clip
// space, pixel centres and y direction onto GL's. Main thread, with the
// device's context current.
#ifndef MORVANE_PLATFORM_D3D9_GL_SHADERS_H
#define MORVANE_PLATFORM_D3D9_GL_SHADERS_H

#include <string>

#include "d3d9/gl_context.h"
#include "raster/state.h"

namespace d3d9 {

struct GlProgram {
  GLuint program = 0;
  // Vertex side.
  GLint constants = -1;  // uniform vec4 c[256] of a vertex program
  GLint pixelStep = -1;  // (2/width, 2/height) of the viewport or target
  // Fragment side.
  GLint colorOp = -1, alphaOp = -1, texcoordIndex = -1, alphaFunc = -1, alphaRef = -1;
  GLint texture = -1;
};

// The program for XYZRHW|DIFFUSE|TEX1 vertices; false with the reason.
bool BuildScreenProgram(GlProgram* out, std::string* failure);
// A vertex program's GLSL form (see VertexProgramInfo) with the device's
// fragment shader; false with the compiler's first complaint.
bool BuildVertexProgram(const char* glsl, GlProgram* out, std::string* failure);
// Sets the fragment uniforms for a draw's stage 0 and alpha test; the
// program must be in use. False for a malformed texture.
bool SetPixelUniforms(const GlProgram& program, const raster::State& state);

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_GL_SHADERS_H
