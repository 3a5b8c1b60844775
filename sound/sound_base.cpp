// CDirectSoundBase: buffer creation and the controls called by the
// controlling thread. The streaming thread is in stream_thread.cpp, the level
// meter in level_meter.cpp.
#include "sound/sound_base.h"

#include <algorithm>
#include <cstring>

#include "sound/sound_steps.h"

namespace {

// Static, frequency, pan, volume, position notify, global focus, current
// position 2, deferred location.
constexpr DWORD kStreamBufferFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                                     DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY |
                                     DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2 |
                                     DSBCAPS_LOCDEFER;
static_assert(kStreamBufferFlags == 0x581E2);

}  // namespace

CDirectSoundBase::CDirectSoundBase() = default;

CDirectSoundBase::~CDirectSoundBase() {
  WaitThreadEnd();
  if (buffer_ != nullptr) buffer_->Release();
  buffer_ = nullptr;
  name_[0] = '\0';
}

int32_t CDirectSoundBase::FillData(uint8_t*, uint32_t) { return -1; }

int32_t CDirectSoundBase::CreateStreamBuffer(IDirectSound8* device, const WAVEFORMATEX& format) {
  if (buffer_ != nullptr) buffer_->Release();
  buffer_ = nullptr;
  format_ = format;
  // Computed wide so that a nonsense header cannot wrap it into a small,
  // plausible size.
  const uint64_t perSecond =
      (uint64_t{format.nChannels} * format.wBitsPerSample * format.nSamplesPerSec) >> 3;
  if (device == nullptr || perSecond == 0 || perSecond > DSBSIZE_MAX / 2) return -1;
  halfBytes_ = static_cast<uint32_t>(perSecond);

  DSBUFFERDESC desc{};
  desc.dwSize = sizeof(DSBUFFERDESC);
  desc.dwFlags = kStreamBufferFlags;
  desc.dwBufferBytes = 2 * halfBytes_;
  desc.dwReserved = 0;
  desc.lpwfxFormat = &format_;
  desc.guid3DAlgorithm = DS3DALG_DEFAULT;
  IDirectSoundBuffer* first = nullptr;
  if (FAILED(device->CreateSoundBuffer(&desc, &first, nullptr)) || first == nullptr) return -1;
  void* second = nullptr;
  const HRESULT hr = first->QueryInterface(IID_IDirectSoundBuffer8, &second);
  first->Release();
  if (FAILED(hr) || second == nullptr) return -1;
  buffer_ = static_cast<IDirectSoundBuffer8*>(second);
  return 0;
}

void CDirectSoundBase::ResetControls() {
  state_.store(kSoundStopped, std::memory_order_release);
  fadeActive_.store(0, std::memory_order_relaxed);
  fadeAttenuation_.store(0, std::memory_order_relaxed);
  volumePending_.store(0, std::memory_order_relaxed);
  panPending_.store(0, std::memory_order_relaxed);
  speedPending_.store(0, std::memory_order_relaxed);
  volume_.store(0, std::memory_order_relaxed);
  pan_.store(0, std::memory_order_relaxed);
  speed_.store(1000, std::memory_order_relaxed);
  if (buffer_ != nullptr) ApplyVolume(0);
}

void CDirectSoundBase::ApplyVolume(int32_t volume) {
  // A level below the range is refused by SetVolume and would leave the
  // previous, louder level playing; silence is what is meant.
  const int64_t total = int64_t{masterVolume_.load(std::memory_order_relaxed)} + volume;
  buffer_->SetVolume(static_cast<LONG>(std::clamp<int64_t>(total, DSBVOLUME_MIN, DSBVOLUME_MAX)));
}

DWORD CDirectSoundBase::SpeedFrequency(int32_t speed) const {
  const uint32_t product = format_.nSamplesPerSec * static_cast<uint32_t>(speed);
  return static_cast<DWORD>(static_cast<double>(product) * 0.001);
}

int32_t CDirectSoundBase::Play(int32_t loopLimit, int32_t loopStartMs) {
  if (buffer_ == nullptr) return -1;
  loopLimit_.store(loopLimit, std::memory_order_relaxed);
  loopStart_.store(loopStartMs * 0.001, std::memory_order_relaxed);
  int32_t state = state_.load(std::memory_order_acquire);
  // A thread that ended on its own (end of data) while paused leaves nothing
  // to resume: start afresh.
  if (state == kSoundPaused && !threadRunning_.load(std::memory_order_acquire)) {
    state = kSoundStopped;
  }
  if (state == kSoundStopped) {
    // A stopped thread may still be in its last pass; two threads must never
    // share the buffer.
    WaitThreadEnd();
    loopCount_.store(0, std::memory_order_relaxed);
    state_.store(kSoundPlaying, std::memory_order_release);
    threadRunning_.store(true, std::memory_order_release);
    thread_ = CreateThread(nullptr, 0, StreamThread, this, 0, nullptr);
    if (thread_ == nullptr) {
      threadRunning_.store(false, std::memory_order_release);
      state_.store(kSoundStopped, std::memory_order_release);
      return -1;
    }
  } else if (state == kSoundPaused) {
    buffer_->Play(0, 0, DSBPLAY_LOOPING);
    state_.store(kSoundPlaying, std::memory_order_release);
  }
  if (fadeActive_.exchange(0, std::memory_order_acq_rel) != 0) {
    fadeAttenuation_.store(0, std::memory_order_relaxed);
    ApplyVolume(volume_.load(std::memory_order_relaxed));
  }
  return 0;
}

int32_t CDirectSoundBase::Pause() {
  if (buffer_ == nullptr) return -1;
  int32_t expected = kSoundPlaying;
  // Stopped stays stopped: a paused state without a thread would resume a
  // buffer that nobody refills.
  if (!state_.compare_exchange_strong(expected, kSoundPaused, std::memory_order_acq_rel)) return 0;
  buffer_->Stop();
  FinishFades();
  return 0;
}

int32_t CDirectSoundBase::Stop(float rate) {
  if (buffer_ == nullptr) return -1;
  if (state_.load(std::memory_order_acquire) == kSoundPlaying && rate > 0.0f) {
    fadeRate_.store(rate, std::memory_order_relaxed);
    volumePending_.store(0, std::memory_order_relaxed);
    if (fadeActive_.load(std::memory_order_acquire) == 0) {
      fadeAttenuation_.store(0, std::memory_order_relaxed);
      fadeActive_.store(1, std::memory_order_release);
    }
    return 0;
  }
  buffer_->Stop();
  state_.store(kSoundStopped, std::memory_order_release);
  return 0;
}

int32_t CDirectSoundBase::SetMasterVolume(int32_t volume) {
  masterVolume_.store(std::clamp(volume, DSBVOLUME_MIN, DSBVOLUME_MAX), std::memory_order_relaxed);
  if (buffer_ != nullptr) ApplyVolume(volume_.load(std::memory_order_relaxed));
  return 0;
}

int32_t CDirectSoundBase::ChangeVolume(int32_t volume, float rate) {
  if (buffer_ == nullptr) return -1;
  if (fadeActive_.load(std::memory_order_acquire) != 0) {
    volume_.store(volume, std::memory_order_relaxed);  // the fade-out goes on from it
    return 0;
  }
  volume = std::clamp(volume, DSBVOLUME_MIN, DSBVOLUME_MAX);
  if (state_.load(std::memory_order_acquire) == kSoundPlaying && rate > 0.0f) {
    sound_steps::Request(volumeTarget_, volumeRate_, volumePending_, volume, rate);
  } else {
    // An immediate value replaces a change still on its way.
    volumePending_.store(0, std::memory_order_relaxed);
    ApplyVolume(volume);
    volume_.store(volume, std::memory_order_relaxed);
  }
  return 0;
}

int32_t CDirectSoundBase::ChangePan(int32_t pan, float rate) {
  if (buffer_ == nullptr) return -1;
  pan = std::clamp(pan, DSBPAN_LEFT, DSBPAN_RIGHT);
  if (state_.load(std::memory_order_acquire) == kSoundPlaying && rate > 0.0f) {
    sound_steps::Request(panTarget_, panRate_, panPending_, pan, rate);
  } else {
    panPending_.store(0, std::memory_order_relaxed);
    buffer_->SetPan(pan);
    pan_.store(pan, std::memory_order_relaxed);
  }
  return 0;
}

int32_t CDirectSoundBase::ChangeSpeed(int32_t speed, float rate) {
  if (buffer_ == nullptr) return -1;
  speed = std::clamp(speed, 10, 2000);
  if (state_.load(std::memory_order_acquire) == kSoundPlaying && rate > 0.0f) {
    sound_steps::Request(speedTarget_, speedRate_, speedPending_, speed, rate);
  } else {
    speedPending_.store(0, std::memory_order_relaxed);
    buffer_->SetFrequency(SpeedFrequency(speed));
    speed_.store(speed, std::memory_order_relaxed);
  }
  return 0;
}

int32_t CDirectSoundBase::GetName(char* destination) {
  if (destination == nullptr) return -1;
  std::memcpy(destination, name_, kSoundNameSize);
  return 0;
}

int32_t CDirectSoundBase::GetState() { return state_.load(std::memory_order_acquire); }
int32_t CDirectSoundBase::GetLoopLimit() { return loopLimit_.load(std::memory_order_relaxed); }
int32_t CDirectSoundBase::GetMasterVolume() {
  return masterVolume_.load(std::memory_order_relaxed);
}
int32_t CDirectSoundBase::GetVolume() { return volume_.load(std::memory_order_relaxed); }
int32_t CDirectSoundBase::GetPan() { return pan_.load(std::memory_order_relaxed); }
int32_t CDirectSoundBase::GetSpeed() { return speed_.load(std::memory_order_relaxed); }

void CDirectSoundBase::WaitThreadEnd() {
  if (thread_ == nullptr) return;
  state_.store(kSoundStopped, std::memory_order_release);
  DWORD code = 0;
  while (GetExitCodeThread(thread_, &code) && code == STILL_ACTIVE) Sleep(50);
  CloseHandle(thread_);
  thread_ = nullptr;
}

void CDirectSoundBase::Close() {
  // The thread uses the buffer until its last act.
  WaitThreadEnd();
  if (buffer_ != nullptr) buffer_->Release();
  buffer_ = nullptr;
  name_[0] = '\0';
}
