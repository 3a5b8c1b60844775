// Member reads: scrambling by file offset, clamping at the member's end, and
// archives cut short.
#include <cstring>

#include "tests/data/archive_test_util.h"

namespace {

using data_test::Pattern;

class ArchiveReadTest : public data_test::ScratchDirTest {};

// An archive laid out by hand from the format's rules: one member of
// `data` (the name "ab" puts it at the odd offset 59), everything after the header XORed with
// key[offset % 32].
std::vector<uint8_t> HandMade(const std::vector<uint8_t>& data, bool scramble,
                              const pac::Key& key) {
  std::vector<uint8_t> bytes = {'P', 'A', 'C', 'K', 1, 0, 0, 0, scramble ? uint8_t{1} : uint8_t{0},
                                0,   0,   0};
  for (uint8_t k : key) bytes.push_back(k ^ kArchiveKeyMask);
  const uint32_t offset = kArchiveHeaderSize + 4 + 3 + 4 + 4;
  data_test::RawEntry(&bytes, 3, std::string("ab\0", 3), static_cast<uint32_t>(data.size()),
                      offset);
  bytes.insert(bytes.end(), data.begin(), data.end());
  if (scramble) {
    for (size_t f = kArchiveHeaderSize; f < bytes.size(); ++f) bytes[f] ^= key[f % 32];
  }
  return bytes;
}

pac::Key CountingKey() {
  pac::Key key;
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(0x11 * (i + 1));
  return key;
}

TEST_F(ArchiveReadTest, PacWritesTheSameBytesAsTheFormatRules) {
  auto data = Pattern(300);
  for (bool scramble : {false, true}) {
    std::vector<uint8_t> written;
    std::string error;
    ASSERT_TRUE(pac::BuildArchive({{"ab", data}}, scramble, CountingKey(), &written, &error));
    EXPECT_EQ(written, HandMade(data, scramble, CountingKey())) << scramble;
  }
}

TEST_F(ArchiveReadTest, ReadsInPiecesAtAnyOffsetGiveTheMemberBytes) {
  const auto data = Pattern(1000, 5);
  for (bool scramble : {false, true}) {
    SCOPED_TRACE(scramble);
    auto bytes = HandMade(data, scramble, CountingKey());
    // Scrambled data must not sit in the file as is.
    const uint32_t offset = static_cast<uint32_t>(bytes.size() - data.size());
    EXPECT_EQ(std::memcmp(bytes.data() + offset, data.data(), 64) == 0, !scramble);
    data_test::WriteFile(kArchiveFileName, bytes);
    ASSERT_EQ(ArchiveStartup(nullptr), 0);
    ASSERT_NE(CurrentArchive(), nullptr);
    MemberCursor cursor{};
    ASSERT_EQ(ArchiveFind(&cursor, "ab"), 0);
    EXPECT_EQ(cursor.offset, 59u);  // the key index is the file offset, not the member's

    // Piece sizes that start reads at odd, even and key-period positions.
    for (uint32_t start : {0u, 1u, 3u, 31u, 32u, 33u, 999u}) {
      for (uint32_t piece : {1u, 2u, 7u, 33u, 64u}) {
        SourceHandle handle{kSourceArchiveMember, CurrentArchive(), cursor, nullptr};
        ASSERT_EQ(SourceHandleSeek(&handle, start, 0), 0);
        std::vector<uint8_t> out;
        std::vector<uint8_t> chunk(piece);
        uint32_t got;
        while ((got = SourceHandleRead(chunk.data(), 1, piece, &handle)) > 0) {
          out.insert(out.end(), chunk.begin(), chunk.begin() + got);
        }
        ASSERT_EQ(out, std::vector<uint8_t>(data.begin() + start, data.end()))
            << "start " << start << " piece " << piece;
      }
    }
    ArchiveShutdown();
  }
}

TEST_F(ArchiveReadTest, ReadsAreClampedToTheMember) {
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive(
      {{"a", Pattern(50, 1)}, {"b", Pattern(40, 2)}, {"c", Pattern(30, 3)}}, true));
  MemberCursor found{};
  ASSERT_EQ(ArchiveFind(&found, "b"), 0);
  struct Case {
    uint32_t position;
    uint32_t length;
    uint32_t delivered;
  };
  const Case cases[] = {{36, 10, 4}, {0, 100, 40}, {40, 10, 0}, {39, 1, 1}, {10, 0, 0}};
  const auto expected = Pattern(40, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    MemberCursor cursor = found;
    cursor.position = c.position;
    std::vector<uint8_t> out(c.length + 8, 0xCD);
    EXPECT_EQ(ArchiveReadMember(CurrentArchive(), &cursor, out.data(), c.length), c.delivered);
    EXPECT_EQ(cursor.position, c.position + c.delivered);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + c.delivered, expected.begin() + c.position));
    // Nothing of the next member leaks in, nothing past the count is written.
    for (size_t i = c.delivered; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCD) << i;
  }
}

TEST_F(ArchiveReadTest, ArchiveCutShortReportsOnlyTheBytesDelivered) {
  const auto data = Pattern(100, 9);
  for (bool scramble : {false, true}) {
    SCOPED_TRACE(scramble);
    auto bytes = HandMade(data, scramble, CountingKey());
    bytes.erase(bytes.end() - 70, bytes.end());  // 30 of the member's 100 bytes remain
    data_test::WriteFile(kArchiveFileName, bytes);
    ASSERT_EQ(ArchiveStartup(nullptr), 0);
    ASSERT_NE(CurrentArchive(), nullptr);
    MemberCursor cursor{};
    ASSERT_EQ(ArchiveFind(&cursor, "ab"), 0);
    cursor.position = 10;
    std::vector<uint8_t> out(100, 0xAB);
    EXPECT_EQ(ArchiveReadMember(CurrentArchive(), &cursor, out.data(), 50), 20u);
    EXPECT_EQ(cursor.position, 30u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 20, data.begin() + 10));
    EXPECT_EQ(out[20], 0xAB);
    EXPECT_EQ(ArchiveReadMember(CurrentArchive(), &cursor, out.data(), 50), 0u);
    EXPECT_EQ(cursor.position, 30u);
    ArchiveShutdown();
  }
}

}  // namespace
