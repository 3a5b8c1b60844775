// Shared set-up for the DirectSound tests: a device with mixing taken off
// SDL's thread, buffers of a given format, sample writers and simple signal
// measurements on the captured mix.
#ifndef MORVANE_TESTS_DSOUND_SOUND_FIXTURE_H
#define MORVANE_TESTS_DSOUND_SOUND_FIXTURE_H

#include <dsound.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

#include "testing.h"

namespace sound_test {

constexpr int kRate = testing_hooks::kAudioOutputRate;
// The streaming player's flags: static, frequency, pan, volume, position
// notify, global focus, current position 2, deferred location.
constexpr DWORD kPlayerFlags = 0x581E2;
constexpr DWORD kControls = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;

inline WAVEFORMATEX Pcm(DWORD rate, WORD channels, WORD bits) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

inline DSBUFFERDESC Desc(DWORD flags, DWORD bytes, WAVEFORMATEX* format) {
  DSBUFFERDESC d{};
  d.dwSize = sizeof(DSBUFFERDESC);
  d.dwFlags = flags;
  d.dwBufferBytes = bytes;
  d.lpwfxFormat = format;
  d.guid3DAlgorithm = DS3DALG_DEFAULT;
  return d;
}

// Writes every frame of a buffer through Lock/Unlock; value(frame, channel)
// gives the sample in -1..1.
inline void Fill(IDirectSoundBuffer* buffer, const WAVEFORMATEX& f,
                 const std::function<double(DWORD, int)>& value) {
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  ASSERT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
  auto* bytes = static_cast<uint8_t*>(p1);
  for (DWORD frame = 0; frame < n1 / f.nBlockAlign; ++frame) {
    for (int c = 0; c < f.nChannels; ++c) {
      double v = value(frame, c);
      uint8_t* s = bytes + frame * f.nBlockAlign + c * (f.wBitsPerSample / 8);
      if (f.wBitsPerSample == 8) {
        s[0] = static_cast<uint8_t>(128 + std::lround(v * 127.0));
      } else {
        auto x = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0)));
        s[0] = static_cast<uint8_t>(x & 0xFF);
        s[1] = static_cast<uint8_t>(x >> 8);
      }
    }
  }
  ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
}

inline std::function<double(DWORD, int)> Sine(double hz, DWORD rate, double amplitude) {
  return [=](DWORD frame, int) {
    return amplitude * std::sin(2.0 * std::numbers::pi * hz * frame / rate);
  };
}

inline std::vector<float> Channel(const std::vector<float>& mix, int channel) {
  std::vector<float> out;
  for (size_t i = static_cast<size_t>(channel); i < mix.size(); i += 2) out.push_back(mix[i]);
  return out;
}

inline double Rms(const std::vector<float>& x) {
  double sum = 0;
  for (float v : x) sum += static_cast<double>(v) * v;
  return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

inline float Peak(const std::vector<float>& x) {
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  return peak;
}

// Amplitude of the component at hz (a single-bin DFT).
inline double AmplitudeAt(const std::vector<float>& x, double hz) {
  double re = 0, im = 0;
  for (size_t n = 0; n < x.size(); ++n) {
    double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(n) / kRate;
    re += x[n] * std::cos(phase);
    im -= x[n] * std::sin(phase);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(x.size());
}

// Rising zero crossings: a tone's cycles in the window.
inline int RisingCrossings(const std::vector<float>& x) {
  int count = 0;
  for (size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) ++count;
  return count;
}

// CTest asks for SDL's dummy audio driver; a run outside CTest gets it too,
// unless the caller chose a driver.
inline void UseHeadlessAudio() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseHeadlessAudio();
    testing_hooks::PauseAudioDevice();
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_NE(ds_, nullptr);
    ASSERT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  }

  void TearDown() override {
    for (IDirectSoundBuffer8* b : buffers_) b->Release();
    buffers_.clear();
    if (ds_) ds_->Release();
    ds_ = nullptr;
    EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
  }

  // A secondary buffer as the player makes it: created, queried for the
  // version 8 interface, the first interface released. Released at TearDown.
  IDirectSoundBuffer8* Make(WAVEFORMATEX format, DWORD bytes, DWORD flags = kPlayerFlags) {
    DSBUFFERDESC desc = Desc(flags, bytes, &format);
    IDirectSoundBuffer* first = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &first, nullptr), DS_OK);
    if (first == nullptr) return nullptr;
    IDirectSoundBuffer8* buffer = nullptr;
    EXPECT_EQ(first->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&buffer)),
              DS_OK);
    first->Release();
    if (buffer) buffers_.push_back(buffer);
    return buffer;
  }

  static DWORD PlayCursor(IDirectSoundBuffer8* buffer) {
    DWORD play = 0xFFFFFFFF;
    EXPECT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
    return play;
  }

  static DWORD Status(IDirectSoundBuffer8* buffer) {
    DWORD status = 0xFFFFFFFF;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    return status;
  }

  IDirectSound8* ds_ = nullptr;
  std::vector<IDirectSoundBuffer8*> buffers_;
};

}  // namespace sound_test

#endif  // MORVANE_TESTS_DSOUND_SOUND_FIXTURE_H
