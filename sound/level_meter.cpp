// GetLevels: the peak of the next 20 ms at the play cursor, per channel, on a
// natural-log scale: trunc(2000 x ln(peak / full scale)).
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "data/little_endian.h"
#include "sound/sound_base.h"

namespace {

constexpr int32_t kSilent = -10000;

struct Peaks {
  int32_t left = 0;
  int32_t right = 0;
};

int32_t SampleAt(const uint8_t* p, bool sixteen) {
  if (!sixteen) return std::abs(int32_t{p[0]} - 128);
  return std::abs(int32_t{static_cast<int16_t>(LoadLe16(p))});
}

// Whole frames of one locked region.
void ScanRegion(const void* region, DWORD bytes, bool sixteen, bool stereo, Peaks* peaks) {
  if (region == nullptr) return;
  const auto* p = static_cast<const uint8_t*>(region);
  const DWORD sampleBytes = sixteen ? 2 : 1;
  const DWORD frameBytes = sampleBytes * (stereo ? 2 : 1);
  for (DWORD at = 0; at + frameBytes <= bytes; at += frameBytes) {
    peaks->left = std::max(peaks->left, SampleAt(p + at, sixteen));
    if (stereo) peaks->right = std::max(peaks->right, SampleAt(p + at + sampleBytes, sixteen));
  }
}

int32_t LevelOf(int32_t peak, double fullScale) {
  if (peak == 0) return kSilent;
  const double level = std::trunc(2000.0 * std::log(peak / fullScale));
  return level <= kSilent ? kSilent : static_cast<int32_t>(level);
}

}  // namespace

int32_t CDirectSoundBase::GetLevels(int32_t* left, int32_t* right) {
  int32_t ignoredLeft = 0;
  int32_t ignoredRight = 0;
  if (left == nullptr) left = &ignoredLeft;
  if (right == nullptr) right = &ignoredRight;
  *left = kSilent;
  *right = kSilent;
  if (state_.load(std::memory_order_acquire) != kSoundPlaying || buffer_ == nullptr) return 0;
  // Until the streaming thread has filled the first half and started the
  // buffer, that half is being written: nothing plays yet, and reading it
  // would race with the fill. The buffer's status is read under the device's
  // lock, after the thread's Play.
  DWORD status = 0;
  if (FAILED(buffer_->GetStatus(&status)) || (status & DSBSTATUS_PLAYING) == 0) return 0;
  const WORD bits = format_.wBitsPerSample;
  const WORD channels = format_.nChannels;
  if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2)) return -1;
  const bool sixteen = bits == 16;
  const bool stereo = channels == 2;
  // 0.02 as the single-precision value it was written as (0.0199999995...).
  const double seconds = static_cast<double>(0.02f);
  const DWORD frameBytes = (sixteen ? 2u : 1u) * channels;
  const auto window = static_cast<DWORD>(format_.nSamplesPerSec * seconds * frameBytes);

  DWORD cursor = 0;
  if (FAILED(buffer_->GetCurrentPosition(&cursor, nullptr))) return -1;
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  if (FAILED(buffer_->Lock(cursor, window, &first, &firstBytes, &second, &secondBytes, 0))) {
    return -1;
  }
  Peaks peaks;
  ScanRegion(first, firstBytes, sixteen, stereo, &peaks);
  ScanRegion(second, secondBytes, sixteen, stereo, &peaks);
  buffer_->Unlock(first, firstBytes, second, secondBytes);

  const double fullScale = sixteen ? 32768.0 : 128.0;
  *left = LevelOf(peaks.left, fullScale);
  *right = stereo ? LevelOf(peaks.right, fullScale) : *left;
  return 0;
}
