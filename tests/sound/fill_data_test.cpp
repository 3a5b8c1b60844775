// What FillData hands the streaming thread: the data chunk, loops back to
// the loop start, silence after a limited play, and Seek positions.
#include "tests/sound/sound_test_util.h"

namespace player_test {
namespace {

// Fills `seconds` of the player's rate in one call.
Bytes FillBytes(WaveProbe* player, uint32_t bytes, int32_t* result) {
  Bytes out(bytes, 0x55);
  *result = player->Fill(out.data(), bytes);
  return out;
}

bool AllZero(const Bytes& b, size_t from, size_t to) {
  return std::all_of(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to),
                     [](uint8_t x) { return x == 0; });
}

TEST_F(PlayerTest, LoopLimitOnePlaysThreeSecondsThenSilenceEveryTime) {
  const Bytes data = Noise(3 * 176400);
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, data));
  player.SetLoop(1, 0);
  int32_t r = -9;
  // Two and a half seconds, then the rest with silence after it.
  Bytes first = FillBytes(&player, 441000, &r);
  EXPECT_EQ(r, 0);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), data.begin()));
  Bytes second = FillBytes(&player, 176400, &r);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(std::equal(data.begin() + 441000, data.end(), second.begin()));
  EXPECT_TRUE(AllZero(second, 88200, second.size()));
  EXPECT_EQ(player.LoopCount(), 1);
  // The source is back at the data; the position stays at the end.
  EXPECT_EQ(player.SourceTell(), static_cast<int32_t>(player.DataStart()));
  EXPECT_EQ(player.DataPosition(), player.DataSize());
  // The next fill ends at once again, all silence.
  Bytes third = FillBytes(&player, 176400, &r);
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(AllZero(third, 0, third.size()));
}

TEST_F(PlayerTest, LoopLimitCountsPasses) {
  const Bytes data = Noise(10000);
  WaveProbe player;
  OpenBytes(&player, Wave(kCd, data));
  player.SetLoop(3, 0);
  int32_t r = -9;
  Bytes out = FillBytes(&player, 40000, &r);
  EXPECT_EQ(r, 1);
  for (int pass = 0; pass < 3; ++pass) {
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin() + pass * 10000)) << pass;
  }
  EXPECT_TRUE(AllZero(out, 30000, 40000));
  EXPECT_EQ(player.LoopCount(), 3);
}

struct LoopCase {
  const char* label;
  Format format;
  uint32_t dataBytes;
  int32_t loopStartMs;
  uint32_t loopStartByte;  // where each further pass begins
};

std::ostream& operator<<(std::ostream& os, const LoopCase& c) { return os << c.label; }

class EndlessLoop : public PlayerTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(EndlessLoop, RestartsAtTheLoopStart) {
  const LoopCase c = GetParam();
  SCOPED_TRACE(c.label);
  const Bytes data = Noise(c.dataBytes);
  WaveProbe player;
  OpenBytes(&player, Wave(c.format, data));
  player.SetLoop(-1, c.loopStartMs);
  const uint32_t total = 3 * c.format.BytesPerSecond();
  int32_t r = -9;
  Bytes out = FillBytes(&player, total, &r);
  EXPECT_EQ(r, 0);
  Bytes expect(data);
  while (expect.size() < total)
    expect.insert(expect.end(), data.begin() + c.loopStartByte, data.end());
  expect.resize(total);
  EXPECT_TRUE(out == expect);
  const uint32_t loopLength = c.dataBytes - c.loopStartByte;
  EXPECT_EQ(player.LoopCount(), static_cast<int32_t>(1 + (total - c.dataBytes) / loopLength));
}

INSTANTIATE_TEST_SUITE_P(Starts, EndlessLoop,
                         ::testing::Values(LoopCase{"from the start", kCd, 100000, 0, 0},
                                           LoopCase{"250 ms in", kCd, 100000, 250, 44100},
                                           // 10 ms of 22.05 kHz 8-bit stereo is 441 bytes: rounded
                                           // down to a whole frame so the channels stay in place.
                                           LoopCase{"inside a frame", Format{22050, 2, 8}, 30000,
                                                    10, 440},
                                           LoopCase{"negative start", kCd, 100000, -500, 0}));

TEST_F(PlayerTest, NothingToLoopEndsInsteadOfSpinning) {
  struct Case {
    const char* label;
    uint32_t dataBytes;
    int32_t loopStartMs;
  };
  for (const Case& c : {Case{"empty data", 0, 0}, Case{"start at the end", 17640, 100},
                        Case{"start past the end", 17640, 60000}}) {
    SCOPED_TRACE(c.label);
    const Bytes data = Noise(c.dataBytes);
    WaveProbe player;
    OpenBytes(&player, Wave(kCd, data));
    player.SetLoop(-1, c.loopStartMs);
    int32_t r = -9;
    Bytes out = FillBytes(&player, 176400, &r);
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    EXPECT_TRUE(AllZero(out, c.dataBytes, out.size()));
  }
}

TEST_F(PlayerTest, SeekMovesTheDataPosition) {
  const Bytes data = Noise(2 * 176400 + 1000);
  WaveProbe player;
  EXPECT_EQ(player.Seek(0), -1);  // nothing open
  OpenBytes(&player, Wave(kCd, data));
  player.SetLoop(1, 0);
  struct Case {
    int32_t ms;
    uint32_t position;
  };
  const auto size = static_cast<uint32_t>(data.size());  // 353800
  // 176.4 bytes per ms, truncated, then down to a whole frame of 4 bytes.
  for (const Case& c : {Case{1000, 176400}, Case{0, 0}, Case{1, 176}, Case{2005, 353680},
                        Case{2006, size}, Case{900000, size}, Case{-40, 0}}) {
    SCOPED_TRACE(c.ms);
    ASSERT_EQ(player.Seek(c.ms), 0);
    EXPECT_EQ(player.DataPosition(), c.position);
    EXPECT_EQ(player.SourceTell(), static_cast<int32_t>(player.DataStart() + c.position));
    Bytes out(100, 0x55);
    player.SetLoop(1, 0);
    player.Fill(out.data(), 100);
    const size_t real = std::min<size_t>(100, data.size() - c.position);
    EXPECT_TRUE(
        std::equal(out.begin(), out.begin() + static_cast<long>(real), data.begin() + c.position));
  }
}

}  // namespace
}  // namespace player_test
