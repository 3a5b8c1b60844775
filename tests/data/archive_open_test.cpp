// ArchiveOpen on good and malformed files: every bad header or index fails
// with its code, leaves the record empty and writes nothing outside the
// entry table (the asan preset checks the last part).
#include <cstdlib>
#include <new>

#include "tests/data/archive_test_util.h"

// Records the largest nothrow array allocation, so a test can tell that an
// absurd entry count was refused before memory was asked for.
namespace {
std::size_t g_largestArray = 0;
}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (size > g_largestArray) g_largestArray = size;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

using data_test::Header;
using data_test::Put32;
using data_test::RawEntry;

class ArchiveOpenTest : public data_test::ScratchDirTest {
 protected:
  int32_t Open(const std::vector<uint8_t>& bytes) {
    data_test::WriteFile(kArchiveFileName, bytes);
    return ArchiveOpen(&archive_);
  }
  void ExpectEmpty() {
    EXPECT_EQ(archive_.entries, nullptr);
    EXPECT_EQ(archive_.file, nullptr);
    EXPECT_EQ(archive_.count, 0);
    EXPECT_EQ(archive_.scrambled, 0);
    EXPECT_EQ(archive_.fileName[0], '\0');
  }
  void TearDown() override {
    ArchiveClose(&archive_);
    ScratchDirTest::TearDown();
  }
  DataArchive archive_{};
};

std::vector<uint8_t> With(std::vector<uint8_t> bytes, const std::vector<uint8_t>& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
  return bytes;
}

std::vector<uint8_t> Entry(uint32_t length, const std::string& name, uint32_t size = 0,
                           uint32_t offset = 0) {
  std::vector<uint8_t> bytes;
  RawEntry(&bytes, length, name, size, offset);
  return bytes;
}

TEST_F(ArchiveOpenTest, WellFormedArchiveOpensAndHoldsItsFile) {
  std::string name(259, 'q');
  auto bytes = With(Header(2, 1), Entry(4, std::string("a.b\0", 4), 5, 6));
  bytes = With(bytes, Entry(260, name + std::string(1, '\0'), 7, 8));
  // Scramble the index by the format's rule with the all-zero key: a no-op,
  // so flag 1 must read the same bytes.
  ASSERT_EQ(Open(bytes), 0);
  EXPECT_STREQ(archive_.fileName, "DataB.pac");
  EXPECT_NE(archive_.file, nullptr);
  EXPECT_EQ(archive_.scrambled, 1);
  ASSERT_EQ(archive_.count, 2);
  EXPECT_STREQ(archive_.entries[0].name, "a.b");
  EXPECT_EQ(archive_.entries[0].size, 5u);
  EXPECT_EQ(archive_.entries[0].offset, 6u);
  EXPECT_EQ(std::string(archive_.entries[1].name), name);
  EXPECT_EQ(archive_.entries[1].offset, 8u);
  ArchiveClose(&archive_);
  ExpectEmpty();
}

TEST_F(ArchiveOpenTest, MalformedFilesFailWithTheirCodes) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t code;
    ArchiveError reason;
  };
  std::vector<uint8_t> wrongMagic = Header(0);
  wrongMagic[3] = 'X';
  std::vector<uint8_t> shortHeader = Header(0);
  shortHeader.resize(20);
  const auto good = Entry(2, std::string("a\0", 2), 0, 0);
  // The entries with a bad name length carry one name byte, so that the
  // file could hold them and the length itself is what is refused.
  const Case cases[] = {
      {"empty file", {}, -4, ArchiveError::kBadMagic},
      {"three bytes", {'P', 'A', 'C'}, -4, ArchiveError::kBadMagic},
      {"wrong magic", wrongMagic, -4, ArchiveError::kBadMagic},
      {"header cut short", shortHeader, -7, ArchiveError::kHeaderCut},
      {"negative count", Header(0xFFFFFFFFu), -6, ArchiveError::kIndexTooLarge},
      {"count past 32-bit bytes", Header(0x7FFFFFFFu), -6, ArchiveError::kIndexTooLarge},
      {"count the file cannot hold", With(Header(10000000), good), -7,
       ArchiveError::kCountPastFile},
      {"one entry missing", With(Header(2), good), -7, ArchiveError::kCountPastFile},
      {"name length 0", With(Header(1), Entry(0, "x", 0, 0)), -7, ArchiveError::kNameLength},
      {"name length 261", With(Header(1), Entry(261, std::string(260, 'a') + '\0')), -7,
       ArchiveError::kNameLength},
      {"name length 2^32-1", With(Header(1), Entry(0xFFFFFFFFu, "x")), -7,
       ArchiveError::kNameLength},
      {"name without zero", With(Header(1), Entry(5, "abcde")), -7,
       ArchiveError::kNameUnterminated},
      {"260-byte name without zero", With(Header(1), Entry(260, std::string(260, 'a'))), -7,
       ArchiveError::kNameUnterminated},
      {"bad second entry", With(With(Header(2), good), Entry(300, "b")), -7,
       ArchiveError::kNameLength},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Open(c.bytes), c.code);
    EXPECT_EQ(ArchiveLastError(), c.reason);
    ExpectEmpty();
  }
}

TEST_F(ArchiveOpenTest, TruncatedIndexFieldsFail) {
  auto full = With(Header(1), Entry(6, std::string("hello\0", 6), 1, 2));
  for (size_t cut = kArchiveHeaderSize + 1; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    std::vector<uint8_t> bytes(full.begin(), full.begin() + static_cast<long>(cut));
    EXPECT_EQ(Open(bytes), -7);
    // Cut inside the one entry: the file could not hold it.
    EXPECT_EQ(ArchiveLastError(), cut < kArchiveHeaderSize + kArchiveMinEntrySize
                                      ? ArchiveError::kCountPastFile
                                      : ArchiveError::kEntryCut);
    ExpectEmpty();
  }
  EXPECT_EQ(Open(full), 0);
  EXPECT_EQ(ArchiveLastError(), ArchiveError::kNone);
}

TEST_F(ArchiveOpenTest, ScrambledIndexIsCheckedAfterUnscrambling) {
  // Length 300 stored scrambled with key byte 0x01 everywhere: on disk it
  // reads as a plausible 301, unscrambled it is out of range.
  std::vector<uint8_t> bytes = {'P', 'A', 'C', 'K'};
  Put32(&bytes, 1);
  Put32(&bytes, 1);
  bytes.insert(bytes.end(), kArchiveKeySize, static_cast<uint8_t>(0x01 ^ kArchiveKeyMask));
  auto entry = Entry(300, "z");
  for (auto& b : entry) b ^= 0x01;
  EXPECT_EQ(Open(With(bytes, entry)), -7);
  EXPECT_EQ(ArchiveLastError(), ArchiveError::kNameLength);
  ExpectEmpty();
}

TEST_F(ArchiveOpenTest, HugeCountIsRefusedBeforeAllocating) {
  g_largestArray = 0;
  // 10,000,000 entries would need 2.68 GB; the file has room for one.
  EXPECT_EQ(Open(With(Header(10000000), Entry(2, std::string("a\0", 2)))), -7);
  EXPECT_LT(g_largestArray, 1u << 20);
}

TEST_F(ArchiveOpenTest, MissingFileIsNotFoundAndStartupStaysWithoutArchive) {
  EXPECT_EQ(ArchiveOpen(&archive_), -3);
  EXPECT_EQ(ArchiveLastError(), ArchiveError::kNoFile);
  ExpectEmpty();
  data_test::WriteFile(kArchiveFileName, {'J', 'U', 'N', 'K'});
  EXPECT_EQ(ArchiveStartup(nullptr), 0);
  EXPECT_EQ(CurrentArchive(), nullptr);
}

TEST_F(ArchiveOpenTest, StartupReplacesTheArchiveAndShutdownForgetsIt) {
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive({{"one", {1}}}, false));
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive({{"two", {2}}, {"three", {3}}}, true));
  EXPECT_EQ(CurrentArchive()->count, 2);
  EXPECT_EQ(CurrentArchive()->scrambled, 1);
  ArchiveShutdown();
  EXPECT_EQ(CurrentArchive(), nullptr);
  ArchiveShutdown();
  EXPECT_EQ(CurrentArchive(), nullptr);
}

}  // namespace
