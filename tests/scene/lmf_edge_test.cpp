// The loader on files built chunk by chunk: empty files, skipped chunks,
// lights, texture sizes, parent order, keys and Direct3D failures.
#include <gtest/gtest.h>

#include <cstring>

#include "scene/fake_device.h"
#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"
#include "scene/scene_test_util.h"

namespace {

using namespace scene_test;
using namespace lmf;
using lmfw::ChunkWriter;

std::vector<uint8_t> Header(int32_t total) {
  ChunkWriter w;
  w.U32(kMagic);
  w.I32(total);
  return w.Take();
}

// A mesh of one triangle over three vertices, drawn with surface 0.
void SmallMesh(ChunkWriter* w, uint16_t vertices = 3) {
  w->Begin(kMESH);
  w->ChunkU16(kVTXN, vertices);
  w->Chunk(kVTEX, std::vector<uint8_t>(vertices * kVertexSize, 0x11).data(),
           vertices * kVertexSize);
  w->ChunkU16(kPOLN, 1);
  const uint16_t indices[3] = {0, 1, 2};
  w->Chunk(kPOLY, indices, sizeof indices);
  w->End();
}

void OneSurface(ChunkWriter* w) {
  w->ChunkU16(kSRFN, 1);
  w->Begin(kSURF);
  w->End();
}

void NamedLayer(ChunkWriter* w, const std::string& name, int meshes) {
  w->Begin(kLYER);
  w->Chunk(kNAME, name.data(), name.size());
  w->ChunkU16(kMESN, static_cast<uint16_t>(meshes));
  for (int i = 0; i < meshes; ++i) SmallMesh(w);
  w->End();
}

std::string NameOf(const Layer& layer) {
  return std::string(reinterpret_cast<const char*>(layer.name.data), layer.name.size);
}

class LmfEdge : public ::testing::Test {
 protected:
  void SetUp() override { ResetScene(&scene); }
  void TearDown() override {
    FreeScene(&scene);
    EXPECT_EQ(device.live, 0);
    EXPECT_EQ(device.openLocks, 0);
  }
  FakeDevice device;
  Scene scene;
};

TEST_F(LmfEdge, HeaderOnlyLoadsAnEmptyScene) {
  for (int32_t total : {0, -1, INT32_MIN}) {
    SCOPED_TRACE(total);
    EXPECT_EQ(LoadBytes(Header(total), &device, &scene), 0);
    EXPECT_EQ(scene.layerCount, 0);
    EXPECT_EQ(scene.layers, nullptr);
    EXPECT_EQ(scene.motions, nullptr);
  }
  // Anything after a header that announces nothing is not read.
  std::vector<uint8_t> bytes = Header(0);
  bytes.resize(bytes.size() + 3, 0xFF);
  EXPECT_EQ(LoadBytes(bytes, &device, &scene), 0);
}

TEST_F(LmfEdge, WrongOrShortMagicFails) {
  EXPECT_EQ(LoadBytes({'3', 'D', 'M'}, &device, &scene), -1);
  EXPECT_EQ(LoadBytes({'L', 'M', 'D', '3', 0, 0, 0, 0}, &device, &scene), -1);  // reversed
  EXPECT_EQ(LoadBytes({'3', 'D', 'M', 'L', 0, 0}, &device, &scene), -1);        // no total
  EXPECT_EQ(LoadBytes({}, &device, &scene), -1);
}

// Unknown chunks between two layers, one lying across the first 64 KiB
// refill and one much larger than the stream buffer.
TEST_F(LmfEdge, UnknownChunksAreSteppedOverAcrossBufferBoundaries) {
  for (size_t unknown : {size_t{65000}, size_t{65536 - 8 - 30}, size_t{200000}, size_t{1}}) {
    SCOPED_TRACE(unknown);
    ChunkWriter w;
    OneSurface(&w);
    w.ChunkU16(kLYRN, 2);
    NamedLayer(&w, "first", 1);
    std::vector<uint8_t> filler(unknown);
    for (size_t i = 0; i < filler.size(); ++i) filler[i] = static_cast<uint8_t>(i * 13);
    w.Chunk(LmfTag("JUNK"), filler.data(), filler.size());
    NamedLayer(&w, "second", 2);
    MemorySource source;
    source.bytes = lmfw::WithHeader(w.bytes());
    const StreamCallbacks callbacks = MemoryCallbacks();
    ASSERT_EQ(LoadSceneFromSource(&scene, &device, &callbacks, &source), 0);
    ASSERT_EQ(scene.layerCount, 2);
    EXPECT_EQ(NameOf(scene.layers[1]), "second");
    ASSERT_EQ(scene.layers[1].meshCount, 2);
    EXPECT_EQ(FakeDevice::Contents(scene.layers[1].meshes[1].indexBuffer),
              (std::vector<uint8_t>{0, 0, 1, 0, 2, 0}));
    // Skips beyond the buffered bytes seek instead of reading through.
    if (unknown > 70000) {
      EXPECT_GE(source.seeks, 1);
    }
  }
}

TEST_F(LmfEdge, LightBodyChunksAreMetAtTopLevel) {
  ChunkWriter w;
  w.ChunkU16(kLITN, 1);
  w.Begin(kLIGT);
  w.Chunk(LmfTag("LPOS"), std::vector<uint8_t>(12, 1).data(), 12);
  w.Chunk(LmfTag("LCOL"), std::vector<uint8_t>(16, 2).data(), 16);
  w.End();
  w.ChunkU16(kCAMN, 1);  // a top-level chunk after the light still counts
  w.Begin(kCAM);
  w.ChunkF32(kFOVY, 0.5f);
  w.End();
  ASSERT_EQ(LoadBytes(lmfw::WithHeader(w.bytes()), &device, &scene), 0);
  EXPECT_EQ(scene.lightCount, 1);
  ASSERT_EQ(scene.cameraCount, 1);
  EXPECT_EQ(scene.cameras[0].fovY, 0.5f);
}

// A top-level count met inside a light's body is a top-level count.
TEST_F(LmfEdge, ChunksInsideALightBodyAreHandledAsTopLevelChunks) {
  ChunkWriter w;
  w.ChunkU16(kLITN, 2);
  w.Begin(kLIGT);
  w.ChunkU16(kCAMN, 1);
  w.Begin(kCAM);
  w.ChunkF32(kFOVY, 1.25f);
  w.End();
  w.End();
  w.Chunk(kLIGT, nullptr, 0);
  ASSERT_EQ(LoadBytes(lmfw::WithHeader(w.bytes()), &device, &scene), 0);
  ASSERT_EQ(scene.cameraCount, 1);
  EXPECT_EQ(scene.cameras[0].fovY, 1.25f);
}

TEST_F(LmfEdge, TexturesAreTheSmallestPowerOfTwoSquareWithThePictureTopLeft) {
  struct Case {
    int32_t width, height;
    uint32_t side;
  };
  for (const Case& c : {Case{300, 200, 512}, Case{256, 256, 256}, Case{1, 1, 1}, Case{3, 17, 32}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    lmfw::SceneData data;
    data.surfaces.resize(1);
    data.surfaces[0].texture = Picture(c.width, c.height, 1);
    ASSERT_EQ(LoadBytes(lmfw::WriteLmf(data), &device, &scene), 0);
    const Surface& surface = scene.surfaces[0];
    EXPECT_EQ(surface.textureWidth, c.width);
    EXPECT_EQ(surface.textureHeight, c.height);
    ASSERT_NE(surface.texture, nullptr);
    EXPECT_EQ(FakeDevice::Side(surface.texture), c.side);
    uint32_t levels = 1;
    while (c.side >> levels) ++levels;
    EXPECT_EQ(FakeDevice::Levels(surface.texture), levels);  // the full chain
    const std::vector<uint8_t> texels = FakeDevice::Level0(surface.texture);
    const std::vector<uint8_t>& pixels = data.surfaces[0].texture.pixels;
    for (int32_t row = 0; row < c.height; ++row) {
      ASSERT_EQ(std::memcmp(&texels[row * c.side * 4], &pixels[row * c.width * 4], c.width * 4), 0);
    }
    // Right of the picture and below it nothing was written.
    if (c.side > static_cast<uint32_t>(c.width)) {
      EXPECT_EQ(texels[c.width * 4], 0xEE);
    }
    if (c.side > static_cast<uint32_t>(c.height)) {
      EXPECT_EQ(texels[c.height * c.side * 4], 0xEE);
    }
  }
}

TEST_F(LmfEdge, ParentsResolveWhateverTheMotionOrder) {
  lmfw::SceneData data;
  data.motions.resize(5);
  data.motions[0].parentNo = 3;
  data.motions[1].parentNo = 4;
  data.motions[2].parentNo = kNoMotion;
  data.motions[3].parentNo = 2;
  data.motions[4].parentNo = 0;
  ASSERT_EQ(LoadBytes(lmfw::WriteLmf(data), &device, &scene), 0);
  EXPECT_EQ(scene.motions[0].parent, &scene.motions[3]);
  EXPECT_EQ(scene.motions[1].parent, &scene.motions[4]);
  EXPECT_EQ(scene.motions[2].parent, nullptr);
  EXPECT_EQ(scene.motions[3].parent, &scene.motions[2]);
  EXPECT_EQ(scene.motions[4].parent, &scene.motions[0]);
}

TEST_F(LmfEdge, TwoKeysAreReadAsTwo34ByteRecords) {
  ChunkWriter w;
  w.ChunkU16(kMOTN, 1);
  w.Begin(kMOTI);
  w.Begin(LmfTag("ROTY"));
  w.ChunkU16(kKEYN, 2);
  w.Begin(kKEY);
  for (int k = 0; k < 2; ++k) {
    w.F32(1.5f + k);
    w.I32(1000 * k + 7);
    w.U16(static_cast<uint16_t>(3 + k));
    for (int p = 0; p < 6; ++p) w.F32(0.125f * (p + 1) + k);
  }
  // MOTN, MOTI and ROTY headers, KEYN, KEY header, then the 68-byte body.
  ASSERT_EQ(w.bytes().size(), 10u + 8 + 8 + 10 + 8 + 68);
  w.End();
  w.ChunkU16(kPER, kBehaviorRepeat);
  w.End();
  w.End();
  ASSERT_EQ(LoadBytes(lmfw::WithHeader(w.bytes()), &device, &scene), 0);
  const Channel& channel = scene.motions[0].channels[kChannelRotationX + 1];
  ASSERT_EQ(channel.keyCount, 2);
  EXPECT_EQ(channel.preBehavior, kBehaviorRepeat);
  EXPECT_EQ(channel.postBehavior, kBehaviorConstant);  // no POST: the initial value
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(channel.keys[k].value, 1.5f + k);
    EXPECT_EQ(channel.keys[k].time, 1000 * k + 7);
    EXPECT_EQ(channel.keys[k].shape, 3 + k);
    for (int p = 0; p < 6; ++p) EXPECT_EQ(channel.keys[k].params[p], 0.125f * (p + 1) + k);
  }
}

// Locks: mesh 1 takes locks 1 and 2, mesh 2 lock 3.
TEST_F(LmfEdge, AFailedLockInTheSecondMeshStopsTheLoad) {
  ChunkWriter w;
  OneSurface(&w);
  w.ChunkU16(kLYRN, 2);
  w.Begin(kLYER);
  w.ChunkU16(kMESN, 3);
  SmallMesh(&w);
  SmallMesh(&w);
  SmallMesh(&w);
  w.Chunk(kNAME, "late", 4);
  w.End();
  NamedLayer(&w, "next", 1);
  device.failLockAt = 3;
  EXPECT_EQ(LoadBytes(lmfw::WithHeader(w.bytes()), &device, &scene), -1);
  EXPECT_EQ(device.locks, 3);
  ASSERT_EQ(scene.layerCount, 2);
  const Layer& first = scene.layers[0];
  EXPECT_NE(first.meshes[1].vertexBuffer, nullptr);  // made before the failure, kept
  EXPECT_EQ(first.meshes[1].indexBuffer, nullptr);   // the rest of the mesh is not read
  EXPECT_EQ(first.meshes[2].vertexBuffer, nullptr);  // nor the rest of the layer
  EXPECT_EQ(first.name.data, nullptr);
  EXPECT_EQ(scene.layers[1].name.data, nullptr);  // nor the rest of the file
  EXPECT_EQ(device.live, 3);
}

TEST_F(LmfEdge, FailedCreationsStopTheLoad) {
  const std::vector<uint8_t> bytes = lmfw::WriteLmf(SampleScene());
  // Six buffers, then the two textures: every one of them may fail.
  for (int at = 1; at <= 8; ++at) {
    SCOPED_TRACE(at);
    FakeDevice failing;
    failing.failCreateAt = at;
    EXPECT_EQ(LoadBytes(bytes, &failing, &scene), -1);
    EXPECT_EQ(failing.creations, at);
    EXPECT_EQ(failing.live, at - 1);
    FreeScene(&scene);
    EXPECT_EQ(failing.live, 0);
  }
}

TEST_F(LmfEdge, NoDeviceFailsAtTheFirstBuffer) {
  EXPECT_EQ(LoadBytes(lmfw::WriteLmf(SampleScene()), nullptr, &scene), -1);
}

TEST_F(LmfEdge, UnknownChunksInsideEveryBodyAreSkipped) {
  ChunkWriter w;
  const uint32_t junk = LmfTag("ZZZZ");
  w.Chunk(junk, "abc", 3);
  OneSurface(&w);
  w.ChunkU16(kLYRN, 1);
  w.Begin(kLYER);
  w.Chunk(junk, "abc", 3);
  w.ChunkU16(kMESN, 1);
  w.Begin(kMESH);
  w.Chunk(junk, "abc", 3);
  w.ChunkU16(kVTXN, 1);
  w.Chunk(kVTEX, std::vector<uint8_t>(80, 4).data(), 80);
  w.ChunkU16(kPOLN, 1);
  w.Chunk(kPOLY, std::vector<uint8_t>(6, 0).data(), 6);
  w.End();
  w.ChunkU16(kMOTN, 1);
  w.Begin(kMTNO);
  w.Chunk(junk, "abc", 3);
  w.ChunkU16(kVSCN, 12);
  w.End();
  w.End();
  w.ChunkU16(kMOTN, 1);
  w.Begin(kMOTI);
  w.Chunk(junk, "abc", 3);
  w.Begin(LmfTag("SCLZ"));
  w.Chunk(junk, "abc", 3);
  w.ChunkU16(kPOST, 4);
  w.End();
  w.End();
  ASSERT_EQ(LoadBytes(lmfw::WithHeader(w.bytes()), &device, &scene), 0);
  EXPECT_EQ(scene.layers[0].bindings[0].paletteSlot, 12);
  EXPECT_EQ(scene.motions[0].channels[8].postBehavior, 4);
}

// Copied bodies shorter than their field fill its first bytes.
TEST_F(LmfEdge, ShortCopiedBodiesFillTheFirstBytes) {
  ChunkWriter w;
  w.ChunkU16(kSRFN, 1);
  w.Begin(kSURF);
  w.Chunk(kSTYP, "\x02", 1);
  w.Chunk(kSIDE, "\x01\x00\x00\x00", 4);
  w.End();
  ASSERT_EQ(LoadBytes(lmfw::WithHeader(w.bytes()), &device, &scene), 0);
  EXPECT_EQ(scene.surfaces[0].type, 2);
  EXPECT_EQ(scene.surfaces[0].doubleSided, 1);
}

}  // namespace
