// The pac tool: round trips through pack, list and extract, archives the data
// layer reads member by member, and the inputs it must refuse.
#include <sstream>

#include "tests/data/archive_test_util.h"
#include "tools/pac/pac_cli.h"

namespace {

using data_test::Pattern;
namespace fs = std::filesystem;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result Pac(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = pac::RunPac(args, out, err);
  return {code, out.str(), err.str()};
}

class PacTest : public data_test::ScratchDirTest {
 protected:
  // UTF-8 relative path -> contents.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files_ = {
      {"BG.bmp", Pattern(70000, 1)},
      {"Chip.bmp", Pattern(3, 2)},
      {"empty.bin", {}},
      {"sub/Scene.lmf", Pattern(140000, 3)},
      {"sub/deeper/BGM.wav", Pattern(1234, 4)},
      {"ソ表.txt", Pattern(77, 5)},  // CP932 trail bytes 0x5C in the stored name
  };
  void WriteInputs() {
    for (const auto& [name, bytes] : files_) data_test::WriteFile(fs::path("in") / name, bytes);
  }
};

TEST_F(PacTest, PackListExtractRoundTripAndTheDataLayerReadsEveryMember) {
  WriteInputs();
  for (bool scramble : {false, true}) {
    SCOPED_TRACE(scramble);
    std::vector<std::string> args = {"pack", "DataB.pac", "in"};
    if (scramble) args.insert(args.begin() + 1, "--scramble");
    Result packed = Pac(args);
    ASSERT_EQ(packed.code, 0) << packed.err;

    Result listed = Pac({"list", "DataB.pac"});
    ASSERT_EQ(listed.code, 0) << listed.err;
    EXPECT_NE(listed.out.find(scramble ? "scrambled" : "plain"), std::string::npos);
    EXPECT_NE(listed.out.find("sub\\deeper\\BGM.wav"), std::string::npos);
    EXPECT_NE(listed.out.find("ソ表.txt"), std::string::npos);

    fs::remove_all("out");
    Result extracted = Pac({"extract", "DataB.pac", "-C", "out"});
    ASSERT_EQ(extracted.code, 0) << extracted.err;
    for (const auto& [name, bytes] : files_) {
      EXPECT_EQ(data_test::ReadFile(fs::path("out") / name), bytes) << name;
    }

    ASSERT_EQ(ArchiveStartup(nullptr), 0);
    const DataArchive* archive = CurrentArchive();
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->scrambled, scramble ? 1 : 0);
    ASSERT_EQ(archive->count, static_cast<int32_t>(files_.size()));
    for (int32_t i = 1; i < archive->count; ++i) {
      EXPECT_LT(ArchiveCompareNames(archive->entries[i - 1].name, archive->entries[i].name), 0);
    }
    for (const auto& [name, bytes] : files_) {
      SCOPED_TRACE(name);
      std::string cp932;
      ASSERT_TRUE(pac::Utf8ToCp932(name, &cp932));
      SourceHandle handle{kSourceArchiveMember, CurrentArchive(), {}, nullptr};
      ASSERT_EQ(ArchiveFind(&handle.cursor, cp932.c_str()), 0);
      InputStream stream;
      data_test::PrepareStream(&stream, kSourceHandleCallbacks, &handle);
      std::vector<uint8_t> out(bytes.size() + 16);
      EXPECT_EQ(StreamRead(&stream, out.data(), static_cast<uint32_t>(out.size())), bytes.size());
      out.erase(out.begin() + static_cast<long>(bytes.size()), out.end());
      EXPECT_EQ(out, bytes);
      StreamClose(&stream);
    }
    ArchiveShutdown();
  }
}

TEST_F(PacTest, ExtractsNamedMembersInAnySpelling) {
  WriteInputs();
  ASSERT_EQ(Pac({"pack", "--scramble", "x.pac", "in/BG.bmp", "in/sub"}).code, 0);
  Result r = Pac({"extract", "x.pac", "-C", "out", "SCENE.LMF", "deeper/bgm.wav"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(data_test::ReadFile("out/Scene.lmf"), files_[3].second);
  EXPECT_EQ(data_test::ReadFile("out/deeper/BGM.wav"), files_[4].second);
  EXPECT_FALSE(fs::exists("out/BG.bmp"));
  EXPECT_EQ(Pac({"extract", "x.pac", "nothing.bin"}).code, 1);
}

TEST_F(PacTest, RefusesWhatTheFormatCannotStore) {
  const std::string dir200(200, 'd');
  data_test::WriteFile(fs::path("long") / dir200 / std::string(58, 'f'), {1});     // 259 bytes
  data_test::WriteFile(fs::path("toolong") / dir200 / std::string(59, 'f'), {1});  // 260 bytes
  data_test::WriteFile("dup/a.TXT", {1});
  data_test::WriteFile("dup2/A.txt", {2});
  data_test::WriteFile("big.bin", {});
  fs::resize_file("big.bin", 1ull << 32);  // sparse: costs no disk
  data_test::WriteFile("fits.bin", {});
  fs::resize_file("fits.bin", (1ull << 32) - 1);

  ASSERT_EQ(Pac({"pack", "ok.pac", "long"}).code, 0);
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string says;
  };
  const Case cases[] = {
      {{"pack", "x.pac", "toolong"}, 1, "260 bytes"},
      {{"pack", "x.pac", "big.bin"}, 1, "4 GiB"},
      {{"pack", "x.pac", "fits.bin", "dup"}, 1, "4 GiB"},  // the archive would pass 4 GiB
      {{"pack", "x.pac", "dup", "dup2"}, 1, "both"},
      {{"pack", "x.pac", "missing"}, 1, "missing"},
      {{"pack", "x.pac"}, 2, "usage"},
      {{"list"}, 2, "usage"},
      {{"frobnicate"}, 2, "unknown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    Result r = Pac(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("x.pac"));
  }
}

TEST_F(PacTest, ListAndExtractRefuseBadArchives) {
  std::vector<uint8_t> evil;
  std::string error;
  ASSERT_TRUE(pac::BuildArchive({{"..\\evil.txt", {1}}}, false, pac::DefaultKey(), &evil, &error));
  data_test::WriteFile("evil.pac", evil);
  Result r = Pac({"extract", "evil.pac", "-C", "out"});
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(fs::exists("evil.txt"));

  std::vector<uint8_t> past;
  ASSERT_TRUE(pac::BuildArchive({{"a", Pattern(100)}}, true, pac::DefaultKey(), &past, &error));
  past.pop_back();
  data_test::WriteFile("short.pac", past);
  data_test::WriteFile("junk.pac", {'P', 'K', 3, 4});
  for (const char* name : {"short.pac", "junk.pac", "none.pac"}) {
    SCOPED_TRACE(name);
    Result listed = Pac({"list", name});
    EXPECT_EQ(listed.code, 1);
    EXPECT_NE(listed.err.find(name), std::string::npos);
  }
}

TEST_F(PacTest, HelpDocumentsTheFormatAndTheMask) {
  Result r = Pac({"--help"});
  EXPECT_EQ(r.code, 0);
  char mask[8];
  std::snprintf(mask, sizeof mask, "0x%02X", kArchiveKeyMask);
  for (const std::string& word :
       std::vector<std::string>{"PACK", "scramble", "key[F mod 32]", "backslash", "260", mask}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
}

}  // namespace
