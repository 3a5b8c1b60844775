#include "tools/lmfdump/lmf_writer.h"

#include <cstring>

#include "scene/lmf_tags.h"

namespace lmfw {

using namespace lmf;

void ChunkWriter::Bytes(const void* data, size_t size) {
  if (size == 0) return;
  const auto* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void ChunkWriter::U16(uint16_t value) { Bytes(&value, sizeof value); }
void ChunkWriter::I32(int32_t value) { Bytes(&value, sizeof value); }
void ChunkWriter::U32(uint32_t value) { Bytes(&value, sizeof value); }
void ChunkWriter::F32(float value) { Bytes(&value, sizeof value); }

void ChunkWriter::Begin(uint32_t tag) {
  U32(tag);
  open_.push_back(bytes_.size());
  I32(0);
}

void ChunkWriter::End() {
  const size_t at = open_.back();
  open_.pop_back();
  const auto length = static_cast<int32_t>(bytes_.size() - at - 4);
  std::memcpy(&bytes_[at], &length, sizeof length);
}

void ChunkWriter::Chunk(uint32_t tag, const void* body, size_t size) {
  U32(tag);
  I32(static_cast<int32_t>(size));
  Bytes(body, size);
}

namespace {

uint16_t Count(size_t n) { return static_cast<uint16_t>(n); }

void Name(ChunkWriter* w, const std::string& name) { w->Chunk(kNAME, name.data(), name.size()); }

void WriteMesh(ChunkWriter* w, const MeshData& mesh) {
  w->Begin(kMESH);
  w->ChunkU16(kVTXN, Count(mesh.vertices.size()));
  w->Chunk(kVTEX, mesh.vertices.data(), mesh.vertices.size() * sizeof(SceneVertex));
  w->ChunkU16(kPOLN, Count(mesh.indices.size() / 3));
  w->Chunk(kPOLY, mesh.indices.data(), mesh.indices.size() / 3 * kTriangleSize);
  w->ChunkU16(kSFNO, mesh.surfaceNo);
  w->End();
}

void WriteLayer(ChunkWriter* w, const LayerData& layer) {
  w->Begin(kLYER);
  Name(w, layer.name);
  w->Begin(kBBOX);
  for (float v : layer.boundsMin) w->F32(v);
  for (float v : layer.boundsMax) w->F32(v);
  w->End();
  w->Chunk(kSHOW, &layer.show, sizeof layer.show);
  w->ChunkU16(kLMNO, layer.motionNo);
  w->ChunkU16(kLVSC, layer.paletteSlot);
  w->ChunkU16(kMESN, Count(layer.meshes.size()));
  for (const MeshData& mesh : layer.meshes) WriteMesh(w, mesh);
  w->ChunkU16(kBONN, Count(layer.bones.size()));
  for (const BoneData& bone : layer.bones) {
    w->Begin(kBONE);
    Name(w, bone.name);
    w->Chunk(kRSTP, bone.restPosition, 12);
    w->Chunk(kRSTD, bone.restDirection, 12);
    w->ChunkF32(kRSTL, bone.restLength);
    w->ChunkU16(kMTNO, bone.motionNo);
    w->End();
  }
  w->ChunkU16(kMOTN, Count(layer.bindings.size()));
  for (const PaletteBinding& binding : layer.bindings) {
    w->Begin(kMTNO);
    w->ChunkU16(kMTNO, binding.motionNo);
    w->ChunkU16(kVSCN, binding.paletteSlot);
    w->End();
  }
  w->End();
}

void WriteChannel(ChunkWriter* w, uint32_t tag, const ChannelData& channel) {
  if (channel.keys.empty() && channel.preBehavior == kBehaviorConstant &&
      channel.postBehavior == kBehaviorConstant)
    return;
  w->Begin(tag);
  w->ChunkU16(kKEYN, Count(channel.keys.size()));
  w->Begin(kKEY);
  for (const Key& key : channel.keys) {
    w->F32(key.value);
    w->I32(key.time);
    w->U16(key.shape);
    w->Bytes(key.params, sizeof key.params);
  }
  w->End();
  w->ChunkU16(kPER, channel.preBehavior);
  w->ChunkU16(kPOST, channel.postBehavior);
  w->End();
}

void WriteMotion(ChunkWriter* w, const MotionData& motion) {
  w->Begin(kMOTI);
  w->Chunk(kIRMT, motion.restInverse, 64);
  w->Chunk(kPIVT, motion.pivot, 12);
  w->ChunkU16(kPARN, motion.parentNo);
  for (int c = 0; c < kChannelCount; ++c) WriteChannel(w, kChannelTags[c], motion.channels[c]);
  w->End();
}

void WritePicture(ChunkWriter* w, uint32_t tag, const PictureData& picture) {
  if (picture.width == 0) return;
  w->Begin(tag);
  w->Begin(kSIZE);
  w->I32(picture.width);
  w->I32(picture.height);
  w->End();
  w->Chunk(kTEX, picture.pixels.data(), picture.pixels.size());
  w->End();
}

void WriteSurface(ChunkWriter* w, const SurfaceData& surface) {
  w->Begin(kSURF);
  Name(w, surface.name);
  w->ChunkI32(kSTYP, surface.type);
  w->ChunkI32(kBLDM, surface.blendMode);
  w->Chunk(kDIFF, surface.diffuse, 16);
  w->ChunkF32(kEMSV, surface.emissive);
  w->ChunkF32(kSPEC, surface.specular);
  w->ChunkF32(kPOWR, surface.power);
  w->Chunk(kSIDE, &surface.doubleSided, 1);
  WritePicture(w, kTEX, surface.texture);
  WritePicture(w, kTTEX, surface.toon);
  w->Chunk(kEDGC, surface.edgeColor, 16);
  w->ChunkF32(kEDGS, surface.edgeSize);
  w->End();
}

}  // namespace

std::vector<uint8_t> WithHeader(const std::vector<uint8_t>& chunks) {
  ChunkWriter w;
  w.U32(kMagic);
  w.I32(static_cast<int32_t>(chunks.size()));
  w.Bytes(chunks.data(), chunks.size());
  return w.Take();
}

std::vector<uint8_t> WriteLmf(const SceneData& scene) {
  ChunkWriter w;
  w.ChunkU16(kLYRN, Count(scene.layers.size()));
  for (const LayerData& layer : scene.layers) WriteLayer(&w, layer);
  w.ChunkU16(kMOTN, Count(scene.motions.size()));
  for (const MotionData& motion : scene.motions) WriteMotion(&w, motion);
  w.ChunkU16(kSRFN, Count(scene.surfaces.size()));
  for (const SurfaceData& surface : scene.surfaces) WriteSurface(&w, surface);
  w.ChunkU16(kCAMN, Count(scene.cameras.size()));
  for (const CameraData& camera : scene.cameras) {
    w.Begin(kCAM);
    Name(&w, camera.name);
    w.ChunkF32(kFOVY, camera.fovY);
    w.ChunkU16(kMTNO, camera.motionNo);
    w.End();
  }
  w.ChunkU16(kLITN, scene.lightCount);
  for (uint16_t i = 0; i < scene.lightCount; ++i) w.Chunk(kLIGT, nullptr, 0);
  return WithHeader(w.bytes());
}

}  // namespace lmfw
