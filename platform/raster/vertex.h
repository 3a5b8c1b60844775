// Internal to platform/raster: the vertex stage. Gathers a vertex's input
// registers from the streams, runs the program and turns its output into a
// clip-space Vert; pre-transformed vertices become screen-space Verts.
#ifndef MORVANE_PLATFORM_RASTER_VERTEX_H
#define MORVANE_PLATFORM_RASTER_VERTEX_H

#include <vertex_program.h>

#include <cstdint>

#include "raster/setup.h"
#include "raster/state.h"

namespace raster {

// True when every element names stream 0 or 1 and usage index 0 or 1, and
// can be read for vertices first..first+count-1 within its stream's size.
bool ValidateVertexSource(const VertexSource& source, int64_t first, uint32_t count);

// Fills `in` for one vertex; the source must have been validated for it.
void GatherVertex(const VertexSource& source, uint32_t vertex, VertexInput* in);

// Runs the program and keeps position, colour 0 clamped to 0..1 (scaled to
// 0..255) and texture coordinate `texcoordIndex` (0 or 1).
Vert RunVertexProgram(const VertexShader& shader, const VertexInput& in, int texcoordIndex);

// A pre-transformed vertex as a screen-space Vert (attributes times rhw).
Vert FromScreenVertex(const ScreenVertex& v);

// Primitive assembly: the vertex positions of triangle k of a list, strip or
// fan, each triangle keeping the winding it was given in (odd strip
// triangles swapped back), and how many vertices `primitives` triangles use.
void PrimitiveVertices(Topology topology, uint32_t k, uint32_t out[3]);
uint64_t VerticesNeeded(Topology topology, uint32_t primitives);

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_VERTEX_H
