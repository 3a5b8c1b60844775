// The CPU rasteriser behind the software Direct3D 9 device.
//
// What it does: draws triangles into a Target (X8R8G8B8 colour and D16 depth
// at 1, 2, 4 or 8 samples per pixel) with Direct3D 9's rules. Programmed
// vertices go through a VertexProgram (vertex_program.h), are clipped to
// 0 <= z <= w (real near and far clipping) and to a guard band in x and y,
// divided by w and mapped by the viewport (pixel centres at integer
// coordinates, y down, z to minZ..maxZ). Pre-transformed ScreenVertex
// triangles skip all of that and are only limited to the viewport. Then:
// culling on screen winding, a fixed-point edge set-up (1/256 pixel) with
// the top-left fill rule, perspective-correct colour and texture
// coordinates, point or bilinear sampling of one texture level with wrap or
// clamp, texture stage 0 (modulate / select of diffuse and texture), alpha
// test, depth test and write at D16 precision, blending, and multisampling
// with the standard 2x/4x/8x positions: coverage and depth per sample,
// shading once per pixel at its centre, depth test and blend per sample.
// All colour arithmetic is 8-bit per channel with exact rounding.
//
// What it does not do: lighting, fog, stencil, scissor, colour-write masks,
// more than one texture stage, mipmaps, line or point primitives, or any
// API object or render-state enumeration (the device translates those into
// the plain State of state.h). It holds no reference to vertex or index
// data after a draw call returns; texels are read until Flush returns.
//
// Two paths produce identical targets. The reference path draws each
// triangle at once, pixel by pixel, in plain scalar code; it defines every
// result and stays for tests. The tiled path (the default) records set-up
// triangles in submission order into 64x64-pixel tiles and shades the tiles
// on all cores at Flush; a tile is only ever touched by one thread, so the
// pixel loop takes no lock. After the first frames nothing is allocated.
//
// Threading: a Renderer and its Target belong to one thread, which makes all
// calls. Worker threads exist only inside Flush (and the calls that flush:
// SetTarget, Clear, Resolve, batch overflow and destruction). A target
// must outlive its use: SetTarget(nullptr) (or destroy the renderer) first.
#ifndef MORVANE_PLATFORM_RASTER_RASTER_H
#define MORVANE_PLATFORM_RASTER_RASTER_H

#include <vertex_program.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "raster/state.h"
#include "raster/target.h"

namespace raster {

struct RendererOptions {
  bool reference = false;  // true: the reference path, single-threaded
  int threads = 0;         // tiled path: 0 = one per core (at most 8)
  // Tiled path: set-up triangles recorded before a flush is forced
  // (0: 65536, about 13 MB).
  size_t batchTriangles = 0;
  // Times coverage apart from shading (a clock read per triangle and tile,
  // a few per cent of a frame); off, coverage counts as shading.
  bool splitCoverage = false;
};

// Time spent in each stage, in seconds, summed over the threads that ran it
// (so with several workers coverage + shading can exceed the wall time).
// vertex: vertex programs and screen mapping; setup: primitive assembly,
// clipping and triangle set-up; binning: sorting into tiles; coverage and
// shading: the pixel stages (see splitCoverage); resolve: Resolve; present:
// the device's hand-over of the resolved frame (filled by the device, not
// the renderer). The reference path draws each triangle as it is set up and
// counts that as shading.
struct StageTimes {
  double vertex = 0, setup = 0, binning = 0, coverage = 0, shading = 0, resolve = 0, present = 0;
  double Total() const { return vertex + setup + binning + coverage + shading + resolve + present; }
  StageTimes& operator+=(const StageTimes& o);
};

class Renderer {
 public:
  explicit Renderer(const RendererOptions& options = {});
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Flushes into the previous target, then draws into `target` (or nothing).
  void SetTarget(Target* target);
  Target* target() const;

  // Pre-transformed triangles: primitiveCount triangles of `topology` from
  // `vertices` (vertexCount of them). Returns false, drawing nothing, when
  // there is no target, a texture is malformed or the vertices are too few.
  bool DrawScreen(const State& state, Topology topology, const ScreenVertex* vertices,
                  size_t vertexCount, uint32_t primitiveCount);

  // Indexed triangles through a vertex program: each vertex of
  // baseVertex+minIndex .. +numVertices-1 is run once. Returns false,
  // drawing nothing, when there is no target or program, the state is
  // malformed, or any index or vertex read would leave its buffer.
  bool DrawIndexed(const State& state, const VertexShader& shader, const VertexSource& source,
                   const IndexedDraw& draw);

  // Clears the part of `rect` inside the target, after all earlier draws.
  void Clear(const Viewport& rect, bool clearColor, uint32_t color, bool clearDepth, float z);

  // Completes every recorded draw into the target.
  void Flush();

  // Flushes, then resolves the target (see Target::Resolve).
  void Resolve(uint32_t* out, int pitchBytes);

  // Triangles that reached the pixel stages since construction (after
  // clipping and culling), for statistics and tests.
  uint64_t triangles_drawn() const;

  // The stage times accumulated since the last call (or construction),
  // then starts the sums again. Flush first to include recorded draws.
  StageTimes TakeStageTimes();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_RASTER_H
