// Secondary buffers: circular PCM sample memory the program locks and fills,
// played by the mixer at their own frequency, volume and pan.
#include <dsound.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "dsound/com_object.h"

namespace dsound {
namespace {

HRESULT CheckFormat(const WAVEFORMATEX& f) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
  if (f.nChannels != 1 && f.nChannels != 2) return DSERR_BADFORMAT;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return DSERR_BADFORMAT;
  if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX)
    return DSERR_BADFORMAT;
  if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return DSERR_BADFORMAT;
  return DS_OK;
}

bool Inside(const std::vector<uint8_t>& data, const void* p, DWORD bytes) {
  auto begin = reinterpret_cast<uintptr_t>(data.data());
  auto at = reinterpret_cast<uintptr_t>(p);
  return at >= begin && at - begin <= data.size() && bytes <= data.size() - (at - begin);
}

class SecondaryBuffer final : public ComObject<IDirectSoundBuffer8> {
 public:
  SecondaryBuffer(std::shared_ptr<Mixer> mixer, Level level, DWORD flags,
                  const WAVEFORMATEX& format, DWORD bytes)
      : mixer_(std::move(mixer)), level_(std::move(level)), flags_(flags) {
    // Fresh buffers hold silence: 0x80 is the 8-bit midpoint.
    voice_.data.assign(bytes, format.wBitsPerSample == 8 ? 0x80 : 0x00);
    voice_.format = format;
    voice_.format.cbSize = 0;
    voice_.frames = bytes / format.nBlockAlign;
    voice_.frequency = format.nSamplesPerSec;
    mixer_->Add(&voice_);
  }

  ~SecondaryBuffer() override { mixer_->Remove(&voice_); }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return DSERR_INVALIDPARAM;
    if (riid == IID_IDirectSoundBuffer || riid == IID_IDirectSoundBuffer8) {
      AddRef();
      *object = static_cast<IDirectSoundBuffer8*>(this);
      return DS_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT GetCaps(DSBCAPS* caps) override {
    if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
    caps->dwFlags = (flags_ & ~DSBCAPS_LOCDEFER) | DSBCAPS_LOCSOFTWARE;
    caps->dwBufferBytes = Size();
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
  }

  HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override {
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    if (playCursor) *playCursor = voice_.PlayCursor();
    if (writeCursor) *writeCursor = voice_.WriteCursor();
    return DS_OK;
  }

  HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) override {
    return CopyFormat(voice_.format, format, sizeAllocated, sizeWritten);  // never changes
  }

  HRESULT GetVolume(LONG* volume) override {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    *volume = volume_;
    return DS_OK;
  }

  HRESULT GetPan(LONG* pan) override {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    *pan = pan_;
    return DS_OK;
  }

  HRESULT GetFrequency(DWORD* frequency) override {
    if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    *frequency = voice_.frequency;
    return DS_OK;
  }

  HRESULT GetStatus(DWORD* status) override {
    if (status == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    DWORD s = 0;
    if (voice_.playing) {
      s |= DSBSTATUS_PLAYING;
      if (voice_.looping) s |= DSBSTATUS_LOOPING;
      if (flags_ & DSBCAPS_LOCDEFER) s |= DSBSTATUS_LOCSOFTWARE;
    }
    *status = s;
    return DS_OK;
  }

  HRESULT Lock(DWORD offset, DWORD bytes, void** audio1, DWORD* bytes1, void** audio2,
               DWORD* bytes2, DWORD flags) override {
    if (audio1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
    *audio1 = nullptr;
    *bytes1 = 0;
    if (audio2) *audio2 = nullptr;
    if (bytes2) *bytes2 = 0;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    const DWORD size = Size();
    if (flags & DSBLOCK_FROMWRITECURSOR) offset = voice_.WriteCursor();
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    // The buffer is circular: what does not fit before the end continues at
    // the start, in the second region, if the caller asked for one.
    const DWORD first = std::min(bytes, size - offset);
    *audio1 = voice_.data.data() + offset;
    *bytes1 = first;
    if (first < bytes && audio2 != nullptr && bytes2 != nullptr) {
      *audio2 = voice_.data.data();
      *bytes2 = bytes - first;
    }
    return DS_OK;
  }

  HRESULT Unlock(void* audio1, DWORD bytes1, void* audio2, DWORD bytes2) override {
    // Taking the mutex orders the caller's writes before the mixer's reads.
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    if (audio1 == nullptr || !Inside(voice_.data, audio1, bytes1)) return DSERR_INVALIDPARAM;
    if (audio2 != nullptr && !Inside(voice_.data, audio2, bytes2)) return DSERR_INVALIDPARAM;
    return DS_OK;
  }

  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override {
    if (reserved != 0) return DSERR_INVALIDPARAM;
    if (priority != 0 && !(flags_ & DSBCAPS_LOCDEFER)) return DSERR_INVALIDPARAM;
    if (level_->load() == 0) return DSERR_PRIOLEVELNEEDED;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    voice_.playing = true;
    voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
  }

  HRESULT SetCurrentPosition(DWORD position) override {
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    if (position >= Size()) return DSERR_INVALIDPARAM;
    voice_.position = static_cast<uint64_t>(position / voice_.format.nBlockAlign) * kOutputRate;
    return DS_OK;
  }

  HRESULT SetVolume(LONG volume) override {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    volume_ = volume;
    ChannelGains(volume_, pan_, &voice_.gainLeft, &voice_.gainRight);
    return DS_OK;
  }

  HRESULT SetPan(LONG pan) override {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    pan_ = pan;
    ChannelGains(volume_, pan_, &voice_.gainLeft, &voice_.gainRight);
    return DS_OK;
  }

  HRESULT SetFrequency(DWORD frequency) override {
    if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency == DSBFREQUENCY_ORIGINAL) frequency = voice_.format.nSamplesPerSec;
    if (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    voice_.frequency = frequency;
    return DS_OK;
  }

  HRESULT Stop() override {
    std::lock_guard<std::mutex> lock(mixer_->mutex());
    voice_.playing = false;
    return DS_OK;
  }

 private:
  DWORD Size() const { return static_cast<DWORD>(voice_.data.size()); }

  std::shared_ptr<Mixer> mixer_;
  const Level level_;
  const DWORD flags_;
  Voice voice_;      // guarded by the mixer's mutex, apart from the sample bytes
  LONG volume_ = 0;  // guarded by the mixer's mutex
  LONG pan_ = 0;     // guarded by the mixer's mutex
};

}  // namespace

HRESULT CreateSecondaryBuffer(std::shared_ptr<Mixer> mixer, Level level, const DSBUFFERDESC& desc,
                              IDirectSoundBuffer** buffer) {
  const DWORD flags = desc.dwFlags;
  if (desc.lpwfxFormat == nullptr) return DSERR_INVALIDPARAM;
  const DWORD location = flags & (DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE | DSBCAPS_LOCDEFER);
  if (location != 0 && (location & (location - 1)) != 0) return DSERR_INVALIDPARAM;
  // Everything is mixed in software, in two dimensions, without effects.
  if (flags & (DSBCAPS_LOCHARDWARE | DSBCAPS_CTRL3D | DSBCAPS_CTRLFX)) return DSERR_CONTROLUNAVAIL;
  const WAVEFORMATEX format = *desc.lpwfxFormat;
  if (HRESULT hr = CheckFormat(format); FAILED(hr)) return hr;
  if (desc.dwBufferBytes < DSBSIZE_MIN || desc.dwBufferBytes > DSBSIZE_MAX ||
      desc.dwBufferBytes % format.nBlockAlign != 0)
    return DSERR_INVALIDPARAM;
  try {
    *buffer =
        new SecondaryBuffer(std::move(mixer), std::move(level), flags, format, desc.dwBufferBytes);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  return DS_OK;
}

}  // namespace dsound
