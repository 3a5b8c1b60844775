// ArchiveFind: separators, case folding, CP932 names and the binary search.
#include <cstring>

#include "tests/data/archive_test_util.h"

namespace {

using data_test::Pattern;

class ArchiveLookupTest : public data_test::ScratchDirTest {};

// Names mix ASCII with CP932 double-byte characters whose trail byte is 0x5C
// ("ソ" 83 5C, "表" 95 5C) and bytes above 0x7F, which must sort unsigned.
const std::vector<std::string> kStored = {"BG.bmp",    "Chip.bmp",     "data\\BG.bmp",
                                          "Scene.lmf", "\x83\x5C.bmp", "\x95\x5C\\x.bin",
                                          "\xB1.txt",  "_under",       "~tilde"};

TEST_F(ArchiveLookupTest, FindsEveryStoredNameAsWrittenAndInOtherSpellings) {
  std::vector<pac::MemoryMember> members;
  for (size_t i = 0; i < kStored.size(); ++i) {
    members.push_back({kStored[i], Pattern(10 + i, static_cast<uint32_t>(i))});
  }
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive(members, false));
  const DataArchive* archive = CurrentArchive();

  struct Case {
    std::string lookup;
    std::string stored;
  };
  std::vector<Case> cases;
  for (const std::string& name : kStored) cases.push_back({name, name});
  cases.insert(cases.end(), {
                                {"data/BG.bmp", "data\\BG.bmp"},
                                {"DATA/bg.BMP", "data\\BG.bmp"},
                                {"bg.BMP", "BG.bmp"},
                                {"SCENE.LMF", "Scene.lmf"},
                                {"\x83\x5C.BMP", "\x83\x5C.bmp"},
                                {"\x95\x5C/X.BIN", "\x95\x5C\\x.bin"},
                            });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lookup);
    MemberCursor cursor{-1, 7, 7, 7};
    ASSERT_EQ(ArchiveFind(&cursor, c.lookup.c_str()), 0);
    ASSERT_GE(cursor.entry, 0);
    ASSERT_LT(cursor.entry, archive->count);
    const ArchiveEntry& entry = archive->entries[cursor.entry];
    EXPECT_STREQ(entry.name, c.stored.c_str());
    EXPECT_EQ(cursor.position, 0u);
    EXPECT_EQ(cursor.size, entry.size);
    EXPECT_EQ(cursor.offset, entry.offset);
    size_t index = std::find(kStored.begin(), kStored.end(), c.stored) - kStored.begin();
    EXPECT_EQ(data_test::MemberBytes(cursor), Pattern(10 + index, static_cast<uint32_t>(index)));
  }
}

TEST_F(ArchiveLookupTest, MissingNamesLeaveTheCursorAlone) {
  std::vector<pac::MemoryMember> members;
  for (const std::string& name : kStored) members.push_back({name, {1, 2, 3}});
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive(members, false));
  const std::string tooLong(260, 'a');
  const std::string muchTooLong(5000, 'b');
  const std::string missing[] = {"",
                                 "!first",
                                 "\xFF\xFF",
                                 "Ca",
                                 "BG.bm",
                                 "BG.bmpx",
                                 "data\\BG",
                                 "data\\BG.bmp\\x",
                                 "\x83\x5D.bmp",
                                 "Scene.lmf ",
                                 "zzz",
                                 tooLong,
                                 muchTooLong,
                                 "data\\" + std::string(250, 'c')};
  for (const std::string& name : missing) {
    SCOPED_TRACE(name.substr(0, 20));
    MemberCursor cursor{11, 22, 33, 44};
    EXPECT_EQ(ArchiveFind(&cursor, name.c_str()), -3);
    EXPECT_EQ(cursor.entry, 11);
    EXPECT_EQ(cursor.position, 22u);
    EXPECT_EQ(cursor.size, 33u);
    EXPECT_EQ(cursor.offset, 44u);
  }
}

TEST_F(ArchiveLookupTest, LongestNameIsFoundAndTheNextLengthIsRefused) {
  const std::string longest(259, 'n');
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive({{longest, {9}}}, false));
  MemberCursor cursor{};
  EXPECT_EQ(ArchiveFind(&cursor, longest.c_str()), 0);
  EXPECT_EQ(ArchiveFind(&cursor, (longest + "n").c_str()), -3);
}

TEST_F(ArchiveLookupTest, EmptyArchiveOpensAndFindsNothing) {
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive({}, false));
  EXPECT_EQ(CurrentArchive()->count, 0);
  MemberCursor cursor{};
  EXPECT_EQ(ArchiveFind(&cursor, "BG.bmp"), -3);
  EXPECT_EQ(ArchiveFind(&cursor, ""), -3);
}

TEST_F(ArchiveLookupTest, WithoutAnArchiveNothingIsFound) {
  ASSERT_EQ(ArchiveStartup(nullptr), 0);
  EXPECT_EQ(CurrentArchive(), nullptr);
  MemberCursor cursor{};
  EXPECT_EQ(ArchiveFind(&cursor, "BG.bmp"), -3);
}

TEST(ArchiveNames, SlashesBecomeBackslashesButDoubleByteCharactersStayWhole) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"a/b/c", "a\\b\\c"},
      {"/", "\\"},
      {"\x95\x5C/c", "\x95\x5C\\c"},  // trail 0x5C, then a real separator
      {"\xB1/", "\xB1\\"},            // half-width katakana is one byte
      {"ab\x81", "ab\x81"},           // a lead byte at the end stops cleanly
      {"a\\b", "a\\b"},
  };
  for (const Case& c : cases) {
    std::string name = c.in;
    ArchiveSlashesToBackslashes(name.data());
    EXPECT_EQ(name, c.out);
  }
}

TEST(ArchiveNames, ComparisonFoldsAsciiOnlyAndOrdersBytesUnsigned) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"abc", "ABC", 0},    {"abc", "abd", -1}, {"abc", "abcd", -1},
      {"", "a", -1},        {"_", "a", -1},  // '_' (0x5F) sorts before folded letters
      {"Z", "_", 1},                         // 'Z' folds to 'z' (0x7A), after '_'
      {"z", "\x81", -1},                     // bytes above 0x7F sort after ASCII
      {"\xC1", "\xE1", -1},                  // no folding outside A-Z
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    int order = ArchiveCompareNames(c.a, c.b);
    EXPECT_EQ((order > 0) - (order < 0), c.sign);
    int reverse = ArchiveCompareNames(c.b, c.a);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign);
  }
}

}  // namespace
