// The Direct3D test hooks.
#include "d3d9/hooks.h"

#include <vertex_program.h>

#include <algorithm>
#include <vector>

#include "d3d9/objects.h"
#include "testing.h"

namespace d3d9 {

namespace {
// What the Direct3D hooks set for a test, at its defaults, so one
// assignment gives it all back.
struct HookState {
  bool refuseHardware = false;
  bool capture = false;
  int vertexConstantLimit = raster::kConstantRegisters;
  std::vector<uint32_t> frame;
  int frameWidth = 0, frameHeight = 0;
};
HookState g_hooks;
// The renderer's thread count and the stage split are the run's choice (the
// unattended mode's and the benchmarks' options), set before the platform
// is reset, so a reset leaves them. The stage sums go with a reset.
int g_rendererThreads = 0;
bool g_stageSplit = false;
raster::StageTimes g_stageTimes;
int g_stageFrames = 0;
}  // namespace

raster::RendererOptions NewDeviceRendererOptions() {
  raster::RendererOptions options;
  options.threads = g_rendererThreads;
  options.splitCoverage = g_stageSplit;
  return options;
}

void RecordFrameStageTimes(const raster::StageTimes& times) {
  g_stageTimes += times;
  ++g_stageFrames;
}

std::atomic<int>& LiveObjects() {
  static std::atomic<int> count{0};
  return count;
}

bool HardwareVertexProcessingRefused() { return g_hooks.refuseHardware; }

int VertexConstantLimit() { return g_hooks.vertexConstantLimit; }

void ResetHookState() {
  g_hooks = HookState{};
  g_stageTimes = {};
  g_stageFrames = 0;
  // The hooks whose state lives beside the code they steer.
  testing_hooks::SetSupportedMultisamples({2, 4, 8});  // what the device reports by default
  testing_hooks::FailGlContextCreation(false);
  testing_hooks::FailGlShaderCompilation(false);
}

void RecordPresentedFrame(const uint32_t* pixels, int width, int height) {
  if (!g_hooks.capture) return;
  g_hooks.frame.assign(pixels, pixels + static_cast<size_t>(width) * height);
  g_hooks.frameWidth = width;
  g_hooks.frameHeight = height;
}

}  // namespace d3d9

namespace testing_hooks {

void RefuseHardwareVertexProcessing(bool refuse) { d3d9::g_hooks.refuseHardware = refuse; }

void SetDeviceThreads(int threads) { d3d9::g_rendererThreads = std::clamp(threads, 0, 8); }

void SetDeviceStageSplit(bool on) { d3d9::g_stageSplit = on; }

StageTimes TakeDeviceStageTimes(int* frames) {
  const raster::StageTimes& t = d3d9::g_stageTimes;
  StageTimes out;
  out.vertex = t.vertex;
  out.setup = t.setup;
  out.binning = t.binning;
  out.coverage = t.coverage;
  out.shading = t.shading;
  out.resolve = t.resolve;
  out.present = t.present;
  if (frames != nullptr) *frames = d3d9::g_stageFrames;
  d3d9::g_stageTimes = {};
  d3d9::g_stageFrames = 0;
  return out;
}

void SetVertexConstantLimit(int registers) {
  d3d9::g_hooks.vertexConstantLimit = std::clamp(registers, 0, raster::kConstantRegisters);
}

void ForgetVertexProgram(const char* name) { d3d9::ForgetVertexProgram(name); }

int LiveDirect3DObjects() { return d3d9::LiveObjects().load(); }

void CapturePresentedFrames(bool on) {
  d3d9::g_hooks.capture = on;
  if (!on) {
    d3d9::g_hooks.frame.clear();
    d3d9::g_hooks.frameWidth = d3d9::g_hooks.frameHeight = 0;
  }
}

std::vector<uint32_t> LastPresentedFrame(int* width, int* height) {
  if (width) *width = d3d9::g_hooks.frameWidth;
  if (height) *height = d3d9::g_hooks.frameHeight;
  return d3d9::g_hooks.frame;
}

}  // namespace testing_hooks
