// The subset of DirectSound 8 that Morvane Bench calls, implemented in
// platform/dsound over SDL2 audio. Names, constants, structures and result
// codes follow the Windows SDK.
//
// What it does: DirectSoundCreate8 opens the SDL audio device (44100 Hz,
// stereo, float; DirectSound objects alive at the same time share it, as they
// would share one sound card). Secondary buffers of 8- or 16-bit PCM, mono or
// stereo, at any rate from DSBFREQUENCY_MIN to DSBFREQUENCY_MAX, are
// resampled (linear interpolation) and mixed into it with their volume, pan
// and frequency. The primary buffer exists, holds a volume and pan applied to
// the whole mix, and is otherwise unused (no cursor, no Lock).
//
// What it does not do: 3D sound (DSBCAPS_CTRL3D on a secondary buffer fails
// with DSERR_CONTROLUNAVAIL), effects, position notifications (the flag is
// accepted, no notification interface), hardware buffers, writing the primary
// buffer (DSSCL_WRITEPRIMARY fails with DSERR_UNSUPPORTED), SetFormat.
//
// Lifetime: every interface is reference counted. A buffer keeps the mixer
// alive, so buffers may outlive the IDirectSound8 that created them and go on
// playing until they are released; SDL audio is shut down with the last
// object.
//
// Threads: every method may be called from any thread. The mixer runs on
// SDL's audio thread; buffer state is guarded inside the platform. The bytes
// handed out by Lock are written without a lock: the mixer reads only at the
// play cursor and up to the write cursor, so a caller that writes outside that
// span, as the documentation asks, never races with it.
#ifndef MORVANE_PLATFORM_DSOUND_H
#define MORVANE_PLATFORM_DSOUND_H

#include <d3d9.h>

#include <cstring>

// ---- GUIDs -----------------------------------------------------------------
#ifndef GUID_DEFINED
#define GUID_DEFINED
struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }
typedef GUID IID;
typedef const GUID* LPCGUID;
typedef const IID& REFIID;
typedef const GUID& REFGUID;
inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
#endif

inline constexpr GUID IID_IDirectSound8 = {
    0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
inline constexpr GUID IID_IDirectSoundBuffer = {
    0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr GUID IID_IDirectSoundBuffer8 = {
    0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};
// The default 3D algorithm is the null GUID.
#define DS3DALG_DEFAULT GUID_NULL

// ---- Wave format -------------------------------------------------------------
#ifndef _WAVEFORMATEX_
#define _WAVEFORMATEX_
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
#endif
#ifndef WAVE_FORMAT_PCM
#define WAVE_FORMAT_PCM 1
#endif

// ---- Result codes --------------------------------------------------------------
#define _FACDS 0x878
#define MAKE_DSHRESULT(code) ((HRESULT)((1UL << 31) | ((unsigned long)_FACDS << 16) | (code)))
#define DS_OK S_OK
#define DS_NO_VIRTUALIZATION ((HRESULT)((_FACDS << 16) | 10))
#define DSERR_ALLOCATED MAKE_DSHRESULT(10)
#define DSERR_CONTROLUNAVAIL MAKE_DSHRESULT(30)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL MAKE_DSHRESULT(50)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED MAKE_DSHRESULT(70)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT MAKE_DSHRESULT(100)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER MAKE_DSHRESULT(120)
#define DSERR_ALREADYINITIALIZED MAKE_DSHRESULT(130)
#define DSERR_NOAGGREGATION ((HRESULT)0x80040110L)
#define DSERR_BUFFERLOST MAKE_DSHRESULT(150)
#define DSERR_OTHERAPPHASPRIO MAKE_DSHRESULT(160)
#define DSERR_UNINITIALIZED MAKE_DSHRESULT(170)
#define DSERR_NOINTERFACE E_NOINTERFACE
#define DSERR_ACCESSDENIED ((HRESULT)0x80070005L)
#define DSERR_BUFFERTOOSMALL MAKE_DSHRESULT(180)
#define DSERR_DS8_REQUIRED MAKE_DSHRESULT(190)

// ---- Constants --------------------------------------------------------------------
#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_CTRLFX 0x00000200
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000
#define DSBCAPS_LOCDEFER 0x00040000
#define DSBCAPS_TRUEPLAYPOSITION 0x00080000

#define DSBPLAY_LOOPING 0x00000001

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004
#define DSBSTATUS_LOCHARDWARE 0x00000008
#define DSBSTATUS_LOCSOFTWARE 0x00000010
#define DSBSTATUS_TERMINATED 0x00000020

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000

#define DSBPAN_LEFT -10000
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000

#define DSBVOLUME_MIN -10000
#define DSBVOLUME_MAX 0

#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// ---- Structures -------------------------------------------------------------------
// 36 bytes on 32-bit Windows; here the format pointer is 8 bytes, so callers
// must set dwSize = sizeof(DSBUFFERDESC) (or sizeof(DSBUFFERDESC1)).
struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
  GUID guid3DAlgorithm;
};
typedef DSBUFFERDESC* LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

// The DirectX 7 description, without the 3D algorithm.
struct DSBUFFERDESC1 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
};

struct DSBCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwUnlockTransferRate;
  DWORD dwPlayCpuOverhead;
};
typedef DSBCAPS* LPDSBCAPS;

// ---- Interfaces ---------------------------------------------------------------------
struct IDirectSoundBuffer : IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual HRESULT GetCaps(DSBCAPS* caps) = 0;
  virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
  virtual HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) = 0;
  virtual HRESULT GetVolume(LONG* volume) = 0;
  virtual HRESULT GetPan(LONG* pan) = 0;
  virtual HRESULT GetFrequency(DWORD* frequency) = 0;
  virtual HRESULT GetStatus(DWORD* status) = 0;
  virtual HRESULT Lock(DWORD offset, DWORD bytes, void** audio1, DWORD* audioBytes1, void** audio2,
                       DWORD* audioBytes2, DWORD flags) = 0;
  virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT SetCurrentPosition(DWORD newPosition) = 0;
  virtual HRESULT SetVolume(LONG volume) = 0;
  virtual HRESULT SetPan(LONG pan) = 0;
  virtual HRESULT SetFrequency(DWORD frequency) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Unlock(void* audio1, DWORD audioBytes1, void* audio2, DWORD audioBytes2) = 0;
};

// Secondary buffers only (the primary buffer does not expose it).
struct IDirectSoundBuffer8 : IDirectSoundBuffer {};

struct IDirectSound8 : IUnknown {
  // hwnd is not examined. Buffers play only once a level has been set.
  virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD level) = 0;
  virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer,
                                    IUnknown* outer) = 0;
};

typedef IDirectSound8* LPDIRECTSOUND8;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;

// device: null or GUID_NULL for the default device; any other fails with
// DSERR_NODRIVER, as does a machine where no SDL audio device opens.
HRESULT WINAPI DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, IUnknown* outer);

#endif  // MORVANE_PLATFORM_DSOUND_H
