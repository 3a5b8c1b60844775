// A source that is either a plain file or a member of the packed archive,
// and its callback set, so loaders read both through one table.
//
// Two close functions: SourceHandleClose leaves the handle's memory alone (a
// handle in the caller's frame); SourceHandleCloseAndFree also deletes it (a
// handle made with `new SourceHandle{}` that outlives its maker, as the music
// source's is). Archive members need no closing; a plain file is closed.
//
// Threads: a handle is used by one thread at a time; member handles on
// different threads may read at once (the archive serialises their reads on
// its shared file handle, see archive.h).
#ifndef MORVANE_DATA_SOURCE_HANDLE_H
#define MORVANE_DATA_SOURCE_HANDLE_H

#include <cstdint>
#include <cstdio>

#include "data/archive.h"
#include "data/stream.h"

inline constexpr int32_t kSourcePlainFile = 0;
inline constexpr int32_t kSourceArchiveMember = 1;

struct SourceHandle {
  int32_t kind;          // kSourceArchiveMember or kSourcePlainFile
  DataArchive* archive;  // archive member
  MemberCursor cursor;   // archive member
  std::FILE* file;       // plain file
};

// Read returns the bytes delivered for a member (size x count bytes asked
// for) and fread's element count for a file; 0 for a null handle.
uint32_t SourceHandleRead(void* destination, uint32_t size, uint32_t count, void* handle);
// Member seeks clamp to the member (offset unsigned; from the end the offset
// is a positive distance back) and return 0; an unknown origin returns -1
// and leaves the position. File seeks use the low 32 bits of the offset.
int32_t SourceHandleSeek(void* handle, int64_t offset, int32_t origin);
int32_t SourceHandleClose(void* handle);
int32_t SourceHandleCloseAndFree(void* handle);
// A member's position is member-relative.
int32_t SourceHandleTell(void* handle);

inline constexpr StreamCallbacks kSourceHandleCallbacks = {
    SourceHandleRead, SourceHandleSeek, SourceHandleClose, SourceHandleTell, nullptr};
inline constexpr StreamCallbacks kSourceHandleFreeingCallbacks = {
    SourceHandleRead, SourceHandleSeek, SourceHandleCloseAndFree, SourceHandleTell, nullptr};

#endif  // MORVANE_DATA_SOURCE_HANDLE_H
