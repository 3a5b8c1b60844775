// Scenes written by the writer and read back by the loader, from a file,
// from a callback source and from an archive member.
#include <gtest/gtest.h>

#include "data/data.h"
#include "scene/fake_device.h"
#include "scene/lmf_loader.h"
#include "scene/scene_test_util.h"
#include "tools/pac/pac_format.h"

namespace {

using namespace scene_test;

TEST(LmfRoundTrip, FileLoadsAsWrittenWithBounds) {
  ScratchDir dir;
  const lmfw::SceneData written = SampleScene();
  dir.Write(kSceneFileName, lmfw::WriteLmf(written));
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  ASSERT_EQ(LoadSceneFromFile(&scene, &device), 0);
  ExpectSceneEquals(scene, written);
  // Layer boxes (-1,-2,0.5)-(3,4,5) and the empty box of the second layer.
  EXPECT_EQ(scene.boundsMin[0], -1);
  EXPECT_EQ(scene.boundsMin[1], -2);
  EXPECT_EQ(scene.boundsMin[2], 0);
  EXPECT_EQ(scene.boundsMax[0], 3);
  EXPECT_EQ(scene.boundsMax[2], 5);
  EXPECT_EQ(device.openLocks, 0);
  FreeScene(&scene);
  EXPECT_EQ(device.live, 0);
}

TEST(LmfRoundTrip, SourceLoadsAsWrittenAndIsClosed) {
  const lmfw::SceneData written = SampleScene();
  MemorySource source;
  source.bytes = lmfw::WriteLmf(written);
  const StreamCallbacks callbacks = MemoryCallbacks();
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  ASSERT_EQ(LoadSceneFromSource(&scene, &device, &callbacks, &source), 0);
  EXPECT_TRUE(source.closed);
  ExpectSceneEquals(scene, written);
  EXPECT_EQ(scene.boundsMax[0], 0);  // not computed on this path
  FreeScene(&scene);
  EXPECT_EQ(device.live, 0);
}

TEST(LmfRoundTrip, ReloadingFreesThePreviousScene) {
  const lmfw::SceneData written = SampleScene();
  const std::vector<uint8_t> bytes = lmfw::WriteLmf(written);
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  ASSERT_EQ(LoadBytes(bytes, &device, &scene), 0);
  const int once = device.live;
  ASSERT_EQ(LoadBytes(bytes, &device, &scene), 0);
  EXPECT_EQ(device.live, once);
  ExpectSceneEquals(scene, written);
  FreeScene(&scene);
  EXPECT_EQ(device.live, 0);
}

TEST(LmfRoundTrip, ArchiveMemberGivesTheSameSceneAsThePlainFile) {
  ScratchDir dir;
  const lmfw::SceneData written = SampleScene();
  const std::vector<uint8_t> bytes = lmfw::WriteLmf(written);
  std::vector<uint8_t> archive;
  std::string error;
  ASSERT_TRUE(pac::BuildArchive({{"BGM.wav", std::vector<uint8_t>(70000, 3)}, {"Scene.lmf", bytes}},
                                true, pac::DefaultKey(), &archive, &error))
      << error;
  dir.Write(kArchiveFileName, archive);
  dir.Write("plain.lmf", bytes);

  FakeDevice device;
  Scene fromFile;
  ResetScene(&fromFile);
  int32_t abortFlag = -1;
  ASSERT_EQ(ReadLmf("plain.lmf", nullptr, nullptr, &device, &fromFile, &abortFlag), 0);
  EXPECT_EQ(abortFlag, 0);

  ASSERT_EQ(ArchiveStartup(nullptr), 0);
  ASSERT_NE(CurrentArchive(), nullptr);
  SourceHandle handle{};
  handle.kind = kSourceArchiveMember;
  handle.archive = CurrentArchive();
  ASSERT_EQ(ArchiveFind(&handle.cursor, "scene.LMF"), kArchiveOk);
  Scene fromArchive;
  ResetScene(&fromArchive);
  ASSERT_EQ(LoadSceneFromSource(&fromArchive, &device, &kSourceHandleCallbacks, &handle), 0);
  ArchiveShutdown();

  ExpectSceneEquals(fromFile, written);
  ExpectSceneEquals(fromArchive, written);
  FreeScene(&fromFile);
  FreeScene(&fromArchive);
  EXPECT_EQ(device.live, 0);
}

TEST(LmfRoundTrip, MissingFileFailsAndLeavesTheSceneEmpty) {
  ScratchDir dir;
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  ASSERT_EQ(LoadBytes(lmfw::WriteLmf(SampleScene()), &device, &scene), 0);
  EXPECT_EQ(LoadSceneFromFile(&scene, &device), -1);
  EXPECT_EQ(scene.layers, nullptr);
  EXPECT_EQ(scene.layerCount, 0);
  EXPECT_EQ(scene.motions, nullptr);
  EXPECT_EQ(scene.surfaces, nullptr);
  EXPECT_EQ(device.live, 0);       // the earlier scene was freed first
  EXPECT_EQ(device.creations, 8);  // six buffers and two textures of the first load
}

}  // namespace
