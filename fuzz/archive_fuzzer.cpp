// Fuzzes the packed archive: the input is "DataB.pac". Opens it as a loose
// record (then reads everything after the header through the unscrambling
// reader) and as the current archive, looks every indexed name up as stored
// and as written with slashes and other letter case, and reads each member
// through the cursor in uneven pieces.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "data/archive.h"
#include "fuzz/fuzz_support.h"

namespace {

// Members are read up to this many bytes each and at most this many are
// looked up, so one input stays fast whatever sizes and counts it claims.
constexpr uint32_t kReadLimit = 256 * 1024;
constexpr int32_t kEntryLimit = 64;

void ReadScrambledRest(DataArchive* archive, long from) {
  if (std::fseek(archive->file, from, SEEK_SET) != 0) return;
  std::vector<uint8_t> buffer(4096);
  for (uint32_t total = 0; total < kReadLimit;) {
    const uint32_t n = ArchiveReadScrambled(archive, buffer.data(), 4096);
    if (n == 0) break;
    total += n;
  }
}

void ReadMember(DataArchive* archive, MemberCursor cursor) {
  std::vector<uint8_t> buffer(4099);
  uint32_t piece = 1;
  for (uint32_t total = 0; total < kReadLimit;) {
    const uint32_t n = ArchiveReadMember(archive, &cursor, buffer.data(), piece);
    if (n == 0) break;
    if (n > piece || cursor.position > cursor.size) __builtin_trap();
    total += n;
    piece = piece * 3 % 4099 + 1;
  }
}

void LookUpEverything(DataArchive* archive) {
  const int32_t count = archive->count < kEntryLimit ? archive->count : kEntryLimit;
  for (int32_t i = 0; i < count; ++i) {
    MemberCursor cursor{};
    if (ArchiveFind(&cursor, archive->entries[i].name) == kArchiveOk) ReadMember(archive, cursor);
    char other[kArchiveNameSize];
    std::memcpy(other, archive->entries[i].name, sizeof other);
    other[sizeof other - 1] = 0;
    for (char* c = other; *c; ++c) {
      if (*c == '\\')
        *c = '/';
      else if (std::isalpha(static_cast<unsigned char>(*c)))
        *c = static_cast<char>(*c ^ 0x20);
    }
    ArchiveFind(&cursor, other);
  }
  MemberCursor cursor{};
  ArchiveFind(&cursor, "no such member");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::InitProcess(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile(kArchiveFileName, data, size);
  DataArchive loose{};
  if (ArchiveOpen(&loose) == kArchiveOk) {
    ReadScrambledRest(&loose, kArchiveHeaderSize);
    ReadScrambledRest(&loose, kArchiveHeaderSize + 7);
  }
  ArchiveClose(&loose);

  ArchiveStartup(nullptr);
  if (DataArchive* current = CurrentArchive()) LookUpEverything(current);
  ArchiveShutdown();
  return 0;
}
