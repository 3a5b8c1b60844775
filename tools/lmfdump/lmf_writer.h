// Writing LMF scene files: a scene described in memory (no Direct3D objects)
// is written as the chunk tree the loader reads, with exact lengths. Used by
// tests, benchmarks and the demo data builder.
//
// Also a low-level ChunkWriter for building chunk trees by hand, including
// ones the loader must refuse.
//
// Does not: read files (the loader in scene/ does; lmf_dump.h explains
// them) or check that numbers refer to existing records.
// Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_LMF_WRITER_H
#define MORVANE_TOOLS_LMF_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "scene/motion.h"
#include "scene/scene.h"

namespace lmfw {

// Appends little-endian values and nested chunks; End patches the length of
// the chunk that Begin opened.
class ChunkWriter {
 public:
  void Begin(uint32_t tag);
  void End();
  void U16(uint16_t value);
  void I32(int32_t value);
  void U32(uint32_t value);
  void F32(float value);
  void Bytes(const void* data, size_t size);
  // A whole chunk with the given body.
  void Chunk(uint32_t tag, const void* body, size_t size);
  void ChunkU16(uint32_t tag, uint16_t value) { Chunk(tag, &value, sizeof value); }
  void ChunkI32(uint32_t tag, int32_t value) { Chunk(tag, &value, sizeof value); }
  void ChunkF32(uint32_t tag, float value) { Chunk(tag, &value, sizeof value); }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;  // offsets of the open chunks' length fields
};

struct MeshData {
  std::vector<SceneVertex> vertices;
  std::vector<uint16_t> indices;  // three per triangle
  uint16_t surfaceNo = 0;
};

struct BoneData {
  std::string name;
  float restPosition[3] = {};
  float restDirection[3] = {};
  float restLength = 0;
  uint16_t motionNo = 0;
};

struct LayerData {
  std::string name;
  float boundsMin[3] = {};
  float boundsMax[3] = {};
  uint32_t show = 1;
  std::vector<MeshData> meshes;
  std::vector<BoneData> bones;
  uint16_t motionNo = kNoMotion;
  uint16_t paletteSlot = kNoPaletteSlot;
  std::vector<PaletteBinding> bindings;
};

struct ChannelData {
  std::vector<Key> keys;
  uint16_t preBehavior = kBehaviorConstant;
  uint16_t postBehavior = kBehaviorConstant;
};

struct MotionData {
  float restInverse[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float pivot[3] = {};
  uint16_t parentNo = kNoMotion;
  ChannelData channels[kChannelCount];
};

// A picture of width x height pixels, 4 bytes each (B, G, R, A), rows from
// the top. Width 0: no texture.
struct PictureData {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
};

struct SurfaceData {
  std::string name;
  int32_t type = kSurfaceLambert;
  int32_t blendMode = 0;
  float diffuse[4] = {1, 1, 1, 1};
  float emissive = 0;
  float specular = 0;
  float power = 0;
  uint8_t doubleSided = 0;
  PictureData texture;
  PictureData toon;
  float edgeColor[4] = {};
  float edgeSize = 0;
};

struct CameraData {
  std::string name;
  float fovY = 0.785398f;
  uint16_t motionNo = kNoMotion;
};

struct SceneData {
  std::vector<LayerData> layers;
  std::vector<MotionData> motions;
  std::vector<SurfaceData> surfaces;
  std::vector<CameraData> cameras;
  uint16_t lightCount = 0;
};

// The whole file. Every record field is written; channels only when they
// have keys or a behaviour other than the default. Counts over 65535 are
// cut to 16 bits as the format stores them.
std::vector<uint8_t> WriteLmf(const SceneData& scene);

// The header (magic, total length) in front of top-level chunk bytes.
std::vector<uint8_t> WithHeader(const std::vector<uint8_t>& chunks);

}  // namespace lmfw

#endif  // MORVANE_TOOLS_LMF_WRITER_H
