// The OpenGL device: not yet able to start in this build.
#include "d3d9/gl_device.h"

namespace d3d9 {

struct GlDevice::Impl {};

GlDevice::GlDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
GlDevice::~GlDevice() = default;

std::unique_ptr<GlDevice> GlDevice::Create(const D3DPRESENT_PARAMETERS&, std::string* failure) {
  *failure = "OpenGL device: not available in this build";
  return nullptr;
}

void GlDevice::Clear(const raster::Viewport&, bool, D3DCOLOR, bool, float) {}
bool GlDevice::DrawScreen(const raster::State&, const Texture*, const raster::ScreenVertex*,
                          size_t) {
  return false;
}
bool GlDevice::DrawIndexed(const raster::State&, const Texture*, const GlIndexedDraw&) {
  return false;
}
void GlDevice::ReadFrame(uint32_t*) {}
void GlDevice::Forget(const void*) {}

const std::vector<int>& GlMultisampleCounts() {
  static const std::vector<int> none;
  return none;
}
bool GlRendererIsHardware(std::string* why) {
  *why = "OpenGL device: not available in this build";
  return false;
}

}  // namespace d3d9
