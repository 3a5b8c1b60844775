// InputStream: refills, boundaries, end of data and close semantics.
#include <cstring>

#include "tests/data/data_test_util.h"

namespace {

using data_test::Pattern;
using data_test::PrepareStream;

// A source over bytes in memory that counts what the stream asks of it.
struct FakeSource {
  std::vector<uint8_t> bytes;
  size_t position = 0;
  int reads = 0;
  std::vector<uint32_t> asked;
  int closes = 0;
};

uint32_t FakeRead(void* destination, uint32_t size, uint32_t count, void* user) {
  auto* source = static_cast<FakeSource*>(user);
  ++source->reads;
  source->asked.push_back(size * count);
  size_t n = std::min<size_t>(size * count, source->bytes.size() - source->position);
  if (n > 0) std::memcpy(destination, source->bytes.data() + source->position, n);
  source->position += n;
  return static_cast<uint32_t>(n);
}

int32_t FakeClose(void* user) {
  ++static_cast<FakeSource*>(user)->closes;
  return 0;
}

constexpr StreamCallbacks kFake = {FakeRead, nullptr, FakeClose, nullptr, nullptr};

class StreamTest : public ::testing::Test {
 protected:
  void Open(size_t size) {
    source_.bytes = Pattern(size);
    PrepareStream(&stream_, kFake, &source_);
  }
  void TearDown() override { StreamClose(&stream_); }
  // Reads `length` bytes and checks they continue the source's bytes.
  void ReadAndCheck(uint32_t length, uint32_t expected) {
    std::vector<uint8_t> out(length);
    ASSERT_EQ(StreamRead(&stream_, out.data(), length), expected);
    ASSERT_EQ(0, std::memcmp(out.data(), source_.bytes.data() + consumed_, expected));
    consumed_ += expected;
  }
  FakeSource source_;
  InputStream stream_{};
  size_t consumed_ = 0;
};

TEST_F(StreamTest, ReadsTheSourceInWholeBuffersWhateverTheRequestSize) {
  // Runs of reads whose sums land before, on and after the 64 KiB boundary.
  struct Case {
    std::vector<uint32_t> lengths;
    int readsAfter;  // source calls once every length was read
  };
  const Case cases[] = {
      {{4, 4, 4}, 1},   {{65536}, 1},  // exactly the buffer: no read-ahead
      {{65536, 1}, 2},                 // the next byte refills once
      {{65532, 4}, 1},                 // a 4-byte read that empties the buffer
      {{65534, 4}, 2},                 // a 4-byte read that straddles the boundary
      {{200000}, 4},                   // larger than the buffer: several refills in one call
      {{1, 131072}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.lengths));
    source_ = FakeSource{};
    consumed_ = 0;
    Open(300000);
    for (uint32_t length : c.lengths) ReadAndCheck(length, length);
    EXPECT_EQ(source_.reads, c.readsAfter);
    for (uint32_t asked : source_.asked) EXPECT_EQ(asked, kStreamBufferSize);
    StreamClose(&stream_);
  }
}

TEST_F(StreamTest, AtTheEndReturnsWhatWasLeftAndLeavesTheRestUntouched) {
  Open(70000);
  ReadAndCheck(69990, 69990);
  std::vector<uint8_t> out(32, 0xEE);
  EXPECT_EQ(StreamRead(&stream_, out.data(), 32), 10u);
  EXPECT_EQ(0, std::memcmp(out.data(), source_.bytes.data() + 69990, 10));
  for (size_t i = 10; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(StreamRead(&stream_, out.data(), 4), 0u);
}

TEST_F(StreamTest, EmptySourceAndZeroLength) {
  Open(0);
  uint8_t byte = 0;
  EXPECT_EQ(StreamRead(&stream_, &byte, 0), 0u);
  EXPECT_EQ(source_.reads, 0);  // a zero-length read never asks the source
  EXPECT_EQ(StreamRead(&stream_, &byte, 1), 0u);
  EXPECT_EQ(source_.reads, 1);
}

TEST_F(StreamTest, LimitedModeStopsAtTheRemainingCount) {
  Open(100000);
  stream_.mode = kStreamLimited;
  stream_.remaining = 70000;
  ReadAndCheck(80000, 70000);
  EXPECT_EQ(stream_.remaining, 0u);
  ASSERT_EQ(source_.asked.size(), 2u);
  EXPECT_EQ(source_.asked[0], 65536u);
  EXPECT_EQ(source_.asked[1], 70000u - 65536u);
  uint8_t byte;
  EXPECT_EQ(StreamRead(&stream_, &byte, 1), 0u);
  EXPECT_EQ(source_.reads, 2);  // nothing remaining: the source is not asked
}

TEST_F(StreamTest, WithoutABufferReadFailsAndFreeKeepsTheSource) {
  Open(100);
  StreamFreeBuffer(&stream_);
  EXPECT_EQ(stream_.buffer, nullptr);
  EXPECT_EQ(stream_.capacity, 0u);
  uint8_t byte;
  EXPECT_EQ(StreamRead(&stream_, &byte, 1), 0xFFFFFFFFu);
  EXPECT_EQ(source_.reads, 0);
  EXPECT_EQ(stream_.read, &FakeRead);
  EXPECT_EQ(stream_.user, &source_);
}

TEST_F(StreamTest, CloseCallsTheCallersCloseOnceAndDetaches) {
  Open(100);
  StreamClose(&stream_);
  EXPECT_EQ(source_.closes, 1);
  EXPECT_EQ(stream_.read, nullptr);
  EXPECT_EQ(stream_.close, nullptr);
  EXPECT_EQ(stream_.buffer, nullptr);
  StreamClose(&stream_);
  EXPECT_EQ(source_.closes, 1);
}

class StreamFileTest : public data_test::ScratchDirTest {};

TEST_F(StreamFileTest, OpenFileReadsTheFileAndNeverCallsTheCloseCallback) {
  auto bytes = Pattern(70000, 7);
  data_test::WriteFile("f.bin", bytes);
  FakeSource previous;
  InputStream stream;
  PrepareStream(&stream, kFake, &previous);
  ASSERT_EQ(StreamOpenFile(&stream, "f.bin"), 0);
  EXPECT_EQ(previous.closes, 1);  // the earlier source was detached first
  ASSERT_NE(stream.ownFile, nullptr);
  EXPECT_EQ(stream.user, stream.ownFile);
  EXPECT_EQ(stream.read, &PlainFileRead);
  EXPECT_NE(stream.buffer, nullptr);  // the buffer was left alone

  std::vector<uint8_t> out(bytes.size() + 5);
  EXPECT_EQ(StreamRead(&stream, out.data(), static_cast<uint32_t>(out.size())), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), out.begin()));
  EXPECT_NE(stream.endOfData(stream.user), 0);

  // The stream closes its own file directly; a close entry must not run.
  FakeSource watcher;
  stream.close = FakeClose;
  stream.user = &watcher;
  StreamClose(&stream);
  EXPECT_EQ(watcher.closes, 0);
  EXPECT_EQ(stream.ownFile, nullptr);
  EXPECT_EQ(stream.buffer, nullptr);
}

TEST_F(StreamFileTest, OpenFileFailureLeavesNoSource) {
  InputStream stream;
  FakeSource previous;
  PrepareStream(&stream, kFake, &previous);
  EXPECT_EQ(StreamOpenFile(&stream, "missing.bin"), -1);
  EXPECT_EQ(stream.ownFile, nullptr);
  EXPECT_EQ(stream.read, nullptr);
  uint8_t byte;
  EXPECT_EQ(StreamRead(&stream, &byte, 1), 0u);
  StreamClose(&stream);
  EXPECT_EQ(previous.closes, 1);
}

}  // namespace
