// The packed archive "DataB.pac": one per process, opened at start-up from the
// current directory and reached through CurrentArchive(), which is null when
// no archive could be opened (not an error: loaders then use plain files).
//
// File layout (little-endian): "PACK", entry count (int32), scramble flag
// (1 = scrambled), 32 key bytes each XORed with kArchiveKeyMask, then the
// index (per entry: name length N counting the zero byte, N name bytes in
// CP932 with backslash separators, member size, absolute member offset) and
// the member bytes. Entries are sorted by ArchiveCompareNames. When scrambled,
// every byte after the 44-byte header is XORed with key[file offset % 32].
//
// Does: open and validate the index, look names up, read members (a member
// read seeks and reads under the archive's lock, so cursors on any number of
// threads share the one file handle). Does not: write archives (tools/pac
// does), or check that a member lies inside the file.
//
// Threads: ArchiveStartup, ArchiveShutdown, ArchiveOpen, ArchiveLastError,
// ArchiveClose and ArchiveFind belong to the main thread. ArchiveReadMember may run on any
// thread at any time between open and close (the music's streaming thread
// reads its member while the main thread may read others); ArchiveShutdown
// runs only after the streaming thread has ended. ArchiveReadScrambled reads
// at the shared file position and belongs to whoever opens the archive.
#ifndef MORVANE_DATA_ARCHIVE_H
#define MORVANE_DATA_ARCHIVE_H

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <mutex>

inline constexpr char kArchiveFileName[] = "DataB.pac";
inline constexpr char kArchiveMagic[4] = {'P', 'A', 'C', 'K'};
inline constexpr uint32_t kArchiveHeaderSize = 44;
inline constexpr uint32_t kArchiveKeySize = 32;
// Stored key byte = key byte ^ this mask; archives written for us use it too.
inline constexpr uint8_t kArchiveKeyMask = 0xB7;
// Name field size, the zero byte included; a name has at most 259 bytes.
inline constexpr uint32_t kArchiveNameSize = 260;
// The smallest index entry: length, a one-byte name (its zero), size, offset.
inline constexpr uint32_t kArchiveMinEntrySize = 4 + 1 + 4 + 4;

// Results of ArchiveOpen and ArchiveFind.
inline constexpr int32_t kArchiveOk = 0;
inline constexpr int32_t kArchiveNotFound = -3;  // no file, or no such member
inline constexpr int32_t kArchiveBadMagic = -4;
inline constexpr int32_t kArchiveNoMemory = -6;
inline constexpr int32_t kArchiveBadIndex = -7;  // malformed or truncated header or index

// Why the last ArchiveOpen failed, beside its documented result code.
enum class ArchiveError : uint8_t {
  kNone,
  kNoFile,            // no "DataB.pac" to open (kArchiveNotFound)
  kBadMagic,          // no "PACK" (kArchiveBadMagic)
  kHeaderCut,         // the file ends inside the 44-byte header (kArchiveBadIndex)
  kIndexTooLarge,     // the entry count needs 4 GiB or more of index (kArchiveNoMemory)
  kNoMemory,          // the index could not be allocated (kArchiveNoMemory)
  kCountPastFile,     // more entries than the file could hold (kArchiveBadIndex)
  kNameLength,        // a name length of 0 or above kArchiveNameSize (kArchiveBadIndex)
  kNameUnterminated,  // a name without its zero byte (kArchiveBadIndex)
  kEntryCut,          // the file ends inside an index entry (kArchiveBadIndex)
};

struct ArchiveEntry {
  char name[kArchiveNameSize];  // zero-terminated
  uint32_t size;
  uint32_t offset;
};

struct DataArchive {
  char fileName[kArchiveNameSize];  // "DataB.pac" while open, else empty
  ArchiveEntry* entries;            // owned, new[]
  int32_t count;
  std::FILE* file;               // open for binary reading while open
  uint8_t key[kArchiveKeySize];  // unmasked
  int32_t scrambled;             // 1 = scrambled
  // Held by each member read from its seek to the end of its read: the file
  // position is one for all readers.
  std::mutex readLock;
};

// A read position inside one member.
struct MemberCursor {
  int32_t entry;
  uint32_t position;  // member-relative, 0..size
  uint32_t size;
  uint32_t offset;  // absolute offset of the member in the archive file
};

// ArchiveShutdown, then enables ShowOpenError with `mainWindow` as its owner
// and opens "DataB.pac" as the current archive if it can. Always 0.
int32_t ArchiveStartup(HWND mainWindow);
// Disables ShowOpenError; closes and frees the current archive, if any.
void ArchiveShutdown();
// The current archive, or null.
DataArchive* CurrentArchive();

// Opens "DataB.pac" from the current directory into `archive` (closed first).
// 0, kArchiveNotFound, kArchiveBadMagic, kArchiveNoMemory or kArchiveBadIndex;
// on failure the record is left closed and empty.
int32_t ArchiveOpen(DataArchive* archive);
// The reason of the last ArchiveOpen; kNone after one that succeeded.
ArchiveError ArchiveLastError();
// Closes the file, frees the entries and empties the record.
void ArchiveClose(DataArchive* archive);

// Looks `name` up in the current archive: slashes count as backslashes and
// ASCII letters match either case. 0 with `cursor` set at the member's start,
// or kArchiveNotFound (cursor untouched), also for a name of 260 bytes or more
// and when there is no current archive.
int32_t ArchiveFind(MemberCursor* cursor, const char* name);

// Reads up to `length` bytes of the member at the cursor, never past the
// member's end; advances the cursor and returns the bytes actually delivered
// (fewer when the archive file is cut short).
uint32_t ArchiveReadMember(DataArchive* archive, MemberCursor* cursor, void* destination,
                           uint32_t length);
// Reads `length` bytes at the file's current position and unscrambles them by
// their file offsets. Returns the bytes read; only those are written.
uint32_t ArchiveReadScrambled(DataArchive* archive, void* destination, uint32_t length);

#endif  // MORVANE_DATA_ARCHIVE_H
