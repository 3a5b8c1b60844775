// The streaming thread: refills the half of the buffer that is not playing,
// and steps the fade-out and the timed changes once per 50 ms pass.
#include <mmsystem.h>

#include "sound/sound_base.h"
#include "sound/sound_steps.h"

namespace {

constexpr DWORD kPassMs = 50;
// The fade-out stops playback once the faded level passes this.
constexpr int64_t kFadeFloor = -5000;

}  // namespace

DWORD WINAPI CDirectSoundBase::StreamThread(LPVOID player) {
  static_cast<CDirectSoundBase*>(player)->RunStream();
  return 0;
}

int32_t CDirectSoundBase::FillHalf(uint32_t half) {
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  if (FAILED(buffer_->Lock(half * halfBytes_, halfBytes_, &first, &firstBytes, &second,
                           &secondBytes, 0))) {
    return -1;
  }
  int32_t result = FillData(static_cast<uint8_t*>(first), firstBytes);
  if (result != 0 && result != 1) {
    buffer_->Unlock(first, firstBytes, second, secondBytes);
    return -1;
  }
  if (second != nullptr && secondBytes > 0) {
    const int32_t more = FillData(static_cast<uint8_t*>(second), secondBytes);
    if (more != 0 && more != 1) {
      buffer_->Unlock(first, firstBytes, second, secondBytes);
      return -1;
    }
    if (more == 1) result = 1;
  }
  buffer_->Unlock(first, firstBytes, second, secondBytes);
  return result;
}

void CDirectSoundBase::RunStream() {
  int32_t endHalf = -1;
  if (FillHalf(0) == 1) endHalf = 0;
  uint32_t current = 0;
  buffer_->SetCurrentPosition(0);
  buffer_->Play(0, 0, DSBPLAY_LOOPING);
  DWORD last = timeGetTime();
  DWORD cursor = 0;  // a failed query keeps the previous value
  while (state_.load(std::memory_order_acquire) != kSoundStopped) {
    buffer_->GetCurrentPosition(&cursor, nullptr);
    if (cursor / halfBytes_ == current) {
      const uint32_t next = (current + 1) % 2;
      if (endHalf >= 0 && next == static_cast<uint32_t>(endHalf)) {
        // The cursor left the end half: what follows is silence.
        state_.store(kSoundStopped, std::memory_order_release);
        Seek(0);
        break;
      }
      current = next;
      if (FillHalf(next) == 1 && endHalf == -1) endHalf = static_cast<int32_t>(next);
    }
    const DWORD now = timeGetTime();
    const DWORD elapsed = now - last;
    last = now;
    StepFadeOut(elapsed);
    StepChanges(elapsed);
    Sleep(kPassMs);
  }
  buffer_->Stop();
  FinishFades();
  // Last act: after this the player may be closed or destroyed.
  threadRunning_.store(false, std::memory_order_release);
}

void CDirectSoundBase::StepFadeOut(DWORD elapsed) {
  if (fadeActive_.load(std::memory_order_acquire) == 0) return;
  const int32_t step = sound_steps::StepOf(fadeRate_.load(std::memory_order_relaxed), elapsed);
  const int64_t attenuation =
      int64_t{fadeAttenuation_.fetch_add(step, std::memory_order_relaxed)} + step;
  const int64_t faded = volume_.load(std::memory_order_relaxed) - attenuation;
  if (faded < kFadeFloor) {
    // Play may cancel the fade-out at the same moment; whoever clears the
    // flag acts.
    if (fadeActive_.exchange(0, std::memory_order_acq_rel) != 0) {
      buffer_->Stop();
      ApplyVolume(volume_.load(std::memory_order_relaxed));
      state_.store(kSoundStopped, std::memory_order_release);
    }
    return;
  }
  ApplyVolume(static_cast<int32_t>(faded));
  // Cancelled while the faded level was being set: the full level wins.
  if (fadeActive_.load(std::memory_order_acquire) == 0) {
    ApplyVolume(volume_.load(std::memory_order_relaxed));
  }
}

void CDirectSoundBase::StepChanges(DWORD elapsed) {
  using sound_steps::Step;
  int32_t now = 0;
  if (const int32_t request = volumePending_.load(std::memory_order_acquire); request != 0) {
    const Step s = sound_steps::StepTowards(
        volume_, volumeTarget_.load(std::memory_order_relaxed),
        sound_steps::StepOf(volumeRate_.load(std::memory_order_relaxed), elapsed), &now);
    if (s != Step::kSkipped) ApplyVolume(now);
    int32_t expected = request;
    if (s == Step::kArrived) volumePending_.compare_exchange_strong(expected, 0);
  }
  if (const int32_t request = panPending_.load(std::memory_order_acquire); request != 0) {
    const Step s = sound_steps::StepTowards(
        pan_, panTarget_.load(std::memory_order_relaxed),
        sound_steps::StepOf(panRate_.load(std::memory_order_relaxed), elapsed), &now);
    if (s != Step::kSkipped) buffer_->SetPan(now);
    int32_t expected = request;
    if (s == Step::kArrived) panPending_.compare_exchange_strong(expected, 0);
  }
  if (const int32_t request = speedPending_.load(std::memory_order_acquire); request != 0) {
    const Step s = sound_steps::StepTowards(
        speed_, speedTarget_.load(std::memory_order_relaxed),
        sound_steps::StepOf(speedRate_.load(std::memory_order_relaxed), elapsed), &now);
    if (s != Step::kSkipped) buffer_->SetFrequency(SpeedFrequency(now));
    int32_t expected = request;
    if (s == Step::kArrived) speedPending_.compare_exchange_strong(expected, 0);
  }
}

void CDirectSoundBase::FinishFades() {
  if (fadeActive_.exchange(0, std::memory_order_acq_rel) != 0) {
    ApplyVolume(volume_.load(std::memory_order_relaxed));
  }
  if (volumePending_.exchange(0, std::memory_order_acq_rel) != 0) {
    const int32_t target = volumeTarget_.load(std::memory_order_relaxed);
    volume_.store(target, std::memory_order_relaxed);
    ApplyVolume(target);
  }
  if (panPending_.exchange(0, std::memory_order_acq_rel) != 0) {
    const int32_t target = panTarget_.load(std::memory_order_relaxed);
    pan_.store(target, std::memory_order_relaxed);
    buffer_->SetPan(target);
  }
  if (speedPending_.exchange(0, std::memory_order_acq_rel) != 0) {
    const int32_t target = speedTarget_.load(std::memory_order_relaxed);
    speed_.store(target, std::memory_order_relaxed);
    buffer_->SetFrequency(SpeedFrequency(target));
  }
}
