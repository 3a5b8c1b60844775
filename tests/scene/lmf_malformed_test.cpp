// Files nobody checked: every malformed file fails with -1, writes nothing
// outside the records and buffers (run under AddressSanitizer), leaves
// nothing locked, and leaves a scene that FreeScene releases completely.
// lmfdump must call each of them malformed too.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "scene/fake_device.h"
#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"
#include "scene/scene_test_util.h"
#include "tools/lmfdump/lmf_dump.h"

namespace {

using namespace scene_test;
using namespace lmf;
using lmfw::ChunkWriter;

void Mesh(ChunkWriter* w, uint16_t surfaceNo = 0) {
  w->Begin(kMESH);
  w->ChunkU16(kVTXN, 1);
  w->Chunk(kVTEX, std::vector<uint8_t>(80, 1).data(), 80);
  w->ChunkU16(kPOLN, 1);
  w->Chunk(kPOLY, std::vector<uint8_t>(6, 0).data(), 6);
  w->ChunkU16(kSFNO, surfaceNo);
  w->End();
}

void Surfaces(ChunkWriter* w, uint16_t n) {
  w->ChunkU16(kSRFN, n);
  for (uint16_t i = 0; i < n; ++i) {
    w->Begin(kSURF);
    w->End();
  }
}

// One layer around `body`, with one surface.
void LayerWith(ChunkWriter* w, const std::function<void(ChunkWriter*)>& body) {
  Surfaces(w, 1);
  w->ChunkU16(kLYRN, 1);
  w->Begin(kLYER);
  body(w);
  w->End();
}

void MeshWith(ChunkWriter* w, const std::function<void(ChunkWriter*)>& body) {
  LayerWith(w, [&](ChunkWriter* l) {
    l->ChunkU16(kMESN, 1);
    l->Begin(kMESH);
    body(l);
    l->End();
  });
}

void ChannelWith(ChunkWriter* w, const std::function<void(ChunkWriter*)>& body) {
  w->ChunkU16(kMOTN, 1);
  w->Begin(kMOTI);
  w->Begin(kChannelTags[0]);
  body(w);
  w->End();
  w->End();
}

void TextureWith(ChunkWriter* w, const std::function<void(ChunkWriter*)>& body) {
  w->ChunkU16(kSRFN, 1);
  w->Begin(kSURF);
  w->Begin(kTEX);
  body(w);
  w->End();
  w->End();
}

void Size(ChunkWriter* w, int32_t width, int32_t height) {
  w->Begin(kSIZE);
  w->I32(width);
  w->I32(height);
  w->End();
}

void Motions(ChunkWriter* w, const std::vector<uint16_t>& parents) {
  w->ChunkU16(kMOTN, static_cast<uint16_t>(parents.size()));
  for (uint16_t parent : parents) {
    w->Begin(kMOTI);
    w->ChunkU16(kPARN, parent);
    w->End();
  }
}

std::vector<uint8_t> Bytes(const std::function<void(ChunkWriter*)>& build) {
  ChunkWriter w;
  build(&w);
  return lmfw::WithHeader(w.bytes());
}

// Sets the signed 32-bit length of the first chunk with `tag` at or after `from`.
std::vector<uint8_t> WithLength(std::vector<uint8_t> bytes, uint32_t tag, int32_t length,
                                size_t from = 8) {
  for (size_t at = from; at + 8 <= bytes.size(); ++at) {
    uint32_t t;
    std::memcpy(&t, &bytes[at], 4);
    if (t == tag) {
      std::memcpy(&bytes[at + 4], &length, 4);
      return bytes;
    }
  }
  ADD_FAILURE() << "no " << LmfTagName(tag);
  return bytes;
}

struct Case {
  const char* name;
  LmfError reason;  // what the loader records and lmfdump names
  std::vector<uint8_t> bytes;
};

std::vector<Case> MalformedFiles() {
  const std::vector<uint8_t> oneLayer = Bytes([](ChunkWriter* w) {
    LayerWith(w, [](ChunkWriter* l) {
      l->ChunkU16(kMESN, 1);
      Mesh(l);
    });
  });
  std::vector<uint8_t> longerTotal = oneLayer;
  longerTotal[4] += 1;
  return {
      // Lengths.
      {"negative top-level length", LmfError::kChunkLength, WithLength(oneLayer, kSRFN, -1)},
      {"top-level length past the total", LmfError::kChunkLength,
       WithLength(oneLayer, kLYER, 10000)},
      {"inner length past its parent", LmfError::kChunkLength, WithLength(oneLayer, kMESH, 1000)},
      {"inner length negative", LmfError::kChunkLength, WithLength(oneLayer, kVTXN, -2)},
      {"header straddling the end of its parent", LmfError::kChunkHeader,
       Bytes([](ChunkWriter* w) { LayerWith(w, [](ChunkWriter* l) { l->Bytes("abcd", 4); }); })},
      {"total longer than the data", LmfError::kChunkHeader, longerTotal},
      {"light length past the total", LmfError::kChunkLength, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kLITN, 1);
         w->U32(kLIGT);
         w->I32(100);
       })},
      // Fixed bodies of the wrong size.
      {"BBOX of 20 bytes", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) { l->Chunk(kBBOX, std::vector<uint8_t>(20).data(), 20); });
       })},
      {"IRMT of 68 bytes", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kMOTN, 1);
         w->Begin(kMOTI);
         w->Chunk(kIRMT, std::vector<uint8_t>(68).data(), 68);
         w->End();
       })},
      {"PARN of 4 bytes", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kMOTN, 1);
         w->Begin(kMOTI);
         w->ChunkI32(kPARN, -1);
         w->End();
       })},
      {"DIFF of 12 bytes", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kSRFN, 1);
         w->Begin(kSURF);
         w->Chunk(kDIFF, std::vector<uint8_t>(12).data(), 12);
         w->End();
       })},
      {"bone RSTL of 2 bytes", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->ChunkU16(kBONN, 1);
           l->Begin(kBONE);
           l->ChunkU16(kRSTL, 1);
           l->End();
         });
       })},
      {"SIZE of 12 bytes", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         TextureWith(
             w, [](ChunkWriter* t) { t->Chunk(kSIZE, std::vector<uint8_t>(12, 1).data(), 12); });
       })},
      // Copied bodies wider than their field.
      {"LYRN of 4 bytes", LmfError::kCopiedTooWide,
       Bytes([](ChunkWriter* w) { w->ChunkI32(kLYRN, 1); })},
      {"SFNO of 3 bytes", LmfError::kCopiedTooWide, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) { m->Chunk(kSFNO, "\0\0\0", 3); });
       })},
      {"STYP of 5 bytes", LmfError::kCopiedTooWide, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kSRFN, 1);
         w->Begin(kSURF);
         w->Chunk(kSTYP, "\1\0\0\0\0", 5);
         w->End();
       })},
      {"SIDE of 5 bytes", LmfError::kCopiedTooWide, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kSRFN, 1);
         w->Begin(kSURF);
         w->Chunk(kSIDE, "\1\0\0\0\0", 5);
         w->End();
       })},
      {"KEYN of 4 bytes", LmfError::kCopiedTooWide, Bytes([](ChunkWriter* w) {
         ChannelWith(w, [](ChunkWriter* c) { c->ChunkI32(kKEYN, 0); });
       })},
      {"camera FOVY of 8 bytes", LmfError::kCopiedTooWide, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kCAMN, 1);
         w->Begin(kCAM);
         w->Chunk(kFOVY, std::vector<uint8_t>(8).data(), 8);
         w->End();
       })},
      // Items and counts.
      {"layer without LYRN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         w->Begin(kLYER);
         w->End();
       })},
      {"layer beyond LYRN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kLYRN, 1);
         w->Begin(kLYER);
         w->End();
         w->Begin(kLYER);
         w->End();
       })},
      {"layer after LYRN 0", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kLYRN, 0);
         w->Begin(kLYER);
         w->End();
       })},
      {"second LYRN", LmfError::kRepeated, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kLYRN, 1);
         w->ChunkU16(kLYRN, 2);
       })},
      {"motion without MOTN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         w->Begin(kMOTI);
         w->End();
       })},
      {"surface beyond SRFN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         Surfaces(w, 1);
         w->Begin(kSURF);
         w->End();
       })},
      {"camera without CAMN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         w->Begin(kCAM);
         w->End();
       })},
      {"light without LITN", LmfError::kItemUncounted,
       Bytes([](ChunkWriter* w) { w->Chunk(kLIGT, nullptr, 0); })},
      {"light beyond LITN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kLITN, 1);
         w->Chunk(kLIGT, nullptr, 0);
         w->Chunk(kLIGT, nullptr, 0);
       })},
      {"mesh without MESN", LmfError::kItemUncounted,
       Bytes([](ChunkWriter* w) { LayerWith(w, [](ChunkWriter* l) { Mesh(l); }); })},
      {"mesh beyond MESN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->ChunkU16(kMESN, 1);
           Mesh(l);
           Mesh(l);
         });
       })},
      {"bone without BONN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->Begin(kBONE);
           l->End();
         });
       })},
      {"binding without MOTN", LmfError::kItemUncounted, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->Begin(kMTNO);
           l->End();
         });
       })},
      {"second MESN", LmfError::kRepeated, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->ChunkU16(kMESN, 1);
           Mesh(l);
           l->ChunkU16(kMESN, 1);
         });
       })},
      {"fewer meshes than MESN", LmfError::kMissingBuffer, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->ChunkU16(kMESN, 2);
           Mesh(l);
         });
       })},
      // Buffer data.
      {"VTEX before VTXN", LmfError::kDataBeforeBuffer, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) { m->Chunk(kVTEX, std::vector<uint8_t>(80).data(), 80); });
       })},
      {"VTEX larger than its buffer", LmfError::kDataSize, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) {
           m->ChunkU16(kVTXN, 1);
           m->Chunk(kVTEX, std::vector<uint8_t>(160).data(), 160);
         });
       })},
      {"VTEX smaller than its buffer", LmfError::kDataSize, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) {
           m->ChunkU16(kVTXN, 2);
           m->Chunk(kVTEX, std::vector<uint8_t>(80).data(), 80);
         });
       })},
      {"second VTXN", LmfError::kRepeated, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) {
           m->ChunkU16(kVTXN, 1);
           m->ChunkU16(kVTXN, 1);
         });
       })},
      {"VTXN 0", LmfError::kDevice,
       Bytes([](ChunkWriter* w) { MeshWith(w, [](ChunkWriter* m) { m->ChunkU16(kVTXN, 0); }); })},
      {"POLY before POLN", LmfError::kDataBeforeBuffer, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) { m->Chunk(kPOLY, std::vector<uint8_t>(6).data(), 6); });
       })},
      {"POLY larger than its buffer", LmfError::kDataSize, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) {
           m->ChunkU16(kVTXN, 3);
           m->Chunk(kVTEX, std::vector<uint8_t>(240).data(), 240);
           m->ChunkU16(kPOLN, 1);
           m->Chunk(kPOLY, std::vector<uint8_t>(12).data(), 12);
         });
       })},
      {"mesh without POLN", LmfError::kMissingBuffer, Bytes([](ChunkWriter* w) {
         MeshWith(w, [](ChunkWriter* m) {
           m->ChunkU16(kVTXN, 1);
           m->Chunk(kVTEX, std::vector<uint8_t>(80).data(), 80);
         });
       })},
      // Keys.
      {"KEY longer than KEYN", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         ChannelWith(w, [](ChunkWriter* c) {
           c->ChunkU16(kKEYN, 1);
           c->Chunk(kKEY, std::vector<uint8_t>(68).data(), 68);
         });
       })},
      {"KEY shorter than KEYN", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         ChannelWith(w, [](ChunkWriter* c) {
           c->ChunkU16(kKEYN, 2);
           c->Chunk(kKEY, std::vector<uint8_t>(34).data(), 34);
         });
       })},
      {"KEY without KEYN", LmfError::kFixedSize, Bytes([](ChunkWriter* w) {
         ChannelWith(w,
                     [](ChunkWriter* c) { c->Chunk(kKEY, std::vector<uint8_t>(34).data(), 34); });
       })},
      // Textures.
      {"pixels before SIZE", LmfError::kDataBeforeBuffer, Bytes([](ChunkWriter* w) {
         TextureWith(w, [](ChunkWriter* t) { t->Chunk(kTEX, std::vector<uint8_t>(4).data(), 4); });
       })},
      {"pixels larger than SIZE", LmfError::kDataSize, Bytes([](ChunkWriter* w) {
         TextureWith(w, [](ChunkWriter* t) {
           Size(t, 2, 1);
           t->Chunk(kTEX, std::vector<uint8_t>(12).data(), 12);
         });
       })},
      {"SIZE width 0", LmfError::kPictureSize,
       Bytes([](ChunkWriter* w) { TextureWith(w, [](ChunkWriter* t) { Size(t, 0, 4); }); })},
      {"SIZE height negative", LmfError::kPictureSize,
       Bytes([](ChunkWriter* w) { TextureWith(w, [](ChunkWriter* t) { Size(t, 4, -4); }); })},
      {"SIZE too large", LmfError::kPictureSize,
       Bytes([](ChunkWriter* w) { TextureWith(w, [](ChunkWriter* t) { Size(t, 4097, 1); }); })},
      {"SIZE huge", LmfError::kPictureSize, Bytes([](ChunkWriter* w) {
         TextureWith(w, [](ChunkWriter* t) { Size(t, INT32_MAX, INT32_MAX); });
       })},
      {"second SIZE", LmfError::kRepeated, Bytes([](ChunkWriter* w) {
         TextureWith(w, [](ChunkWriter* t) {
           Size(t, 1, 1);
           Size(t, 1, 1);
         });
       })},
      // A texture container must deliver its pixels.
      {"empty texture container", LmfError::kNoPixels,
       Bytes([](ChunkWriter* w) { TextureWith(w, [](ChunkWriter*) {}); })},
      {"SIZE without pixels", LmfError::kNoPixels,
       Bytes([](ChunkWriter* w) { TextureWith(w, [](ChunkWriter* t) { Size(t, 4096, 4096); }); })},
      {"pixels smaller than SIZE", LmfError::kDataSize, Bytes([](ChunkWriter* w) {
         TextureWith(w, [](ChunkWriter* t) {
           Size(t, 2, 1);
           t->Chunk(kTEX, std::vector<uint8_t>(4).data(), 4);
         });
       })},
      {"second picture", LmfError::kRepeated, Bytes([](ChunkWriter* w) {
         TextureWith(w, [](ChunkWriter* t) {
           Size(t, 1, 1);
           t->Chunk(kTEX, std::vector<uint8_t>(4).data(), 4);
           t->Chunk(kTEX, std::vector<uint8_t>(4).data(), 4);
         });
       })},
      // Numbers and parents.
      {"surfaceNo out of range", LmfError::kSurfaceNumber, Bytes([](ChunkWriter* w) {
         LayerWith(w, [](ChunkWriter* l) {
           l->ChunkU16(kMESN, 1);
           Mesh(l, 1);
         });
       })},
      {"mesh without any surface", LmfError::kSurfaceNumber, Bytes([](ChunkWriter* w) {
         w->ChunkU16(kLYRN, 1);
         w->Begin(kLYER);
         w->ChunkU16(kMESN, 1);
         Mesh(w);
         w->End();
       })},
      {"layer motionNo out of range", LmfError::kMotionNumber, Bytes([](ChunkWriter* w) {
         Motions(w, {kNoMotion});
         LayerWith(w, [](ChunkWriter* l) { l->ChunkU16(kLMNO, 1); });
       })},
      {"binding motionNo out of range", LmfError::kMotionNumber, Bytes([](ChunkWriter* w) {
         Motions(w, {kNoMotion, 0});
         LayerWith(w, [](ChunkWriter* l) {
           l->ChunkU16(kMOTN, 1);
           l->Begin(kMTNO);
           l->ChunkU16(kMTNO, 2);
           l->End();
         });
       })},
      {"camera motionNo out of range", LmfError::kMotionNumber, Bytes([](ChunkWriter* w) {
         Motions(w, {kNoMotion});
         w->ChunkU16(kCAMN, 1);
         w->Begin(kCAM);
         w->ChunkU16(kMTNO, 0xFFFE);
         w->End();
       })},
      {"parentNo out of range", LmfError::kParentNumber, Bytes([](ChunkWriter* w) {
         Motions(w, {kNoMotion, 2});
       })},
      {"own parent", LmfError::kParentCycle, Bytes([](ChunkWriter* w) {
         Motions(w, {kNoMotion, 1});
       })},
      {"parent cycle of three", LmfError::kParentCycle, Bytes([](ChunkWriter* w) {
         Motions(w, {kNoMotion, 3, 1, 2, 0});
       })},
      {"parent cycle of two behind a chain", LmfError::kParentCycle, Bytes([](ChunkWriter* w) {
         Motions(w, {1, 2, 3, 2});
       })},
      // The header.
      {"no magic", LmfError::kBadMagic, {'L', 'M', 'D'}},
      {"wrong magic", LmfError::kBadMagic, {'X', 'D', 'M', 'L', 0, 0, 0, 0}},
      {"magic only", LmfError::kBadMagic, {'3', 'D', 'M', 'L'}},
  };
}

// Returns how many buffers and textures the refused load created. The
// reason is checked on both sides, so a row cannot pass on an unrelated
// earlier refusal.
int ExpectRefused(const std::vector<uint8_t>& bytes, LmfError reason, const std::string& what) {
  SCOPED_TRACE(what);
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  EXPECT_EQ(LoadBytes(bytes, &device, &scene), -1);
  EXPECT_STREQ(LmfErrorName(LmfLastError()), LmfErrorName(reason));
  EXPECT_EQ(device.openLocks, 0);
  FreeScene(&scene);
  EXPECT_EQ(device.live, 0);
  EXPECT_EQ(scene.layers, nullptr);
  EXPECT_EQ(scene.motions, nullptr);
  std::ostringstream out;
  std::string error;
  LmfError dumpReason = LmfError::kNone;
  EXPECT_FALSE(lmfd::DumpLmf(bytes, out, &error, &dumpReason)) << out.str();
  EXPECT_STREQ(LmfErrorName(dumpReason), LmfErrorName(reason)) << error;
  EXPECT_NE(error.find(std::string("[") + LmfErrorName(reason) + "]"), std::string::npos) << error;
  return device.creations;
}

TEST(LmfMalformed, EveryBadFileIsRefused) {
  for (const Case& c : MalformedFiles()) ExpectRefused(c.bytes, c.reason, c.name);
}

// Each truncation of a small valid file that still announces the full
// total; cut at every byte, so every chunk boundary and every field.
TEST(LmfMalformed, EveryTruncationIsRefused) {
  lmfw::SceneData data = SampleScene();
  data.layers.resize(1);
  data.layers[0].meshes.resize(1);
  data.layers[0].meshes[0].vertices.resize(2);
  data.layers[0].meshes[0].indices = {0, 1, 1};
  data.surfaces[0].texture = Picture(2, 2, 3);
  data.surfaces[0].toon = Picture(1, 1, 4);
  const std::vector<uint8_t> bytes = lmfw::WriteLmf(data);
  {
    FakeDevice device;
    Scene scene;
    ResetScene(&scene);
    ASSERT_EQ(LoadBytes(bytes, &device, &scene), 0);  // the whole file is fine
    FreeScene(&scene);
  }
  // Inside the 8-byte header the file is no LMF file; after it, the data
  // ends inside a chunk.
  for (size_t cut = 0; cut < bytes.size(); ++cut)
    ExpectRefused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut),
                  cut < kHeaderSize ? LmfError::kBadMagic : LmfError::kTruncated,
                  "cut at " + std::to_string(cut));
}

// The same through a plain file, whose seeks go past the end without error:
// a file cut inside a skipped chunk still fails.
TEST(LmfMalformed, FileCutInsideASkippedChunkIsRefused) {
  ScratchDir dir;
  const std::vector<uint8_t> junk(150000, 7);
  std::vector<uint8_t> bytes = Bytes([&](ChunkWriter* w) {
    w->ChunkU16(kLITN, 1);
    w->Chunk(LmfTag("JUNK"), junk.data(), junk.size());
  });
  dir.Write(kSceneFileName, bytes);
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  ASSERT_EQ(LoadSceneFromFile(&scene, &device), 0);
  for (size_t cut : {bytes.size() - 1, bytes.size() - 2, size_t{70000}}) {
    SCOPED_TRACE(cut);
    dir.Write(kSceneFileName, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
    EXPECT_EQ(LoadSceneFromFile(&scene, &device), -1);
    EXPECT_EQ(LmfLastError(), LmfError::kTruncated);
  }
  FreeScene(&scene);
}

// No file, and a good file after a refused one: the reason is the open
// failure, then cleared by the load that succeeds.
TEST(LmfMalformed, MissingFileThenGoodFile) {
  ScratchDir dir;
  FakeDevice device;
  Scene scene;
  ResetScene(&scene);
  EXPECT_EQ(LoadSceneFromFile(&scene, &device), -1);
  EXPECT_EQ(LmfLastError(), LmfError::kOpen);
  dir.Write(kSceneFileName, Bytes([](ChunkWriter* w) { Surfaces(w, 1); }));
  EXPECT_EQ(LoadSceneFromFile(&scene, &device), 0);
  EXPECT_EQ(LmfLastError(), LmfError::kNone);
  FreeScene(&scene);
}

// Twenty surfaces whose textures hold only a 4096 x 4096 SIZE: the load fails
// without creating a single texture (each would take 85 MiB with its chain).
TEST(LmfMalformed, TexturesWithoutPixelsAreNeverCreated) {
  const std::vector<uint8_t> bytes = Bytes([](ChunkWriter* w) {
    w->ChunkU16(kSRFN, 20);
    for (int i = 0; i < 20; ++i) {
      w->Begin(kSURF);
      w->Begin(kTEX);
      Size(w, 4096, 4096);
      w->End();
      w->End();
    }
  });
  EXPECT_EQ(ExpectRefused(bytes, LmfError::kNoPixels, "twenty textures without pixels"), 0);
}

}  // namespace
