// lmfdump's report: the tree of a written file with its decoded values, and
// where and why a bad file is malformed.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "scene/lmf_tags.h"
#include "scene/scene_test_util.h"
#include "tools/lmfdump/lmf_dump.h"

namespace {

using namespace scene_test;

std::string Dump(const std::vector<uint8_t>& bytes, bool* ok, std::string* error) {
  std::ostringstream out;
  *ok = lmfd::DumpLmf(bytes, out, error);
  return out.str();
}

TEST(LmfDump, PrintsTheTreeOfAWrittenFile) {
  bool ok = false;
  std::string error;
  const std::string text = Dump(lmfw::WriteLmf(SampleScene()), &ok, &error);
  ASSERT_TRUE(ok) << error << "\n" << text;
  EXPECT_TRUE(error.empty());
  for (const char* expected : {
           "LYRN [2] 2 layers",
           "NAME [4] name \"body\"",
           "NAME [4] name \"h\\x00\\x82\\xa0\"",
           "VTXN [2] vertices 5",
           "VTEX [400] vertex data",
           "POLY [18] index data",
           "MOTN [2] 4 motions",
           "PARN [2] parent 3",
           "KEYN [2] keys 3",
           "KEY  [102] 3 keys, -50 to 150 ms",
           "SIZE [8] 3 x 2, texture 4 x 4",
           "SIZE [8] 1 x 4, texture 4 x 4",
           "LIGT [0] light #1",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST(LmfDump, SaysWhereAndWhyAFileIsMalformed) {
  lmfw::SceneData data = SampleScene();
  data.layers[1].meshes[0].surfaceNo = 7;
  bool ok = true;
  std::string error;
  Dump(lmfw::WriteLmf(data), &ok, &error);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("layer #1 mesh #0: surface 7 of 2"), std::string::npos) << error;

  // A chunk whose length runs past its layer: the path and the numbers.
  std::vector<uint8_t> bytes = lmfw::WriteLmf(SampleScene());
  const uint32_t tag = lmf::kBBOX;
  size_t at = 8;
  while (std::memcmp(&bytes[at], &tag, 4) != 0) ++at;
  const int32_t length = 5000;
  std::memcpy(&bytes[at + 4], &length, 4);
  Dump(bytes, &ok, &error);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("in LYER #0: BBOX: length 5000 runs past its parent"), std::string::npos)
      << error;
  EXPECT_NE(error.find("offset 0x"), std::string::npos) << error;

  const std::vector<uint8_t> good = lmfw::WriteLmf(SampleScene());
  Dump(std::vector<uint8_t>(good.begin(), good.begin() + 200), &ok, &error);
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("data ends"), std::string::npos) << error;
}

}  // namespace
