// The software mixer behind the DirectSound objects: it owns the one SDL
// audio device (44100 Hz, stereo, float) and sums the playing secondary
// buffers into it on SDL's audio thread. Every DirectSound object alive at the
// same time shares it, as they would share one sound card (SDL's dummy driver
// opens only one device). Every voice field is guarded by mutex(); the
// sample bytes themselves are written by the program between Lock and Unlock
// without it (see dsound.h for why that is safe).
#ifndef MORVANE_PLATFORM_DSOUND_MIXER_H
#define MORVANE_PLATFORM_DSOUND_MIXER_H

#include <SDL.h>
#include <dsound.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace dsound {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;

// Sample data and playback state of one secondary buffer.
struct Voice {
  std::vector<uint8_t> data;  // allocated once; never resized, so Lock pointers stay valid
  WAVEFORMATEX format{};
  DWORD frames = 0;     // whole frames in data
  DWORD frequency = 0;  // playback rate in Hz
  float gainLeft = 1.0f;
  float gainRight = 1.0f;
  bool playing = false;
  bool looping = false;
  // Play position in units of 1/kOutputRate frame: each output frame adds
  // frequency, so the cursor keeps exact pace at every integer rate.
  uint64_t position = 0;

  DWORD PlayCursor() const;   // bytes
  DWORD WriteCursor() const;  // bytes; leads the play cursor while playing
};

// Linear gain of a level in hundredths of a decibel, 10^(mB/2000); silence
// at DSBVOLUME_MIN and below, as the documentation calls that level silence.
float GainFromMillibels(LONG millibels);
// Channel gains for a volume and a pan: the pan attenuates one side only.
void ChannelGains(LONG volume, LONG pan, float* left, float* right);

class Mixer {
 public:
  // The mixer in use, or a new one: initialises SDL audio and opens the
  // device. Null when that fails.
  static std::shared_ptr<Mixer> Acquire();
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  std::mutex& mutex() { return mutex_; }

  // Voices join at creation and leave before they are freed.
  void Add(Voice* voice);
  void Remove(Voice* voice);

  // Sums frames stereo frames into out (interleaved, overwritten) and moves
  // the voices on. Takes the mutex.
  void Mix(float* out, int frames);

  // The primary buffer's volume and pan, applied to the whole mix; they
  // belong to the device, so every primary buffer object shares them. Caller
  // holds the mutex.
  void SetMaster(LONG volume, LONG pan);
  LONG MasterVolume() const { return masterVolume_; }
  LONG MasterPan() const { return masterPan_; }

 private:
  Mixer() = default;
  static void Callback(void* user, Uint8* stream, int length);

  std::mutex mutex_;
  std::vector<Voice*> voices_;
  LONG masterVolume_ = 0;
  LONG masterPan_ = 0;
  float masterLeft_ = 1.0f;
  float masterRight_ = 1.0f;
  bool audioStarted_ = false;
  SDL_AudioDeviceID device_ = 0;
};

// The mixer in use, for the test hooks; null when none.
std::shared_ptr<Mixer> CurrentMixer();
// When on, SDL's thread outputs silence and leaves the voices alone.
void SetManualMixing(bool on);
// DirectSound objects (devices and buffers) alive.
std::atomic<int>& LiveObjects();

}  // namespace dsound

#endif  // MORVANE_PLATFORM_DSOUND_MIXER_H
