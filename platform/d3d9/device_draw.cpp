// The two draw calls: screen-space vertices from application memory, and
// indexed triangles through the bound vertex program.
#include <cstring>

#include "d3d9/device.h"
#include "d3d9/gl_device.h"

namespace d3d9 {

namespace {

// The device's MaxPrimitiveCount; larger draws are refused.
constexpr UINT kMaxPrimitives = 0xFFFFF;
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

bool MapTopology(D3DPRIMITIVETYPE type, raster::Topology* out) {
  switch (type) {
    case D3DPT_TRIANGLELIST: *out = raster::Topology::kTriangleList; return true;
    case D3DPT_TRIANGLESTRIP: *out = raster::Topology::kTriangleStrip; return true;
    case D3DPT_TRIANGLEFAN: *out = raster::Topology::kTriangleFan; return true;
    default: return false;  // points and lines are not drawn
  }
}

size_t VertexCount(raster::Topology topology, UINT primitives) {
  if (primitives == 0) return 0;
  return topology == raster::Topology::kTriangleList ? size_t{primitives} * 3
                                                     : size_t{primitives} + 2;
}

}  // namespace

HRESULT Device::RefuseDraw(const Refusal& why) {
  unsupported_.Report(why);
  return D3DERR_INVALIDCALL;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                const void* vertexStreamZeroData, UINT vertexStreamZeroStride) {
  raster::Topology topology;
  if (!inScene_ || !MapTopology(primitiveType, &topology) || primitiveCount > kMaxPrimitives ||
      vertexStreamZeroData == nullptr)
    return D3DERR_INVALIDCALL;
  // Pre-transformed sprites only: no declaration, the one format, its size.
  if (declaration_ != nullptr || fvf_ != kScreenFvf ||
      vertexStreamZeroStride != sizeof(raster::ScreenVertex))
    return D3DERR_INVALIDCALL;
  raster::State state;
  if (Refusal why; !BuildState(&state, &why)) return RefuseDraw(why);

  const size_t count = VertexCount(topology, primitiveCount);
  screenVertices_.resize(count);
  if (count > 0)
    std::memcpy(screenVertices_.data(), vertexStreamZeroData, count * sizeof(raster::ScreenVertex));
  const bool drawn = gl_ != nullptr ? gl_->DrawScreen(state, textures_[0], topology,
                                                      screenVertices_.data(), count, primitiveCount)
                                    : renderer_.DrawScreen(state, topology, screenVertices_.data(),
                                                           count, primitiveCount);
  if (!drawn) return D3DERR_INVALIDCALL;
  // As documented for DrawPrimitiveUP: stream 0 is left unbound.
  SetStreamSource(0, nullptr, 0, 0);
  return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                     UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                     UINT primCount) {
  raster::IndexedDraw draw;
  if (!inScene_ || !MapTopology(type, &draw.topology) || primCount > kMaxPrimitives)
    return D3DERR_INVALIDCALL;
  // No fixed-function transform: a vertex program and a declaration are needed.
  if (program_.program == nullptr || declaration_ == nullptr || indices_ == nullptr)
    return D3DERR_INVALIDCALL;
  raster::State state;
  if (Refusal why; !BuildState(&state, &why)) return RefuseDraw(why);

  const std::vector<raster::VertexElement>& elements = declaration_->elements();
  raster::VertexSource source;
  source.elements = elements.data();
  source.elementCount = static_cast<int>(elements.size());
  for (int s = 0; s < kStreams; ++s) {
    if (streams_[s] == nullptr) continue;
    const BufferBytes& bytes = streams_[s]->bytes();
    if (streamOffsets_[s] > bytes.size()) continue;  // nothing readable: the draw fails
    source.streams[s].data = bytes.data() + streamOffsets_[s];
    source.streams[s].size = bytes.size() - streamOffsets_[s];
    source.streams[s].stride = streamStrides_[s];
  }

  const BufferBytes& indexBytes = indices_->bytes();
  draw.indices = reinterpret_cast<const uint16_t*>(indexBytes.data());
  draw.indexCount = indexBytes.size() / 2;
  draw.baseVertex = baseVertexIndex;
  draw.minIndex = minVertexIndex;
  draw.numVertices = numVertices;
  draw.startIndex = startIndex;
  draw.primitiveCount = primCount;

  if (gl_ != nullptr) {
    GlIndexedDraw d;
    d.program = &program_;
    d.constants = constants_;
    d.source = &source;
    d.streams[0] = streams_[0];
    d.streams[1] = streams_[1];
    d.draw = &draw;
    return gl_->DrawIndexed(state, textures_[0], d) ? D3D_OK : D3DERR_INVALIDCALL;
  }
  const raster::VertexShader shader{program_.program, constants_, program_.user};
  if (!renderer_.DrawIndexed(state, shader, source, draw)) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

}  // namespace d3d9
