// Helpers for the rasteriser tests: small targets, states, quads, and the
// image dump to $MORVANE_TEST_OUT when a pixel check fails.
#ifndef MORVANE_TESTS_RASTER_RASTER_TEST_UTIL_H
#define MORVANE_TESTS_RASTER_RASTER_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "raster/raster.h"
#include "support/image_compare.h"

namespace raster_test {

using raster::ScreenVertex;
using raster::State;
using raster::Target;

// A state that draws exactly what it is given: no culling, depth, test or
// blending, diffuse only.
inline State PlainState(int width, int height) {
  State s;
  s.viewport = {0, 0, width, height, 0.0f, 1.0f};
  s.cull = raster::CullMode::kNone;
  s.depthEnable = false;
  s.stage.colorOp = raster::TextureOp::kSelectArg1;
  s.stage.colorArg1 = raster::TextureArg::kDiffuse;
  s.stage.alphaOp = raster::TextureOp::kSelectArg1;
  s.stage.alphaArg1 = raster::TextureArg::kDiffuse;
  return s;
}

inline ScreenVertex V(float x, float y, uint32_t color = 0xFFFFFFFF, float u = 0, float v = 0,
                      float z = 0.0f) {
  return ScreenVertex{x, y, z, 1.0f, color, u, v};
}

// The four corners of an axis-aligned quad as a clockwise fan.
inline std::vector<ScreenVertex> Quad(float x0, float y0, float x1, float y1, uint32_t color,
                                      float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1,
                                      float z = 0.0f) {
  return {V(x0, y0, color, u0, v0, z), V(x1, y0, color, u1, v0, z), V(x1, y1, color, u1, v1, z),
          V(x0, y1, color, u0, v1, z)};
}

inline bool DrawFan(raster::Renderer& r, const State& s, const std::vector<ScreenVertex>& v) {
  return r.DrawScreen(s, raster::Topology::kTriangleFan, v.data(), v.size(),
                      static_cast<uint32_t>(v.size() - 2));
}

inline std::vector<uint32_t> Resolved(const Target& t) {
  std::vector<uint32_t> out(static_cast<size_t>(t.width()) * t.height());
  t.Resolve(out.data(), t.width() * 4);
  return out;
}

// Writes the resolved target as <name>.png under $MORVANE_TEST_OUT (if set).
inline void SaveImage(const Target& t, const std::string& name) {
  test_support::SaveFrame(Resolved(t), t.width(), t.height(), name);
}

using test_support::TestName;

// Compares every resolved pixel with `expected`; on a mismatch saves the
// comparison and reports the first few differences.
inline ::testing::AssertionResult ImageEquals(const Target& t,
                                              const std::vector<uint32_t>& expected) {
  return test_support::FramesEqual(Resolved(t), expected, t.width(), t.height(), TestName());
}

// Number of pixels whose resolved colour is `color`.
inline int CountPixels(const Target& t, uint32_t color) {
  int n = 0;
  for (uint32_t p : Resolved(t)) n += p == color;
  return n;
}

}  // namespace raster_test

#endif  // MORVANE_TESTS_RASTER_RASTER_TEST_UTIL_H
