// The GL device's lifetime, framebuffers, Clear, the frame read back at
// Present, and the copies of textures and vertex buffers.
#include "d3d9/gl_device.h"

#include <cstring>

#include "d3d9/gl_device_impl.h"

namespace d3d9 {

namespace {

// Whether the framebuffer bound for drawing is complete.
bool Complete() { return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE; }

GLuint Renderbuffer(GLenum format, int samples, int width, int height) {
  GLuint rb = 0;
  glGenRenderbuffers(1, &rb);
  glBindRenderbuffer(GL_RENDERBUFFER, rb);
  if (samples > 1)
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
  else
    glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
  return rb;
}

}  // namespace

GlDevice::Impl::~Impl() {
  if (context == nullptr) return;
  context->MakeCurrent();
  for (auto& [key, copy] : textures) glDeleteTextures(1, &copy.name);
  for (auto& [key, copy] : buffers) glDeleteBuffers(1, &copy.name);
  for (auto& [key, program] : programs) glDeleteProgram(program.program);
  glDeleteProgram(screenProgram.program);
  glDeleteSamplers(1, &sampler);
  const GLuint buffersToDelete[] = {streamBuffer, indexBuffer};
  glDeleteBuffers(2, buffersToDelete);
  glDeleteVertexArrays(1, &vertexArray);
  const GLuint framebuffers[] = {framebuffer, resolveFramebuffer};
  glDeleteFramebuffers(2, framebuffers);
  const GLuint renderbuffers[] = {color, depth, resolveColor};
  glDeleteRenderbuffers(3, renderbuffers);
  context.reset();
}

GlDevice::GlDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
GlDevice::~GlDevice() = default;

std::unique_ptr<GlDevice> GlDevice::Create(const D3DPRESENT_PARAMETERS& params,
                                           std::string* failure) {
  auto impl = std::make_unique<Impl>();
  std::string why;
  impl->context = GlContext::Create(&why);
  if (impl->context == nullptr) {
    *failure = "OpenGL device: " + why;
    return nullptr;
  }
  Impl& g = *impl;
  g.width = static_cast<int>(params.BackBufferWidth);
  g.height = static_cast<int>(params.BackBufferHeight);
  g.samples =
      params.MultiSampleType == D3DMULTISAMPLE_NONE ? 1 : static_cast<int>(params.MultiSampleType);

  // X8R8G8B8 colour (alpha written as 1 and never read) and D16 depth.
  glGenFramebuffers(1, &g.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, g.framebuffer);
  g.color = Renderbuffer(GL_RGBA8, g.samples, g.width, g.height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g.color);
  if (params.EnableAutoDepthStencil) {
    g.depth = Renderbuffer(GL_DEPTH_COMPONENT16, g.samples, g.width, g.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, g.depth);
  }
  if (!Complete()) {
    *failure = "OpenGL device: the back buffer cannot be made at this size and sample count";
    return nullptr;
  }
  if (g.samples > 1) {
    glGenFramebuffers(1, &g.resolveFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, g.resolveFramebuffer);
    g.resolveColor = Renderbuffer(GL_RGBA8, 1, g.width, g.height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              g.resolveColor);
    if (!Complete()) {
      *failure = "OpenGL device: the resolve buffer cannot be made";
      return nullptr;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, g.framebuffer);
  }
  if (!BuildScreenProgram(&g.screenProgram, &why)) {
    *failure = "OpenGL device: " + why;
    return nullptr;
  }
  glGenVertexArrays(1, &g.vertexArray);
  glBindVertexArray(g.vertexArray);
  glGenBuffers(1, &g.streamBuffer);
  glGenBuffers(1, &g.indexBuffer);
  glGenSamplers(1, &g.sampler);
  glBindSampler(0, g.sampler);
  if (glGetError() != GL_NO_ERROR) {
    *failure = "OpenGL device: GL reported an error while setting up";
    return nullptr;
  }

  std::unique_ptr<GlDevice> device(new GlDevice(std::move(impl)));
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  device->renderer_ = renderer != nullptr ? renderer : "";
  device->version_ = version != nullptr ? version : "";
  // The first frame, like the CPU device's: black, depth at its far value.
  device->Clear(raster::Viewport{0, 0, g.width, g.height, 0.0f, 1.0f}, true, 0xFF000000,
                g.depth != 0, 1.0f);
  return device;
}

void GlDevice::Clear(const raster::Viewport& rect, bool color, D3DCOLOR value, bool depth,
                     float z) {
  Impl& g = *impl_;
  g.context->MakeCurrent();
  glBindFramebuffer(GL_FRAMEBUFFER, g.framebuffer);
  glEnable(GL_SCISSOR_TEST);
  glScissor(rect.x, rect.y, rect.width, rect.height);
  GLbitfield mask = 0;
  if (color) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(static_cast<float>((value >> 16) & 0xFF) / 255.0f,
                 static_cast<float>((value >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(value & 0xFF) / 255.0f, 1.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (depth && g.depth != 0) {
    glDepthMask(GL_TRUE);
    glClearDepth(z);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (mask != 0) glClear(mask);
}

void GlDevice::ReadFrame(uint32_t* pixels) {
  Impl& g = *impl_;
  g.context->MakeCurrent();
  glDisable(GL_SCISSOR_TEST);
  GLuint source = g.framebuffer;
  if (g.samples > 1) {
    // The resolve: each pixel the average of its samples.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, g.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, g.resolveFramebuffer);
    glBlitFramebuffer(0, 0, g.width, g.height, 0, 0, g.width, g.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    source = g.resolveFramebuffer;
  }
  glBindFramebuffer(GL_FRAMEBUFFER, source);
  const size_t row = static_cast<size_t>(g.width);
  g.readBack.resize(row * g.height);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, g.width, g.height, GL_BGRA, GL_UNSIGNED_BYTE, g.readBack.data());
  // GL's row 0 is the top row; the back buffer has no alpha.
  for (size_t i = 0; i < g.readBack.size(); ++i) pixels[i] = g.readBack[i] | 0xFF000000u;
  glBindFramebuffer(GL_FRAMEBUFFER, g.framebuffer);
}

void GlDevice::Finish() {
  impl_->context->MakeCurrent();
  glFinish();
}

void GlDevice::Forget(const void* resource) {
  Impl& g = *impl_;
  const auto drop = [&](std::map<const void*, GlCopy>& copies, bool texture) {
    const auto it = copies.find(resource);
    if (it == copies.end()) return;
    g.context->MakeCurrent();
    if (texture)
      glDeleteTextures(1, &it->second.name);
    else
      glDeleteBuffers(1, &it->second.name);
    copies.erase(it);
  };
  drop(g.textures, true);
  drop(g.buffers, false);
}

}  // namespace d3d9
