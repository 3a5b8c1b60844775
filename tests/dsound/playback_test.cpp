// The mix: cursors, looping, silence, tones, volume, pan and frequency.
#include "sound_fixture.h"

namespace sound_test {
namespace {

using testing_hooks::MixAudio;

struct CursorCase {
  DWORD rate;
  WORD channels;
  WORD bits;
  int mixFrames;
  DWORD expectedBytes;
};

class CursorRate : public SoundTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorRate, AdvancesAtTheBufferRate) {
  const CursorCase c = GetParam();
  WAVEFORMATEX f = Pcm(c.rate, c.channels, c.bits);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);  // one second
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(MixAudio(c.mixFrames).size(), static_cast<size_t>(c.mixFrames) * 2);
  EXPECT_EQ(PlayCursor(b), c.expectedBytes);

  // Stopped, the cursor stays put however much is mixed.
  ASSERT_EQ(b->Stop(), DS_OK);
  MixAudio(c.mixFrames);
  EXPECT_EQ(PlayCursor(b), c.expectedBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CursorRate,
    ::testing::Values(CursorCase{44100, 1, 16, 1000, 2000}, CursorCase{22050, 2, 16, 1000, 2000},
                      CursorCase{11025, 1, 8, 1000, 250}, CursorCase{88200, 2, 8, 1000, 4000},
                      CursorCase{100, 1, 16, 22050, 100}, CursorCase{200000, 1, 8, 441, 2000}));

TEST_F(SoundTest, WriteCursorLeadsWhilePlayingOnly) {
  WAVEFORMATEX f = Pcm(44100, 2, 16);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->SetCurrentPosition(4000), DS_OK);
  DWORD play = 0, write = 0;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ(play, 4000u);
  EXPECT_EQ(write, 4000u);

  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  MixAudio(100);
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ(play, 4400u);
  // About 15 ms ahead (661 frames of 4 bytes at 44.1 kHz).
  EXPECT_EQ(write, 4400u + 661 * 4);
  EXPECT_EQ(write % f.nBlockAlign, 0u);
}

TEST_F(SoundTest, SetCurrentPositionMovesThePlayCursorToAWholeFrame) {
  WAVEFORMATEX f = Pcm(22050, 2, 16);
  IDirectSoundBuffer8* b = Make(f, 4000);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->SetCurrentPosition(1002), DS_OK);
  EXPECT_EQ(PlayCursor(b), 1000u);
  EXPECT_EQ(b->SetCurrentPosition(4000), DSERR_INVALIDPARAM);
  EXPECT_EQ(PlayCursor(b), 1000u);
}

TEST_F(SoundTest, LoopingBufferWrapsAndOneShotStopsAtItsEnd) {
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  IDirectSoundBuffer8* loop = Make(f, 2000);  // 1000 frames
  IDirectSoundBuffer8* once = Make(f, 2000);
  ASSERT_NE(loop, nullptr);
  ASSERT_NE(once, nullptr);
  Fill(once, f, [](DWORD, int) { return 0.5; });
  ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(Status(loop), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING | DSBSTATUS_LOCSOFTWARE});
  EXPECT_EQ(Status(once), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOCSOFTWARE});

  std::vector<float> left = Channel(MixAudio(2500), 0);
  EXPECT_EQ(PlayCursor(loop), 1000u);  // 2500 frames into a 1000-frame loop
  EXPECT_NE(Status(loop) & DSBSTATUS_PLAYING, 0u);
  EXPECT_EQ(Status(once), 0u);
  EXPECT_EQ(PlayCursor(once), 0u);  // rewound, so Play repeats it
  EXPECT_NEAR(left[998], 0.5f, 1e-3f);
  for (size_t i = 1000; i < left.size(); ++i) ASSERT_EQ(left[i], 0.0f) << i;

  // Played again, it starts over from the beginning.
  ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
  EXPECT_NEAR(Channel(MixAudio(10), 0)[0], 0.5f, 1e-3f);
}

TEST_F(SoundTest, SilentBuffersStaySilent) {
  // Fresh buffers hold silence in every format, 8-bit included (0x80).
  for (WORD bits : {WORD{8}, WORD{16}})
    for (WORD channels : {WORD{1}, WORD{2}}) {
      WAVEFORMATEX f = Pcm(22050, channels, bits);
      IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec / 10);
      ASSERT_NE(b, nullptr);
      ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    }
  IDirectSoundBuffer8* filled = Make(Pcm(44100, 1, 8), 4410);
  ASSERT_NE(filled, nullptr);
  Fill(filled, Pcm(44100, 1, 8), [](DWORD, int) { return 0.0; });
  ASSERT_EQ(filled->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<float> mix = MixAudio(8820);
  ASSERT_EQ(mix.size(), 8820u * 2);
  EXPECT_EQ(Peak(mix), 0.0f);
}

TEST_F(SoundTest, ToneWrittenThroughLockIsFoundInTheMix) {
  WAVEFORMATEX f = Pcm(22050, 2, 16);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);
  ASSERT_NE(b, nullptr);
  // A different tone on each side: the channels stay apart.
  Fill(b, f,
       [](DWORD frame, int c) { return Sine(c == 0 ? 1000.0 : 1500.0, 22050, 0.5)(frame, c); });
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<float> mix = MixAudio(4410);
  std::vector<float> left = Channel(mix, 0), right = Channel(mix, 1);
  EXPECT_NEAR(AmplitudeAt(left, 1000.0), 0.5, 0.01);
  EXPECT_LT(AmplitudeAt(left, 1500.0), 0.01);
  EXPECT_NEAR(AmplitudeAt(right, 1500.0), 0.5, 0.01);
  EXPECT_LT(AmplitudeAt(right, 1000.0), 0.01);
  EXPECT_LT(AmplitudeAt(left, 500.0), 0.01);
}

TEST_F(SoundTest, VolumeScalesByTenToTheMillibelsOver2000) {
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);
  ASSERT_NE(b, nullptr);
  Fill(b, f, Sine(441.0, 44100, 0.8));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<float> full = Channel(MixAudio(4410), 0);

  struct Case {
    LONG volume;
    double gain;
  };
  for (Case c : {Case{-600, std::pow(10.0, -0.3)}, Case{-2000, 0.1},
                 Case{-9999, std::pow(10.0, -9999.0 / 2000)}, Case{DSBVOLUME_MIN, 0.0},
                 Case{DSBVOLUME_MAX, 1.0}}) {
    ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
    LONG read = 1;
    ASSERT_EQ(b->GetVolume(&read), DS_OK);
    EXPECT_EQ(read, c.volume);
    std::vector<float> x = Channel(MixAudio(4410), 0);
    EXPECT_NEAR(Rms(x), Rms(full) * c.gain, Rms(full) * c.gain * 1e-3 + 1e-9) << c.volume;
  }
  EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
}

TEST_F(SoundTest, PanAttenuatesOneSideOnly) {
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);
  ASSERT_NE(b, nullptr);
  Fill(b, f, Sine(441.0, 44100, 0.8));
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  const double full = Rms(Channel(MixAudio(4410), 0));

  struct Case {
    LONG volume;
    LONG pan;
    double left;
    double right;
  };
  // Pan acts on top of volume; the louder side keeps the volume's level.
  for (Case c : {Case{0, DSBPAN_LEFT, 1.0, 0.0}, Case{0, DSBPAN_RIGHT, 0.0, 1.0},
                 Case{0, -2173, 1.0, std::pow(10.0, -2173.0 / 2000)},
                 Case{0, 870, std::pow(10.0, -870.0 / 2000), 1.0},
                 Case{-600, 600, std::pow(10.0, -0.6), std::pow(10.0, -0.3)},
                 Case{-5000, -6000, std::pow(10.0, -2.5), 0.0}, Case{0, 0, 1.0, 1.0}}) {
    ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
    ASSERT_EQ(b->SetPan(c.pan), DS_OK);
    ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
    std::vector<float> mix = MixAudio(4410);
    EXPECT_NEAR(Rms(Channel(mix, 0)), full * c.left, full * c.left * 1e-3 + 1e-9) << c.pan;
    EXPECT_NEAR(Rms(Channel(mix, 1)), full * c.right, full * c.right * 1e-3 + 1e-9) << c.pan;
    // A side at DSBVOLUME_MIN or below is exactly silent.
    if (c.right == 0.0) {
      EXPECT_EQ(Peak(Channel(mix, 1)), 0.0f);
    }
    if (c.left == 0.0) {
      EXPECT_EQ(Peak(Channel(mix, 0)), 0.0f);
    }
  }
  LONG pan = 0;
  ASSERT_EQ(b->GetPan(&pan), DS_OK);
  EXPECT_EQ(pan, 0);
  EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
}

TEST_F(SoundTest, DoubleFrequencyHalvesThePeriod) {
  WAVEFORMATEX f = Pcm(22050, 1, 16);
  IDirectSoundBuffer8* b = Make(f, f.nAvgBytesPerSec);
  ASSERT_NE(b, nullptr);
  Fill(b, f, Sine(441.0, 22050, 0.5));  // a whole number of cycles per second
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);

  std::vector<float> normal = Channel(MixAudio(44100), 0);
  EXPECT_NEAR(RisingCrossings(normal), 441, 1);
  EXPECT_NEAR(AmplitudeAt(normal, 441.0), 0.5, 0.01);

  ASSERT_EQ(b->SetFrequency(44100), DS_OK);
  DWORD hz = 0;
  ASSERT_EQ(b->GetFrequency(&hz), DS_OK);
  EXPECT_EQ(hz, 44100u);
  std::vector<float> fast = Channel(MixAudio(44100), 0);
  EXPECT_NEAR(RisingCrossings(fast), 882, 1);
  EXPECT_NEAR(AmplitudeAt(fast, 882.0), 0.5, 0.01);

  // An uneven ratio resamples with interpolation: 441 Hz at 3/2 speed.
  ASSERT_EQ(b->SetFrequency(33075), DS_OK);
  std::vector<float> odd = Channel(MixAudio(44100), 0);
  EXPECT_NEAR(AmplitudeAt(odd, 661.5), 0.5, 0.01);
  EXPECT_LT(AmplitudeAt(odd, 441.0), 0.01);

  // DSBFREQUENCY_ORIGINAL goes back to the format's rate.
  ASSERT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
  ASSERT_EQ(b->GetFrequency(&hz), DS_OK);
  EXPECT_EQ(hz, 22050u);
  EXPECT_EQ(b->SetFrequency(DSBFREQUENCY_MIN - 1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetFrequency(DSBFREQUENCY_MAX + 1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetFrequency(DSBFREQUENCY_MAX), DS_OK);
}

TEST_F(SoundTest, BuffersAreSummed) {
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  IDirectSoundBuffer8* a = Make(f, 4410);
  IDirectSoundBuffer8* b = Make(f, 4410);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  Fill(a, f, [](DWORD, int) { return 0.25; });
  Fill(b, f, [](DWORD, int) { return 0.5; });
  ASSERT_EQ(a->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_NEAR(MixAudio(10)[4], 0.75f, 1e-4f);
  // Sums past full scale are clipped, not wrapped.
  ASSERT_EQ(a->SetVolume(0), DS_OK);
  Fill(a, f, [](DWORD, int) { return 0.9; });
  EXPECT_EQ(MixAudio(10)[4], 1.0f);
}

TEST_F(SoundTest, ControlsNeedTheirCapabilityFlags) {
  WAVEFORMATEX f = Pcm(22050, 1, 16);
  IDirectSoundBuffer8* plain = Make(f, 4410, 0);
  ASSERT_NE(plain, nullptr);
  LONG value = 0;
  DWORD hz = 0;
  EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetVolume(&value), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetPan(&value), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetFrequency(44100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetFrequency(&hz), DSERR_CONTROLUNAVAIL);

  IDirectSoundBuffer8* full = Make(f, 4410, kControls);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->SetVolume(-100), DS_OK);
  EXPECT_EQ(full->SetPan(100), DS_OK);
  EXPECT_EQ(full->SetFrequency(44100), DS_OK);
}

TEST_F(SoundTest, PrimaryVolumeAndPanApplyToTheWholeMix) {
  DSBUFFERDESC pd = Desc(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN, 0, nullptr);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&pd, &primary, nullptr), DS_OK);
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  IDirectSoundBuffer8* b = Make(f, 4410);
  ASSERT_NE(b, nullptr);
  Fill(b, f, [](DWORD, int) { return 0.5; });
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(primary->SetVolume(-600), DS_OK);
  ASSERT_EQ(primary->SetPan(DSBPAN_RIGHT), DS_OK);
  std::vector<float> mix = MixAudio(10);
  EXPECT_EQ(mix[4], 0.0f);
  EXPECT_NEAR(mix[5], 0.5 * std::pow(10.0, -0.3), 1e-4);
  LONG volume = 0;
  ASSERT_EQ(primary->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, -600);
  primary->Release();
}

}  // namespace
}  // namespace sound_test
