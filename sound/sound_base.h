// CDirectSoundBase: everything of the player that does not depend on the
// data source. One DirectSound buffer of two seconds, split into two halves
// of one second; a streaming thread started by Play refills the half that is
// not playing every 50 ms pass and steps the timed changes and the fade-out.
// A derived class supplies the source through FillData and Open/Seek.
//
// Threads: every public operation belongs to one controlling thread (the
// main thread). The streaming thread calls FillData and, at the end of a
// limited play, Seek(0). Fields the two threads share are atomics: the
// controlling thread writes a target and its rate, then sets the pending flag
// (release); the thread reads the flag (acquire) before the target. Claims on
// a flag (a fade-out ending, a change snapping to its target) are made with
// an exchange, so exactly one thread acts on it. The buffer pointer, format
// and half size change only while no streaming thread runs (the buffer's
// methods may be called from both threads); the thread handle belongs to the
// controlling thread, which closes it once the thread has ended.
#ifndef MORVANE_SOUND_SOUND_BASE_H
#define MORVANE_SOUND_SOUND_BASE_H

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "sound/sound_player.h"

class CDirectSoundBase : public IDirectSoundPlayer {
 public:
  CDirectSoundBase();
  ~CDirectSoundBase() override;
  CDirectSoundBase(const CDirectSoundBase&) = delete;
  CDirectSoundBase& operator=(const CDirectSoundBase&) = delete;

  int32_t Play(int32_t loopLimit, int32_t loopStartMs) override;
  int32_t Pause() override;
  int32_t Stop(float rate) override;
  int32_t SetMasterVolume(int32_t volume) override;
  int32_t ChangeVolume(int32_t volume, float rate) override;
  int32_t ChangePan(int32_t pan, float rate) override;
  int32_t ChangeSpeed(int32_t speed, float rate) override;
  int32_t GetName(char* destination) override;
  int32_t GetState() override;
  int32_t GetLoopLimit() override;
  int32_t GetMasterVolume() override;
  int32_t GetVolume() override;
  int32_t GetPan() override;
  int32_t GetSpeed() override;
  int32_t GetLevels(int32_t* left, int32_t* right) override;
  void WaitThreadEnd() override;
  void Close() override;

 protected:
  // Writes exactly `bytes` bytes of samples: 0 while the source goes on, 1
  // once it has ended (the bytes after the end are zero); anything else is a
  // failure. Runs on the streaming thread. The base has no source: -1.
  virtual int32_t FillData(uint8_t* destination, uint32_t bytes);

  // Creates the two-second buffer for `format` (the one-second half is its
  // bytes per second). 0, or -1 when the device refuses it.
  int32_t CreateStreamBuffer(IDirectSound8* device, const WAVEFORMATEX& format);
  // Stopped, no fade-out or pending change, volume 0, pan 0, speed 1000.
  void ResetControls();

  // Fields, in this order.
  IDirectSoundBuffer8* buffer_ = nullptr;
  WAVEFORMATEX format_{};
  char name_[kSoundNameSize] = {};
  uint32_t halfBytes_ = 0;   // bytes per second: one half of the buffer
  HANDLE thread_ = nullptr;  // controlling thread only; closed once the thread ends
  std::atomic<int32_t> state_{kSoundStopped};
  std::atomic<int32_t> loopCount_{0};  // ends of data since Play started the thread
  std::atomic<int32_t> loopLimit_{0};
  std::atomic<double> loopStart_{0.0};  // seconds
  std::atomic<int32_t> masterVolume_{0};
  std::atomic<int32_t> volume_{0};
  std::atomic<int32_t> pan_{0};
  std::atomic<int32_t> speed_{1000};
  std::atomic<int32_t> fadeActive_{0};
  std::atomic<int32_t> fadeAttenuation_{0};
  std::atomic<float> fadeRate_{0.0f};
  std::atomic<int32_t> volumePending_{0};
  std::atomic<int32_t> volumeTarget_{0};
  std::atomic<float> volumeRate_{0.0f};
  std::atomic<int32_t> panPending_{0};
  std::atomic<int32_t> panTarget_{0};
  std::atomic<float> panRate_{0.0f};
  std::atomic<int32_t> speedPending_{0};
  std::atomic<int32_t> speedTarget_{0};
  std::atomic<float> speedRate_{0.0f};
  // Set before the thread starts, cleared as its last act.
  std::atomic<bool> threadRunning_{false};

 private:
  static DWORD WINAPI StreamThread(LPVOID player);
  void RunStream();
  // 1 the source ended inside half k, 0 more data, -1 failure.
  int32_t FillHalf(uint32_t half);
  // One pass's timed work for `elapsed` ms.
  void StepFadeOut(DWORD elapsed);
  void StepChanges(DWORD elapsed);
  // Snaps the fade-out and every pending change to its end.
  void FinishFades();
  DWORD SpeedFrequency(int32_t speed) const;
  // The buffer's level for a volume: master volume + volume.
  void ApplyVolume(int32_t volume);
};

#endif  // MORVANE_SOUND_SOUND_BASE_H
