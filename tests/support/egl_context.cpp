#include "support/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

namespace testing_gl {
namespace {

std::string Failure(const char* what) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", what,
                static_cast<unsigned>(eglGetError()));
  return text;
}

EGLDisplay OpenDisplay() {
  const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay != nullptr) {
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY) return display;
  }
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

}  // namespace

EglContext::EglContext() {
  EGLDisplay display = OpenDisplay();
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
    error_ = Failure("eglInitialize");
    return;
  }
  display_ = display;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error_ = Failure("eglBindAPI");
    return;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configs = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) {
    error_ = Failure("eglChooseConfig");
    return;
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      3,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context_ == EGL_NO_CONTEXT) {
    error_ = Failure("eglCreateContext (OpenGL 3.3 core)");
    return;
  }
  // A 1x1 pbuffer, so that draws have a complete default framebuffer;
  // surfaceless (no default framebuffer) only when pbuffers are refused.
  const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display, config, pbufferAttributes);
  if (surface_ == EGL_NO_SURFACE) surface_ = nullptr;
  EGLSurface surface = surface_ != nullptr ? surface_ : EGL_NO_SURFACE;
  if (!eglMakeCurrent(display, surface, surface, context_)) error_ = Failure("eglMakeCurrent");
}

EglContext::~EglContext() {
  if (display_ == nullptr) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (surface_ != nullptr) eglDestroySurface(display_, surface_);
  if (context_ != nullptr && context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  eglTerminate(display_);
  eglReleaseThread();
}

}  // namespace testing_gl
