// The streaming thread against the mixed output: one pass, endless loops,
// the stop after a limited play, fades, timed changes and the level meter.
// The test mixes the output itself, half a second at a time, and lets the
// thread make a pass after each step (see sound_test_util.h).
#include "tests/sound/sound_test_util.h"

namespace player_test {
namespace {

std::vector<float> Capture(const WaveProbe& player, int steps) {
  std::vector<float> out;
  for (int i = 0; i < steps; ++i) {
    std::vector<float> part = MixStep(player, kHalfSecond);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

TEST_F(PlayerTest, PlayOnceDeliversTheDataThenSilenceAndStops) {
  const uint32_t frames = 66150;  // 1.5 s
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(frames)));
  ASSERT_EQ(player.Play(1, 0), 0);
  EXPECT_EQ(player.GetLoopLimit(), 1);
  AfterFullPass(player);
  // Half 0 holds the first second, half 1 the last half second and silence:
  // the end half is 1, so playback stops as the cursor enters half 0 again.
  std::vector<float> mix = Capture(player, 3);
  EXPECT_EQ(player.GetState(), kSoundPlaying);
  std::vector<float> rest = Capture(player, 1);  // up to 2.0 s
  mix.insert(mix.end(), rest.begin(), rest.end());
  UntilThreadEnds(player);
  EXPECT_EQ(player.GetState(), kSoundStopped);
  EXPECT_FALSE(player.BufferPlaying());

  std::vector<uint32_t> order(frames);
  for (uint32_t i = 0; i < frames; ++i) order[i] = i;
  std::vector<float> expect = Expected(order);
  expect.resize(mix.size(), 0.0f);
  EXPECT_EQ(FirstDifference(mix, expect), -1);
  // Nothing more plays, and the source is back at its start.
  std::vector<float> after = testing_hooks::MixAudio(kHalfSecond);
  EXPECT_EQ(Peak(after), 0.0f);
  EXPECT_EQ(player.DataPosition(), 0u);
  EXPECT_EQ(player.SourceTell(), static_cast<int32_t>(player.DataStart()));
  // The thread handle is closed once the thread is waited for.
  const HANDLE thread = player.Thread();
  ASSERT_NE(thread, nullptr);
  player.WaitThreadEnd();
  EXPECT_EQ(player.Thread(), nullptr);
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
  // Play again starts from the beginning.
  ASSERT_EQ(player.Play(1, 0), 0);
  AfterFullPass(player);
  std::vector<float> again = testing_hooks::MixAudio(100);
  std::vector<float> first(expect.begin(), expect.begin() + 200);
  EXPECT_EQ(FirstDifference(again, first), -1);
}

TEST_F(PlayerTest, EndlessPlayRestartsAtTheLoopStart) {
  const uint32_t frames = 57330;     // 1.3 s
  const uint32_t loopStart = 11025;  // 250 ms
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(frames)));
  ASSERT_EQ(player.Play(-1, 250), 0);
  AfterFullPass(player);
  std::vector<float> mix = Capture(player, 6);  // 3 s: the data, then two loops
  std::vector<uint32_t> order;
  for (uint32_t i = 0; order.size() < 6 * kHalfSecond; ++i) {
    order.push_back(i < frames ? i : loopStart + (i - frames) % (frames - loopStart));
  }
  EXPECT_EQ(FirstDifference(mix, Expected(order)), -1);
  EXPECT_GE(player.LoopCount(), 2);
  EXPECT_EQ(player.GetState(), kSoundPlaying);
  player.Stop(0);
  player.Close();
  EXPECT_FALSE(player.Running());
}

TEST_F(PlayerTest, StopWithARateFadesOutInAboutHalfASecond) {
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(44100)));
  player.SetMasterVolume(-400);
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);
  // The thread runs freely between the two readings; the fade-out starts
  // somewhere in between.
  const DWORD before = timeGetTime();
  ASSERT_EQ(player.Stop(10.0f), 0);
  const DWORD after = timeGetTime();
  // 10 per ms is 500 per pass: the level passes -5000 at the eleventh pass.
  UntilThreadEnds(player);
  const DWORD end = timeGetTime();
  EXPECT_GE(end - before, 550u);
  EXPECT_LE(end - after, 600u);
  EXPECT_EQ(player.GetState(), kSoundStopped);
  EXPECT_FALSE(player.BufferPlaying());
  EXPECT_FALSE(player.Fading());
  EXPECT_EQ(player.BufferVolume(), -400);  // master + volume again
}

TEST_F(PlayerTest, TimedVolumeChangeStepsByRateTimesPass) {
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(44100)));
  player.SetMasterVolume(-200);
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);
  // Sample the volume between two equal clock readings: each pass moves it
  // 0.5 x 50 = 25, and between `before` and `after` the request landed, so
  // the passes since then lie between the two clock differences, give or
  // take the pass in progress.
  int consistent = 0;
  for (int attempt = 0; attempt < 20 && consistent < 3; ++attempt) {
    ASSERT_EQ(player.ChangeVolume(0, 0), 0);  // at once, even while playing
    const DWORD before = timeGetTime();
    ASSERT_EQ(player.ChangeVolume(-3000, 0.5f), 0);
    const DWORD after = timeGetTime();
    for (int32_t v = 0; v != -3000;) {
      const DWORD first = timeGetTime();
      v = player.GetVolume();
      if (timeGetTime() != first || v == 0 || v == -3000) continue;
      const int32_t most = static_cast<int32_t>(first - before) / 50 + 1;
      const int32_t least = static_cast<int32_t>(first - after) / 50 - 1;
      EXPECT_GE(v, -25 * most);
      EXPECT_LE(v, -25 * least);
      ++consistent;
    }
    // 120 steps of 25, the first maybe before the first Sleep.
    EXPECT_GE(timeGetTime() - before, 119u * 50u);
  }
  EXPECT_GE(consistent, 3) << "never caught the volume between passes";
  // The change is done: no longer pending, the buffer at master + target.
  AfterFullPass(player);
  EXPECT_FALSE(player.VolumePending());
  EXPECT_EQ(player.BufferVolume(), -3200);

  // Paused, the same call applies at once.
  ASSERT_EQ(player.ChangeVolume(0, 0), 0);
  ASSERT_EQ(player.Pause(), 0);
  ASSERT_EQ(player.ChangeVolume(-3000, 0.5f), 0);
  EXPECT_EQ(player.GetVolume(), -3000);
  EXPECT_EQ(player.BufferVolume(), -3200);
  EXPECT_FALSE(player.VolumePending());
}

TEST_F(PlayerTest, PauseSnapsPendingChangesAndPlayResumes) {
  WaveProbe player;
  OpenBytes(&player, Wave(Format{22050, 2, 16}, CountingFrames(22050)));
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);
  // Rates too slow to move anything in a 50 ms pass.
  ASSERT_EQ(player.ChangeVolume(-2000, 0.01f), 0);
  ASSERT_EQ(player.ChangePan(3000, 0.01f), 0);
  ASSERT_EQ(player.ChangeSpeed(1500, 0.01f), 0);
  AfterFullPass(player);
  EXPECT_EQ(player.GetVolume(), 0);
  EXPECT_EQ(player.GetPan(), 0);
  EXPECT_EQ(player.GetSpeed(), 1000);
  ASSERT_EQ(player.Pause(), 0);
  EXPECT_EQ(player.GetState(), kSoundPaused);
  EXPECT_FALSE(player.BufferPlaying());
  EXPECT_EQ(player.GetVolume(), -2000);
  EXPECT_EQ(player.GetPan(), 3000);
  EXPECT_EQ(player.GetSpeed(), 1500);
  EXPECT_EQ(player.BufferVolume(), -2000);
  EXPECT_EQ(player.BufferPan(), 3000);
  EXPECT_EQ(player.BufferFrequency(), 33075u);
  EXPECT_TRUE(player.Running());  // the thread waits through the pause
  ASSERT_EQ(player.Play(-1, 0), 0);
  EXPECT_EQ(player.GetState(), kSoundPlaying);
  EXPECT_TRUE(player.BufferPlaying());
}

TEST_F(PlayerTest, PlayDuringAFadeOutCancelsIt) {
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(44100)));
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);
  // 1 per pass: five thousand passes before it would stop.
  ASSERT_EQ(player.Stop(0.03f), 0);
  ASSERT_EQ(player.Play(-1, 0), 0);
  EXPECT_FALSE(player.Fading());
  // Well past the point where the fade-out would have stopped playback.
  const DWORD start = timeGetTime();
  while (timeGetTime() - start < 6000 * 50 && player.Running()) std::this_thread::yield();
  EXPECT_EQ(player.GetState(), kSoundPlaying);
  EXPECT_TRUE(player.BufferPlaying());
  EXPECT_EQ(player.BufferVolume(), 0);
}

TEST_F(PlayerTest, PlayRightAfterStopWaitsForTheOldThread) {
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(4410)));
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);
  const HANDLE old = player.Thread();
  ASSERT_EQ(player.Stop(0), 0);
  ASSERT_EQ(player.Play(-1, 0), 0);  // the old thread may still be in its pass
  // Play waited for the old thread and closed its handle before starting
  // anew. The platform frees a thread's record only once its handle is
  // closed and the thread has ended, so either the old handle is refused or
  // the new thread reuses its record.
  ASSERT_NE(player.Thread(), nullptr);
  DWORD code = 0;
  if (player.Thread() != old) {
    EXPECT_FALSE(GetExitCodeThread(old, &code));
  }
  EXPECT_TRUE(player.Running());
  AfterFullPass(player);
  EXPECT_EQ(player.GetState(), kSoundPlaying);
}

struct LevelCase {
  const char* label;
  uint16_t channels;
  uint16_t bits;
  int32_t leftPeak, rightPeak;  // sample magnitudes
  int32_t left, right;          // expected levels
};

// A square wave of the given magnitudes: +peak, -peak alternately.
Bytes Square(const LevelCase& c, uint32_t frames) {
  Bytes out;
  for (uint32_t i = 0; i < frames; ++i) {
    const int sign = i % 2 ? -1 : 1;
    for (int ch = 0; ch < c.channels; ++ch) {
      const int32_t peak = ch == 0 ? c.leftPeak : c.rightPeak;
      if (c.bits == 8) {
        out.push_back(static_cast<uint8_t>(std::clamp(128 + sign * peak, 0, 255)));
      } else {
        Put16(&out, static_cast<uint16_t>(std::clamp(sign * peak, -32768, 32767)));
      }
    }
  }
  return out;
}

std::ostream& operator<<(std::ostream& os, const LevelCase& c) { return os << c.label; }

class Levels : public PlayerTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(Levels, PeakOfTheNextTwentyMilliseconds) {
  const LevelCase c = GetParam();
  SCOPED_TRACE(c.label);
  WaveProbe player;
  const Format f{22050, c.channels, c.bits};
  OpenBytes(&player, Wave(f, Square(c, 22050)));
  int32_t left = 1, right = 1;
  EXPECT_EQ(player.GetLevels(&left, &right), 0);  // stopped
  EXPECT_EQ(left, -10000);
  EXPECT_EQ(right, -10000);
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);
  EXPECT_EQ(player.GetLevels(&left, &right), 0);
  EXPECT_EQ(left, c.left);
  EXPECT_EQ(right, c.right);
}

// trunc(2000 x ln(1/2)) = -1386, ln(1/4) -> -2772; 1/128 of full scale gives
// -9704 and 1/32768 would be -20794, below the floor.
INSTANTIATE_TEST_SUITE_P(
    Formats, Levels,
    ::testing::Values(LevelCase{"16 stereo full", 2, 16, 32768, 32768, 0, 0},
                      LevelCase{"16 stereo silent", 2, 16, 0, 0, -10000, -10000},
                      LevelCase{"16 stereo half, quarter", 2, 16, 16384, 8192, -1386, -2772},
                      LevelCase{"16 stereo one step", 2, 16, 1, 256, -10000, -9704},
                      LevelCase{"16 mono half", 1, 16, 16384, 0, -1386, -1386},
                      LevelCase{"16 mono silent", 1, 16, 0, 0, -10000, -10000},
                      LevelCase{"8 stereo full", 2, 8, 128, 128, 0, 0},
                      LevelCase{"8 stereo quarter, half", 2, 8, 32, 64, -2772, -1386},
                      LevelCase{"8 mono half", 1, 8, 64, 0, -1386, -1386},
                      LevelCase{"8 mono silent", 1, 8, 0, 0, -10000, -10000}));

}  // namespace
}  // namespace player_test

namespace player_test {
namespace {

TEST_F(PlayerTest, SeekWhilePlayingMovesTheNextRefill) {
  const uint32_t frames = 3 * 44100;
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, CountingFrames(frames)));
  ASSERT_EQ(player.Play(-1, 0), 0);
  AfterFullPass(player);  // halves 0 and 1 hold seconds 0 and 1
  ASSERT_EQ(player.Seek(2000), 0);
  // Half 0 is refilled, from the seek position, once the cursor enters half
  // 1; half 1 afterwards continues, looping to the start at 3 s.
  std::vector<float> mix = Capture(player, 8);
  std::vector<uint32_t> order;
  for (uint32_t f = 0; f < 2 * 44100; ++f) order.push_back(f);          // as filled at Play
  for (uint32_t f = 2 * 44100; f < 3 * 44100; ++f) order.push_back(f);  // after the seek
  for (uint32_t f = 0; f < 44100; ++f) order.push_back(f);              // looped
  EXPECT_EQ(FirstDifference(mix, Expected(order)), -1);

  // Seeks racing with refills stay safe (ThreadSanitizer watches).
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(player.Seek(i * 100), 0);
    MixStep(player, kHalfSecond / 5);
  }
  EXPECT_EQ(player.GetState(), kSoundPlaying);
  player.Close();
}

}  // namespace
}  // namespace player_test
