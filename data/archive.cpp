// Opening, closing and reading the packed archive.
#include "data/archive.h"

#include <cstring>
#include <new>

#include "data/little_endian.h"
namespace {

ArchiveError g_lastError = ArchiveError::kNone;

// Reads one 4-byte index field at the current position, unscrambled. False
// when the file ends first.
bool ReadIndexField(DataArchive* archive, uint32_t* value) {
  uint8_t bytes[4];
  if (ArchiveReadScrambled(archive, bytes, 4) != 4) return false;
  *value = LoadLe32(bytes);
  return true;
}

// Reads one index entry: kNone, or why it is truncated or malformed. The
// name is read into the 260-byte field only after its length has been
// checked.
ArchiveError ReadIndexEntry(DataArchive* archive, ArchiveEntry* entry) {
  uint32_t length = 0;
  if (!ReadIndexField(archive, &length)) return ArchiveError::kEntryCut;
  if (length == 0 || length > kArchiveNameSize) return ArchiveError::kNameLength;
  if (ArchiveReadScrambled(archive, entry->name, length) != length) return ArchiveError::kEntryCut;
  if (!std::memchr(entry->name, 0, length)) return ArchiveError::kNameUnterminated;
  if (!ReadIndexField(archive, &entry->size) || !ReadIndexField(archive, &entry->offset))
    return ArchiveError::kEntryCut;
  return ArchiveError::kNone;
}

// The bytes after the header, or -1 when the size cannot be taken.
long BytesAfterHeader(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file);
  if (end < 0 || std::fseek(file, kArchiveHeaderSize, SEEK_SET) != 0) return -1;
  return end - static_cast<long>(kArchiveHeaderSize);
}

int32_t FailOpen(DataArchive* archive, int32_t code, ArchiveError reason) {
  ArchiveClose(archive);
  g_lastError = reason;
  return code;
}

}  // namespace

ArchiveError ArchiveLastError() { return g_lastError; }

int32_t ArchiveOpen(DataArchive* archive) {
  ArchiveClose(archive);
  g_lastError = ArchiveError::kNone;
  archive->file = std::fopen(kArchiveFileName, "rb");
  if (!archive->file) return FailOpen(archive, kArchiveNotFound, ArchiveError::kNoFile);

  uint8_t header[kArchiveHeaderSize];
  size_t got = std::fread(header, 1, sizeof header, archive->file);
  if (got < sizeof kArchiveMagic || std::memcmp(header, kArchiveMagic, sizeof kArchiveMagic) != 0) {
    return FailOpen(archive, kArchiveBadMagic, ArchiveError::kBadMagic);
  }
  if (got != sizeof header) return FailOpen(archive, kArchiveBadIndex, ArchiveError::kHeaderCut);

  auto count = static_cast<int32_t>(LoadLe32(header + 4));
  archive->scrambled = static_cast<int32_t>(LoadLe32(header + 8));
  for (uint32_t i = 0; i < kArchiveKeySize; ++i) {
    archive->key[i] = static_cast<uint8_t>(header[12 + i] ^ kArchiveKeyMask);
  }

  // Every negative count fails here too, taken as unsigned.
  uint64_t tableBytes = static_cast<uint64_t>(static_cast<uint32_t>(count)) * sizeof(ArchiveEntry);
  if (tableBytes > 0xFFFFFFFFu)
    return FailOpen(archive, kArchiveNoMemory, ArchiveError::kIndexTooLarge);
  // Refuse a count the file cannot hold before allocating for it.
  long available = BytesAfterHeader(archive->file);
  if (available < 0 ||
      static_cast<uint64_t>(count) * kArchiveMinEntrySize > static_cast<uint64_t>(available)) {
    return FailOpen(archive, kArchiveBadIndex, ArchiveError::kCountPastFile);
  }

  archive->count = count;
  if (count > 0) {
    archive->entries = new (std::nothrow) ArchiveEntry[count]();
    if (!archive->entries) return FailOpen(archive, kArchiveNoMemory, ArchiveError::kNoMemory);
  }
  for (int32_t i = 0; i < count; ++i) {
    const ArchiveError error = ReadIndexEntry(archive, &archive->entries[i]);
    if (error != ArchiveError::kNone) return FailOpen(archive, kArchiveBadIndex, error);
  }
  std::memcpy(archive->fileName, kArchiveFileName, sizeof kArchiveFileName);
  return kArchiveOk;
}

void ArchiveClose(DataArchive* archive) {
  if (archive->file) std::fclose(archive->file);
  delete[] archive->entries;
  archive->fileName[0] = '\0';
  archive->entries = nullptr;
  archive->count = 0;
  archive->file = nullptr;
  archive->scrambled = 0;
}

uint32_t ArchiveReadScrambled(DataArchive* archive, void* destination, uint32_t length) {
  if (!archive->file || length == 0) return 0;
  long start = std::ftell(archive->file);
  auto* bytes = static_cast<uint8_t*>(destination);
  auto got = static_cast<uint32_t>(std::fread(bytes, 1, length, archive->file));
  if (archive->scrambled == 1 && start >= 0) {
    auto offset = static_cast<uint64_t>(start);
    for (uint32_t i = 0; i < got; ++i) bytes[i] ^= archive->key[(offset + i) % kArchiveKeySize];
  }
  return got;
}

uint32_t ArchiveReadMember(DataArchive* archive, MemberCursor* cursor, void* destination,
                           uint32_t length) {
  if (!archive->file) return 0;
  uint32_t left = cursor->position < cursor->size ? cursor->size - cursor->position : 0;
  // 64-bit, so a member near the 4 GiB mark cannot wrap to the file's start.
  uint64_t at = static_cast<uint64_t>(cursor->offset) + cursor->position;
  std::lock_guard<std::mutex> hold(archive->readLock);
  if (std::fseek(archive->file, static_cast<long>(at), SEEK_SET) != 0) return 0;
  if (length > left) length = left;
  uint32_t got = ArchiveReadScrambled(archive, destination, length);
  cursor->position += got;
  return got;
}
