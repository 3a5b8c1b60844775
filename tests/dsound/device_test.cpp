// DirectSoundCreate8, the cooperative level, buffer creation and the
// lifetime of the objects.
#include <SDL.h>

#include <cstdlib>

#include "sound_fixture.h"

namespace sound_test {
namespace {

using testing_hooks::LiveSoundObjects;

TEST(DirectSoundCreate, FailsWithNoDriverWhenNoAudioDeviceOpens) {
  UseHeadlessAudio();
  ASSERT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "another object holds SDL audio";
  const char* saved = std::getenv("SDL_AUDIODRIVER");
  std::string restore = saved ? saved : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  IDirectSound8* ds = reinterpret_cast<IDirectSound8*>(1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DSERR_NODRIVER);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ds, nullptr);
  // The user sees SDL's own reason, which names the driver asked for.
  EXPECT_EQ(said.rfind("SDL_InitSubSystem(SDL_INIT_AUDIO) failed: ", 0), 0u) << said;
  EXPECT_NE(said.find("no-such-driver"), std::string::npos) << said;
  if (saved)
    setenv("SDL_AUDIODRIVER", restore.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  EXPECT_EQ(LiveSoundObjects(), 0);

  // With the driver back, the same call succeeds.
  ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
  ASSERT_NE(ds, nullptr);
  EXPECT_EQ(ds->Release(), 0u);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "audio is shut down with the last object";
}

TEST(DirectSoundCreate, ChecksItsArguments) {
  UseHeadlessAudio();
  IDirectSound8* ds = nullptr;
  EXPECT_EQ(DirectSoundCreate8(nullptr, nullptr, nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(DirectSoundCreate8(nullptr, &ds, reinterpret_cast<IUnknown*>(&ds)),
            DSERR_NOAGGREGATION);
  EXPECT_EQ(ds, nullptr);
  const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(DirectSoundCreate8(&other, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(ds, nullptr);
  ASSERT_EQ(DirectSoundCreate8(&GUID_NULL, &ds, nullptr), DS_OK);
  ds->Release();
  EXPECT_EQ(LiveSoundObjects(), 0);
}

TEST_F(SoundTest, CooperativeLevelIsNeededToPlay) {
  IDirectSound8* fresh = nullptr;
  ASSERT_EQ(DirectSoundCreate8(nullptr, &fresh, nullptr), DS_OK);
  WAVEFORMATEX f = Pcm(22050, 1, 16);
  DSBUFFERDESC desc = Desc(kPlayerFlags, 4410, &f);
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(fresh->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
  EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DSERR_PRIOLEVELNEEDED);

  EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, 5), DSERR_INVALIDPARAM);
  EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, DSSCL_WRITEPRIMARY), DSERR_UNSUPPORTED);
  for (DWORD level : {DWORD{DSSCL_NORMAL}, DWORD{DSSCL_EXCLUSIVE}, DWORD{DSSCL_PRIORITY}})
    EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, level), DS_OK);
  EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(b->Play(1, 0, 0), DSERR_INVALIDPARAM);
  b->Release();
  fresh->Release();
}

struct DescCase {
  const char* name;
  std::function<void(DSBUFFERDESC&, WAVEFORMATEX&)> change;
  HRESULT expected;
};

class BufferDescription : public SoundTest, public ::testing::WithParamInterface<DescCase> {};

TEST_P(BufferDescription, IsAcceptedOrRefused) {
  WAVEFORMATEX f = Pcm(44100, 2, 16);
  DSBUFFERDESC desc = Desc(kPlayerFlags, 2 * f.nAvgBytesPerSec, &f);
  GetParam().change(desc, f);
  IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(1);
  HRESULT hr = ds_->CreateSoundBuffer(&desc, &b, nullptr);
  EXPECT_EQ(hr, GetParam().expected);
  if (SUCCEEDED(hr)) {
    ASSERT_NE(b, nullptr);
    DSBCAPS caps{};
    caps.dwSize = sizeof caps;
    if (!(desc.dwFlags & DSBCAPS_PRIMARYBUFFER)) {
      ASSERT_EQ(b->GetCaps(&caps), DS_OK);
      EXPECT_EQ(caps.dwBufferBytes, desc.dwBufferBytes);
    }
    b->Release();
  } else {
    EXPECT_EQ(b, nullptr);
  }
}

using D = DSBUFFERDESC;
using W = WAVEFORMATEX;
INSTANTIATE_TEST_SUITE_P(
    Table, BufferDescription,
    ::testing::Values(
        DescCase{"PlayerBuffer", [](D&, W&) {}, DS_OK},
        DescCase{"Version1Size", [](D& d, W&) { d.dwSize = sizeof(DSBUFFERDESC1); }, DS_OK},
        DescCase{"LowestRate", [](D&, W& f) { f = Pcm(DSBFREQUENCY_MIN, 2, 16); }, DS_OK},
        DescCase{"HighestRate", [](D&, W& f) { f = Pcm(DSBFREQUENCY_MAX, 2, 16); }, DS_OK},
        DescCase{"Primary",
                 [](D& d, W&) {
                   d = Desc(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME, 0,
                            nullptr);
                 },
                 DS_OK},
        DescCase{"ZeroSize", [](D& d, W&) { d.dwSize = 0; }, DSERR_INVALIDPARAM},
        DescCase{"Oversized", [](D& d, W&) { d.dwSize = sizeof(DSBUFFERDESC) + 4; },
                 DSERR_INVALIDPARAM},
        DescCase{"NoFormat", [](D& d, W&) { d.lpwfxFormat = nullptr; }, DSERR_INVALIDPARAM},
        DescCase{"FloatFormat", [](D&, W& f) { f.wFormatTag = 3; }, DSERR_BADFORMAT},
        DescCase{"ThreeChannels", [](D&, W& f) { f = Pcm(44100, 3, 16); }, DSERR_BADFORMAT},
        DescCase{"TwentyFourBits", [](D&, W& f) { f = Pcm(44100, 2, 24); }, DSERR_BADFORMAT},
        DescCase{"RateTooLow", [](D&, W& f) { f.nSamplesPerSec = 99; }, DSERR_BADFORMAT},
        DescCase{"RateTooHigh", [](D&, W& f) { f.nSamplesPerSec = 200001; }, DSERR_BADFORMAT},
        DescCase{"WrongBlockAlign", [](D&, W& f) { f.nBlockAlign = 2; }, DSERR_BADFORMAT},
        DescCase{"NoBytes", [](D& d, W&) { d.dwBufferBytes = 0; }, DSERR_INVALIDPARAM},
        DescCase{"BelowMinimum",
                 [](D& d, W& f) {
                   f = Pcm(8000, 1, 8);
                   d.dwBufferBytes = 3;
                 },
                 DSERR_INVALIDPARAM},
        DescCase{"AboveMaximum", [](D& d, W&) { d.dwBufferBytes = DSBSIZE_MAX + 1; },
                 DSERR_INVALIDPARAM},
        DescCase{"PartialFrame", [](D& d, W&) { d.dwBufferBytes = 4002; }, DSERR_INVALIDPARAM},
        DescCase{"Secondary3D", [](D& d, W&) { d.dwFlags |= DSBCAPS_CTRL3D; },
                 DSERR_CONTROLUNAVAIL},
        DescCase{
            "Hardware",
            [](D& d, W&) { d.dwFlags = (d.dwFlags & ~DSBCAPS_LOCDEFER) | DSBCAPS_LOCHARDWARE; },
            DSERR_CONTROLUNAVAIL},
        DescCase{"TwoLocations", [](D& d, W&) { d.dwFlags |= DSBCAPS_LOCSOFTWARE; },
                 DSERR_INVALIDPARAM},
        DescCase{"AlgorithmWithout3D", [](D& d, W&) { d.guid3DAlgorithm.Data1 = 1; },
                 DSERR_INVALIDPARAM},
        DescCase{"PrimaryWithBytes", [](D& d, W&) { d = Desc(DSBCAPS_PRIMARYBUFFER, 4, nullptr); },
                 DSERR_INVALIDPARAM},
        DescCase{
            "PrimaryWithFrequency",
            [](D& d, W&) { d = Desc(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLFREQUENCY, 0, nullptr); },
            DSERR_INVALIDPARAM}),
    [](const ::testing::TestParamInfo<DescCase>& info) { return std::string(info.param.name); });

TEST_F(SoundTest, PrimaryBufferIsHeldButNotVersion8) {
  DSBUFFERDESC desc = Desc(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME, 0, nullptr);
  ASSERT_EQ(desc.dwFlags, 0x91u);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
  ASSERT_NE(primary, nullptr);

  void* v8 = reinterpret_cast<void*>(1);
  EXPECT_EQ(primary->QueryInterface(IID_IDirectSoundBuffer8, &v8), E_NOINTERFACE);
  EXPECT_EQ(v8, nullptr);
  void* v = nullptr;
  ASSERT_EQ(primary->QueryInterface(IID_IDirectSoundBuffer, &v), DS_OK);
  EXPECT_EQ(v, primary);
  EXPECT_EQ(primary->Release(), 1u);

  void* p1 = nullptr;
  DWORD n1 = 0;
  EXPECT_EQ(primary->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0), DSERR_PRIOLEVELNEEDED);
  EXPECT_EQ(primary->SetCurrentPosition(0), DSERR_INVALIDCALL);
  EXPECT_EQ(primary->SetFrequency(22050), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(primary->SetPan(100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(primary->Play(0, 0, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DWORD status = 0;
  ASSERT_EQ(primary->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
  EXPECT_EQ(primary->Stop(), DS_OK);
  ASSERT_EQ(primary->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(primary->Release(), 0u);
}

TEST_F(SoundTest, QueryInterfaceCountsReferences) {
  WAVEFORMATEX f = Pcm(44100, 2, 16);
  DSBUFFERDESC desc = Desc(kPlayerFlags, 4000, &f);
  IDirectSoundBuffer* first = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &first, nullptr), DS_OK);
  EXPECT_EQ(LiveSoundObjects(), 2);

  IDirectSoundBuffer8* b8 = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&b8)), DS_OK);
  ASSERT_NE(b8, nullptr);
  EXPECT_EQ(b8->AddRef(), 3u);
  EXPECT_EQ(b8->Release(), 2u);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(first->QueryInterface(IID_IDirectSound8, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(first->QueryInterface(IID_IDirectSoundBuffer8, nullptr), DSERR_INVALIDPARAM);

  EXPECT_EQ(first->Release(), 1u);
  EXPECT_EQ(LiveSoundObjects(), 2);
  EXPECT_EQ(b8->Release(), 0u);
  EXPECT_EQ(LiveSoundObjects(), 1);
}

TEST(SoundLifetime, BuffersOutliveTheirDevice) {
  UseHeadlessAudio();
  testing_hooks::PauseAudioDevice();
  IDirectSound8* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
  ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  WAVEFORMATEX f = Pcm(44100, 1, 16);
  DSBUFFERDESC desc = Desc(kPlayerFlags, 4410, &f);
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
  DSBUFFERDESC pd = Desc(DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME, 0, nullptr);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&pd, &primary, nullptr), DS_OK);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 3);

  // The device goes first; the buffers still work and still sound.
  EXPECT_EQ(ds->Release(), 0u);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 2);
  Fill(b, f, [](DWORD, int) { return 0.5; });
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  std::vector<float> mix = testing_hooks::MixAudio(100);
  ASSERT_EQ(mix.size(), 200u);
  EXPECT_NEAR(mix[50], 0.5f, 1e-3f);
  EXPECT_EQ(primary->Release(), 0u);
  EXPECT_EQ(b->Release(), 0u);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
  EXPECT_TRUE(testing_hooks::MixAudio(100).empty());
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

}  // namespace
}  // namespace sound_test
