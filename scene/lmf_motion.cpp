// The channel rows that make and fill the key array.
#include "scene/lmf_tags.h"
#include "scene/lmf_walk.h"

namespace lmf {
namespace {

// One 34-byte file record: value, time, shape, six params.
bool ReadKey(InputStream* stream, Key* key, uint32_t* consumed, int32_t* abortFlag) {
  return ReadExact(stream, &key->value, 4, consumed, abortFlag) &&
         ReadExact(stream, &key->time, 4, consumed, abortFlag) &&
         ReadExact(stream, &key->shape, 2, consumed, abortFlag) &&
         ReadExact(stream, key->params, 24, consumed, abortFlag);
}

}  // namespace

// A second count replaces the keys of the first.
bool ReadKeyCount(Walker* w, Channel* channel, const ChunkHeader& h) {
  uint16_t count = 0;
  if (!ReadCopied(w->load->stream, h, &count, sizeof count, &w->consumed, w->load->abortFlag))
    return false;
  channel->Clear();
  channel->keys = count ? new Key[count]() : nullptr;
  channel->keyCount = count;
  return true;
}

bool ReadKeys(Walker* w, Channel* channel, const ChunkHeader& h) {
  bool ok = CheckFixed(h, uint32_t{channel->keyCount} * kKeySize, w->load->abortFlag);
  for (uint16_t i = 0; ok && i < channel->keyCount; ++i)
    ok = ReadKey(w->load->stream, &channel->keys[i], &w->consumed, w->load->abortFlag);
  return ok;
}

}  // namespace lmf
