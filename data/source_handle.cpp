#include "data/source_handle.h"

#include "data/file_io.h"

uint32_t SourceHandleRead(void* destination, uint32_t size, uint32_t count, void* handle) {
  auto* h = static_cast<SourceHandle*>(handle);
  if (!h) return 0;
  if (h->kind == kSourceArchiveMember) {
    if (!h->archive) return 0;
    uint64_t bytes = static_cast<uint64_t>(size) * count;
    uint32_t length = bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
    return ArchiveReadMember(h->archive, &h->cursor, destination, length);
  }
  return FileRead(h->file, destination, size, count);
}

int32_t SourceHandleSeek(void* handle, int64_t offset, int32_t origin) {
  auto* h = static_cast<SourceHandle*>(handle);
  if (!h) return -1;
  if (h->kind != kSourceArchiveMember) return FileSeekLow32(h->file, offset, origin);

  // Unsigned 32-bit throughout: a backwards move from the current position
  // wraps and clamps to the member's end.
  auto o = static_cast<uint32_t>(offset);
  uint32_t s = h->cursor.size;
  uint32_t& p = h->cursor.position;
  switch (origin) {
    case 0: p = o < s ? o : s; return 0;
    case 1: {
      uint32_t moved = p + o;
      p = moved <= s ? moved : s;
      return 0;
    }
    case 2: p = o < s ? s - o : 0; return 0;
    default: return -1;
  }
}

int32_t SourceHandleClose(void* handle) {
  auto* h = static_cast<SourceHandle*>(handle);
  if (h && h->kind == kSourcePlainFile && h->file) {
    std::fclose(h->file);
    h->file = nullptr;
  }
  return 0;
}

int32_t SourceHandleCloseAndFree(void* handle) {
  if (!handle) return 0;
  SourceHandleClose(handle);
  delete static_cast<SourceHandle*>(handle);
  return 0;
}

int32_t SourceHandleTell(void* handle) {
  auto* h = static_cast<SourceHandle*>(handle);
  if (!h) return -1;
  if (h->kind == kSourceArchiveMember) return static_cast<int32_t>(h->cursor.position);
  return FileTell32(h->file);
}
