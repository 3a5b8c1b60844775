// Internal to platform/d3d9: headless OpenGL 3.3 core contexts over EGL
// (Mesa's surfaceless platform: no display, no window, no surface; the
// device draws into framebuffer objects), and what the GL implementation
// offers, probed once. Main thread only.
#ifndef MORVANE_PLATFORM_D3D9_GL_CONTEXT_H
#define MORVANE_PLATFORM_D3D9_GL_CONTEXT_H

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <memory>
#include <string>
#include <vector>

namespace d3d9 {

class GlContext {
 public:
  // A 3.3 core context, current on return; null with a one-line reason.
  static std::unique_ptr<GlContext> Create(std::string* failure);
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  // Makes this context current when another one is.
  void MakeCurrent();

 private:
  explicit GlContext(void* context) : context_(context) {}
  void* context_;  // EGLContext
};

// Whether the device's own shaders are made to fail (test hook).
bool GlShaderCompileForcedToFail();

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_GL_CONTEXT_H
