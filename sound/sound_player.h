// IDirectSoundPlayer: the interface of the streaming music player. See
// sound/sound.h for what the player does and which thread may call what.
//
// Units: volumes in hundredths of a decibel (-10000 silence .. 0 full), pan
// -10000 (left) .. 10000 (right), speed in thousandths of the file's own
// sample rate (1000 = normal), rates per millisecond, times in milliseconds.
// Results: 0 for success, -1 for failure, unless noted.
#ifndef MORVANE_SOUND_SOUND_PLAYER_H
#define MORVANE_SOUND_SOUND_PLAYER_H

#include <dsound.h>

#include <cstdint>

#include "data/stream.h"

// Size of the name buffers of Open and GetName, the zero included.
inline constexpr uint32_t kSoundNameSize = 260;

// Player states, as GetState reports them.
inline constexpr int32_t kSoundPlaying = 0;
inline constexpr int32_t kSoundPaused = 1;
inline constexpr int32_t kSoundStopped = 2;

class IDirectSoundPlayer {
 public:
  virtual ~IDirectSoundPlayer() = default;

  // Opens a file on disk; any earlier source is closed first.
  virtual int32_t Open(IDirectSound8* device, const char* fileName) = 0;
  // Opens a source given as callbacks (read, seek, close, tell of `table`)
  // with `user` as their user data. On success the player owns the source
  // and calls its close entry once, from Close; on failure it never does.
  virtual int32_t OpenFromCallbacks(IDirectSound8* device, const char* name,
                                    const StreamCallbacks* table, void* user) = 0;
  // Starts (from stopped: a new streaming thread) or resumes (from paused).
  // loopLimit: passes over the data, 0 or less = endless; each further pass
  // begins at loopStartMs. Cancels a running fade-out.
  virtual int32_t Play(int32_t loopLimit, int32_t loopStartMs) = 0;
  // Holds the buffer; pending changes jump to their targets. A stopped
  // player stays stopped.
  virtual int32_t Pause() = 0;
  // rate > 0 while playing: fade out by `rate` per ms, stopping once the
  // faded volume drops below -5000 (the level is then restored). Otherwise
  // stops at once.
  virtual int32_t Stop(float rate) = 0;
  // Moves the source to positionMs (clamped to the data's end).
  virtual int32_t Seek(int32_t positionMs) = 0;
  // Stored even without a buffer; clamped to -10000..0. Always 0.
  virtual int32_t SetMasterVolume(int32_t volume) = 0;
  // While playing with rate > 0 the value moves towards its target by
  // trunc(rate x elapsed ms) per pass of the streaming thread; otherwise it
  // applies at once.
  virtual int32_t ChangeVolume(int32_t volume, float rate) = 0;
  virtual int32_t ChangePan(int32_t pan, float rate) = 0;
  virtual int32_t ChangeSpeed(int32_t speed, float rate) = 0;
  // Copies the opened source's name (kSoundNameSize bytes) to destination.
  virtual int32_t GetName(char* destination) = 0;
  virtual int32_t GetState() = 0;
  virtual int32_t GetLoopLimit() = 0;
  virtual int32_t GetMasterVolume() = 0;
  virtual int32_t GetVolume() = 0;
  virtual int32_t GetPan() = 0;
  virtual int32_t GetSpeed() = 0;
  // Peak level of the next 20 ms at the play cursor, per channel, as
  // trunc(2000 x ln(peak / full scale)), -10000 for silence or when not
  // playing. -1 for a format other than 8/16-bit mono/stereo.
  virtual int32_t GetLevels(int32_t* left, int32_t* right) = 0;
  // Stops the streaming thread, if any, and returns once it has ended.
  virtual void WaitThreadEnd() = 0;
  // Ends the thread, releases the buffer and the source.
  virtual void Close() = 0;
};

#endif  // MORVANE_SOUND_SOUND_PLAYER_H
