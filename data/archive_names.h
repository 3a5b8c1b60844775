// Member names as the archive's lookup sees them: bytes of the CP932 code
// page, backslash separators, ASCII-only case folding. tools/pac sorts its
// index with the same comparison so the lookup's binary search holds.
// Pure functions; any thread.
#ifndef MORVANE_DATA_ARCHIVE_NAMES_H
#define MORVANE_DATA_ARCHIVE_NAMES_H

#include <cstdint>

// CP932 lead bytes: 0x81-0x9F and 0xE0-0xFC.
constexpr bool Cp932IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Replaces every '/' of a zero-terminated name by '\', stepping over
// double-byte characters whole so a trail byte is never taken for a
// separator.
void ArchiveSlashesToBackslashes(char* name);

// Byte-wise comparison with A-Z folded to a-z, bytes unsigned, a prefix
// sorting first. Negative, zero or positive.
int ArchiveCompareNames(const char* a, const char* b);

#endif  // MORVANE_DATA_ARCHIVE_NAMES_H
