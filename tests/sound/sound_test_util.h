// Shared set-up for the sound tests: WAVE files built in memory, a player
// whose protected state the tests can see, a DirectSound device with mixing
// taken off SDL's thread on the virtual clock, and the pass handshake with
// the streaming thread.
//
// On the virtual clock the streaming thread's Sleep(50) only advances the
// clock, so its passes follow one another without waiting, every pass
// measures exactly 50 ms, and the clock counts passes. The test thread never
// calls Sleep, so once the clock has moved 100 ms past a reading, the thread
// has made a whole pass (cursor read, refill, steps) after that reading.
#ifndef MORVANE_TESTS_SOUND_SOUND_TEST_UTIL_H
#define MORVANE_TESTS_SOUND_SOUND_TEST_UTIL_H

#include <dirent.h>
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/data.h"
#include "sound/sound.h"
#include "support/bytes.h"
#include "support/scratch.h"
#include "testing.h"

namespace player_test {

using Bytes = std::vector<uint8_t>;

using test_support::Put16;
using test_support::Put32;
using test_support::PutTag;
using test_support::WriteFile;

struct Format {
  uint32_t rate;
  uint16_t channels;
  uint16_t bits;
  uint16_t BlockAlign() const { return static_cast<uint16_t>(channels * bits / 8); }
  uint32_t BytesPerSecond() const { return rate * BlockAlign(); }
};

inline constexpr Format kCd{44100, 2, 16};

// One chunk: tag, size (the contents' length unless given), contents.
inline Bytes Chunk(const char* tag, const Bytes& contents, int64_t size = -1) {
  Bytes out;
  PutTag(&out, tag);
  Put32(&out, size < 0 ? static_cast<uint32_t>(contents.size()) : static_cast<uint32_t>(size));
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}

// A "fmt " chunk of `size` bytes (14, 16, 18, 40...); bytes past 16 are
// filled with 0xEE, which no field may pick up.
inline Bytes FmtChunk(const Format& f, uint32_t size = 16) {
  Bytes c;
  Put16(&c, WAVE_FORMAT_PCM);
  Put16(&c, f.channels);
  Put32(&c, f.rate);
  Put32(&c, f.BytesPerSecond());
  Put16(&c, f.BlockAlign());
  if (size >= 16) Put16(&c, f.bits);
  c.resize(size, 0xEE);
  return Chunk("fmt ", c);
}

inline Bytes Riff(const std::vector<Bytes>& chunks) {
  Bytes body;
  PutTag(&body, "WAVE");
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes out;
  PutTag(&out, "RIFF");
  Put32(&out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline Bytes Wave(const Format& f, const Bytes& samples) {
  return Riff({FmtChunk(f), Chunk("data", samples)});
}

// Deterministic bytes that differ everywhere (no period within megabytes).
inline Bytes Noise(size_t size, uint32_t seed = 7) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1664525u + 1013904223u;
    out[i] = static_cast<uint8_t>(seed >> 24);
  }
  return out;
}

// 16-bit stereo frames whose value identifies the frame (period 65536).
inline int16_t LeftOf(uint32_t frame) {
  return static_cast<int16_t>(static_cast<int32_t>((frame * 37u) % 65536u) - 32768);
}
inline int16_t RightOf(uint32_t frame) {
  return static_cast<int16_t>(static_cast<int32_t>((frame * 101u + 999u) % 65536u) - 32768);
}
inline Bytes CountingFrames(uint32_t frames) {
  Bytes out;
  for (uint32_t i = 0; i < frames; ++i) {
    Put16(&out, static_cast<uint16_t>(LeftOf(i)));
    Put16(&out, static_cast<uint16_t>(RightOf(i)));
  }
  return out;
}

// The player with its protected state in view.
class WaveProbe : public CDirectSoundWave {
 public:
  int32_t Fill(uint8_t* destination, uint32_t bytes) { return FillData(destination, bytes); }
  // The loop settings as Play stores them, without starting the thread.
  void SetLoop(int32_t limit, int32_t startMs) {
    loopLimit_.store(limit);
    loopStart_.store(startMs * 0.001);
    loopCount_.store(0);
  }
  IDirectSoundBuffer8* Buffer() const { return buffer_; }
  HANDLE Thread() const { return thread_; }
  bool Running() const { return threadRunning_.load(); }
  int32_t LoopCount() const { return loopCount_.load(); }
  bool Fading() const { return fadeActive_.load() != 0; }
  bool VolumePending() const { return volumePending_.load() != 0; }
  uint32_t DataStart() const { return dataStart_; }
  uint32_t DataSize() const { return dataSize_; }
  uint32_t DataPosition() const { return dataPosition_; }
  uint32_t BytesPerSecond() const { return bytesPerSecond_; }
  uint32_t HalfBytes() const { return halfBytes_; }
  const WAVEFORMATEX& WaveFormat() const { return format_; }
  int32_t SourceTell() const { return tell_(user_); }
  // The buffer's own level, pan and frequency.
  LONG BufferVolume() const {
    LONG v = 1;
    EXPECT_EQ(buffer_->GetVolume(&v), DS_OK);
    return v;
  }
  LONG BufferPan() const {
    LONG v = 1;
    EXPECT_EQ(buffer_->GetPan(&v), DS_OK);
    return v;
  }
  DWORD BufferFrequency() const {
    DWORD v = 1;
    EXPECT_EQ(buffer_->GetFrequency(&v), DS_OK);
    return v;
  }
  bool BufferPlaying() const {
    DWORD status = 0;
    EXPECT_EQ(buffer_->GetStatus(&status), DS_OK);
    return (status & DSBSTATUS_PLAYING) != 0;
  }
};

// Threads of this process.
inline int ThreadCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) count += e->d_name[0] != '.';
    closedir(dir);
  }
  return count;
}

// Returns once the streaming thread has made a whole pass after this call,
// or has ended. Fails after ten seconds of real time.
inline void AfterFullPass(const WaveProbe& player) {
  const DWORD start = timeGetTime();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (timeGetTime() - start < 100 && player.Running()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the streaming thread stalled";
    std::this_thread::yield();
  }
}

inline void UntilThreadEnds(const WaveProbe& player) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (player.Running()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the streaming thread never ended";
    std::this_thread::yield();
  }
}

// Mixes `frames` frames, then lets the thread see the new cursor.
inline std::vector<float> MixStep(const WaveProbe& player, int frames) {
  std::vector<float> out = testing_hooks::MixAudio(frames);
  AfterFullPass(player);
  return out;
}

inline constexpr int kHalfSecond = 22050;  // output frames

// The frames the mix should carry for data frames `frames` of
// CountingFrames, as left/right floats at full volume.
inline std::vector<float> Expected(const std::vector<uint32_t>& frames) {
  std::vector<float> out;
  for (uint32_t f : frames) {
    out.push_back(LeftOf(f) / 32768.0f);
    out.push_back(RightOf(f) / 32768.0f);
  }
  return out;
}

// First index where the two differ by more than half a 16-bit step, or -1.
inline long FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return static_cast<long>(std::min(a.size(), b.size()));
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::fabs(a[i] - b[i]) > 0.5f / 32768.0f) return static_cast<long>(i);
  }
  return -1;
}

// Largest magnitude in a mix.
inline float Peak(const std::vector<float>& mix) {
  float peak = 0.0f;
  for (float v : mix) peak = std::max(peak, std::fabs(v));
  return peak;
}

// A device whose output the test mixes itself, on the virtual clock, inside
// a scratch folder that is the current directory.
class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    scratch_ = std::make_unique<test_support::ScratchFolder>("morvane-sound");
    ASSERT_FALSE(scratch_->path().empty());
    testing_hooks::UseVirtualClock(100000);
    testing_hooks::PauseAudioDevice();
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  }

  void TearDown() override {
    if (ds_) ds_->Release();
    ds_ = nullptr;
    EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0) << "a player kept its buffer";
    ArchiveShutdown();
    testing_hooks::UseRealClock();
    scratch_.reset();
  }

  // Writes `bytes` as `name` and opens it in `player`.
  void OpenBytes(WaveProbe* player, const Bytes& bytes, const char* name = "music.wav") {
    WriteFile(name, bytes);
    ASSERT_EQ(player->Open(ds_, name), 0);
  }

  IDirectSound8* ds_ = nullptr;
  std::unique_ptr<test_support::ScratchFolder> scratch_;
};

}  // namespace player_test

#endif  // MORVANE_TESTS_SOUND_SOUND_TEST_UTIL_H
