// IDirectSound8 and DirectSoundCreate8.
#include <dsound.h>

#include <algorithm>
#include <cstring>

#include "dsound/com_object.h"
#include "win32/allocation_faults.h"

namespace dsound {
namespace {

class DirectSound final : public ComObject<IDirectSound8> {
 public:
  explicit DirectSound(std::shared_ptr<Mixer> mixer) : mixer_(std::move(mixer)) {}

  HRESULT SetCooperativeLevel(HWND, DWORD level) override {
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    // Writing the primary buffer directly is not offered.
    if (level == DSSCL_WRITEPRIMARY) return DSERR_UNSUPPORTED;
    level_->store(level);
    return DS_OK;
  }

  HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer,
                            IUnknown* outer) override {
    if (buffer == nullptr) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (desc == nullptr) return DSERR_INVALIDPARAM;
    if (outer != nullptr) return DSERR_NOAGGREGATION;
    // Copy only the bytes the caller says it has: a DSBUFFERDESC1 ends
    // before the 3D algorithm.
    if (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != sizeof(DSBUFFERDESC1))
      return DSERR_INVALIDPARAM;
    DSBUFFERDESC copy{};
    std::memcpy(&copy, desc, desc->dwSize);
    if (!(copy.dwFlags & DSBCAPS_CTRL3D) && !(copy.guid3DAlgorithm == GUID_NULL))
      return DSERR_INVALIDPARAM;
    if (win32::AllocationFails("IDirectSound8::CreateSoundBuffer")) return DSERR_OUTOFMEMORY;
    if (copy.dwFlags & DSBCAPS_PRIMARYBUFFER)
      return CreatePrimaryBuffer(mixer_, level_, copy, buffer);
    return CreateSecondaryBuffer(mixer_, level_, copy, buffer);
  }

 private:
  std::shared_ptr<Mixer> mixer_;
  std::shared_ptr<std::atomic<DWORD>> level_ = std::make_shared<std::atomic<DWORD>>(0);
};

}  // namespace
}  // namespace dsound

HRESULT WINAPI DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, IUnknown* outer) {
  if (directSound == nullptr) return DSERR_INVALIDPARAM;
  *directSound = nullptr;
  if (outer != nullptr) return DSERR_NOAGGREGATION;
  if (device != nullptr && !(*device == GUID_NULL)) return DSERR_NODRIVER;
  if (win32::AllocationFails("DirectSoundCreate8")) return DSERR_OUTOFMEMORY;
  std::shared_ptr<dsound::Mixer> mixer = dsound::Mixer::Acquire();
  if (!mixer) return DSERR_NODRIVER;
  *directSound = new dsound::DirectSound(std::move(mixer));
  return DS_OK;
}
