// The buffered input stream: a 64 KiB buffer in front of a source that is
// described by a table of plain callbacks and an opaque user pointer, so one
// parser reads a file on disk or an archive member without knowing which.
//
// Does: prepare-free reading (the loader zeroes the record, attaches a source,
// allocates the buffer itself), StreamOpenFile, StreamRead, StreamFreeBuffer,
// StreamClose. Does not: parse anything, seek, or read ahead beyond the one
// refill a request needs.
//
// Threads: a stream belongs to the thread that prepared it. Nothing here is
// shared or locked.
#ifndef MORVANE_DATA_STREAM_H
#define MORVANE_DATA_STREAM_H

#include <cstdint>
#include <cstdio>

// Source callbacks. Callers pass element size 1, so read's result is a byte
// count; it is 0 at the end of data or on error.
typedef uint32_t (*StreamReadFn)(void* destination, uint32_t size, uint32_t count, void* user);
// origin: 0 from the start, 1 from the current position, 2 from the end.
// 0 on success, -1 on failure.
typedef int32_t (*StreamSeekFn)(void* user, int64_t offset, int32_t origin);
// The result is ignored by every caller.
typedef int32_t (*StreamCloseFn)(void* user);
// The current position, -1 on failure.
typedef int32_t (*StreamTellFn)(void* user);
// Non-zero once the source is at its end.
typedef int32_t (*StreamEndFn)(void* user);

// A source as an ordered table. A set without an end-of-data function leaves
// that entry null.
struct StreamCallbacks {
  StreamReadFn read;
  StreamSeekFn seek;
  StreamCloseFn close;
  StreamTellFn tell;
  StreamEndFn endOfData;
};

inline constexpr uint32_t kStreamBufferSize = 65536;
inline constexpr int32_t kStreamLimited = 0;
inline constexpr int32_t kStreamContinuous = 1;

// One plain record, normally a local of the loader that uses it.
// Invariant: position <= fill <= capacity.
struct InputStream {
  std::FILE* ownFile;  // opened by StreamOpenFile; null for a caller's source
  StreamReadFn read;
  StreamSeekFn seek;
  StreamCloseFn close;
  StreamTellFn tell;
  StreamEndFn endOfData;
  void* user;          // handed to every callback
  int32_t mode;        // kStreamContinuous or kStreamLimited
  uint32_t remaining;  // limited mode: bytes still to take from the source
  uint8_t* buffer;     // owned; allocated with new[]
  uint32_t capacity;
  uint32_t position;  // next unread byte in the buffer
  uint32_t fill;      // valid bytes in the buffer
};

// Detaches any current source as StreamClose does (the buffer stays), then
// opens `name` for binary reading and installs the plain-file callbacks over
// it. 0 on success; -1 with no source attached when the file cannot be opened.
int32_t StreamOpenFile(InputStream* stream, const char* name);

// Copies up to `length` bytes to `destination`, refilling the buffer from the
// source only when a request cannot be met from it. Returns the bytes copied,
// fewer than `length` only at the end of data, and 0xFFFFFFFF when the stream
// has no buffer. Bytes of `destination` past the count are left untouched.
uint32_t StreamRead(InputStream* stream, void* destination, uint32_t length);

// Frees the buffer and zeroes capacity, position, fill and remaining. The
// source stays attached.
void StreamFreeBuffer(InputStream* stream);

// Closes the source: a file the stream opened itself is closed directly (its
// close callback is never called, it would close the same file twice);
// otherwise the close callback, if any, is called with the user data. The
// callbacks are cleared and the buffer freed. Safe to call repeatedly.
void StreamClose(InputStream* stream);

#endif  // MORVANE_DATA_STREAM_H
