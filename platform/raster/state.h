// Plain descriptions of what one draw does: the fixed-function state, the
// texture it samples and the vertices it reads. The device translates its
// render, texture-stage and sampler states into these; nothing here refers
// to an API object. Everything is copied by value into the draw.
#ifndef MORVANE_PLATFORM_RASTER_STATE_H
#define MORVANE_PLATFORM_RASTER_STATE_H

#include <cstddef>
#include <cstdint>

namespace raster {

// Which screen winding is discarded; y grows downwards, so a triangle whose
// vertices run clockwise as seen on the screen is front-facing.
enum class CullMode : uint8_t { kNone, kClockwise, kCounterClockwise };

// "incoming <op> stored" for depth, "alpha <op> reference" for alpha test.
enum class Compare : uint8_t {
  kNever,
  kLess,
  kEqual,
  kLessEqual,
  kGreater,
  kNotEqual,
  kGreaterEqual,
  kAlways
};

enum class BlendFactor : uint8_t {
  kZero,
  kOne,
  kSrcColor,
  kInvSrcColor,
  kSrcAlpha,
  kInvSrcAlpha,
  kDestAlpha,  // the target has no alpha: reads 1
  kInvDestAlpha,
  kDestColor,
  kInvDestColor
};

// Stage 0 only. kDisable passes the diffuse colour and alpha through.
enum class TextureOp : uint8_t { kDisable, kSelectArg1, kSelectArg2, kModulate };
// At stage 0 "current" is the diffuse colour.
enum class TextureArg : uint8_t { kDiffuse, kCurrent, kTexture };

enum class Filter : uint8_t { kPoint, kLinear };
enum class Address : uint8_t { kWrap, kClamp };

// Pixels x..x+width-1, y..y+height-1 of the target; depth is mapped to
// minZ..maxZ. Pixel centres sit at integer coordinates.
struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;
  float minZ = 0.0f, maxZ = 1.0f;
};

// Level 0 of an A8R8G8B8 texture: texels 0xAARRGGBB, rows `pitch` bytes
// apart. texels == nullptr means no texture: a stage argument reading it
// makes the operation pass the diffuse value on, so MODULATE of diffuse and
// texture shows the diffuse colour (an opaque white texture). The texels are
// read until Renderer::Flush returns and must not change before that.
struct Texture {
  const uint32_t* texels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
};

struct Sampler {
  Filter minFilter = Filter::kPoint;
  Filter magFilter = Filter::kPoint;
  Address addressU = Address::kWrap;
  Address addressV = Address::kWrap;
};

struct StageState {
  TextureOp colorOp = TextureOp::kModulate;
  TextureArg colorArg1 = TextureArg::kTexture;
  TextureArg colorArg2 = TextureArg::kCurrent;
  TextureOp alphaOp = TextureOp::kSelectArg1;
  TextureArg alphaArg1 = TextureArg::kTexture;
  TextureArg alphaArg2 = TextureArg::kCurrent;
  int texcoordIndex = 0;  // 0 or 1: which vertex texture coordinate feeds the sampler
};

struct State {
  Viewport viewport;
  CullMode cull = CullMode::kCounterClockwise;
  bool depthEnable = true;  // off: no depth test and no depth write
  bool depthWrite = true;
  Compare depthFunc = Compare::kLessEqual;
  bool alphaTestEnable = false;
  Compare alphaFunc = Compare::kAlways;
  uint8_t alphaRef = 0;
  bool blendEnable = false;
  BlendFactor srcBlend = BlendFactor::kOne;
  BlendFactor dstBlend = BlendFactor::kZero;
  StageState stage;
  Texture texture;
  Sampler sampler;
  // Off: coverage, depth and colour of every sample are those of the pixel
  // centre, which gives hard edges on a multisampled target.
  bool multisampleAntialias = true;
};

// A pre-transformed vertex, laid out as the XYZRHW|DIFFUSE|TEX1 format: x, y
// in target pixels, z the depth value 0..1, rhw = 1/w for perspective.
struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse;  // 0xAARRGGBB
  float u, v;
};
static_assert(sizeof(ScreenVertex) == 28);

enum class Topology : uint8_t { kTriangleList, kTriangleStrip, kTriangleFan };

// Vertex layout for programmed draws: where each input register comes from.
enum class ElementType : uint8_t {
  kFloat1,
  kFloat2,
  kFloat3,
  kFloat4,
  kColor,  // 0xAARRGGBB bytes as (r, g, b, a) / 255
  kUByte4  // four bytes as (x, y, z, w) unnormalised
};
enum class Usage : uint8_t { kPosition, kNormal, kColor, kTexcoord, kBlendIndices, kBlendWeight };

struct VertexElement {
  uint8_t stream = 0;  // 0 or 1
  uint32_t offset = 0;
  ElementType type = ElementType::kFloat4;
  Usage usage = Usage::kPosition;
  uint8_t usageIndex = 0;  // 0 or 1
};

struct VertexStream {
  const uint8_t* data = nullptr;
  size_t size = 0;  // bytes readable from data
  uint32_t stride = 0;
};

struct VertexSource {
  const VertexElement* elements = nullptr;
  int elementCount = 0;
  VertexStream streams[2];
};

// As DrawIndexedPrimitive: vertex = baseVertex + index, every index of the
// draw in minIndex..minIndex+numVertices-1 (a triangle using another index
// is skipped), indices read from startIndex on.
struct IndexedDraw {
  Topology topology = Topology::kTriangleList;
  const uint16_t* indices = nullptr;
  size_t indexCount = 0;  // indices readable from `indices`
  int baseVertex = 0;
  uint32_t minIndex = 0;
  uint32_t numVertices = 0;
  uint32_t startIndex = 0;
  uint32_t primitiveCount = 0;
};

}  // namespace raster

#endif  // MORVANE_PLATFORM_RASTER_STATE_H
