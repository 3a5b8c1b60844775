// Name lookup in the current archive.
#include <cstring>

#include "data/archive.h"
#include "data/archive_names.h"

int32_t ArchiveFind(MemberCursor* cursor, const char* name) {
  DataArchive* archive = CurrentArchive();
  if (!archive || !cursor || !name) return kArchiveNotFound;
  size_t length = strnlen(name, kArchiveNameSize);
  if (length >= kArchiveNameSize) return kArchiveNotFound;

  char work[kArchiveNameSize];
  std::memcpy(work, name, length + 1);
  ArchiveSlashesToBackslashes(work);

  int32_t lo = 0;
  int32_t hi = archive->count - 1;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    const ArchiveEntry& entry = archive->entries[mid];
    int order = ArchiveCompareNames(work, entry.name);
    if (order == 0) {
      *cursor = MemberCursor{mid, 0, entry.size, entry.offset};
      return kArchiveOk;
    }
    if (order < 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return kArchiveNotFound;
}
