// Internal to platform/d3d9: the state behind the Direct3D test hooks of
// testing.h. Main thread.
#ifndef MORVANE_PLATFORM_D3D9_HOOKS_H
#define MORVANE_PLATFORM_D3D9_HOOKS_H

#include <cstdint>

#include "raster/raster.h"

namespace d3d9 {

// Whether CreateDevice refuses D3DCREATE_HARDWARE_VERTEXPROCESSING.
bool HardwareVertexProcessingRefused();

// The renderer options a new device starts with (SetDeviceThreads).
raster::RendererOptions NewDeviceRendererOptions();

// The float4 vertex constant registers the device reports (256 unless a
// test lowered it).
int VertexConstantLimit();

// Drops a name from the program table (vertex_program_binding.cpp).
void ForgetVertexProgram(const char* name);

// Adds one presented frame's stage times to the sums TakeDeviceStageTimes reads.
void RecordFrameStageTimes(const raster::StageTimes& times);

// Gives the test hooks their defaults back: hardware vertex processing
// allowed, 256 constant registers, 2, 4 and 8 samples, no frame capture,
// no forced GL failure, no stage times summed (ResetPlatform). The renderer
// thread count and the stage split stay.
void ResetHookState();

// Keeps a copy of a presented frame when capture is on.
void RecordPresentedFrame(const uint32_t* pixels, int width, int height);

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_HOOKS_H
