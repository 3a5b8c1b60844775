// Archives for the data tests: written with the pac library, or by hand
// straight from the format's rules so the two can be checked against each
// other.
#ifndef MORVANE_TESTS_DATA_ARCHIVE_TEST_UTIL_H
#define MORVANE_TESTS_DATA_ARCHIVE_TEST_UTIL_H

#include "tests/data/data_test_util.h"
#include "tools/pac/pac_format.h"

namespace data_test {

// Writes "DataB.pac" in the current folder with pac's writer.
inline void WritePac(const std::vector<pac::MemoryMember>& members, bool scramble) {
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(pac::BuildArchive(members, scramble, pac::DefaultKey(), &bytes, &error)) << error;
  WriteFile(kArchiveFileName, bytes);
}

// Writes "DataB.pac" and makes it the current archive.
inline void StartWithArchive(const std::vector<pac::MemoryMember>& members, bool scramble) {
  ASSERT_NO_FATAL_FAILURE(WritePac(members, scramble));
  ASSERT_EQ(ArchiveStartup(nullptr), 0);
  ASSERT_NE(CurrentArchive(), nullptr);
}

inline std::vector<uint8_t> MemberBytes(const MemberCursor& found) {
  MemberCursor cursor = found;
  std::vector<uint8_t> out(cursor.size);
  EXPECT_EQ(ArchiveReadMember(CurrentArchive(), &cursor, out.data(), cursor.size), cursor.size);
  return out;
}

}  // namespace data_test

#endif  // MORVANE_TESTS_DATA_ARCHIVE_TEST_UTIL_H
