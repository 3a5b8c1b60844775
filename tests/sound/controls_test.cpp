// Controls outside playback: master volume, immediate volume, pan and speed
// changes and what reaches the buffer, and operations without a buffer.
#include "tests/sound/sound_test_util.h"

namespace player_test {
namespace {

TEST_F(PlayerTest, SetMasterVolumeClampsAndWorksWithoutABuffer) {
  WaveProbe player;
  struct Case {
    int32_t set;
    int32_t stored;
  };
  for (const Case& c : {Case{500, 0}, Case{-20000, -10000}, Case{-400, -400}, Case{0, 0},
                        Case{-10000, -10000}, Case{INT32_MIN, -10000}, Case{INT32_MAX, 0}}) {
    EXPECT_EQ(player.SetMasterVolume(c.set), 0);
    EXPECT_EQ(player.GetMasterVolume(), c.stored) << c.set;
  }
  // Kept across an open, and applied to the new buffer.
  player.SetMasterVolume(-400);
  OpenBytes(&player, Wave(kCd, Noise(1000)));
  EXPECT_EQ(player.GetMasterVolume(), -400);
  EXPECT_EQ(player.BufferVolume(), -400);
  player.SetMasterVolume(-1000);
  EXPECT_EQ(player.BufferVolume(), -1000);
}

TEST_F(PlayerTest, OperationsWithoutABufferFail) {
  WaveProbe player;
  int32_t left = 0, right = 0;
  EXPECT_EQ(player.Play(-1, 0), -1);
  EXPECT_EQ(player.Pause(), -1);
  EXPECT_EQ(player.Stop(0), -1);
  EXPECT_EQ(player.Seek(0), -1);
  EXPECT_EQ(player.ChangeVolume(-100, 0), -1);
  EXPECT_EQ(player.ChangePan(100, 0), -1);
  EXPECT_EQ(player.ChangeSpeed(500, 0), -1);
  EXPECT_EQ(player.GetLevels(&left, &right), 0);
  EXPECT_EQ(left, -10000);
  EXPECT_EQ(right, -10000);
  EXPECT_EQ(player.GetState(), kSoundStopped);
  player.WaitThreadEnd();
  player.Close();
}

TEST_F(PlayerTest, ImmediateChangesReachTheBufferClamped) {
  WaveProbe player;
  OpenBytes(&player, Wave(Format{22050, 2, 16}, Noise(1000)));
  player.SetMasterVolume(-400);
  struct Case {
    const char* label;
    int32_t volume, pan, speed;  // asked for
    int32_t gotVolume, gotPan, gotSpeed;
    LONG bufferVolume;
    DWORD frequency;  // trunc(22050 x speed x 0.001)
  };
  const Case cases[] = {
      {"in range", -3000, 2500, 1500, -3000, 2500, 1500, -3400, 33075},
      {"limits", -20000, -20000, 5, -10000, -10000, 10, -10000, 220},
      {"above", 300, 20000, 9000, 0, 10000, 2000, -400, 44100},
      {"odd speed", -1, 0, 333, -1, 0, 333, -401, 7342},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    // Stopped, a rate does not defer the change.
    EXPECT_EQ(player.ChangeVolume(c.volume, 0.5f), 0);
    EXPECT_EQ(player.ChangePan(c.pan, 0.5f), 0);
    EXPECT_EQ(player.ChangeSpeed(c.speed, 0.5f), 0);
    EXPECT_EQ(player.GetVolume(), c.gotVolume);
    EXPECT_EQ(player.GetPan(), c.gotPan);
    EXPECT_EQ(player.GetSpeed(), c.gotSpeed);
    // Master -400 with volume -10000 is below the device's range: silence.
    EXPECT_EQ(player.BufferVolume(), c.bufferVolume);
    EXPECT_EQ(player.BufferPan(), c.gotPan);
    EXPECT_EQ(player.BufferFrequency(), c.frequency);
    EXPECT_FALSE(player.VolumePending());
  }
  // A new open resets volume, pan and speed but keeps the master volume.
  OpenBytes(&player, Wave(Format{22050, 2, 16}, Noise(1000)));
  EXPECT_EQ(player.GetVolume(), 0);
  EXPECT_EQ(player.GetPan(), 0);
  EXPECT_EQ(player.GetSpeed(), 1000);
  EXPECT_EQ(player.BufferVolume(), -400);
}

TEST_F(PlayerTest, PauseAndStopOnAStoppedPlayer) {
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, Noise(1000)));
  EXPECT_EQ(player.Pause(), 0);
  EXPECT_EQ(player.GetState(), kSoundStopped);
  EXPECT_EQ(player.Thread(), nullptr);
  EXPECT_EQ(player.Stop(10.0f), 0);  // not playing: no fade-out
  EXPECT_EQ(player.GetState(), kSoundStopped);
  EXPECT_FALSE(player.Fading());
  // The loop limit is what Play stored.
  EXPECT_EQ(player.GetLoopLimit(), 0);
}

}  // namespace
}  // namespace player_test
