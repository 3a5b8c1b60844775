// Motion and channel bodies.
#include "scene/lmf_chunk.h"
#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"

using namespace lmf;

namespace {

// Index into Motion::channels of a channel tag, or -1.
int ChannelIndex(uint32_t tag) {
  for (int i = 0; i < kChannelCount; ++i) {
    if (kChannelTags[i] == tag) return i;
  }
  return -1;
}

// One 34-byte file record: value, time, shape, six params.
bool ReadKey(InputStream* stream, Key* key, uint32_t* consumed, int32_t* abortFlag) {
  return ReadExact(stream, &key->value, 4, consumed, abortFlag) &&
         ReadExact(stream, &key->time, 4, consumed, abortFlag) &&
         ReadExact(stream, &key->shape, 2, consumed, abortFlag) &&
         ReadExact(stream, key->params, 24, consumed, abortFlag);
}

}  // namespace

uint32_t ReadMotion(InputStream* stream, Motion* motion, uint32_t length, int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    if (h.tag == kIRMT) {
      ok = ReadFixed(stream, h, motion->restInverse.m, 64, &consumed, abortFlag);
    } else if (h.tag == kPIVT) {
      ok = CheckFixed(h, 12, abortFlag) &&
           ReadExact(stream, &motion->pivot.x, 4, &consumed, abortFlag) &&
           ReadExact(stream, &motion->pivot.y, 4, &consumed, abortFlag) &&
           ReadExact(stream, &motion->pivot.z, 4, &consumed, abortFlag);
    } else if (h.tag == kPARN) {
      ok = ReadFixed(stream, h, &motion->parentNo, 2, &consumed, abortFlag);
    } else if (int channel = ChannelIndex(h.tag); channel >= 0) {
      ok = ContainerDone(h, ReadChannel(stream, &motion->channels[channel], h.length, abortFlag),
                         &consumed, abortFlag);
    } else {
      ok = SkipChunk(stream, h, &consumed, abortFlag);
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}

uint32_t ReadChannel(InputStream* stream, Channel* channel, uint32_t length, int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kKEYN: {
        uint16_t count = 0;
        ok = ReadCopied(stream, h, &count, sizeof count, &consumed, abortFlag);
        if (ok) {
          channel->Clear();
          channel->keys = count ? new Key[count]() : nullptr;
          channel->keyCount = count;
        }
        break;
      }
      case kKEY:
        ok = CheckFixed(h, uint32_t{channel->keyCount} * kKeySize, abortFlag);
        for (uint16_t i = 0; ok && i < channel->keyCount; ++i)
          ok = ReadKey(stream, &channel->keys[i], &consumed, abortFlag);
        break;
      case kPER:
        ok = ReadCopied(stream, h, &channel->preBehavior, 2, &consumed, abortFlag);
        break;
      case kPOST:
        ok = ReadCopied(stream, h, &channel->postBehavior, 2, &consumed, abortFlag);
        break;
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}
