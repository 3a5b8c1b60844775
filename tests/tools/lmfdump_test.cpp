// lmfdump's report: the tree of a written file with its decoded values, and
// where and why a bad file is malformed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "scene/lmf_tags.h"
#include "scene/scene_test_util.h"
#include "tools/lmfdump/lmf_dump.h"
#include "tools/lmfdump/lmfdump_cli.h"

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

namespace {

// The command line: help, a wrong command line and unreadable files, each
// with its exit status and where the text goes.
TEST(LmfDump, CommandLine) {
  const std::string good = std::string(::testing::TempDir()) + "lmfdump-good.lmf";
  {
    std::vector<uint8_t> bytes = lmfw::WriteLmf(scene_test::SampleScene());
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* out;  // text expected on stdout ("" for none)
    const char* err;  // text expected on stderr ("" for none)
  } cases[] = {
      {{"--help"}, 0, "usage: lmfdump FILE", ""},
      {{"-h", "x.lmf"}, 0, "Exit status", ""},
      {{}, 2, "", "usage: lmfdump FILE"},
      {{"a.lmf", "b.lmf"}, 2, "", "usage: lmfdump FILE"},
      {{"--bogus"}, 2, "", "unknown option '--bogus'"},
      {{"/nonexistent/x.lmf"}, 2, "", "cannot open /nonexistent/x.lmf: No such file or directory"},
      {{"--", "--help"}, 2, "", "cannot open --help"},
      {{good}, 0, "LYRN [2] 2 layers", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    std::ostringstream out, err;
    EXPECT_EQ(lmfd::LmfdumpMain(c.args, out, err), c.status);
    if (*c.out) {
      EXPECT_NE(out.str().find(c.out), std::string::npos) << out.str();
    } else {
      EXPECT_EQ(out.str(), "");
    }
    if (*c.err) {
      EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    } else {
      EXPECT_EQ(err.str(), "");
    }
  }
  std::remove(good.c_str());
}

}  // namespace
