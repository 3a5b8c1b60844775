// Sources given as callbacks: a long synthetic source (positions past what
// 32 bits of byte-milliseconds hold), a source shorter than it claims, and
// who closes the source when.
#include "tests/sound/sound_test_util.h"

namespace player_test {
namespace {

// A WAVE source computed on the fly: header bytes, then data bytes
// ByteAt(offset). `readable` bytes can be read although seeking to the end
// reports `total`.
struct Synthetic {
  Bytes head;
  uint32_t total = 0;
  uint32_t readable = 0;
  uint32_t pos = 0;
  int closes = 0;

  static uint8_t ByteAt(uint32_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 24); }
  uint8_t At(uint32_t i) const { return i < head.size() ? head[i] : ByteAt(i); }

  static uint32_t Read(void* destination, uint32_t size, uint32_t count, void* user) {
    auto* s = static_cast<Synthetic*>(user);
    const uint64_t wanted = uint64_t{size} * count;
    const uint32_t n = static_cast<uint32_t>(
        std::min<uint64_t>(wanted, s->pos < s->readable ? s->readable - s->pos : 0));
    auto* out = static_cast<uint8_t*>(destination);
    for (uint32_t i = 0; i < n; ++i) out[i] = s->At(s->pos + i);
    s->pos += n;
    return size == 1 ? n : n / size;
  }
  static int32_t Seek(void* user, int64_t offset, int32_t origin) {
    auto* s = static_cast<Synthetic*>(user);
    const int64_t base = origin == 0 ? 0 : origin == 1 ? s->pos : s->total;
    const int64_t to = base + (origin == 2 ? -offset : offset);
    if (to < 0 || to > s->total) return -1;
    s->pos = static_cast<uint32_t>(to);
    return 0;
  }
  static int32_t Close(void* user) {
    ++static_cast<Synthetic*>(user)->closes;
    return 0;
  }
  static int32_t Tell(void* user) {
    return static_cast<int32_t>(static_cast<Synthetic*>(user)->pos);
  }
};

constexpr StreamCallbacks kSyntheticCallbacks = {Synthetic::Read, Synthetic::Seek, Synthetic::Close,
                                                 Synthetic::Tell, nullptr};

// A 44.1 kHz 16-bit stereo source whose data chunk holds `dataBytes`.
Synthetic MakeSynthetic(uint32_t dataBytes) {
  Synthetic s;
  s.head = Riff({FmtChunk(kCd), Chunk("data", {}, dataBytes)});
  s.total = static_cast<uint32_t>(s.head.size()) + dataBytes;
  s.readable = s.total;
  return s;
}

TEST_F(PlayerTest, SeekFarIntoALongSource) {
  Synthetic source = MakeSynthetic(60 * 176400);  // one minute
  WaveProbe player;
  ASSERT_EQ(player.OpenFromCallbacks(ds_, "long.wav", &kSyntheticCallbacks, &source), 0);
  char name[kSoundNameSize];
  player.GetName(name);
  EXPECT_STREQ(name, "long.wav");
  // 176400 x 30000 does not fit 32 bits; the position must still be 30 s.
  for (int32_t ms : {30000, 59999, 25000}) {
    SCOPED_TRACE(ms);
    ASSERT_EQ(player.Seek(ms), 0);
    uint32_t expect = static_cast<uint32_t>(176400ull * static_cast<uint32_t>(ms) / 1000);
    expect -= expect % 4;  // whole frames
    EXPECT_EQ(player.DataPosition(), expect);
    EXPECT_EQ(source.pos, 44 + expect);
    uint8_t out[8];
    player.SetLoop(-1, 0);
    EXPECT_EQ(player.Fill(out, sizeof(out)), 0);
    for (uint32_t i = 0; i < sizeof(out); ++i)
      EXPECT_EQ(out[i], Synthetic::ByteAt(44 + expect + i));
  }
  // A loop start far in is just as exact.
  player.Seek(59990);
  player.SetLoop(-1, 40000);
  Bytes out(176400 * 2);
  EXPECT_EQ(player.Fill(out.data(), static_cast<uint32_t>(out.size())), 0);
  EXPECT_EQ(player.LoopCount(), 1);
  EXPECT_EQ(player.DataPosition(), 40 * 176400 + (out.size() - 1764));
}

TEST_F(PlayerTest, ASourceShorterThanItClaimsGivesSilence) {
  Synthetic source = MakeSynthetic(10000);
  source.readable = source.total - 4000;  // the last 4000 data bytes never come
  WaveProbe player;
  ASSERT_EQ(player.OpenFromCallbacks(ds_, "short.wav", &kSyntheticCallbacks, &source), 0);
  player.SetLoop(1, 0);
  Bytes out(12000, 0x55);
  EXPECT_EQ(player.Fill(out.data(), 12000), 1);
  for (uint32_t i = 0; i < 6000; ++i) ASSERT_EQ(out[i], Synthetic::ByteAt(44 + i)) << i;
  EXPECT_TRUE(std::all_of(out.begin() + 6000, out.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(PlayerTest, ThePlayerClosesTheSourceItWasGivenOnce) {
  Synthetic source = MakeSynthetic(1000);
  {
    WaveProbe player;
    ASSERT_EQ(player.OpenFromCallbacks(ds_, "a.wav", &kSyntheticCallbacks, &source), 0);
    EXPECT_EQ(source.closes, 0);
    player.Close();
    EXPECT_EQ(source.closes, 1);
    player.Close();
  }
  EXPECT_EQ(source.closes, 1);  // not again from the destructor

  // Destruction closes an open source.
  source.closes = 0;
  {
    WaveProbe player;
    ASSERT_EQ(player.OpenFromCallbacks(ds_, "a.wav", &kSyntheticCallbacks, &source), 0);
  }
  EXPECT_EQ(source.closes, 1);

  // A failed open leaves the source to the caller.
  Synthetic bad = MakeSynthetic(1000);
  bad.head[0] = 'X';
  {
    WaveProbe player;
    EXPECT_EQ(player.OpenFromCallbacks(ds_, "bad.wav", &kSyntheticCallbacks, &bad), -1);
    EXPECT_EQ(player.OpenFromCallbacks(ds_, "bad.wav", nullptr, &bad), -1);
    player.Close();
  }
  EXPECT_EQ(bad.closes, 0);

  // Open after a callback source closes that source and reads its own file.
  source.closes = 0;
  WriteFile("disk.wav", Wave(Format{22050, 1, 8}, Noise(333)));
  WaveProbe player;
  ASSERT_EQ(player.OpenFromCallbacks(ds_, "a.wav", &kSyntheticCallbacks, &source), 0);
  EXPECT_EQ(player.DataSize(), 1000u);
  ASSERT_EQ(player.Open(ds_, "disk.wav"), 0);
  EXPECT_EQ(source.closes, 1);
  EXPECT_EQ(player.DataSize(), 333u);
  EXPECT_EQ(player.HalfBytes(), 22050u);
}

TEST_F(PlayerTest, AnArchiveHandleGivenToThePlayerIsFreedByClose) {
  // The member's handle comes from the heap, with the close-and-free entry;
  // LeakSanitizer reports it if Close forgets it.
  const Bytes wave = Wave(kCd, Noise(5000));
  WriteFile("plain.wav", wave);
  auto* handle = new SourceHandle{kSourcePlainFile, nullptr, {}, std::fopen("plain.wav", "rb")};
  ASSERT_NE(handle->file, nullptr);
  WaveProbe player;
  ASSERT_EQ(player.OpenFromCallbacks(ds_, "plain.wav", &kSourceHandleFreeingCallbacks, handle), 0);
  EXPECT_EQ(player.DataSize(), 5000u);
  player.Close();
}

}  // namespace
}  // namespace player_test
