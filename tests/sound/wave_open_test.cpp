// Opening WAVE sources: chunk layouts that must play the data chunk only, and
// damaged headers that must fail cleanly (run under ASan as well).
#include "tests/sound/sound_test_util.h"

namespace player_test {
namespace {

struct LayoutCase {
  const char* label;
  std::vector<Bytes> chunks;  // between "WAVE" and the end
  uint32_t dataSize;          // as the player must see it
  uint32_t dataStart;         // offset of the data bytes in the file
};

const Bytes kSamples = Noise(4000);

std::vector<LayoutCase> LayoutCases() {
  const Bytes list = Chunk("LIST", Noise(30, 3));
  const Bytes odd = Chunk("cue ", Noise(7, 4));  // odd size: no pad byte is skipped
  return {
      {"plain", {FmtChunk(kCd), Chunk("data", kSamples)}, 4000, 44},
      {"chunks around", {list, FmtChunk(kCd), Chunk("data", kSamples), odd}, 4000, 44 + 38},
      {"odd chunk first", {odd, FmtChunk(kCd), Chunk("data", kSamples)}, 4000, 44 + 15},
      {"fmt 18", {FmtChunk(kCd, 18), Chunk("data", kSamples)}, 4000, 46},
      {"fmt 40", {FmtChunk(kCd, 40), Chunk("data", kSamples)}, 4000, 68},
      {"data before fmt", {Chunk("data", kSamples), FmtChunk(kCd)}, 4000, 20},
      // Sizes past the end of the source are clamped to it.
      {"data size past end", {FmtChunk(kCd), Chunk("data", kSamples, 0x7FFFFFF0)}, 4000, 44},
      {"data size wraps", {FmtChunk(kCd), Chunk("data", kSamples, 0xFFFFFFFF)}, 4000, 44},
      {"empty data", {FmtChunk(kCd), Chunk("data", {})}, 0, 44},
      // A header fragment after the last chunk is not a chunk.
      {"trailing fragment",
       {FmtChunk(kCd), Chunk("data", kSamples), Bytes{'J', 'U', 'N'}},
       4000,
       44},
  };
}

class WaveLayout : public PlayerTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(WaveLayout, FindsTheFormatAndTheDataChunk) {
  const LayoutCase c = LayoutCases()[GetParam()];
  SCOPED_TRACE(c.label);
  WaveProbe player;
  OpenBytes(&player, Riff(c.chunks));
  EXPECT_EQ(player.DataSize(), c.dataSize);
  EXPECT_EQ(player.DataStart(), c.dataStart);
  EXPECT_EQ(player.BytesPerSecond(), 176400u);
  EXPECT_EQ(player.HalfBytes(), 176400u);
  const WAVEFORMATEX& f = player.WaveFormat();
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.cbSize, 0);
  EXPECT_EQ(player.GetState(), kSoundStopped);
  // The source waits at the data, and FillData hands out the data chunk only.
  EXPECT_EQ(player.SourceTell(), static_cast<int32_t>(c.dataStart));
  Bytes got(c.dataSize + 100, 0x55);
  player.SetLoop(1, 0);
  EXPECT_EQ(player.Fill(got.data(), static_cast<uint32_t>(got.size())), 1);
  const Bytes expect = c.dataSize ? kSamples : Bytes{};
  EXPECT_TRUE(std::equal(expect.begin(), expect.end(), got.begin()));
  EXPECT_TRUE(std::all_of(got.begin() + c.dataSize, got.end(), [](uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Layouts, WaveLayout, ::testing::Range<size_t>(0, LayoutCases().size()));

struct BadCase {
  const char* label;
  WaveError reason;
  Bytes file;
};

std::vector<BadCase> BadCases() {
  Bytes notRiff = Wave(kCd, kSamples);
  std::memcpy(notRiff.data(), "RIFX", 4);
  Bytes notWave = Wave(kCd, kSamples);
  std::memcpy(notWave.data() + 8, "AVI ", 4);
  Bytes fmt13 = FmtChunk(kCd, 14);
  fmt13.pop_back();
  fmt13[4] = 13;
  const Bytes fmt = FmtChunk(kCd);
  const Bytes fmtCut(fmt.begin(), fmt.begin() + 16);  // the size says 16, 8 bytes follow
  Format eightChannels{44100, 8, 16};
  Format twentyFourBit{44100, 2, 24};
  return {
      {"empty", WaveError::kNotRiffWave, {}},
      {"not RIFF", WaveError::kNotRiffWave, notRiff},
      {"not WAVE", WaveError::kNotRiffWave, notWave},
      {"RIFF only", WaveError::kNotRiffWave, Bytes(notRiff.begin(), notRiff.begin() + 8)},
      {"no chunks", WaveError::kNoFormat, Riff({})},
      {"no data chunk", WaveError::kNoData, Riff({FmtChunk(kCd), Chunk("LIST", kSamples)})},
      {"no fmt chunk", WaveError::kNoFormat, Riff({Chunk("data", kSamples)})},
      {"fmt of 13 bytes", WaveError::kShortFormat, Riff({fmt13, Chunk("data", kSamples)})},
      // Without bits per sample the device refuses the format. A size past
      // the end is clamped to what is there, so the cut fmt chunks are short.
      {"fmt of 14 bytes", WaveError::kDevice, Riff({FmtChunk(kCd, 14), Chunk("data", kSamples)})},
      {"fmt cut by the end", WaveError::kShortFormat, Riff({Chunk("data", kSamples), fmtCut})},
      {"fmt size past end", WaveError::kShortFormat,
       Riff({Chunk("data", kSamples), Chunk("fmt ", Noise(10), 0x40000000)})},
      {"format refused (8 channels)", WaveError::kDevice, Wave(eightChannels, kSamples)},
      {"format refused (24 bits)", WaveError::kDevice, Wave(twentyFourBit, kSamples)},
  };
}

TEST_F(PlayerTest, DamagedHeadersFailCleanly) {
  for (const BadCase& c : BadCases()) {
    SCOPED_TRACE(c.label);
    WriteFile("bad.wav", c.file);
    WaveProbe player;
    EXPECT_EQ(player.Open(ds_, "bad.wav"), -1);
    EXPECT_EQ(player.LastError(), c.reason);
    EXPECT_EQ(player.Buffer(), nullptr);
    EXPECT_EQ(player.Play(-1, 0), -1);
    char name[kSoundNameSize];
    player.GetName(name);
    EXPECT_STREQ(name, "");
  }
}

TEST_F(PlayerTest, EveryTruncationOfAFileFailsOrOpensWhatIsThere) {
  // fmt at 12..36, data header 36..44, then the samples.
  const Bytes file = Riff({FmtChunk(kCd), Chunk("data", kSamples), Chunk("LIST", Noise(9))});
  // Every cut inside the headers, then a few inside the samples and the tail.
  std::vector<size_t> lengths;
  for (size_t length = 0; length <= 64; ++length) lengths.push_back(length);
  for (size_t length = 64; length < file.size(); length += 397) lengths.push_back(length);
  for (size_t length = file.size() - 20; length <= file.size(); ++length) lengths.push_back(length);
  for (size_t length : lengths) {
    SCOPED_TRACE(length);
    WriteFile("cut.wav", Bytes(file.begin(), file.begin() + static_cast<long>(length)));
    WaveProbe player;
    const int32_t result = player.Open(ds_, "cut.wav");
    if (length < 44) {
      EXPECT_EQ(result, -1);
    } else {
      ASSERT_EQ(result, 0);
      EXPECT_EQ(player.DataSize(), std::min<uint32_t>(4000, static_cast<uint32_t>(length - 44)));
    }
  }
}

TEST_F(PlayerTest, MissingFileAndReopening) {
  WaveProbe player;
  EXPECT_EQ(player.Open(ds_, "absent.wav"), -1);
  EXPECT_EQ(player.LastError(), WaveError::kNoFile);
  EXPECT_EQ(player.Open(ds_, nullptr), -1);
  EXPECT_EQ(player.LastError(), WaveError::kArguments);
  EXPECT_EQ(player.Open(nullptr, "absent.wav"), -1);
  OpenBytes(&player, Wave(kCd, kSamples), "first.wav");
  EXPECT_EQ(player.LastError(), WaveError::kNone);
  char name[kSoundNameSize];
  ASSERT_EQ(player.GetName(name), 0);
  EXPECT_STREQ(name, "first.wav");
  // A second open replaces the first source and buffer.
  OpenBytes(&player, Wave(Format{22050, 1, 8}, Noise(100)), "second.wav");
  EXPECT_EQ(player.DataSize(), 100u);
  EXPECT_EQ(player.HalfBytes(), 22050u);
  player.GetName(name);
  EXPECT_STREQ(name, "second.wav");
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 2);  // the device and the one buffer
  player.Close();
  EXPECT_EQ(player.Buffer(), nullptr);
  player.GetName(name);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(player.Play(-1, 0), -1);
  player.Close();  // twice is harmless
}

}  // namespace
}  // namespace player_test
