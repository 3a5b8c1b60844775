// The vertex stage.
#include "raster/vertex.h"

#include <cstring>

namespace raster {

namespace {

constexpr Float4 kDefaultRegister = {0.0f, 0.0f, 0.0f, 1.0f};

uint32_t ElementSize(ElementType type) {
  switch (type) {
    case ElementType::kFloat1: return 4;
    case ElementType::kFloat2: return 8;
    case ElementType::kFloat3: return 12;
    case ElementType::kFloat4: return 16;
    case ElementType::kColor: return 4;
    case ElementType::kUByte4: return 4;
  }
  return 0;
}

Float4* Register(VertexInput* in, Usage usage, int index) {
  switch (usage) {
    case Usage::kPosition: return &in->position[index];
    case Usage::kNormal: return &in->normal[index];
    case Usage::kColor: return &in->color[index];
    case Usage::kTexcoord: return &in->texcoord[index];
    case Usage::kBlendIndices: return &in->blendIndices[index];
    case Usage::kBlendWeight: return &in->blendWeight[index];
  }
  return nullptr;
}

float Clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }  // NaN -> 0

}  // namespace

bool ValidateVertexSource(const VertexSource& source, int64_t first, uint32_t count) {
  if (source.elementCount < 0 || (source.elementCount > 0 && source.elements == nullptr))
    return false;
  if (first < 0) return false;
  for (int i = 0; i < source.elementCount; ++i) {
    const VertexElement& e = source.elements[i];
    if (e.stream > 1 || e.usageIndex > 1) return false;
    const uint32_t size = ElementSize(e.type);
    if (size == 0 || static_cast<int>(e.usage) > static_cast<int>(Usage::kBlendWeight))
      return false;
    if (count == 0) continue;
    const VertexStream& s = source.streams[e.stream];
    if (s.data == nullptr) return false;
    const uint64_t last = static_cast<uint64_t>(first) + count - 1;
    const uint64_t tail = uint64_t{e.offset} + size;
    if (tail > s.size) return false;
    if (s.stride != 0 && last > (s.size - tail) / s.stride) return false;
  }
  return true;
}

void GatherVertex(const VertexSource& source, uint32_t vertex, VertexInput* in) {
  Float4* regs = &in->position[0];
  constexpr int kRegisters = sizeof(VertexInput) / sizeof(Float4);
  for (int i = 0; i < kRegisters; ++i) regs[i] = kDefaultRegister;
  for (int i = 0; i < source.elementCount; ++i) {
    const VertexElement& e = source.elements[i];
    const VertexStream& s = source.streams[e.stream];
    const uint8_t* p = s.data + static_cast<size_t>(vertex) * s.stride + e.offset;
    Float4* r = Register(in, e.usage, e.usageIndex);
    switch (e.type) {
      case ElementType::kFloat1:
      case ElementType::kFloat2:
      case ElementType::kFloat3:
      case ElementType::kFloat4: std::memcpy(r, p, ElementSize(e.type)); break;
      case ElementType::kColor: {
        uint32_t c;
        std::memcpy(&c, p, 4);
        *r = {static_cast<float>((c >> 16) & 0xFF) / 255.0f,
              static_cast<float>((c >> 8) & 0xFF) / 255.0f, static_cast<float>(c & 0xFF) / 255.0f,
              static_cast<float>(c >> 24) / 255.0f};
        break;
      }
      case ElementType::kUByte4:
        *r = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
              static_cast<float>(p[3])};
        break;
    }
  }
}

Vert RunVertexProgram(const VertexShader& shader, const VertexInput& in, int texcoordIndex) {
  VertexOutput out;
  out.position = kDefaultRegister;
  out.color0 = {1.0f, 1.0f, 1.0f, 1.0f};
  out.texcoord[0] = out.texcoord[1] = kDefaultRegister;
  shader.program(in, shader.constants, &out, shader.user);
  Vert v;
  v.p[0] = out.position.x;
  v.p[1] = out.position.y;
  v.p[2] = out.position.z;
  v.p[3] = out.position.w;
  v.a[0] = Clamp01(out.color0.x) * 255.0f;
  v.a[1] = Clamp01(out.color0.y) * 255.0f;
  v.a[2] = Clamp01(out.color0.z) * 255.0f;
  v.a[3] = Clamp01(out.color0.w) * 255.0f;
  const Float4& tc = out.texcoord[texcoordIndex == 1 ? 1 : 0];
  v.a[4] = tc.x;
  v.a[5] = tc.y;
  return v;
}

Vert FromScreenVertex(const ScreenVertex& sv) {
  Vert v;
  v.p[0] = sv.x;
  v.p[1] = sv.y;
  v.p[2] = sv.z;
  v.p[3] = sv.rhw;
  const float q = sv.rhw;
  v.a[0] = static_cast<float>((sv.diffuse >> 16) & 0xFF) * q;
  v.a[1] = static_cast<float>((sv.diffuse >> 8) & 0xFF) * q;
  v.a[2] = static_cast<float>(sv.diffuse & 0xFF) * q;
  v.a[3] = static_cast<float>(sv.diffuse >> 24) * q;
  v.a[4] = sv.u * q;
  v.a[5] = sv.v * q;
  return v;
}

// Vertex positions of primitive k, so that every triangle keeps the winding
// the primitive was given in (odd strip triangles are swapped back).
void PrimitiveVertices(Topology topology, uint32_t k, uint32_t out[3]) {
  switch (topology) {
    case Topology::kTriangleList: out[0] = 3 * k, out[1] = 3 * k + 1, out[2] = 3 * k + 2; return;
    case Topology::kTriangleStrip:
      if (k % 2 == 0)
        out[0] = k, out[1] = k + 1, out[2] = k + 2;
      else
        out[0] = k + 1, out[1] = k, out[2] = k + 2;
      return;
    case Topology::kTriangleFan: out[0] = 0, out[1] = k + 1, out[2] = k + 2; return;
  }
}

uint64_t VerticesNeeded(Topology topology, uint32_t primitives) {
  if (primitives == 0) return 0;
  return topology == Topology::kTriangleList ? uint64_t{primitives} * 3 : uint64_t{primitives} + 2;
}

}  // namespace raster
