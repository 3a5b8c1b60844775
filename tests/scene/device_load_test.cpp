// The loader with the platform's own Direct3D device: buffers and textures
// hold the written bytes, and nothing stays alive after FreeScene.
#include <d3d9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"
#include "scene/scene_test_util.h"
#include "testing.h"
#include "tests/support/test_device.h"

namespace {

using namespace scene_test;

class DeviceLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(device.Open("MorvaneSceneTest"));
    device_ = device.device;
    ResetScene(&scene_);
  }
  void TearDown() override {
    FreeScene(&scene_);
    device.Close();
    testing_hooks::ResetPlatform();  // windows, classes and the layer's own caches
  }

  test_support::TestDevice device;
  IDirect3DDevice9* device_ = nullptr;
  Scene scene_;
};

std::vector<uint8_t> Read(IDirect3DVertexBuffer9* buffer, size_t size) {
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  std::vector<uint8_t> bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  buffer->Unlock();
  return bytes;
}

TEST_F(DeviceLoad, BuffersAndTexturesHoldTheWrittenBytes) {
  const int before = testing_hooks::LiveDirect3DObjects();
  const lmfw::SceneData written = SampleScene();
  ASSERT_EQ(LoadBytes(lmfw::WriteLmf(written), device_, &scene_), 0);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), before + 8);  // six buffers, two textures

  const Mesh& mesh = scene_.layers[0].meshes[0];
  const std::vector<SceneVertex>& vertices = written.layers[0].meshes[0].vertices;
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(mesh.vertexBuffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, vertices.size() * 80);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
  const std::vector<uint8_t> got = Read(mesh.vertexBuffer, vertices.size() * 80);
  EXPECT_EQ(std::memcmp(got.data(), vertices.data(), got.size()), 0);

  IDirect3DTexture9* texture = scene_.surfaces[0].texture;
  const lmfw::PictureData& picture = written.surfaces[0].texture;
  D3DSURFACE_DESC level{};
  ASSERT_EQ(texture->GetLevelDesc(0, &level), D3D_OK);
  EXPECT_EQ(level.Width, lmf::TextureSide(picture.width, picture.height));
  EXPECT_EQ(level.Height, level.Width);
  EXPECT_EQ(level.Format, D3DFMT_A8R8G8B8);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (int32_t row = 0; row < picture.height; ++row) {
    EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch,
                          picture.pixels.data() + row * picture.width * 4, picture.width * 4),
              0);
  }
  texture->UnlockRect(0);

  FreeScene(&scene_);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), before);
}

TEST_F(DeviceLoad, AFailedLoadLeavesNothingAliveAfterFreeScene) {
  const int before = testing_hooks::LiveDirect3DObjects();
  std::vector<uint8_t> bytes = lmfw::WriteLmf(SampleScene());
  bytes.resize(bytes.size() - 40);  // inside the last surface
  EXPECT_EQ(LoadBytes(bytes, device_, &scene_), -1);
  EXPECT_GT(testing_hooks::LiveDirect3DObjects(), before);
  FreeScene(&scene_);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), before);
}

}  // namespace
