// Reference counting shared by the DirectSound objects: AddRef and Release as
// COM documents them, the object freed at zero, and a count of live objects
// for the test hooks.
#ifndef MORVANE_PLATFORM_DSOUND_COM_OBJECT_H
#define MORVANE_PLATFORM_DSOUND_COM_OBJECT_H

#include <atomic>

#include "dsound/mixer.h"

namespace dsound {

template <class Interface>
class ComObject : public Interface {
 public:
  ComObject() { LiveObjects().fetch_add(1); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~ComObject() override { LiveObjects().fetch_sub(1); }

 private:
  std::atomic<ULONG> refs_{1};
};

// The cooperative level of the DirectSound object that made a buffer (0
// until set); a buffer keeps it, since it may outlive that object.
using Level = std::shared_ptr<const std::atomic<DWORD>>;

// The two kinds of buffer, created by IDirectSound8::CreateSoundBuffer after
// it has checked the description's size and the 3D algorithm.
// GetFormat's contract for both buffer kinds: the size alone when format is
// null, else as much of the format as fits.
HRESULT CopyFormat(const WAVEFORMATEX& source, WAVEFORMATEX* format, DWORD sizeAllocated,
                   DWORD* sizeWritten);

HRESULT CreatePrimaryBuffer(std::shared_ptr<Mixer> mixer, Level level, const DSBUFFERDESC& desc,
                            IDirectSoundBuffer** buffer);
HRESULT CreateSecondaryBuffer(std::shared_ptr<Mixer> mixer, Level level, const DSBUFFERDESC& desc,
                              IDirectSoundBuffer** buffer);

}  // namespace dsound

#endif  // MORVANE_PLATFORM_DSOUND_COM_OBJECT_H
