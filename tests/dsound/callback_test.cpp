// The real path: SDL's audio thread mixes while a second thread streams
// into the buffer and the test thread changes its controls, as the music
// player does. It runs under ThreadSanitizer in CI. The only wait is for the
// cursor to go round; its bound is generous and no speed is asserted.
#include <atomic>
#include <chrono>
#include <thread>

#include "sound_fixture.h"

namespace sound_test {
namespace {

TEST(SoundCallback, StreamingThreadRefillsWhileSdlMixes) {
  UseHeadlessAudio();
  testing_hooks::ResumeAudioDevice();
  IDirectSound8* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
  ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  const DWORD half = 4410 * 2;  // 100 ms
  DSBUFFERDESC desc = Desc(kPlayerFlags, 2 * half, &f);
  IDirectSoundBuffer* first = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &first, nullptr), DS_OK);
  IDirectSoundBuffer8* b = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&b)), DS_OK);
  first->Release();
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);

  constexpr int kRefills = 6;
  std::atomic<bool> quit{false};
  std::atomic<int> refills{0};
  std::thread streamer([&] {
    int current = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (refills.load() < kRefills && std::chrono::steady_clock::now() < deadline) {
      DWORD play = 0;
      if (b->GetCurrentPosition(&play, nullptr) == DS_OK &&
          static_cast<int>(play / half) != current) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        if (b->Lock(current * half, half, &p1, &n1, &p2, &n2, 0) == DS_OK) {
          auto* s = static_cast<int16_t*>(p1);
          for (DWORD i = 0; i < n1 / 2; ++i) s[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
          b->Unlock(p1, n1, p2, n2);
        }
        current = 1 - current;
        refills.fetch_add(1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    quit.store(true);
  });

  LONG step = 0;
  while (!quit.load()) {
    ++step;
    EXPECT_EQ(b->SetVolume(-(step % 10) * 100), DS_OK);
    EXPECT_EQ(b->SetPan((step % 21 - 10) * 100), DS_OK);
    EXPECT_EQ(b->SetFrequency(44100 + (step % 5) * 1000), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  streamer.join();
  EXPECT_GE(refills.load(), kRefills) << "the play cursor did not go round";
  EXPECT_EQ(b->Stop(), DS_OK);
  EXPECT_EQ(ds->Release(), 0u);
  EXPECT_EQ(b->Release(), 0u);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

}  // namespace
}  // namespace sound_test
