// Helpers shared by the LMF sub-readers: chunk headers checked against the
// body they sit in, exact reads, fixed and copied bodies, names, counted
// arrays. Every helper that fails records its reason (lmf_error.h), sets
// *abortFlag to 1 and returns false; every byte read is added to *consumed.
#ifndef MORVANE_SCENE_LMF_CHUNK_H
#define MORVANE_SCENE_LMF_CHUNK_H

#include <cstdint>
#include <cstring>

#include "data/stream.h"
#include "scene/lmf_error.h"
#include "scene/scene.h"

namespace lmf {

struct ChunkHeader {
  uint32_t tag;
  uint32_t length;  // checked: fits in what is left of the parent body
};

// Reads the next chunk header of a body of `bodyLength` bytes. Fails when
// fewer than 8 bytes of the body are left, the data ends, or the length is
// negative or runs past the body.
bool NextChunk(InputStream* stream, uint32_t bodyLength, uint32_t* consumed, ChunkHeader* header,
               int32_t* abortFlag);

// The general case of ReadExact, through StreamRead.
bool ReadExactSlow(InputStream* stream, void* destination, uint32_t size, uint32_t* consumed,
                   int32_t* abortFlag);

// Reads exactly `size` bytes; a short read fails. Most reads are a few bytes
// that the buffer already holds: those are copied here, exactly as
// StreamRead would copy them, without the call.
inline bool ReadExact(InputStream* stream, void* destination, uint32_t size, uint32_t* consumed,
                      int32_t* abortFlag) {
  if (stream->buffer && stream->fill - stream->position >= size) {
    std::memcpy(destination, stream->buffer + stream->position, size);
    stream->position += size;
    *consumed += size;
    return true;
  }
  return ReadExactSlow(stream, destination, size, consumed, abortFlag);
}

// A fixed body must be exactly `size` bytes long.
bool CheckFixed(const ChunkHeader& header, uint32_t size, int32_t* abortFlag);
bool ReadFixed(InputStream* stream, const ChunkHeader& header, void* field, uint32_t size,
               uint32_t* consumed, int32_t* abortFlag);

// A copied body is copied as it is into the first bytes of a field that is
// `width` bytes wide; a longer body fails.
bool ReadCopied(InputStream* stream, const ChunkHeader& header, void* field, uint32_t width,
                uint32_t* consumed, int32_t* abortFlag);

// Replaces `name` with the body. Memory grows with the data actually read,
// so a length that lies costs no more than the bytes that are there.
bool ReadName(InputStream* stream, const ChunkHeader& header, OwnedBytes* name, uint32_t* consumed,
              int32_t* abortFlag);

// Steps over an unknown chunk's body.
bool SkipChunk(InputStream* stream, const ChunkHeader& header, uint32_t* consumed,
               int32_t* abortFlag);

// Runs a container's sub-reader result through the check that it consumed
// exactly the body.
bool ContainerDone(const ChunkHeader& header, uint32_t got, uint32_t* consumed, int32_t* abortFlag);

// The write cursor of one counted array.
struct ItemCursor {
  bool counted = false;  // the count chunk was met
  uint16_t next = 0;
};

// A count chunk: a copied 16-bit count; creates the zero-filled (for
// motions: constructed) array. A second count chunk for the same array fails.
template <typename T>
bool ReadCount(InputStream* stream, const ChunkHeader& header, uint16_t* count, T** array,
               ItemCursor* cursor, uint32_t* consumed, int32_t* abortFlag) {
  if (cursor->counted) return Fail(abortFlag, LmfError::kRepeated);
  uint16_t n = 0;
  if (!ReadCopied(stream, header, &n, sizeof n, consumed, abortFlag)) return false;
  // Array before count: if the allocation throws, the scene stays consistent.
  *array = n ? new T[n]() : nullptr;
  *count = n;
  cursor->counted = true;
  cursor->next = 0;
  return true;
}

// The record an item chunk fills, or null (and the flag set) when no count
// came before it or the count is used up.
template <typename T>
T* NextItem(T* array, uint16_t count, ItemCursor* cursor, int32_t* abortFlag) {
  if (!cursor->counted || cursor->next >= count || !array) {
    Fail(abortFlag, LmfError::kItemUncounted);
    return nullptr;
  }
  return &array[cursor->next++];
}

}  // namespace lmf

#endif  // MORVANE_SCENE_LMF_CHUNK_H
