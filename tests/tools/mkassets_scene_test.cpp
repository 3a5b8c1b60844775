// Scene.lmf as the program loads it (the project's loader on a test device):
// the layer rules, the morph pair, indices, palette slots and weights, every
// curve shape, behaviour, pass and blend mode, the textures, the skeleton,
// and a camera that keeps the dancer in view within the far plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>

#include "data/raw_texture.h"
#include "mkassets_test_util.h"
#include "render/animation.h"
#include "scene/lmf_loader.h"
#include "support/test_device.h"
#include "tools/mkassets/assets.h"

namespace assets_test {
namespace {

class DemoScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(device_.Open("MorvaneDemoSceneTest"));
    ResetScene(&scene_);
    int32_t abortFlag = 0;
    ASSERT_EQ(ReadLmf(DataPath("Scene.lmf").string().c_str(), nullptr, nullptr, device_.device,
                      &scene_, &abortFlag),
              0);
    for (uint16_t l = 0; l < scene_.layerCount; ++l) {
      const Layer& layer = scene_.layers[l];
      vertices_.emplace_back();
      indices_.emplace_back();
      for (uint16_t m = 0; m < layer.meshCount; ++m) {
        const Mesh& mesh = layer.meshes[m];
        vertices_.back().push_back(Read<SceneVertex>(mesh.vertexBuffer, mesh.vertexCount));
        indices_.back().push_back(Read<uint16_t>(mesh.indexBuffer, mesh.polygonCount * 3u));
      }
    }
  }
  void TearDown() override {
    FreeScene(&scene_);
    device_.Close();
    testing_hooks::ResetPlatform();  // windows, classes and the layer's own caches
  }

  template <typename T, typename Buffer>
  static std::vector<T> Read(Buffer* buffer, size_t count) {
    std::vector<T> out(count);
    void* data = nullptr;
    if (buffer == nullptr || buffer->Lock(0, 0, &data, D3DLOCK_READONLY) != D3D_OK) {
      ADD_FAILURE() << "a buffer cannot be read";
      return {};
    }
    std::memcpy(out.data(), data, count * sizeof(T));
    buffer->Unlock();
    return out;
  }

  // The layers in the order a frame draws them: the list, then the morph base.
  static std::vector<uint16_t> DrawOrder() {
    std::vector<uint16_t> order(std::begin(mkassets::kDrawnLayers),
                                std::end(mkassets::kDrawnLayers));
    order.push_back(mkassets::kMorphBase);
    return order;
  }
  static bool Drawn(uint16_t layer) {
    const auto order = DrawOrder();
    return std::find(order.begin(), order.end(), layer) != order.end();
  }
  const Surface& SurfaceOf(const Mesh& mesh) const { return scene_.surfaces[mesh.surfaceNo]; }

  test_support::TestDevice device_;
  Scene scene_;
  std::vector<std::vector<std::vector<SceneVertex>>> vertices_;  // layer, mesh, vertex
  std::vector<std::vector<std::vector<uint16_t>>> indices_;
};

TEST_F(DemoScene, LayersFollowTheDrawingRules) {
  ASSERT_GE(scene_.layerCount, 37);
  EXPECT_GE(scene_.cameraCount, 1);
  EXPECT_EQ(scene_.lightCount, 2);
  size_t triangles = 0;
  for (uint16_t l = 0; l < scene_.layerCount; ++l) {
    SCOPED_TRACE("layer " + std::to_string(l));
    const Layer& layer = scene_.layers[l];
    ASSERT_GE(layer.meshCount, 1) << "every layer is a valid layer with geometry";
    size_t layerTriangles = 0;
    for (uint16_t m = 0; m < layer.meshCount; ++m) layerTriangles += layer.meshes[m].polygonCount;
    if (Drawn(l)) {
      triangles += layerTriangles;
      EXPECT_GE(layerTriangles, 100u) << "a drawn layer carries content";
    } else if (l != mkassets::kMorphTarget) {
      EXPECT_LE(layerTriangles, 4u) << "a layer never drawn stays small";
    }
  }
  EXPECT_GE(triangles, 40000u);
}

TEST_F(DemoScene, MorphPairMatchesMeshForMesh) {
  const Layer& base = scene_.layers[mkassets::kMorphBase];
  const Layer& target = scene_.layers[mkassets::kMorphTarget];
  ASSERT_EQ(base.meshCount, target.meshCount);
  size_t moved = 0;
  for (uint16_t m = 0; m < base.meshCount; ++m) {
    ASSERT_EQ(base.meshes[m].vertexCount, target.meshes[m].vertexCount) << "mesh " << m;
    const auto& a = vertices_[mkassets::kMorphBase][m];
    const auto& b = vertices_[mkassets::kMorphTarget][m];
    for (size_t i = 0; i < a.size(); ++i)
      moved += std::memcmp(a[i].position, b[i].position, sizeof a[i].position) != 0;
  }
  EXPECT_GT(moved, 1000u) << "the target has a shape of its own";
}

TEST_F(DemoScene, EveryIndexIsInsideItsMesh) {
  for (uint16_t l = 0; l < scene_.layerCount; ++l)
    for (uint16_t m = 0; m < scene_.layers[l].meshCount; ++m) {
      const Mesh& mesh = scene_.layers[l].meshes[m];
      ASSERT_LT(mesh.surfaceNo, scene_.surfaceCount);
      for (uint16_t index : indices_[l][m])
        ASSERT_LT(index, mesh.vertexCount) << "layer " << l << " mesh " << m;
    }
}

// Every influence a vertex uses reads a slot that the palette rules have
// written by the time its layer is drawn, below the effect's 75 slots, with
// weights from 0 to 1 that add up to 1.
TEST_F(DemoScene, SkinningReadsWrittenSlotsWithWeightsSummingToOne) {
  std::set<int> written;
  int maxSlot = -1, maxInfluences = 0;
  for (uint16_t l : DrawOrder()) {
    SCOPED_TRACE("layer " + std::to_string(l));
    const Layer& layer = scene_.layers[l];
    if (layer.paletteSlot < kPaletteSlots) written.insert(layer.paletteSlot);
    for (uint16_t b = 0; b < layer.bindingCount; ++b) {
      const PaletteBinding& binding = layer.bindings[b];
      if (binding.paletteSlot < kPaletteSlots) written.insert(binding.paletteSlot);
      EXPECT_TRUE(binding.motionNo == kNoMotion || binding.motionNo < scene_.motionCount);
    }
    for (const auto& mesh : vertices_[l])
      for (const SceneVertex& v : mesh) {
        float sum = 0;
        int influences = 0;
        for (int k = 0; k < 4; ++k) {
          const float w = v.blendWeights[k];
          ASSERT_GE(w, 0.0f);
          ASSERT_LE(w, 1.0f);
          sum += w;
          if (k > 0 && !(w > 0)) continue;
          ++influences;
          const int slot = static_cast<int>(v.blendIndices[k]);
          ASSERT_LT(slot, 75);
          ASSERT_TRUE(written.count(slot)) << "slot " << slot << " is never set";
          maxSlot = std::max(maxSlot, slot);
        }
        ASSERT_NEAR(sum, 1.0f, 1e-5f);
        maxInfluences = std::max(maxInfluences, influences);
      }
  }
  EXPECT_EQ(maxSlot, 74);
  EXPECT_EQ(maxInfluences, 4);
}

TEST_F(DemoScene, SkeletonIsDeepWithPivotsAndRestInverses) {
  int maxBones = 0;
  for (uint16_t l = 0; l < scene_.layerCount; ++l)
    maxBones = std::max<int>(maxBones, scene_.layers[l].boneCount);
  EXPECT_GE(maxBones, 24);
  int depth = 0;
  bool pivot = false, restInverse = false;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  for (uint16_t i = 0; i < scene_.motionCount; ++i) {
    const Motion& m = scene_.motions[i];
    int d = 1;
    for (const Motion* p = m.parent; p != nullptr; p = p->parent) ++d;
    depth = std::max(depth, d);
    pivot = pivot || m.pivot.x != 0 || m.pivot.y != 0 || m.pivot.z != 0;
    restInverse = restInverse || std::memcmp(&m.restInverse, &identity, sizeof identity) != 0;
  }
  EXPECT_GE(depth, 5);
  EXPECT_TRUE(pivot);
  EXPECT_TRUE(restInverse);
}

// One row per feature the drawing and the animation offer.
struct Feature {
  const char* what;
  std::function<bool(const Scene&, const Surface&)> surface;  // of a drawn mesh
  std::function<bool(const Channel&)> channel;
};

std::vector<Feature> Features() {
  std::vector<Feature> f;
  for (int32_t pass = kSurfaceConstant; pass <= kSurfaceToon; ++pass)
    f.push_back(
        {"pass", [pass](const Scene&, const Surface& s) { return s.type == pass; }, nullptr});
  for (int32_t mode = 0; mode <= 6; ++mode)
    f.push_back({"blend mode",
                 [mode](const Scene&, const Surface& s) { return s.blendMode == mode; }, nullptr});
  f.push_back(
      {"double-sided", [](const Scene&, const Surface& s) { return s.doubleSided != 0; }, nullptr});
  f.push_back(
      {"culled", [](const Scene&, const Surface& s) { return s.doubleSided == 0; }, nullptr});
  f.push_back(
      {"textured", [](const Scene&, const Surface& s) { return s.texture != nullptr; }, nullptr});
  f.push_back(
      {"untextured", [](const Scene&, const Surface& s) { return s.texture == nullptr; }, nullptr});
  f.push_back({"texture not a power of two",
               [](const Scene&, const Surface& s) {
                 const auto pow2 = [](int32_t v) { return v > 0 && (v & (v - 1)) == 0; };
                 return s.texture != nullptr && !(pow2(s.textureWidth) && pow2(s.textureHeight));
               },
               nullptr});
  f.push_back({"toon ramp",
               [](const Scene&, const Surface& s) {
                 return s.type == kSurfaceToon && s.toonTexture != nullptr;
               },
               nullptr});
  for (uint16_t shape = kShapeTcb; shape <= kShapeBezier; ++shape)
    f.push_back({"curve shape", nullptr, [shape](const Channel& c) {
                   for (uint16_t k = 1; k < c.keyCount; ++k)
                     if (c.keys[k].shape == shape) return true;
                   return false;
                 }});
  for (uint16_t b = kBehaviorReset; b <= kBehaviorLinear; ++b)
    f.push_back({"behaviour", nullptr, [b](const Channel& c) {
                   return c.keyCount >= 2 && (c.preBehavior == b || c.postBehavior == b);
                 }});
  return f;
}

TEST_F(DemoScene, EveryShapeBehaviourPassAndBlendModeIsUsed) {
  const auto features = Features();
  for (size_t i = 0; i < features.size(); ++i) {
    const Feature& f = features[i];
    SCOPED_TRACE(std::string(f.what) + " #" + std::to_string(i));
    bool found = false;
    if (f.surface)
      for (uint16_t l : DrawOrder())
        for (uint16_t m = 0; m < scene_.layers[l].meshCount; ++m)
          found = found || f.surface(scene_, SurfaceOf(scene_.layers[l].meshes[m]));
    if (f.channel)
      for (uint16_t i2 = 0; i2 < scene_.motionCount; ++i2)
        for (const Channel& c : scene_.motions[i2].channels) found = found || f.channel(c);
    EXPECT_TRUE(found);
  }
}

TEST_F(DemoScene, EveryTextureResolves) {
  for (uint16_t i = 0; i < scene_.surfaceCount; ++i) {
    const Surface& s = scene_.surfaces[i];
    SCOPED_TRACE("surface " + std::to_string(i));
    const std::pair<IDirect3DTexture9*, int32_t> pictures[2] = {
        {s.texture, std::max(s.textureWidth, s.textureHeight)},
        {s.toonTexture, std::max(s.toonWidth, s.toonHeight)}};
    for (const auto& [texture, side] : pictures) {
      if (side == 0) {
        EXPECT_EQ(texture, nullptr);
        continue;
      }
      ASSERT_NE(texture, nullptr);
      D3DSURFACE_DESC desc{};
      ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
      EXPECT_GE(static_cast<int32_t>(desc.Width), side);
    }
    if (s.type == kSurfaceToon) {
      EXPECT_NE(s.toonTexture, nullptr);
    }
  }
}

// A picture smaller than its texture fills only the top-left corner; the
// rest of the texture is undefined, so texture coordinates of the meshes
// that use one stay inside the picture (toon ramps are read at (emissive,
// emissive), which must fall inside too).
TEST_F(DemoScene, TextureCoordinatesStayInsideTheirPictures) {
  for (uint16_t l : DrawOrder())
    for (uint16_t m = 0; m < scene_.layers[l].meshCount; ++m) {
      const Surface& s = SurfaceOf(scene_.layers[l].meshes[m]);
      SCOPED_TRACE("layer " + std::to_string(l) + " mesh " + std::to_string(m));
      if (s.type == kSurfaceToon) {
        const float side = static_cast<float>(RawTextureSide(s.toonWidth, s.toonHeight));
        EXPECT_LE(s.emissive * side, static_cast<float>(std::min(s.toonWidth, s.toonHeight)));
        continue;
      }
      if (s.texture == nullptr) continue;
      const auto side = static_cast<int32_t>(RawTextureSide(s.textureWidth, s.textureHeight));
      if (s.textureWidth == side && s.textureHeight == side) continue;  // free to wrap
      for (const SceneVertex& v : vertices_[l][m]) {
        ASSERT_GE(v.texCoord[0], 0.0f);
        ASSERT_GE(v.texCoord[1], 0.0f);
        ASSERT_LE(v.texCoord[0] * static_cast<float>(side), static_cast<float>(s.textureWidth));
        ASSERT_LE(v.texCoord[1] * static_cast<float>(side), static_cast<float>(s.textureHeight));
      }
    }
}

// Posed through the lap, the first camera keeps the dancer's hips inside the
// picture, and everything drawn lies within the far plane.
TEST_F(DemoScene, CameraFramesTheDancerWithinTheFarPlane) {
  const Layer& dancer = scene_.layers[5];
  ASSERT_GE(dancer.boneCount, 2);
  const uint16_t hips = dancer.bones[1].motionNo;
  const Camera& camera = scene_.cameras[0];
  EXPECT_GT(camera.fovY, 0.5f);
  EXPECT_LT(camera.fovY, 1.2f);
  ASSERT_LT(camera.motionNo, scene_.motionCount);
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, camera.fovY, 4.0f / 3.0f, 0.1f, 10.0f);
  std::set<std::pair<int, int>> eyes;
  for (int32_t ms = 0; ms <= mkassets::kLapMs; ms += 500) {
    SCOPED_TRACE("at " + std::to_string(ms) + " ms");
    UpdateMotions(ms, &scene_);
    const D3DXMATRIX& c = scene_.motions[camera.motionNo].skinMatrix;
    D3DXVECTOR3 eye, target, up;
    const D3DXVECTOR3 o(0, 0, 0), z(0, 0, 1), y(0, 1, 0);
    D3DXVec3TransformCoord(&eye, &o, &c);
    D3DXVec3TransformCoord(&target, &z, &c);
    D3DXVec3TransformNormal(&up, &y, &c);
    eyes.insert({static_cast<int>(eye.x * 10), static_cast<int>(eye.z * 10)});
    D3DXMATRIX view, viewProjection;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    // The hips joint in the world: the rest position through the skin matrix.
    const D3DXVECTOR3 rest(dancer.bones[1].restPosition[0], dancer.bones[1].restPosition[1],
                           dancer.bones[1].restPosition[2]);
    D3DXVECTOR3 world, screen;
    D3DXVec3TransformCoord(&world, &rest, &scene_.motions[hips].skinMatrix);
    D3DXVec3TransformCoord(&screen, &world, &viewProjection);
    EXPECT_LT(std::fabs(screen.x), 0.8f);
    EXPECT_LT(std::fabs(screen.y), 0.8f);
    EXPECT_GT(screen.z, 0.0f);
    // Everything rigid on the stage (slot 0) lies within the far plane.
    for (const auto& mesh : vertices_[0])
      for (const SceneVertex& v : mesh) {
        const float dx = v.position[0] - eye.x, dy = v.position[1] - eye.y,
                    dz = v.position[2] - eye.z;
        ASSERT_LT(std::sqrt(dx * dx + dy * dy + dz * dz), 10.0f);
      }
  }
  EXPECT_GT(eyes.size(), 20u) << "the camera moves through the lap";
}

}  // namespace
}  // namespace assets_test
