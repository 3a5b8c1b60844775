// The whole scene: the parts in their layers, small spare layers in between
// (loaded, never drawn), the camera, and the file with two lights and a few
// chunks of no meaning around the writer's output.
#include <algorithm>
#include <cstring>

#include "assets.h"
#include "builder.h"
#include "data/little_endian.h"
#include "scene/lmf_tags.h"
#include "tools/pac/pac_format.h"

namespace mkassets {
namespace {

bool IsDrawn(uint16_t layer) {
  return std::find(std::begin(kDrawnLayers), std::end(kDrawnLayers), layer) !=
             std::end(kDrawnLayers) ||
         layer == kMorphBase;
}

void SpareLayers(SceneBuilder* b) {
  for (uint16_t i = 0; i < kLayerCount; ++i) {
    if (IsDrawn(i) || i == kMorphTarget) continue;
    lmfw::LayerData& layer = b->Layer(i);
    layer.name = "spare" + std::to_string(i);
    layer.show = 0;
    MeshBuilder m;
    const double x = -0.1 * i;
    const Skin skin = Skin::Rigid(slot::kStage);
    const uint16_t a = m.Add({{x, 0, 5}, {0, 0, -1}, {}, 0, 0, skin});
    const uint16_t c = m.Add({{x + 0.05, 0.1, 5}, {0, 0, -1}, {}, 1, 0, skin});
    const uint16_t d = m.Add({{x + 0.1, 0, 5}, {0, 0, -1}, {}, 1, 1, skin});
    m.Triangle(a, c, d);
    layer.meshes = {m.Build(0)};
    layer.paletteSlot = kNoPaletteSlot;
    FitBounds(&layer);
  }
}

// A picture whose sides are not both the texture's side lands in the
// texture's top-left corner and the rest of the texture is undefined, so a
// mesh that uses one keeps its coordinates (0..1 over the picture) inside
// the picture, half a texel in from its edges so filtering stays inside.
void FitCoordinatesToPictures(lmfw::SceneData* scene) {
  for (lmfw::LayerData& layer : scene->layers)
    for (lmfw::MeshData& mesh : layer.meshes) {
      const lmfw::PictureData& picture = scene->surfaces[mesh.surfaceNo].texture;
      if (picture.width == 0) continue;
      const auto side = static_cast<int32_t>(lmf::TextureSide(picture.width, picture.height));
      if (picture.width == side && picture.height == side) continue;
      for (SceneVertex& v : mesh.vertices) {
        const float u = std::clamp(v.texCoord[0], 0.0f, 1.0f);
        const float t = std::clamp(v.texCoord[1], 0.0f, 1.0f);
        v.texCoord[0] =
            (0.5f + u * static_cast<float>(picture.width - 1)) / static_cast<float>(side);
        v.texCoord[1] =
            (0.5f + t * static_cast<float>(picture.height - 1)) / static_cast<float>(side);
      }
    }
}

void PutChunk(std::vector<uint8_t>* out, uint32_t tag, const void* body, size_t size) {
  lmfw::ChunkWriter w;
  w.Chunk(tag, body, size);
  out->insert(out->end(), w.bytes().begin(), w.bytes().end());
}

template <size_t N>
void PutFloats(lmfw::ChunkWriter* w, uint32_t tag, const float (&v)[N]) {
  w->Chunk(tag, v, sizeof v);
}

}  // namespace

lmfw::SceneData MakeScene() {
  SceneBuilder b;
  BuildCharacter(&b);  // first: the dancer's ramp is surface 1 and its root is shared
  BuildStage(&b);
  BuildShadows(&b);
  BuildParticles(&b);
  BuildLights(&b);
  BuildFront(&b);
  BuildSculpture(&b);
  BuildCamera(&b);
  SpareLayers(&b);
  FitCoordinatesToPictures(&b.scene);
  b.scene.lightCount = 0;  // lights are written by EncodeScene, with their chunks
  return std::move(b.scene);
}

std::vector<uint8_t> EncodeScene(const lmfw::SceneData& scene) {
  const std::vector<uint8_t> file = lmfw::WriteLmf(scene);
  // Keep the writer's top-level chunks except its light count.
  std::vector<uint8_t> chunks;
  const char note[] = "Morvane demo scene, made by mkassets";
  PutChunk(&chunks, LmfTag("INFO"), note, sizeof note - 1);
  size_t at = lmf::kHeaderSize;
  while (at + lmf::kChunkHeaderSize <= file.size()) {
    const uint32_t tag = LoadLe32(&file[at]);
    const auto length = static_cast<int32_t>(LoadLe32(&file[at + 4]));
    const size_t end = at + lmf::kChunkHeaderSize + static_cast<size_t>(length);
    if (tag != lmf::kLITN && tag != lmf::kLIGT)
      chunks.insert(chunks.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                    file.begin() + static_cast<std::ptrdiff_t>(end));
    at = end;
  }
  // Two lights; the loader counts them and steps over what they hold.
  lmfw::ChunkWriter w;
  w.ChunkU16(lmf::kLITN, 2);
  const float dirs[2][3] = {{0.5f, -0.8f, 0.6f}, {-0.4f, -0.5f, -0.9f}};
  const float colours[2][4] = {{1.0f, 0.95f, 0.85f, 1.0f}, {0.6f, 0.3f, 0.9f, 0.5f}};
  for (int i = 0; i < 2; ++i) {
    w.Begin(lmf::kLIGT);
    const std::string name = i == 0 ? "key light" : "rim light";
    w.Chunk(LmfTag("LNAM"), name.data(), name.size());
    w.ChunkI32(LmfTag("LTYP"), 1);
    PutFloats(&w, LmfTag("LCOL"), colours[i]);
    PutFloats(&w, LmfTag("LDIR"), dirs[i]);
    w.End();
  }
  const std::vector<uint8_t>& lights = w.bytes();
  chunks.insert(chunks.end(), lights.begin(), lights.end());
  const uint32_t version = 0x00010000;
  PutChunk(&chunks, LmfTag("VERS"), &version, sizeof version);
  return lmfw::WithHeader(chunks);
}

SceneFigures Measure(const lmfw::SceneData& scene) {
  SceneFigures f;
  f.layers = scene.layers.size();
  f.motions = scene.motions.size();
  f.surfaces = scene.surfaces.size();
  for (size_t i = 0; i < scene.layers.size(); ++i) {
    const lmfw::LayerData& l = scene.layers[i];
    f.meshes += l.meshes.size();
    f.bones += l.bones.size();
    if (!IsDrawn(static_cast<uint16_t>(i))) continue;
    for (const lmfw::MeshData& m : l.meshes) {
      ++f.drawnMeshes;
      f.trianglesDrawn += m.indices.size() / 3;
      f.verticesDrawn += m.vertices.size();
    }
  }
  for (const lmfw::MotionData& m : scene.motions)
    for (const lmfw::ChannelData& c : m.channels) f.keys += c.keys.size();
  for (const lmfw::SurfaceData& s : scene.surfaces)
    f.textures += (s.texture.width > 0 ? 1 : 0) + (s.toon.width > 0 ? 1 : 0);
  return f;
}

bool BuildAll(std::vector<AssetFile>* files, SceneFigures* figures, std::string* error) {
  files->clear();
  const mkart::Picture backdrop = MakeBackdrop();
  files->push_back({"BG.bmp", mkart::EncodeBmp(backdrop)});
  files->push_back({"Chip.bmp", EncodeRaw(MakeChip())});
  const lmfw::SceneData scene = MakeScene();
  *figures = Measure(scene);
  files->push_back({"Scene.lmf", EncodeScene(scene)});
  files->push_back({"BGM.wav", EncodeWave(MakeMusic())});
  // Textures are read from the archive in the raw format only, so the
  // archive's "BG.bmp" holds the same picture as raw pixels.
  std::vector<pac::MemoryMember> members;
  for (const AssetFile& f : *files)
    members.push_back({f.name, f.name == "BG.bmp" ? EncodeRaw(backdrop) : f.bytes});
  std::vector<uint8_t> archive;
  if (!pac::BuildArchive(std::move(members), true, pac::DefaultKey(), &archive, error))
    return false;
  files->push_back({"DataB.pac", std::move(archive)});
  return true;
}

}  // namespace mkassets
