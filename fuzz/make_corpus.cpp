// Writes the fuzz targets' seed corpora with the project's own writers:
// small archives (pac), raw textures, LMF scenes (lmfdump's writer), WAVE
// files and compiled effects (effectc's writer, the program's own effect
// included). Usage: make_corpus OUTPUT_FOLDER; writes OUTPUT_FOLDER/<target>/.
// Every seed is a few hundred bytes at most, except the program's effect.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "tools/effectc/effect_writer.h"
#include "tools/lmfdump/lmf_writer.h"
#include "tools/mkeffect/effect_description.h"
#include "tools/pac/pac_format.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

using test_support::Put16;
using test_support::Put32;
void PutText(Bytes* out, const char* text) {
  for (; *text; ++text) out->push_back(static_cast<uint8_t>(*text));
}

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 37);
  return out;
}

bool Save(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  std::error_code error;
  fs::create_directories(folder, error);
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "make_corpus: cannot write %s\n", (folder / name).c_str());
  return static_cast<bool>(out);
}

Bytes Archive(std::vector<pac::MemoryMember> members, bool scramble) {
  Bytes out;
  std::string error;
  if (!pac::BuildArchive(std::move(members), scramble, pac::DefaultKey(), &out, &error)) {
    std::fprintf(stderr, "make_corpus: %s\n", error.c_str());
  }
  return out;
}

Bytes RawTexture(int32_t width, int32_t height, size_t rows) {
  Bytes out;
  PutText(&out, "TEYL");
  Put32(&out, static_cast<uint32_t>(width));
  Put32(&out, static_cast<uint32_t>(height));
  const Bytes pixels = Pattern(static_cast<size_t>(width) * 4 * rows, 3);
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

Bytes Wave(uint16_t channels, uint16_t bits, uint32_t rate, bool extraChunk, size_t frames) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  Bytes body;
  PutText(&body, "WAVE");
  if (extraChunk) {
    PutText(&body, "LIST");
    Put32(&body, 5);
    PutText(&body, "INFOx");
    body.push_back(0);  // the pad byte of an odd-sized chunk
  }
  PutText(&body, "fmt ");
  Put32(&body, 16);
  Put16(&body, 1);  // PCM
  Put16(&body, channels);
  Put32(&body, rate);
  Put32(&body, rate * align);
  Put16(&body, align);
  Put16(&body, bits);
  const Bytes samples = Pattern(frames * align, 11);
  PutText(&body, "data");
  Put32(&body, static_cast<uint32_t>(samples.size()));
  body.insert(body.end(), samples.begin(), samples.end());
  Bytes out;
  PutText(&out, "RIFF");
  Put32(&out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

lmfw::MeshData Triangle(uint16_t surface) {
  lmfw::MeshData mesh;
  mesh.vertices.resize(3);
  for (int i = 0; i < 3; ++i) {
    mesh.vertices[i].position[0] = static_cast<float>(i);
    mesh.vertices[i].position[1] = static_cast<float>(i * i);
    mesh.vertices[i].normal[2] = 1;
    mesh.vertices[i].color[3] = 1;
    mesh.vertices[i].blendWeights[0] = 1;
  }
  mesh.indices = {0, 1, 2};
  mesh.surfaceNo = surface;
  return mesh;
}

lmfw::PictureData Picture(int32_t width, int32_t height) {
  return {width, height, Pattern(static_cast<size_t>(width) * height * 4, 5)};
}

// One of each record kind, every field away from its default somewhere.
lmfw::SceneData SmallScene() {
  lmfw::SceneData scene;
  lmfw::LayerData layer;
  layer.name = "body";
  layer.boundsMax[0] = 2;
  layer.meshes = {Triangle(0)};
  lmfw::BoneData bone;
  bone.name = "bone";
  bone.restLength = 1;
  bone.motionNo = 1;
  layer.bones = {bone};
  layer.motionNo = 0;
  layer.paletteSlot = 2;
  layer.bindings = {{0, 1}};
  scene.layers = {layer};
  scene.motions.resize(2);
  scene.motions[1].parentNo = 0;
  lmfw::ChannelData& channel = scene.motions[0].channels[kChannelRotationX];
  channel.keys = {{0.0f, 0, 0, {}}, {1.0f, 500, 1, {0.5f, 0, 0, 0, 0, 0}}};
  channel.postBehavior = kBehaviorRepeat;
  lmfw::SurfaceData surface;
  surface.name = "skin";
  surface.type = kSurfaceToon;
  surface.texture = Picture(2, 2);
  surface.toon = Picture(1, 3);
  surface.edgeSize = 1;
  scene.surfaces = {surface};
  lmfw::CameraData camera;
  camera.name = "cam";
  camera.motionNo = 1;
  scene.cameras = {camera};
  scene.lightCount = 1;
  return scene;
}

// A small effect of every parameter type on one registered program name.
fxc::EffectDesc SmallEffect(const fxc::EffectDesc& program) {
  using fxc::ParamType;
  fxc::EffectDesc d;
  d.parameters = {
      {"M", ParamType::Float4x4, 0, 0, {}, {}},
      {"C", ParamType::Float4, 0, 4, {1, 0.5f, 0.25f, 1}, {}},
      {"D", ParamType::Float3, 0, 5, {}, {}},
      {"P", ParamType::Float4x3, 2, 6, {}, {}},
      {"T", ParamType::Texture, 0, 0, {}, {}},
      {"S", ParamType::Sampler, 0, 0, {}, {"T", 2, 2, 0, 1, 3}},
  };
  const std::string vertexProgram = program.techniques.at(0).passes.at(0).vertexProgram;
  d.techniques = {{program.techniques.at(0).name, {{"p0", vertexProgram, {{0, "S"}}}}}};
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus OUTPUT_FOLDER\n");
    return 2;
  }
  const fs::path root = argv[1];
  bool ok = true;

  const fs::path archive = root / "archive";
  const std::vector<pac::MemoryMember> members = {
      {"a.txt", Pattern(20, 1)}, {"dir\\B.bin", Pattern(33, 2)}, {"\x82\xa0.raw", {}}};
  ok &= Save(archive, "plain.pac", Archive(members, false));
  ok &= Save(archive, "scrambled.pac", Archive(members, true));
  ok &= Save(archive, "empty.pac", Archive({}, false));

  const fs::path raw = root / "raw_texture";
  ok &= Save(raw, "4x3.raw", RawTexture(4, 3, 3));
  ok &= Save(raw, "1x1.raw", RawTexture(1, 1, 1));
  ok &= Save(raw, "5x2-one-row.raw", RawTexture(5, 2, 1));

  const fs::path lmf = root / "lmf";
  ok &= Save(lmf, "small.lmf", lmfw::WriteLmf(SmallScene()));
  ok &= Save(lmf, "empty.lmf", lmfw::WriteLmf(lmfw::SceneData{}));

  const fs::path wave = root / "wave";
  ok &= Save(wave, "stereo16.wav", Wave(2, 16, 44100, false, 16));
  ok &= Save(wave, "mono8-list.wav", Wave(1, 8, 22050, true, 24));

  const fs::path effect = root / "effect";
  const fxc::EffectDesc program = mkeffect::ProgramEffect();
  ok &= Save(effect, "program.fx", fxc::WriteEffect(program));
  ok &= Save(effect, "small.fx", fxc::WriteEffect(SmallEffect(program)));
  return ok ? 0 : 1;
}
