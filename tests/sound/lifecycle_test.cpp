// Where the music comes from and how players end: an archive member plays
// exactly like the file on disk, and play/stop/close cycles leave neither a
// thread nor a buffer behind (run under ThreadSanitizer as well).
#include "tests/sound/sound_test_util.h"

namespace player_test {
namespace {

// "DataB.pac" with one member, laid out as data/archive.h describes.
Bytes OneMemberArchive(const std::string& name, const Bytes& member, bool scramble) {
  uint8_t key[kArchiveKeySize];
  for (uint32_t i = 0; i < kArchiveKeySize; ++i) key[i] = static_cast<uint8_t>(i * 29 + 5);
  Bytes out;
  PutTag(&out, "PACK");
  Put32(&out, 1);
  Put32(&out, scramble ? 1 : 0);
  for (uint8_t k : key) out.push_back(k ^ kArchiveKeyMask);
  Put32(&out, static_cast<uint32_t>(name.size() + 1));
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
  Put32(&out, static_cast<uint32_t>(member.size()));
  Put32(&out, static_cast<uint32_t>(out.size() + 4));
  out.insert(out.end(), member.begin(), member.end());
  if (scramble) {
    for (size_t i = kArchiveHeaderSize; i < out.size(); ++i) out[i] ^= key[i % kArchiveKeySize];
  }
  return out;
}

// Three seconds of the mix: the data once, then loops from 250 ms.
std::vector<float> PlayThreeSeconds(WaveProbe* player) {
  EXPECT_EQ(player->Play(-1, 250), 0);
  AfterFullPass(*player);
  std::vector<float> mix;
  for (int i = 0; i < 6; ++i) {
    std::vector<float> part = MixStep(*player, 22050);
    mix.insert(mix.end(), part.begin(), part.end());
  }
  player->Close();
  return mix;
}

class FromArchive : public PlayerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FromArchive, PlaysByteForByteLikeTheFileOnDisk) {
  const Bytes wave = Riff({Chunk("LIST", Noise(21)), FmtChunk(kCd, 18),
                           Chunk("data", CountingFrames(57330)), Chunk("cue ", Noise(5))});
  std::vector<float> fromDisk;
  {
    WaveProbe player;
    OpenBytes(&player, wave, "BGM.wav");
    fromDisk = PlayThreeSeconds(&player);
  }
  ASSERT_EQ(fromDisk.size(), 6u * 22050 * 2);
  EXPECT_GT(Peak(fromDisk), 0.5f);
  std::filesystem::remove("BGM.wav");

  WriteFile(kArchiveFileName, OneMemberArchive("music\\BGM.wav", wave, GetParam()));
  ASSERT_EQ(ArchiveStartup(nullptr), 0);
  ASSERT_NE(CurrentArchive(), nullptr);
  MemberCursor cursor{};
  ASSERT_EQ(ArchiveFind(&cursor, "music/bgm.WAV"), 0);
  // Allocated, with the close-and-free entry: the player frees it at Close.
  auto* handle = new SourceHandle{kSourceArchiveMember, CurrentArchive(), cursor, nullptr};
  WaveProbe player;
  ASSERT_EQ(player.Open(ds_, "BGM.wav"), -1);  // not on disk any more
  ASSERT_EQ(player.OpenFromCallbacks(ds_, "BGM.wav", &kSourceHandleFreeingCallbacks, handle), 0);
  EXPECT_EQ(player.DataSize(), 57330u * 4);
  const std::vector<float> fromArchive = PlayThreeSeconds(&player);
  EXPECT_TRUE(fromArchive == fromDisk);
}

INSTANTIATE_TEST_SUITE_P(PlainAndScrambled, FromArchive, ::testing::Bool());

TEST_F(PlayerTest, HundredPlayStopCloseCyclesLeaveNoThreadBehind) {
  WriteFile("loop.wav", Wave(kCd, CountingFrames(8820)));
  const int threads = ThreadCount();
  WaveProbe player;
  for (int i = 0; i < 100; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(player.Open(ds_, "loop.wav"), 0);
    player.SetMasterVolume(-400);
    ASSERT_EQ(player.Play(-1, 0), 0);
    if (i % 2) AfterFullPass(player);
    if (i % 10 == 3) {
      player.Pause();
      player.Play(-1, 0);
    }
    if (i % 10 == 5) player.ChangeVolume(-1000, 0.5f);
    if (i % 3) testing_hooks::MixAudio(2205);
    int32_t left = 0, right = 0;
    player.GetLevels(&left, &right);
    player.Stop(i % 4 == 0 ? 10.0f : 0.0f);
    if (i % 5 == 0) {
      ASSERT_EQ(player.Play(-1, 0), 0);  // straight after a stop
      player.Stop(0);
    }
    player.Close();
    ASSERT_FALSE(player.Running());
    ASSERT_EQ(player.Thread(), nullptr);
    if (i % 7 == 0) {
      // Deleted while playing, through the interface.
      IDirectSoundPlayer* other = new CDirectSoundWave;
      ASSERT_EQ(other->Open(ds_, "loop.wav"), 0);
      ASSERT_EQ(other->Play(-1, 0), 0);
      delete other;
    }
  }
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 1);  // the device alone
  // Threads leave the process list a moment after they report their end.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ThreadCount() > threads && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_EQ(ThreadCount(), threads);
}

}  // namespace
}  // namespace player_test
