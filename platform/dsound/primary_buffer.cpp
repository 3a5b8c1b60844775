// The primary buffer: held by the program, never written. Its volume and pan
// set the level of the whole mix; its cursor and data are not offered.
#include <dsound.h>

#include <algorithm>
#include <cstring>

#include "dsound/com_object.h"

namespace dsound {
namespace {

// The format reported for the mix: what a 16-bit device at the output rate
// would show.
WAVEFORMATEX OutputFormat() {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = kOutputChannels;
  f.nSamplesPerSec = kOutputRate;
  f.wBitsPerSample = 16;
  f.nBlockAlign = static_cast<WORD>(f.nChannels * f.wBitsPerSample / 8);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  return f;
}

class PrimaryBuffer final : public ComObject<IDirectSoundBuffer> {
 public:
  PrimaryBuffer(std::shared_ptr<Mixer> mixer, Level level, DWORD flags)
      : mixer_(std::move(mixer)), level_(std::move(level)), flags_(flags) {}

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return DSERR_INVALIDPARAM;
    if (riid == IID_IDirectSoundBuffer) {
      AddRef();
      *object = static_cast<IDirectSoundBuffer*>(this);
      return DS_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT GetCaps(DSBCAPS* caps) override {
    if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
    caps->dwFlags = flags_ | DSBCAPS_LOCSOFTWARE;
    caps->dwBufferBytes = 0;
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
  }

  // The mix has no byte position the program could use.
  HRESULT GetCurrentPosition(DWORD*, DWORD*) override { return DSERR_UNSUPPORTED; }

  HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) override {
    return CopyFormat(OutputFormat(), format, sizeAllocated, sizeWritten);
  }

  HRESULT GetVolume(LONG* volume) override {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    *volume = mixer_->MasterVolume();
    return DS_OK;
  }

  HRESULT GetPan(LONG* pan) override {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    *pan = mixer_->MasterPan();
    return DS_OK;
  }

  HRESULT GetFrequency(DWORD*) override { return DSERR_CONTROLUNAVAIL; }

  HRESULT GetStatus(DWORD* status) override {
    if (status == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    *status = playing_ ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
    return DS_OK;
  }

  // Locking the primary buffer needs DSSCL_WRITEPRIMARY, which is not offered.
  HRESULT Lock(DWORD, DWORD, void** audio1, DWORD* bytes1, void** audio2, DWORD* bytes2,
               DWORD) override {
    if (audio1) *audio1 = nullptr;
    if (bytes1) *bytes1 = 0;
    if (audio2) *audio2 = nullptr;
    if (bytes2) *bytes2 = 0;
    return DSERR_PRIOLEVELNEEDED;
  }
  HRESULT Unlock(void*, DWORD, void*, DWORD) override { return DSERR_PRIOLEVELNEEDED; }

  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override {
    // The primary buffer always plays looping.
    if (reserved != 0 || priority != 0 || !(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
    if (level_->load() == 0) return DSERR_PRIOLEVELNEEDED;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    playing_ = true;
    return DS_OK;
  }

  HRESULT SetCurrentPosition(DWORD) override { return DSERR_INVALIDCALL; }

  HRESULT SetVolume(LONG volume) override {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    mixer_->SetMaster(volume, mixer_->MasterPan());
    return DS_OK;
  }

  HRESULT SetPan(LONG pan) override {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    mixer_->SetMaster(mixer_->MasterVolume(), pan);
    return DS_OK;
  }

  HRESULT SetFrequency(DWORD) override { return DSERR_CONTROLUNAVAIL; }

  HRESULT Stop() override {
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    playing_ = false;
    return DS_OK;
  }

 private:
  std::shared_ptr<Mixer> mixer_;
  const Level level_;
  const DWORD flags_;
  bool playing_ = false;  // guarded by the mixer's mutex
};

}  // namespace

HRESULT CreatePrimaryBuffer(std::shared_ptr<Mixer> mixer, Level level, const DSBUFFERDESC& desc,
                            IDirectSoundBuffer** buffer) {
  if (desc.dwBufferBytes != 0 || desc.lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
  if (desc.dwFlags & (DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLFX | DSBCAPS_STATIC))
    return DSERR_INVALIDPARAM;
  *buffer = new PrimaryBuffer(std::move(mixer), std::move(level), desc.dwFlags);
  return DS_OK;
}

HRESULT CopyFormat(const WAVEFORMATEX& source, WAVEFORMATEX* format, DWORD sizeAllocated,
                   DWORD* sizeWritten) {
  if (format == nullptr && sizeWritten == nullptr) return DSERR_INVALIDPARAM;
  if (format == nullptr) {
    *sizeWritten = sizeof(WAVEFORMATEX);
    return DS_OK;
  }
  DWORD n = std::min<DWORD>(sizeAllocated, sizeof(WAVEFORMATEX));
  std::memcpy(format, &source, n);
  if (sizeWritten) *sizeWritten = n;
  return DS_OK;
}

}  // namespace dsound
