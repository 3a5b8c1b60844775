// BGM.wav through the program's WAVE source: its format and length, real
// content in both channels, and a loop point without a click.
#include <cstdlib>

#include "mkassets_test_util.h"
#include "sound/sound_test_util.h"

namespace player_test {
namespace {

class DemoMusic : public PlayerTest {};

TEST_F(DemoMusic, PlaysAsAThirtySecondLoopWithoutAClick) {
  const auto file = assets_test::ReadBytes(assets_test::DataPath("BGM.wav"));
  ASSERT_FALSE(file.empty());
  WaveProbe player;
  OpenBytes(&player, file, "BGM.wav");
  const WAVEFORMATEX& f = player.WaveFormat();
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.wBitsPerSample, 16);
  const uint32_t bytes = player.DataSize();
  EXPECT_LE(bytes, 30u * 176400u);
  EXPECT_GE(bytes, 20u * 176400u);
  ASSERT_EQ(bytes % 4, 0u);

  // What the player streams when looping: the data chunk, then its start
  // again, read through FillData.
  std::vector<uint8_t> data(bytes + 4);
  player.SetLoop(2, 0);
  ASSERT_EQ(player.Fill(data.data(), bytes + 4), 0);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + bytes, file.end() - bytes))
      << "the streamed data is the file's data chunk";
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 4, data.begin() + bytes));
  const size_t frames = bytes / 4;
  auto sample = [&data](size_t frame, int channel) {
    const size_t at = frame * 4 + static_cast<size_t>(channel) * 2;
    return static_cast<int16_t>(data[at] | data[at + 1] << 8);
  };
  for (int ch = 0; ch < 2; ++ch) {
    SCOPED_TRACE(ch == 0 ? "left" : "right");
    double energy = 0;
    int peak = 0;
    std::vector<int> steps;
    for (size_t i = 0; i < frames; ++i) {
      const int s = sample(i, ch);
      energy += static_cast<double>(s) * s;
      peak = std::max(peak, std::abs(s));
      if (i > 0) steps.push_back(std::abs(s - sample(i - 1, ch)));
    }
    const double rms = std::sqrt(energy / static_cast<double>(frames));
    EXPECT_GT(rms, 1500.0) << "the music is too quiet or silent";
    EXPECT_LT(peak, 32767) << "clipped";
    // From the last frame back to the first: no bigger than the music's own
    // typical steps.
    std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
    const int p99 = steps[steps.size() * 99 / 100];
    const int seam = std::abs(sample(frames, ch) - sample(frames - 1, ch));
    EXPECT_LE(seam, p99) << "a click where the loop joins";
    EXPECT_LT(seam, 2000);
  }
  player.Close();
}

}  // namespace
}  // namespace player_test
