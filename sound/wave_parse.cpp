// ParseWave: the RIFF WAVE header walk. Every size is bounded by the source's
// own length, so a damaged header can neither send a read past the source
// nor make the walk go round in circles.
#include <algorithm>
#include <cstring>

#include "data/little_endian.h"
#include "sound/sound_wave.h"

namespace {

constexpr int32_t kFromStart = 0;
constexpr int32_t kFromEnd = 2;
// "fmt " up to block align; bits per sample follows when the chunk has it.
constexpr uint32_t kFormatCore = 14;
constexpr uint32_t kFormatWithBits = 16;

bool IsTag(const uint8_t* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

}  // namespace

int32_t CDirectSoundWave::Refuse(WaveError reason) {
  lastError_ = reason;
  return -1;
}

int32_t CDirectSoundWave::CreateBuffer(IDirectSound8* device, const WAVEFORMATEX& format) {
  return CreateStreamBuffer(device, format) == 0 ? 0 : Refuse(WaveError::kDevice);
}

int32_t CDirectSoundWave::ParseWave(WAVEFORMATEX* format) {
  *format = WAVEFORMATEX{};
  if (seek_(user_, 0, kFromEnd) != 0) return Refuse(WaveError::kSourceSize);
  const int32_t end = tell_(user_);
  if (end < 0 || seek_(user_, 0, kFromStart) != 0) return Refuse(WaveError::kSourceSize);
  const uint64_t total = static_cast<uint32_t>(end);

  uint8_t riff[12];
  // The RIFF size is unused.
  if (ReadSource(riff, sizeof(riff)) != sizeof(riff) || !IsTag(riff, "RIFF") ||
      !IsTag(riff + 8, "WAVE"))
    return Refuse(WaveError::kNotRiffWave);

  bool haveFormat = false;
  bool haveData = false;
  uint64_t pos = sizeof(riff);
  while (pos + 8 <= total) {  // a partial chunk header at the end is ignored
    uint8_t header[8];
    if (ReadSource(header, sizeof(header)) != sizeof(header)) return Refuse(WaveError::kCut);
    pos += sizeof(header);
    // Sizes past the end of the source are clamped to it.
    const uint64_t size = std::min<uint64_t>(LoadLe32(header + 4), total - pos);
    if (IsTag(header, "fmt ")) {
      if (size < kFormatCore) return Refuse(WaveError::kShortFormat);
      uint8_t f[kFormatWithBits] = {};
      const auto wanted = static_cast<uint32_t>(std::min<uint64_t>(size, kFormatWithBits));
      if (ReadSource(f, wanted) != wanted) return Refuse(WaveError::kCut);
      format->wFormatTag = LoadLe16(f);
      format->nChannels = LoadLe16(f + 2);
      format->nSamplesPerSec = LoadLe32(f + 4);
      format->nAvgBytesPerSec = LoadLe32(f + 8);
      format->nBlockAlign = LoadLe16(f + 12);
      format->wBitsPerSample = wanted >= kFormatWithBits ? LoadLe16(f + 14) : 0;
      format->cbSize = 0;
      haveFormat = true;
    } else if (IsTag(header, "data")) {
      dataStart_ = static_cast<uint32_t>(pos);
      dataSize_ = static_cast<uint32_t>(size);
      haveData = true;
    }
    pos += size;
    // Absolute, so no size can turn into a step backwards.
    if (seek_(user_, static_cast<int64_t>(pos), kFromStart) != 0) return Refuse(WaveError::kCut);
  }
  // Without a "data" chunk there is nothing to play; without "fmt " nothing
  // says how.
  if (!haveFormat) return Refuse(WaveError::kNoFormat);
  if (!haveData) return Refuse(WaveError::kNoData);

  bytesPerSecond_ = static_cast<uint32_t>(
      (uint64_t{format->nChannels} * format->wBitsPerSample * format->nSamplesPerSec) >> 3);
  if (seek_(user_, dataStart_, kFromStart) != 0) return Refuse(WaveError::kCut);
  dataPosition_ = 0;
  return 0;
}
