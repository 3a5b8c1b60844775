// CDirectSoundWave: opening a source, seeking it and delivering the data
// chunk to the streaming thread. The header walk is in wave_parse.cpp.
#include "sound/sound_wave.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

CDirectSoundWave::CDirectSoundWave() { UseOwnFile(); }

CDirectSoundWave::~CDirectSoundWave() { Close(); }

void CDirectSoundWave::UseOwnFile() {
  read_ = kFileHolderCallbacks.read;
  seek_ = kFileHolderCallbacks.seek;
  close_ = kFileHolderCallbacks.close;
  tell_ = kFileHolderCallbacks.tell;
  user_ = &ownFile_;
}

void CDirectSoundWave::SetName(const char* name) {
  std::snprintf(name_, sizeof(name_), "%s", name != nullptr ? name : "");
}

int32_t CDirectSoundWave::Open(IDirectSound8* device, const char* fileName) {
  Close();
  lastError_ = WaveError::kNone;
  if (fileName == nullptr) return Refuse(WaveError::kArguments);
  ownFile_.file = std::fopen(fileName, "rb");
  if (ownFile_.file == nullptr) return Refuse(WaveError::kNoFile);
  WAVEFORMATEX format{};
  if (ParseWave(&format) != 0 || CreateBuffer(device, format) != 0) {
    Close();
    return -1;
  }
  ResetControls();
  SetName(fileName);
  return 0;
}

int32_t CDirectSoundWave::OpenFromCallbacks(IDirectSound8* device, const char* name,
                                            const StreamCallbacks* table, void* user) {
  // A player that is still open would otherwise keep its thread and buffer.
  Close();
  lastError_ = WaveError::kNone;
  if (table == nullptr || table->read == nullptr || table->seek == nullptr ||
      table->tell == nullptr) {
    return Refuse(WaveError::kArguments);
  }
  read_ = table->read;
  seek_ = table->seek;
  close_ = table->close;
  tell_ = table->tell;
  user_ = user;
  WAVEFORMATEX format{};
  if (ParseWave(&format) != 0 || CreateBuffer(device, format) != 0) {
    // The caller still owns the source: drop it without closing it.
    UseOwnFile();
    if (buffer_ != nullptr) buffer_->Release();
    buffer_ = nullptr;
    return -1;
  }
  ResetControls();
  SetName(name);
  return 0;
}

void CDirectSoundWave::Close() {
  WaitThreadEnd();
  // The source's own close: closes the own file for the FileHolder set, and
  // frees an allocated SourceHandle given with the close-and-free entry.
  if (close_ != nullptr) close_(user_);
  UseOwnFile();
  if (ownFile_.file != nullptr) std::fclose(ownFile_.file);
  ownFile_.file = nullptr;
  CDirectSoundBase::Close();
}

uint32_t CDirectSoundWave::ReadSource(void* destination, uint32_t bytes) {
  if (bytes == 0) return 0;
  // Element size 1: every callback set then counts bytes.
  return std::min(read_(destination, 1, bytes, user_), bytes);
}

uint32_t CDirectSoundWave::DataOffset(double seconds) const {
  const double bytes = std::trunc(static_cast<double>(bytesPerSecond_) * seconds);
  if (!(bytes > 0.0)) return 0;  // negative or NaN
  if (bytes >= static_cast<double>(dataSize_)) return dataSize_;
  auto offset = static_cast<uint32_t>(bytes);
  // A position inside a frame would swap channels or bytes from then on.
  const uint32_t frame = std::max<uint32_t>(format_.nBlockAlign, 1);
  return offset - offset % frame;
}

int32_t CDirectSoundWave::Seek(int32_t positionMs) {
  if (buffer_ == nullptr) return -1;
  // Milliseconds as a whole product: 32 bits would wrap past about 24 s of
  // 44.1 kHz 16-bit stereo.
  const uint32_t offset = DataOffset(std::max(positionMs, 0) * 0.001);
  std::lock_guard<std::mutex> lock(sourceMutex_);
  seek_(user_, int64_t{dataStart_} + offset, 0);
  dataPosition_ = offset;
  return 0;
}

int32_t CDirectSoundWave::FillData(uint8_t* destination, uint32_t bytes) {
  std::lock_guard<std::mutex> lock(sourceMutex_);
  uint32_t done = 0;
  for (;;) {
    const uint32_t n = std::min(bytes - done, dataSize_ - dataPosition_);
    const uint32_t got = ReadSource(destination + done, n);
    // A source shorter than it claimed: silence, not stale bytes.
    std::memset(destination + done + got, 0, n - got);
    dataPosition_ += n;
    done += n;
    if (done >= bytes) return 0;

    // The data chunk is exhausted.
    const int32_t passes = loopCount_.fetch_add(1, std::memory_order_relaxed) + 1;
    const int32_t limit = loopLimit_.load(std::memory_order_relaxed);
    const uint32_t loopStart = DataOffset(loopStart_.load(std::memory_order_relaxed));
    // With the limit reached, or nothing between the loop start and the end
    // (an empty chunk, a loop start at or past the end), the source has
    // ended; looping would spin without delivering a byte.
    if ((limit >= 1 && passes >= limit) || loopStart >= dataSize_) {
      std::memset(destination + done, 0, bytes - done);
      seek_(user_, dataStart_, 0);
      return 1;
    }
    seek_(user_, int64_t{dataStart_} + loopStart, 0);
    dataPosition_ = loopStart;
  }
}
