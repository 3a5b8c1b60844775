// Lock and Unlock on the circular buffer.
#include "sound_fixture.h"

namespace sound_test {
namespace {

constexpr DWORD kSize = 1000;  // 250 frames of 16-bit stereo

struct LockCase {
  DWORD offset;
  DWORD bytes;
  DWORD flags;
  DWORD first;      // expected bytes of the first region
  DWORD second;     // expected bytes of the second region
  DWORD startedAt;  // expected offset of the first region
};

class LockRegions : public SoundTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockRegions, SplitWhereTheBufferWraps) {
  const LockCase c = GetParam();
  IDirectSoundBuffer8* b = Make(Pcm(44100, 2, 16), kSize);
  ASSERT_NE(b, nullptr);
  void* base = nullptr;
  DWORD all = 0;
  ASSERT_EQ(b->Lock(0, kSize, &base, &all, nullptr, nullptr, 0), DS_OK);
  ASSERT_EQ(all, kSize);
  ASSERT_EQ(b->Unlock(base, all, nullptr, 0), DS_OK);

  void* p1 = nullptr;
  void* p2 = reinterpret_cast<void*>(1);
  DWORD n1 = 0, n2 = 99;
  ASSERT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, &p2, &n2, c.flags), DS_OK);
  EXPECT_EQ(p1, static_cast<uint8_t*>(base) + c.startedAt);
  EXPECT_EQ(n1, c.first);
  EXPECT_EQ(n2, c.second);
  EXPECT_EQ(p2, c.second ? base : nullptr);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
}

INSTANTIATE_TEST_SUITE_P(Table, LockRegions,
                         ::testing::Values(LockCase{0, kSize, 0, kSize, 0, 0},
                                           LockCase{500, 500, 0, 500, 0, 500},
                                           LockCase{100, 200, 0, 200, 0, 100},
                                           LockCase{900, 200, 0, 100, 100, 900},
                                           LockCase{999, kSize, 0, 1, 999, 999},
                                           LockCase{300, 1, DSBLOCK_ENTIREBUFFER, 700, 300, 300},
                                           LockCase{0, 7, DSBLOCK_ENTIREBUFFER, kSize, 0, 0},
                                           // Stopped, the write cursor is the play cursor (0).
                                           LockCase{600, 40, DSBLOCK_FROMWRITECURSOR, 40, 0, 0}));

TEST_F(SoundTest, LockWithoutASecondRegionIsCutAtTheEnd) {
  IDirectSoundBuffer8* b = Make(Pcm(44100, 2, 16), kSize);
  ASSERT_NE(b, nullptr);
  void* p1 = nullptr;
  DWORD n1 = 0;
  ASSERT_EQ(b->Lock(800, 400, &p1, &n1, nullptr, nullptr, 0), DS_OK);
  EXPECT_EQ(n1, 200u);
  EXPECT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
}

TEST_F(SoundTest, LockRefusesWhatDoesNotFit) {
  IDirectSoundBuffer8* b = Make(Pcm(44100, 2, 16), kSize);
  ASSERT_NE(b, nullptr);
  void* p1 = reinterpret_cast<void*>(1);
  void* p2 = nullptr;
  DWORD n1 = 5, n2 = 0;
  EXPECT_EQ(b->Lock(kSize, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(p1, nullptr);
  EXPECT_EQ(n1, 0u);
  EXPECT_EQ(b->Lock(0, kSize + 1, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Lock(0, 4, nullptr, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Lock(0, 4, &p1, nullptr, &p2, &n2, 0), DSERR_INVALIDPARAM);
}

TEST_F(SoundTest, UnlockRefusesPointersOutsideTheBuffer) {
  IDirectSoundBuffer8* b = Make(Pcm(44100, 2, 16), kSize);
  ASSERT_NE(b, nullptr);
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  ASSERT_EQ(b->Lock(900, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
  uint8_t* start = static_cast<uint8_t*>(p2);
  uint8_t other[4] = {};
  EXPECT_EQ(b->Unlock(nullptr, 0, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(other, 4, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, n1 + 1, p2, n2), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, n1, start + 1, kSize), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
}

TEST_F(SoundTest, LockFromWriteCursorWhilePlaying) {
  WAVEFORMATEX f = Pcm(44100, 2, 16);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  testing_hooks::MixAudio(1000);
  DWORD play = 0, write = 0;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  ASSERT_GT(write, play);

  void* base = nullptr;
  DWORD all = 0;
  ASSERT_EQ(b->Lock(0, 0, &base, &all, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
  ASSERT_EQ(b->Unlock(base, all, nullptr, 0), DS_OK);
  void* p1 = nullptr;
  DWORD n1 = 0;
  ASSERT_EQ(b->Lock(0, 400, &p1, &n1, nullptr, nullptr, DSBLOCK_FROMWRITECURSOR), DS_OK);
  EXPECT_EQ(p1, static_cast<uint8_t*>(base) + write);
  EXPECT_EQ(n1, 400u);
  ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
}

// What the streaming player does: fill one half while the other plays,
// through the wrap of the circular buffer.
TEST_F(SoundTest, HalvesRefilledWhilePlayingAreHeardInOrder) {
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  const DWORD half = 2000;  // bytes: 1000 frames
  IDirectSoundBuffer8* b = Make(f, 2 * half);
  ASSERT_NE(b, nullptr);
  auto fillHalf = [&](int k, double level) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(k * half, half, &p1, &n1, &p2, &n2, 0), DS_OK);
    ASSERT_EQ(n1, half);
    ASSERT_EQ(n2, 0u);
    auto* s = static_cast<int16_t*>(p1);
    for (DWORD i = 0; i < n1 / 2; ++i) s[i] = static_cast<int16_t>(std::lround(level * 32767));
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  };
  fillHalf(0, 0.1);
  fillHalf(1, 0.2);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<double> heard;
  for (int pass = 0; pass < 6; ++pass) {
    std::vector<float> left = Channel(testing_hooks::MixAudio(1000), 0);
    heard.push_back(left[500]);
    // The cursor has just entered the other half; refill the one it left.
    int playing = static_cast<int>(PlayCursor(b) / half);
    EXPECT_EQ(playing, (pass + 1) % 2);
    fillHalf(pass % 2, 0.3 + 0.1 * pass);
  }
  const double expected[] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(heard[i], expected[i], 1e-3) << i;
}

}  // namespace
}  // namespace sound_test
