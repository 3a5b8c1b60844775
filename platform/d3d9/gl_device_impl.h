// Internal to the GL device (gl_device.cpp, gl_draw.cpp): its GL objects.
#ifndef MORVANE_PLATFORM_D3D9_GL_DEVICE_IMPL_H
#define MORVANE_PLATFORM_D3D9_GL_DEVICE_IMPL_H

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "d3d9/gl_context.h"
#include "d3d9/gl_device.h"
#include "d3d9/gl_shaders.h"

namespace d3d9 {

// A GL copy of a texture or vertex buffer and the revision it was made at.
struct GlCopy {
  GLuint name = 0;
  uint64_t revision = 0;
};

struct GlDevice::Impl {
  std::unique_ptr<GlContext> context;
  int width = 0, height = 0, samples = 1;
  GLuint framebuffer = 0, color = 0, depth = 0;     // drawn into (multisampled or not)
  GLuint resolveFramebuffer = 0, resolveColor = 0;  // single-sample copy when multisampled
  GLuint vertexArray = 0;
  GLuint streamBuffer = 0;  // vertices of screen draws
  GLuint indexBuffer = 0;   // the triangles of each draw
  GLuint sampler = 0;
  GlProgram screenProgram;
  std::map<const char*, GlProgram> programs;  // by GLSL text (static storage)
  std::map<const void*, GlCopy> textures, buffers;
  std::vector<uint16_t> triangles;
  std::vector<raster::ScreenVertex> screenVertices;
  std::vector<uint32_t> readBack;

  ~Impl();
};

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_GL_DEVICE_IMPL_H
