// The data set as a whole: the same bytes on every run and as the build step
// wrote them, the archive holding the plain files (the backdrop as a raw
// texture, the one form the program reads from an archive), and the scene
// file readable by lmfdump.
#include <gtest/gtest.h>

#include <sstream>

#include "mkassets_test_util.h"
#include "tools/lmfdump/lmf_dump.h"
#include "tools/mkassets/assets.h"
#include "tools/pac/pac_format.h"

namespace assets_test {
namespace {

const char* const kPlainFiles[] = {"BG.bmp", "Chip.bmp", "Scene.lmf", "BGM.wav"};

TEST(DemoDataBuild, TwoRunsGiveTheSameBytesAsTheBuildStep) {
  std::vector<mkassets::AssetFile> first, second;
  mkassets::SceneFigures figures;
  std::string error;
  ASSERT_TRUE(mkassets::BuildAll(&first, &figures, &error)) << error;
  ASSERT_TRUE(mkassets::BuildAll(&second, &figures, &error)) << error;
  ASSERT_EQ(first.size(), 5u);
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    SCOPED_TRACE(first[i].name);
    EXPECT_EQ(first[i].name, second[i].name);
    EXPECT_TRUE(first[i].bytes == second[i].bytes) << "two runs differ";
    // The build step ran in this build tree with the same code.
    EXPECT_TRUE(ReadBytes(DataPath(first[i].name)) == first[i].bytes)
        << "the file in " << MORVANE_DATA_DIR << " differs from a fresh run";
  }
}

TEST(DemoDataBuild, ArchiveMembersExtractToThePlainFiles) {
  pac::Index index;
  std::string error;
  const auto archive = DataPath("DataB.pac");
  ASSERT_TRUE(pac::ReadIndex(archive, &index, &error)) << error;
  EXPECT_TRUE(index.scrambled);
  ASSERT_EQ(index.entries.size(), std::size(kPlainFiles));
  for (const char* name : kPlainFiles) {
    SCOPED_TRACE(name);
    const auto it = std::find_if(index.entries.begin(), index.entries.end(),
                                 [name](const pac::IndexEntry& e) { return e.name == name; });
    ASSERT_NE(it, index.entries.end());
    std::vector<uint8_t> member;
    ASSERT_TRUE(pac::ReadMember(archive, index, *it, &member, &error)) << error;
    const auto plain = ReadBytes(DataPath(name));
    ASSERT_FALSE(plain.empty());
    if (std::string(name) != "BG.bmp") {
      EXPECT_TRUE(member == plain) << "the member differs from the plain file";
      continue;
    }
    // The program reads archive textures in the raw format only: the
    // member is the plain bitmap's picture as raw pixels, opaque.
    ASSERT_EQ(member.size(), 12u + 800u * 600u * 4u);
    EXPECT_EQ(std::string(member.begin(), member.begin() + 4), "TEYL");
    EXPECT_EQ(U32At(member, 4), 800u);
    EXPECT_EQ(U32At(member, 8), 600u);
    const uint32_t pixelsAt = U32At(plain, 10);
    size_t mismatches = 0;
    for (size_t y = 0; y < 600; ++y)
      for (size_t x = 0; x < 800; ++x) {
        const uint8_t* raw = &member[12 + 4 * (y * 800 + x)];
        const uint8_t* bmp = &plain[pixelsAt + 3 * ((599 - y) * 800 + x)];  // rows bottom-up
        mismatches += raw[0] != bmp[0] || raw[1] != bmp[1] || raw[2] != bmp[2] || raw[3] != 255;
      }
    EXPECT_EQ(mismatches, 0u);
  }
  // Scrambled: the plain bytes of a member do not appear as they are.
  const auto bytes = ReadBytes(archive);
  const std::string riff = "RIFF";
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), riff.begin(), riff.end()), bytes.end());
}

TEST(DemoDataBuild, LmfdumpReadsTheScene) {
  std::ostringstream out;
  std::string error;
  EXPECT_TRUE(lmfd::DumpLmf(ReadBytes(DataPath("Scene.lmf")), out, &error)) << error;
  // Two lights whose inner chunks, and the chunks around the scene, are
  // stepped over.
  const std::string text = out.str();
  auto count = [&text](const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("LIGT"), 2u);
  EXPECT_GE(count("unknown, skipped"), 10u);
  EXPECT_EQ(count("LYER"), 37u);
}

TEST(DemoDataBuild, FiguresMeetTheBenchmarkLoad) {
  const mkassets::SceneFigures f = mkassets::Measure(mkassets::MakeScene());
  EXPECT_GE(f.layers, 37u);
  EXPECT_GE(f.trianglesDrawn, 40000u);
  EXPECT_GE(f.bones, 24u);
  EXPECT_GE(f.textures, 4u);
  EXPECT_LT(f.drawnMeshes, f.meshes);
}

}  // namespace
}  // namespace assets_test
