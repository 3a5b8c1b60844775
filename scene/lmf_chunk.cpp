#include "scene/lmf_chunk.h"

#include <cstring>
#include <vector>

#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"

namespace lmf {

bool NextChunk(InputStream* stream, uint32_t bodyLength, uint32_t* consumed, ChunkHeader* header,
               int32_t* abortFlag) {
  if (bodyLength - *consumed < kChunkHeaderSize) return Fail(abortFlag, LmfError::kChunkHeader);
  uint32_t tag = 0;
  int32_t length = 0;
  if (!ReadExact(stream, &tag, sizeof tag, consumed, abortFlag)) return false;
  if (!ReadExact(stream, &length, sizeof length, consumed, abortFlag)) return false;
  if (length < 0 || static_cast<uint32_t>(length) > bodyLength - *consumed)
    return Fail(abortFlag, LmfError::kChunkLength);
  header->tag = tag;
  header->length = static_cast<uint32_t>(length);
  return true;
}

bool ReadExactSlow(InputStream* stream, void* destination, uint32_t size, uint32_t* consumed,
                   int32_t* abortFlag) {
  uint32_t got = StreamRead(stream, destination, size);
  if (got != size) return Fail(abortFlag, LmfError::kTruncated);
  *consumed += got;
  return true;
}

bool CheckFixed(const ChunkHeader& header, uint32_t size, int32_t* abortFlag) {
  return header.length == size || Fail(abortFlag, LmfError::kFixedSize);
}

bool ReadFixed(InputStream* stream, const ChunkHeader& header, void* field, uint32_t size,
               uint32_t* consumed, int32_t* abortFlag) {
  return CheckFixed(header, size, abortFlag) && ReadExact(stream, field, size, consumed, abortFlag);
}

bool ReadCopied(InputStream* stream, const ChunkHeader& header, void* field, uint32_t width,
                uint32_t* consumed, int32_t* abortFlag) {
  if (header.length > width) return Fail(abortFlag, LmfError::kCopiedTooWide);
  return ReadExact(stream, field, header.length, consumed, abortFlag);
}

bool ReadName(InputStream* stream, const ChunkHeader& header, OwnedBytes* name, uint32_t* consumed,
              int32_t* abortFlag) {
  constexpr uint32_t kStep = 65536;
  std::vector<uint8_t> bytes;
  while (bytes.size() < header.length) {
    const uint32_t done = static_cast<uint32_t>(bytes.size());
    const uint32_t step = header.length - done < kStep ? header.length - done : kStep;
    bytes.resize(done + step);
    if (!ReadExact(stream, bytes.data() + done, step, consumed, abortFlag)) return false;
  }
  FreeOwnedBytes(name);
  if (header.length) {
    name->data = new uint8_t[header.length];
    std::memcpy(name->data, bytes.data(), header.length);
    name->size = header.length;
  }
  return true;
}

bool SkipChunk(InputStream* stream, const ChunkHeader& header, uint32_t* consumed,
               int32_t* abortFlag) {
  if (SkipBytes(stream, header.length) != 0) return Fail(abortFlag, LmfError::kTruncated);
  *consumed += header.length;
  return true;
}

bool ContainerDone(const ChunkHeader& header, uint32_t got, uint32_t* consumed,
                   int32_t* abortFlag) {
  *consumed += got;
  if (*abortFlag) return false;
  return got == header.length || Fail(abortFlag, LmfError::kContainerLength);
}

}  // namespace lmf

int32_t SkipBytes(InputStream* stream, uint32_t count) {
  if (!stream->buffer) return -1;
  const uint32_t buffered = stream->fill - stream->position;
  if (count <= buffered) {
    stream->position += count;
    return 0;
  }
  count -= buffered;
  stream->position = 0;
  stream->fill = 0;
  if (stream->seek && count > 1) {
    // Seek to the last byte and read it below: a seek past the end of the
    // data succeeds on a file, the read does not.
    if (stream->seek(stream->user, static_cast<int64_t>(count) - 1, 1) != 0) return -1;
    count = 1;
  }
  uint8_t scratch[4096];
  while (count) {
    const uint32_t step = count < sizeof scratch ? count : static_cast<uint32_t>(sizeof scratch);
    if (StreamRead(stream, scratch, step) != step) return -1;
    count -= step;
  }
  return 0;
}
