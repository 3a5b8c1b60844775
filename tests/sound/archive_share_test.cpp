// The music streaming from an archive member on its own thread while the
// main thread opens and reads other members of the same archive: both sides
// get their own bytes.
#include <string>

#include "tests/sound/sound_test_util.h"
#include "tools/pac/pac_format.h"

namespace player_test {
namespace {

// Reads a whole member through a fresh handle, in pieces of `piece` bytes;
// true when every byte is the one packed.
bool ReadsBack(const pac::MemoryMember& member, uint32_t piece) {
  MemberCursor cursor{};
  if (ArchiveFind(&cursor, member.name.c_str()) != kArchiveOk) return false;
  SourceHandle handle{kSourceArchiveMember, CurrentArchive(), cursor, nullptr};
  Bytes got(member.bytes.size() + 1);
  size_t done = 0;
  while (uint32_t n = SourceHandleRead(got.data() + done, 1, piece, &handle)) {
    done += n;
    if (done + piece > got.size()) piece = static_cast<uint32_t>(got.size() - done);
    if (piece == 0) break;
  }
  got.resize(done);
  return got == member.bytes;
}

TEST_F(PlayerTest, MusicFromTheArchivePlaysRightWhileTheMainThreadReadsIt) {
  const uint32_t frames = 66150 + 333;  // about 1.5 s: the capture below loops it
  std::vector<pac::MemoryMember> members = {{"BGM.wav", Wave(kCd, CountingFrames(frames))}};
  for (uint32_t i = 0; i < 3; ++i)
    members.push_back({"Other" + std::to_string(i) + ".bin", Noise(20000 + 777 * i, 11 + i)});
  Bytes archive;
  std::string error;
  ASSERT_TRUE(pac::BuildArchive(members, true, pac::DefaultKey(), &archive, &error)) << error;
  WriteFile(kArchiveFileName, archive);
  ASSERT_EQ(ArchiveStartup(nullptr), 0);
  ASSERT_NE(CurrentArchive(), nullptr);

  // As the program opens its music: a heap handle the player frees.
  auto* handle = new SourceHandle{kSourceArchiveMember, CurrentArchive(), {}, nullptr};
  ASSERT_EQ(ArchiveFind(&handle->cursor, "BGM.wav"), kArchiveOk);
  WaveProbe player;
  ASSERT_EQ(player.OpenFromCallbacks(ds_, "BGM.wav", &kSourceHandleFreeingCallbacks, handle), 0);
  ASSERT_EQ(player.Play(-1, 0), 0);

  // Each step: member reads until the thread has made a whole pass (its
  // refill included) and at least a few more, then half a second of output.
  // The first refill runs while the first reads do.
  constexpr int kSteps = 16;
  std::vector<float> mix;
  int reads = 0, wrong = 0;
  for (int step = 0; step < kSteps; ++step) {
    const DWORD start = timeGetTime();
    for (int here = 0; here < 4 || (timeGetTime() - start < 100 && player.Running()); ++here) {
      const pac::MemoryMember& member = members[1 + reads % 3];
      // Small pieces: every piece is a seek and a read of the shared file.
      wrong += ReadsBack(member, 1 + static_cast<uint32_t>(reads * 7 % 61)) ? 0 : 1;
      ++reads;
    }
    ASSERT_TRUE(player.Running());
    std::vector<float> part = testing_hooks::MixAudio(kHalfSecond);
    mix.insert(mix.end(), part.begin(), part.end());
  }
  EXPECT_EQ(wrong, 0) << "of " << reads << " member reads";
  std::vector<uint32_t> order;
  for (uint32_t i = 0; order.size() < kSteps * kHalfSecond; ++i) order.push_back(i % frames);
  EXPECT_EQ(FirstDifference(mix, Expected(order)), -1);
  EXPECT_GE(player.LoopCount(), 2);
  player.Close();
}

}  // namespace
}  // namespace player_test
