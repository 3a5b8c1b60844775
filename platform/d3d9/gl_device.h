// Internal to platform/d3d9: the pixel side of the OpenGL 3.3 core device.
//
// A Device of kind Gl keeps all its API state (states, bindings, buffers,
// textures, declarations, constants) exactly as the CPU device does and
// hands each draw, clear and present to a GlDevice instead of the
// rasteriser. The GlDevice owns one headless EGL context (Mesa, no display
// needed) and draws into a framebuffer object: X8R8G8B8 colour and D16
// depth at 1, 2, 4 or 8 samples, resolved into a single-sample framebuffer
// and read back at Present, which then shows the frame the way the CPU
// device does. Direct3D 9's rules are applied in its shaders and states:
// pixel centres at integer coordinates, clip z 0..w, y down, culling on
// screen winding, stage-0 operations, alpha test as discard.
//
// Copies of textures and vertex buffers are made on first use and again
// after the application locked them for writing; Forget drops the copy of
// a resource being freed. Main thread only (the device's thread).
#ifndef MORVANE_PLATFORM_D3D9_GL_DEVICE_H
#define MORVANE_PLATFORM_D3D9_GL_DEVICE_H

#include <d3d9.h>
#include <d3d9_programs.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/raster.h"

namespace d3d9 {

class Texture;
class VertexBuffer;

// One programmed draw: the bound program and constants, the streams as the
// CPU device reads them (`source`) and the buffers behind them.
struct GlIndexedDraw {
  const VertexProgramInfo* program = nullptr;
  const raster::Float4* constants = nullptr;  // raster::kConstantRegisters
  const raster::VertexSource* source = nullptr;
  const VertexBuffer* streams[2] = {};
  const raster::IndexedDraw* draw = nullptr;
};

class GlDevice {
 public:
  // A context, the framebuffers and the device's own shaders; null with a
  // one-line reason in `failure` when any of them cannot be made.
  static std::unique_ptr<GlDevice> Create(const D3DPRESENT_PARAMETERS& params,
                                          std::string* failure);
  ~GlDevice();
  GlDevice(const GlDevice&) = delete;
  GlDevice& operator=(const GlDevice&) = delete;

  const char* renderer() const { return renderer_.c_str(); }
  const char* version() const { return version_.c_str(); }

  void Clear(const raster::Viewport& rect, bool color, D3DCOLOR value, bool depth, float z);
  // The two draws, with the CPU device's checks and results: false for what
  // it refuses, and also for a program without a GLSL form or one that does
  // not compile. `texture` is the stage-0 texture or null.
  bool DrawScreen(const raster::State& state, const Texture* texture, raster::Topology topology,
                  const raster::ScreenVertex* vertices, size_t vertexCount,
                  uint32_t primitiveCount);
  bool DrawIndexed(const raster::State& state, const Texture* texture, const GlIndexedDraw& draw);
  // The resolved back buffer, 0xFFRRGGBB, rows top to bottom.
  void ReadFrame(uint32_t* pixels);
  void Forget(const void* resource);
  // Waits until GL has executed everything sent.
  void Finish();

  struct Impl;

 private:
  explicit GlDevice(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::string renderer_, version_;
};

// Multisample counts the GL implementation offers, probed once (a context is
// made for that); empty when GL cannot start.
const std::vector<int>& GlMultisampleCounts();
// Whether GL starts and its renderer is a hardware one (not llvmpipe,
// softpipe or another software rasteriser); when not, `why` says which.
bool GlRendererIsHardware(std::string* why);

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_GL_DEVICE_H
