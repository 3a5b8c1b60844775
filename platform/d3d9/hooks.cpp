// The Direct3D test hooks.
#include "d3d9/hooks.h"

#include <algorithm>
#include <vector>

#include "d3d9/objects.h"
#include "raster/vertex_program.h"
#include "testing.h"

namespace d3d9 {

namespace {
bool g_refuseHardware = false;
bool g_capture = false;
int g_vertexConstantLimit = raster::kConstantRegisters;
std::vector<uint32_t> g_frame;
int g_frameWidth = 0, g_frameHeight = 0;
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

bool HardwareVertexProcessingRefused() { return g_refuseHardware; }

int VertexConstantLimit() { return g_vertexConstantLimit; }

void RecordPresentedFrame(const uint32_t* pixels, int width, int height) {
  if (!g_capture) return;
  g_frame.assign(pixels, pixels + static_cast<size_t>(width) * height);
  g_frameWidth = width;
  g_frameHeight = height;
}

}  // namespace d3d9

namespace testing_hooks {

void RefuseHardwareVertexProcessing(bool refuse) { d3d9::g_refuseHardware = refuse; }

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
  d3d9::g_vertexConstantLimit = std::clamp(registers, 0, raster::kConstantRegisters);
}

void ForgetVertexProgram(const char* name) { d3d9::ForgetVertexProgram(name); }

int LiveDirect3DObjects() { return d3d9::LiveObjects().load(); }

void CapturePresentedFrames(bool on) {
  d3d9::g_capture = on;
  if (!on) {
    d3d9::g_frame.clear();
    d3d9::g_frameWidth = d3d9::g_frameHeight = 0;
  }
}

std::vector<uint32_t> LastPresentedFrame(int* width, int* height) {
  if (width) *width = d3d9::g_frameWidth;
  if (height) *height = d3d9::g_frameHeight;
  return d3d9::g_frame;
}

}  // namespace testing_hooks
