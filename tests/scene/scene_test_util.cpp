#include "scene/scene_test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"

namespace scene_test {

namespace {

uint32_t MemoryRead(void* destination, uint32_t size, uint32_t count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  const uint64_t wanted = uint64_t{size} * count;
  const uint64_t left = source->bytes.size() - source->position;
  const uint64_t n = wanted < left ? wanted : left;
  if (n) std::memcpy(destination, source->bytes.data() + source->position, n);
  source->position += n;
  return static_cast<uint32_t>(n);
}

// Clamps to the data, as an archive member does.
int32_t MemorySeek(void* user, int64_t offset, int32_t origin) {
  auto* source = static_cast<MemorySource*>(user);
  ++source->seeks;
  const int64_t size = static_cast<int64_t>(source->bytes.size());
  int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<int64_t>(source->position) : size;
  int64_t at = base + offset;
  if (at < 0) at = 0;
  if (at > size) at = size;
  source->position = static_cast<uint64_t>(at);
  return 0;
}

int32_t MemoryClose(void* user) {
  static_cast<MemorySource*>(user)->closed = true;
  return 0;
}

int32_t MemoryTell(void* user) {
  return static_cast<int32_t>(static_cast<MemorySource*>(user)->position);
}

SceneVertex Vertex(float seed) {
  SceneVertex v{};
  float* f = &v.position[0];
  for (int i = 0; i < 20; ++i) f[i] = seed + 0.25f * static_cast<float>(i);
  return v;
}

lmfw::MeshData MeshOf(int vertices, int triangles, float seed, uint16_t surfaceNo) {
  lmfw::MeshData mesh;
  for (int i = 0; i < vertices; ++i) mesh.vertices.push_back(Vertex(seed + 10.0f * i));
  for (int t = 0; t < triangles * 3; ++t)
    mesh.indices.push_back(static_cast<uint16_t>((t * 7) % vertices));
  mesh.surfaceNo = surfaceNo;
  return mesh;
}

lmfw::ChannelData ChannelOf(int keys, float seed, uint16_t pre, uint16_t post) {
  lmfw::ChannelData channel;
  for (int k = 0; k < keys; ++k) {
    Key key{};
    key.value = seed + static_cast<float>(k);
    key.time = 100 * k - 50;
    key.shape = static_cast<uint16_t>(k % 6);
    for (int p = 0; p < 6; ++p) key.params[p] = seed * 0.5f + static_cast<float>(p);
    channel.keys.push_back(key);
  }
  channel.preBehavior = pre;
  channel.postBehavior = post;
  return channel;
}

void ExpectBytes(const OwnedBytes& bytes, const std::string& expected) {
  ASSERT_EQ(bytes.size, expected.size());
  if (expected.empty()) {
    EXPECT_EQ(bytes.data, nullptr);
  } else {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data), bytes.size), expected);
  }
}

void ExpectFloats(const float* actual, const float* expected, int n) {
  for (int i = 0; i < n; ++i) EXPECT_EQ(actual[i], expected[i]) << "float " << i;
}

void ExpectPicture(IDirect3DTexture9* texture, int32_t width, int32_t height,
                   const lmfw::PictureData& expected) {
  if (expected.width == 0) {
    EXPECT_EQ(texture, nullptr);
    return;
  }
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(width, expected.width);
  EXPECT_EQ(height, expected.height);
  const uint32_t side = FakeDevice::Side(texture);
  EXPECT_EQ(side, lmf::TextureSide(expected.width, expected.height));
  const std::vector<uint8_t> texels = FakeDevice::Level0(texture);
  for (int32_t row = 0; row < expected.height; ++row) {
    const uint8_t* got = texels.data() + static_cast<size_t>(row) * side * 4;
    const uint8_t* want = expected.pixels.data() + static_cast<size_t>(row) * expected.width * 4;
    ASSERT_EQ(std::memcmp(got, want, static_cast<size_t>(expected.width) * 4), 0) << "row " << row;
  }
}

}  // namespace

lmfw::PictureData Picture(int32_t width, int32_t height, uint8_t seed) {
  lmfw::PictureData picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = static_cast<uint8_t>(i * 31 + i / 7 + seed);
  return picture;
}

lmfw::SceneData SampleScene() {
  lmfw::SceneData scene;
  lmfw::LayerData body;
  body.name = "body";
  body.boundsMin[0] = -1, body.boundsMin[1] = -2, body.boundsMin[2] = 0.5f;
  body.boundsMax[0] = 3, body.boundsMax[1] = 4, body.boundsMax[2] = 5;
  body.show = 7;
  body.meshes = {MeshOf(5, 3, 1.0f, 1), MeshOf(3, 1, 2.0f, 0)};
  lmfw::BoneData bone;
  bone.name = "spine";
  bone.restPosition[0] = 1.5f, bone.restDirection[1] = 1, bone.restLength = 2.5f;
  bone.motionNo = 2;
  body.bones = {bone, lmfw::BoneData{}};
  body.motionNo = 1;
  body.paletteSlot = 79;
  body.bindings = {{0, 3}, {3, kNoPaletteSlot}, {kNoMotion, 80}};
  lmfw::LayerData plain;
  plain.name = std::string("h\0\x82\xa0", 4);  // bytes as they are, a zero and CP932 included
  plain.meshes = {MeshOf(4, 2, 3.0f, 1)};
  scene.layers = {body, plain};

  scene.motions.resize(4);
  scene.motions[0].parentNo = 3;  // a parent later in the array
  scene.motions[1].parentNo = kNoMotion;
  scene.motions[2].parentNo = 0;
  scene.motions[3].parentNo = 1;
  for (int i = 0; i < 16; ++i) scene.motions[1].restInverse[i] = static_cast<float>(i) * 0.5f;
  scene.motions[2].pivot[0] = 1, scene.motions[2].pivot[1] = 2, scene.motions[2].pivot[2] = 3;
  scene.motions[0].channels[kChannelTranslationX] =
      ChannelOf(2, 1.0f, kBehaviorRepeat, kBehaviorLinear);
  scene.motions[0].channels[kChannelRotationX + 2] =
      ChannelOf(3, 2.0f, kBehaviorReset, kBehaviorOscillate);
  scene.motions[3].channels[kChannelScaleX + 1] =
      ChannelOf(1, 3.0f, kBehaviorConstant, kBehaviorConstant);
  scene.motions[2].channels[kChannelScaleX] =
      ChannelOf(0, 0.0f, kBehaviorOffsetRepeat, kBehaviorRepeat);

  lmfw::SurfaceData skin;
  skin.name = "skin";
  skin.type = kSurfaceToon;
  skin.blendMode = 3;
  skin.diffuse[0] = 0.25f, skin.diffuse[3] = 0.5f;
  skin.emissive = 0.1f, skin.specular = 0.2f, skin.power = 16;
  skin.doubleSided = 1;
  skin.texture = Picture(3, 2, 5);
  skin.toon = Picture(1, 4, 9);
  skin.edgeColor[2] = 1;
  skin.edgeSize = 1.5f;
  lmfw::SurfaceData metal;
  metal.name = "metal";
  metal.type = kSurfacePhong;
  scene.surfaces = {skin, metal};

  lmfw::CameraData camera;
  camera.name = "main";
  camera.fovY = 0.6f;
  camera.motionNo = 2;
  scene.cameras = {camera};
  scene.lightCount = 2;
  return scene;
}

StreamCallbacks MemoryCallbacks() {
  return StreamCallbacks{MemoryRead, MemorySeek, MemoryClose, MemoryTell, nullptr};
}

int32_t LoadBytes(const std::vector<uint8_t>& bytes, IDirect3DDevice9* device, Scene* scene) {
  MemorySource source;
  source.bytes = bytes;
  const StreamCallbacks callbacks = MemoryCallbacks();
  return LoadSceneFromSource(scene, device, &callbacks, &source);
}

void ExpectSceneEquals(const Scene& scene, const lmfw::SceneData& expected) {
  ASSERT_EQ(scene.layerCount, expected.layers.size());
  for (size_t l = 0; l < expected.layers.size(); ++l) {
    SCOPED_TRACE("layer " + std::to_string(l));
    const Layer& layer = scene.layers[l];
    const lmfw::LayerData& want = expected.layers[l];
    ExpectBytes(layer.name, want.name);
    ExpectFloats(layer.boundsMin, want.boundsMin, 3);
    ExpectFloats(layer.boundsMax, want.boundsMax, 3);
    EXPECT_EQ(layer.show, want.show);
    EXPECT_EQ(layer.motionNo, want.motionNo);
    EXPECT_EQ(layer.paletteSlot, want.paletteSlot);
    ASSERT_EQ(layer.meshCount, want.meshes.size());
    for (size_t m = 0; m < want.meshes.size(); ++m) {
      const Mesh& mesh = layer.meshes[m];
      const lmfw::MeshData& wantMesh = want.meshes[m];
      EXPECT_EQ(mesh.vertexCount, wantMesh.vertices.size());
      EXPECT_EQ(mesh.polygonCount, wantMesh.indices.size() / 3);
      EXPECT_EQ(mesh.surfaceNo, wantMesh.surfaceNo);
      ASSERT_NE(mesh.vertexBuffer, nullptr);
      ASSERT_NE(mesh.indexBuffer, nullptr);
      const std::vector<uint8_t> vertices = FakeDevice::Contents(mesh.vertexBuffer);
      ASSERT_EQ(vertices.size(), wantMesh.vertices.size() * sizeof(SceneVertex));
      EXPECT_EQ(std::memcmp(vertices.data(), wantMesh.vertices.data(), vertices.size()), 0);
      const std::vector<uint8_t> indices = FakeDevice::Contents(mesh.indexBuffer);
      ASSERT_EQ(indices.size(), wantMesh.indices.size() * 2);
      EXPECT_EQ(std::memcmp(indices.data(), wantMesh.indices.data(), indices.size()), 0);
    }
    ASSERT_EQ(layer.boneCount, want.bones.size());
    for (size_t b = 0; b < want.bones.size(); ++b) {
      ExpectBytes(layer.bones[b].name, want.bones[b].name);
      ExpectFloats(layer.bones[b].restPosition, want.bones[b].restPosition, 3);
      ExpectFloats(layer.bones[b].restDirection, want.bones[b].restDirection, 3);
      EXPECT_EQ(layer.bones[b].restLength, want.bones[b].restLength);
      EXPECT_EQ(layer.bones[b].motionNo, want.bones[b].motionNo);
    }
    ASSERT_EQ(layer.bindingCount, want.bindings.size());
    for (size_t b = 0; b < want.bindings.size(); ++b) {
      EXPECT_EQ(layer.bindings[b].motionNo, want.bindings[b].motionNo);
      EXPECT_EQ(layer.bindings[b].paletteSlot, want.bindings[b].paletteSlot);
    }
  }

  ASSERT_EQ(scene.motionCount, expected.motions.size());
  for (size_t i = 0; i < expected.motions.size(); ++i) {
    SCOPED_TRACE("motion " + std::to_string(i));
    const Motion& motion = scene.motions[i];
    const lmfw::MotionData& want = expected.motions[i];
    ExpectFloats(&motion.restInverse.m[0][0], want.restInverse, 16);
    EXPECT_EQ(motion.pivot.x, want.pivot[0]);
    EXPECT_EQ(motion.pivot.y, want.pivot[1]);
    EXPECT_EQ(motion.pivot.z, want.pivot[2]);
    EXPECT_EQ(motion.parentNo, want.parentNo);
    EXPECT_EQ(motion.parent, want.parentNo == kNoMotion ? nullptr : &scene.motions[want.parentNo]);
    for (int c = 0; c < kChannelCount; ++c) {
      const Channel& channel = motion.channels[c];
      const lmfw::ChannelData& wantChannel = want.channels[c];
      ASSERT_EQ(channel.keyCount, wantChannel.keys.size()) << "channel " << c;
      EXPECT_EQ(channel.preBehavior, wantChannel.preBehavior) << "channel " << c;
      EXPECT_EQ(channel.postBehavior, wantChannel.postBehavior) << "channel " << c;
      for (size_t k = 0; k < wantChannel.keys.size(); ++k) {
        EXPECT_EQ(channel.keys[k].value, wantChannel.keys[k].value);
        EXPECT_EQ(channel.keys[k].time, wantChannel.keys[k].time);
        EXPECT_EQ(channel.keys[k].shape, wantChannel.keys[k].shape);
        ExpectFloats(channel.keys[k].params, wantChannel.keys[k].params, 6);
      }
    }
  }

  ASSERT_EQ(scene.surfaceCount, expected.surfaces.size());
  for (size_t i = 0; i < expected.surfaces.size(); ++i) {
    SCOPED_TRACE("surface " + std::to_string(i));
    const Surface& surface = scene.surfaces[i];
    const lmfw::SurfaceData& want = expected.surfaces[i];
    ExpectBytes(surface.name, want.name);
    EXPECT_EQ(surface.type, want.type);
    EXPECT_EQ(surface.blendMode, want.blendMode);
    ExpectFloats(surface.diffuse, want.diffuse, 4);
    EXPECT_EQ(surface.emissive, want.emissive);
    EXPECT_EQ(surface.specular, want.specular);
    EXPECT_EQ(surface.power, want.power);
    EXPECT_EQ(surface.doubleSided, want.doubleSided);
    ExpectPicture(surface.texture, surface.textureWidth, surface.textureHeight, want.texture);
    ExpectPicture(surface.toonTexture, surface.toonWidth, surface.toonHeight, want.toon);
    ExpectFloats(surface.edgeColor, want.edgeColor, 4);
    EXPECT_EQ(surface.edgeSize, want.edgeSize);
  }

  ASSERT_EQ(scene.cameraCount, expected.cameras.size());
  for (size_t i = 0; i < expected.cameras.size(); ++i) {
    ExpectBytes(scene.cameras[i].name, expected.cameras[i].name);
    EXPECT_EQ(scene.cameras[i].fovY, expected.cameras[i].fovY);
    EXPECT_EQ(scene.cameras[i].motionNo, expected.cameras[i].motionNo);
  }
  EXPECT_EQ(scene.lightCount, expected.lightCount);
  EXPECT_EQ(scene.lights != nullptr, expected.lightCount != 0);
}

}  // namespace scene_test
