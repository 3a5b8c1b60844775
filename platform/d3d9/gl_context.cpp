// Headless EGL contexts for the GL device, the GL probe behind
// CheckDeviceMultiSampleType and the Auto choice, and the GL test hooks.
#include "d3d9/gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "d3d9/gl_device.h"
#include "testing.h"

namespace d3d9 {

namespace {

bool g_failContext = false;
bool g_failShaders = false;
void* g_current = nullptr;  // the context this thread made current last

// Initialises `d` for desktop OpenGL; false with the reason.
bool Initialise(EGLDisplay d, std::string* why) {
  EGLint major = 0, minor = 0;
  if (d == EGL_NO_DISPLAY) {
    *why = "no EGL display";
  } else if (eglInitialize(d, &major, &minor) != EGL_TRUE) {
    *why = "EGL does not initialise (error " + std::to_string(eglGetError()) + ")";
  } else if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    *why = "EGL offers no desktop OpenGL";
  } else {
    return true;
  }
  return false;
}

// The one EGL display of the process, initialised on first use and kept:
// Mesa's surfaceless platform (no display server needed), else the
// default display of the EGL implementation.
EGLDisplay Display(std::string* failure) {
  static EGLDisplay display = EGL_NO_DISPLAY;
  static std::string why;
  static bool tried = false;
  if (!tried) {
    tried = true;
    EGLDisplay d =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (Initialise(d, &why)) {
      display = d;
    } else {
      eglGetError();  // clears the error of the first attempt
      d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
      if (Initialise(d, &why)) display = d;
    }
  }
  if (display == EGL_NO_DISPLAY) *failure = why;
  return display;
}

}  // namespace

std::unique_ptr<GlContext> GlContext::Create(std::string* failure) {
  if (g_failContext) {
    *failure = "no OpenGL context (refused by a test hook)";
    return nullptr;
  }
  std::string why;
  EGLDisplay display = Display(&why);
  if (display == EGL_NO_DISPLAY) {
    *failure = "no OpenGL context: " + why;
    return nullptr;
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                               3,
                               EGL_CONTEXT_MINOR_VERSION,
                               3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                               EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT) {
    *failure = "no OpenGL 3.3 core context (EGL error " + std::to_string(eglGetError()) + ")";
    return nullptr;
  }
  if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) != EGL_TRUE) {
    eglDestroyContext(display, context);
    *failure = "the OpenGL context cannot be made current without a surface";
    return nullptr;
  }
  g_current = context;
  // The context may still be older than asked for.
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  std::unique_ptr<GlContext> made(new GlContext(context));
  if (major < 3 || (major == 3 && minor < 3)) {
    *failure = "OpenGL " + std::to_string(major) + "." + std::to_string(minor) +
               " is below the 3.3 the device needs";
    return nullptr;
  }
  return made;
}

GlContext::~GlContext() {
  std::string ignored;
  EGLDisplay display = Display(&ignored);
  if (g_current == context_) {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    g_current = nullptr;
  }
  eglDestroyContext(display, static_cast<EGLContext>(context_));
}

void GlContext::MakeCurrent() {
  if (g_current == context_) return;
  std::string ignored;
  eglMakeCurrent(Display(&ignored), EGL_NO_SURFACE, EGL_NO_SURFACE,
                 static_cast<EGLContext>(context_));
  g_current = context_;
}

bool GlShaderCompileForcedToFail() { return g_failShaders; }

namespace {

// What GL offers, found once with a context of its own.
struct Probe {
  bool started = false;
  std::string failure;
  std::string renderer;
  std::vector<int> samples;
};

// Whether a multisampled colour buffer of `samples` samples is made with
// exactly that count (GL may round a count up to one it has).
bool ExactSamples(int samples) {
  GLuint rb = 0;
  glGenRenderbuffers(1, &rb);
  glBindRenderbuffer(GL_RENDERBUFFER, rb);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, 4, 4);
  GLint got = 0;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &got);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glDeleteRenderbuffers(1, &rb);
  return glGetError() == GL_NO_ERROR && got == samples;
}

// Made once, never while a test hook refuses contexts.
const Probe& GlProbe() {
  static Probe probe;
  static bool done = false;
  if (done) return probe;
  if (g_failContext) {
    static const Probe refused{false, "no OpenGL context (refused by a test hook)", "", {}};
    return refused;
  }
  done = true;
  std::unique_ptr<GlContext> context = GlContext::Create(&probe.failure);
  if (context == nullptr) return probe;
  probe.started = true;
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  probe.renderer = renderer != nullptr ? renderer : "";
  GLint maxSamples = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
  for (int s : {2, 4, 8})
    if (s <= maxSamples && ExactSamples(s)) probe.samples.push_back(s);
  return probe;
}

}  // namespace

const std::vector<int>& GlMultisampleCounts() { return GlProbe().samples; }

bool GlRendererIsHardware(std::string* why) {
  const Probe& p = GlProbe();
  if (!p.started) {
    *why = "OpenGL device: " + p.failure;
    return false;
  }
  std::string lower = p.renderer;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* software :
       {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe"}) {
    if (lower.find(software) != std::string::npos) {
      *why = "OpenGL device: the GL renderer is a software one (" + p.renderer + ")";
      return false;
    }
  }
  return true;
}

}  // namespace d3d9

namespace testing_hooks {
void FailGlContextCreation(bool fail) { d3d9::g_failContext = fail; }
void FailGlShaderCompilation(bool fail) { d3d9::g_failShaders = fail; }
}  // namespace testing_hooks
