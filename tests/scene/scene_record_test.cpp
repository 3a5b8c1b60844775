// The scene records: layout of the vertex, reset, free and bounds.
#include <gtest/gtest.h>

#include <cstddef>

#include "scene/fake_device.h"
#include "scene/scene.h"

namespace {

using scene_test::FakeDevice;

TEST(SceneVertex, FieldsSitWhereTheFileAndDeclarationPutThem) {
  EXPECT_EQ(offsetof(SceneVertex, position), 0u);
  EXPECT_EQ(offsetof(SceneVertex, normal), 12u);
  EXPECT_EQ(offsetof(SceneVertex, color), 24u);
  EXPECT_EQ(offsetof(SceneVertex, texCoord), 40u);
  EXPECT_EQ(offsetof(SceneVertex, blendIndices), 48u);
  EXPECT_EQ(offsetof(SceneVertex, blendWeights), 64u);
}

TEST(FreeScene, OnAResetSceneChangesNothing) {
  Scene scene;
  ResetScene(&scene);
  scene.boundsMin[1] = -4.0f;
  scene.boundsMax[2] = 9.0f;
  FreeScene(&scene);
  FreeScene(&scene);
  EXPECT_EQ(scene.boundsMin[1], -4.0f);
  EXPECT_EQ(scene.boundsMax[2], 9.0f);
  EXPECT_EQ(scene.layers, nullptr);
  EXPECT_EQ(scene.motions, nullptr);
  EXPECT_EQ(scene.surfaces, nullptr);
  EXPECT_EQ(scene.cameras, nullptr);
  EXPECT_EQ(scene.lights, nullptr);
}

// A scene as a load that stopped halfway leaves it: arrays made, some
// buffers and textures missing, names and keys here and there.
TEST(FreeScene, ReleasesExactlyWhatAPartialSceneHolds) {
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  scene.layerCount = 2;
  scene.layers = new Layer[2]();
  Layer& layer = scene.layers[0];
  layer.name.data = new uint8_t[3];
  layer.name.size = 3;
  layer.meshCount = 3;
  layer.meshes = new Mesh[3]();
  ASSERT_EQ(device.CreateVertexBuffer(80, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                      &layer.meshes[0].vertexBuffer, nullptr),
            D3D_OK);
  ASSERT_EQ(device.CreateIndexBuffer(6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                     &layer.meshes[0].indexBuffer, nullptr),
            D3D_OK);
  ASSERT_EQ(device.CreateVertexBuffer(160, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                      &layer.meshes[1].vertexBuffer, nullptr),
            D3D_OK);
  layer.boneCount = 1;
  layer.bones = new Bone[1]();
  layer.bones[0].name.data = new uint8_t[1];
  layer.bones[0].name.size = 1;
  layer.bindingCount = 1;
  layer.bindings = new PaletteBinding[1]();
  scene.motionCount = 2;
  scene.motions = new Motion[2];
  scene.motions[1].channels[4].keyCount = 2;
  scene.motions[1].channels[4].keys = new Key[2]();
  scene.surfaceCount = 1;
  scene.surfaces = new Surface[1]();
  ASSERT_EQ(device.CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                 &scene.surfaces[0].toonTexture, nullptr),
            D3D_OK);
  scene.cameraCount = 1;
  scene.cameras = new Camera[1]();
  scene.lightCount = 3;
  scene.lights = new Light[3]();
  ASSERT_EQ(device.live, 4);

  FreeScene(&scene);
  EXPECT_EQ(device.live, 0);
  EXPECT_EQ(scene.layerCount, 0);
  EXPECT_EQ(scene.layers, nullptr);
  EXPECT_EQ(scene.motionCount, 0);
  EXPECT_EQ(scene.motions, nullptr);
  EXPECT_EQ(scene.surfaceCount, 0);
  EXPECT_EQ(scene.cameraCount, 0);
  EXPECT_EQ(scene.lightCount, 0);
  EXPECT_EQ(scene.lights, nullptr);
  FreeScene(&scene);  // and again: nothing left to release
  EXPECT_EQ(device.live, 0);
}

TEST(ComputeSceneBounds, AlwaysContainsTheOrigin) {
  Scene scene;
  ResetScene(&scene);
  scene.layerCount = 2;
  scene.layers = new Layer[2]();
  const float min0[3] = {1, 2, 3}, max0[3] = {4, 5, 6};
  const float min1[3] = {2, -7, 4}, max1[3] = {3, 6, 5};
  for (int a = 0; a < 3; ++a) {
    scene.layers[0].boundsMin[a] = min0[a];
    scene.layers[0].boundsMax[a] = max0[a];
    scene.layers[1].boundsMin[a] = min1[a];
    scene.layers[1].boundsMax[a] = max1[a];
  }
  scene.boundsMin[0] = 99;  // stale values from before are not kept
  ComputeSceneBounds(&scene);
  EXPECT_EQ(scene.boundsMin[0], 0);
  EXPECT_EQ(scene.boundsMin[1], -7);
  EXPECT_EQ(scene.boundsMin[2], 0);
  EXPECT_EQ(scene.boundsMax[0], 4);
  EXPECT_EQ(scene.boundsMax[1], 6);
  EXPECT_EQ(scene.boundsMax[2], 6);
  FreeScene(&scene);
}

TEST(ComputeSceneBounds, NoLayersGivesThePoint) {
  Scene scene;
  ResetScene(&scene);
  scene.boundsMax[0] = 5;
  ComputeSceneBounds(&scene);
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(scene.boundsMin[a], 0);
    EXPECT_EQ(scene.boundsMax[a], 0);
  }
}

}  // namespace
