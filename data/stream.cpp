#include "data/stream.h"

#include <cstring>

#include "data/file_callbacks.h"

namespace {

void DetachSource(InputStream* stream) {
  if (stream->ownFile) {
    std::fclose(stream->ownFile);
    stream->ownFile = nullptr;
  } else if (stream->close) {
    stream->close(stream->user);
  }
  // With the callbacks gone nothing can reach a closed file through them.
  stream->read = nullptr;
  stream->seek = nullptr;
  stream->close = nullptr;
  stream->tell = nullptr;
  stream->endOfData = nullptr;
  stream->user = nullptr;
}

// Fills the buffer from the source; leaves fill 0 at the end of data.
void Refill(InputStream* stream) {
  stream->position = 0;
  stream->fill = 0;
  if (!stream->read) return;
  uint32_t got = 0;
  if (stream->mode == kStreamContinuous) {
    got = stream->read(stream->buffer, 1, stream->capacity, stream->user);
  } else {
    if (stream->remaining == 0) return;
    uint32_t wanted = stream->remaining < stream->capacity ? stream->remaining : stream->capacity;
    got = stream->read(stream->buffer, 1, wanted, stream->user);
    if (got > wanted) got = wanted;
    stream->remaining -= got;
  }
  // A source that claims more than the buffer holds is not trusted further.
  stream->fill = got < stream->capacity ? got : stream->capacity;
}

}  // namespace

int32_t StreamOpenFile(InputStream* stream, const char* name) {
  DetachSource(stream);
  if (!name) return -1;
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return -1;
  stream->ownFile = file;
  stream->user = file;
  stream->read = kPlainFileCallbacks.read;
  stream->seek = kPlainFileCallbacks.seek;
  stream->close = kPlainFileCallbacks.close;
  stream->tell = kPlainFileCallbacks.tell;
  stream->endOfData = kPlainFileCallbacks.endOfData;
  return 0;
}

uint32_t StreamRead(InputStream* stream, void* destination, uint32_t length) {
  if (!stream->buffer) return 0xFFFFFFFFu;
  auto* out = static_cast<uint8_t*>(destination);
  uint32_t done = 0;
  do {
    uint32_t available = stream->fill - stream->position;
    uint32_t wanted = length - done;
    if (wanted <= available) {
      if (wanted) std::memcpy(out + done, stream->buffer + stream->position, wanted);
      stream->position += wanted;
      done = length;
      break;
    }
    if (available) std::memcpy(out + done, stream->buffer + stream->position, available);
    stream->position += available;
    done += available;
    Refill(stream);
    if (stream->fill == 0) break;
  } while (done < length);
  return done;
}

void StreamFreeBuffer(InputStream* stream) {
  delete[] stream->buffer;
  stream->buffer = nullptr;
  stream->capacity = 0;
  stream->position = 0;
  stream->fill = 0;
  stream->remaining = 0;
}

void StreamClose(InputStream* stream) {
  DetachSource(stream);
  StreamFreeBuffer(stream);
}
