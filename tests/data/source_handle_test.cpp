// SourceHandle callbacks over archive members and plain files.
#include <cstdio>

#include "tests/data/archive_test_util.h"

namespace {

using data_test::Pattern;

class SourceHandleTest : public data_test::ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    data_ = Pattern(100, 4);
    ASSERT_NO_FATAL_FAILURE(
        data_test::StartWithArchive({{"pad", Pattern(17)}, {"member", data_}}, true));
    ASSERT_EQ(ArchiveFind(&cursor_, "member"), 0);
  }
  SourceHandle Member() { return {kSourceArchiveMember, CurrentArchive(), cursor_, nullptr}; }
  std::vector<uint8_t> data_;
  MemberCursor cursor_{};
};

TEST_F(SourceHandleTest, MemberSeeksClampAndWrapAsUnsigned32Bit) {
  struct Case {
    uint32_t from;
    int64_t offset;
    int32_t origin;
    uint32_t to;
  };
  const Case cases[] = {
      {50, 0, 0, 0},
      {50, 99, 0, 99},
      {50, 100, 0, 100},
      {50, 500, 0, 100},
      {50, -1, 0, 100},  // -1 is 0xFFFFFFFF from the start: clamped
      {50, 10, 1, 60},
      {50, 50, 1, 100},
      {50, 51, 1, 100},
      {0, 0, 1, 0},
      {50, -10, 1, 40},              // moving back within the member wraps to the right place
      {5, -10, 1, 100},              // moving back past the start wraps and clamps to the end
      {50, (1ll << 32) + 5, 1, 55},  // only the low 32 bits count
      {50, 0, 2, 100},
      {50, 1, 2, 99},
      {50, 99, 2, 1},
      {50, 100, 2, 0},
      {50, 1000, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << " " << c.offset << " " << c.origin);
    SourceHandle handle = Member();
    handle.cursor.position = c.from;
    ASSERT_EQ(SourceHandleSeek(&handle, c.offset, c.origin), 0);
    EXPECT_EQ(handle.cursor.position, c.to);
    EXPECT_EQ(SourceHandleTell(&handle), static_cast<int32_t>(c.to));
    uint8_t byte = 0;
    EXPECT_EQ(SourceHandleRead(&byte, 1, 1, &handle), c.to < 100 ? 1u : 0u);
    if (c.to < 100) {
      EXPECT_EQ(byte, data_[c.to]);
    }
  }
  SourceHandle handle = Member();
  handle.cursor.position = 7;
  EXPECT_EQ(SourceHandleSeek(&handle, 1, 3), -1);
  EXPECT_EQ(handle.cursor.position, 7u);
}

TEST_F(SourceHandleTest, MemberStreamsThroughAnInputStreamWithMemberRelativeTell) {
  SourceHandle handle = Member();
  ASSERT_GT(handle.cursor.offset, 0u);
  InputStream stream;
  data_test::PrepareStream(&stream, kSourceHandleCallbacks, &handle);
  std::vector<uint8_t> out(150, 0);
  EXPECT_EQ(StreamRead(&stream, out.data(), 150), 100u);
  EXPECT_TRUE(std::equal(data_.begin(), data_.end(), out.begin()));
  EXPECT_EQ(stream.tell(stream.user), 100);
  EXPECT_EQ(stream.seek(stream.user, 30, 0), 0);
  EXPECT_EQ(stream.tell(stream.user), 30);
  StreamClose(&stream);  // a member needs no closing; the handle is intact
  EXPECT_EQ(handle.kind, kSourceArchiveMember);
  EXPECT_EQ(handle.cursor.position, 30u);
}

TEST_F(SourceHandleTest, ElementSizeTimesCountIsTheByteCount) {
  SourceHandle handle = Member();
  std::vector<uint8_t> out(100);
  // The WAVE source's way: the byte count as the element size, count 1.
  EXPECT_EQ(SourceHandleRead(out.data(), 60, 1, &handle), 60u);
  EXPECT_EQ(SourceHandleRead(out.data(), 4, 15, &handle), 40u);
  EXPECT_EQ(SourceHandleRead(out.data(), 4, 15, &handle), 0u);
}

TEST_F(SourceHandleTest, PlainFileKindAndNullHandles) {
  data_test::WriteFile("plain.bin", data_);
  SourceHandle handle{kSourcePlainFile, nullptr, {}, std::fopen("plain.bin", "rb")};
  ASSERT_NE(handle.file, nullptr);
  EXPECT_EQ(SourceHandleSeek(&handle, -10, 2), 0);
  EXPECT_EQ(SourceHandleTell(&handle), 90);
  uint8_t bytes[4];
  EXPECT_EQ(SourceHandleRead(bytes, 2, 2, &handle), 2u);  // fread's element count
  EXPECT_EQ(bytes[0], data_[90]);
  EXPECT_EQ(SourceHandleClose(&handle), 0);
  EXPECT_EQ(handle.file, nullptr);
  EXPECT_EQ(SourceHandleRead(bytes, 1, 1, &handle), 0u);
  EXPECT_EQ(SourceHandleSeek(&handle, 0, 0), -1);
  EXPECT_EQ(SourceHandleTell(&handle), -1);

  EXPECT_EQ(SourceHandleRead(bytes, 1, 1, nullptr), 0u);
  EXPECT_EQ(SourceHandleSeek(nullptr, 0, 0), -1);
  EXPECT_EQ(SourceHandleTell(nullptr), -1);
  EXPECT_EQ(SourceHandleClose(nullptr), 0);
  EXPECT_EQ(SourceHandleCloseAndFree(nullptr), 0);
}

TEST_F(SourceHandleTest, CloseAndFreeReleasesAHeapHandleOfEitherKind) {
  // LeakSanitizer in the asan preset catches a handle or file left behind.
  data_test::WriteFile("plain.bin", data_);
  auto* file = new SourceHandle{kSourcePlainFile, nullptr, {}, std::fopen("plain.bin", "rb")};
  ASSERT_NE(file->file, nullptr);
  InputStream stream;
  data_test::PrepareStream(&stream, kSourceHandleFreeingCallbacks, file);
  uint8_t byte;
  EXPECT_EQ(StreamRead(&stream, &byte, 1), 1u);
  EXPECT_EQ(byte, data_[0]);
  StreamClose(&stream);

  auto* member = new SourceHandle(Member());
  EXPECT_EQ(SourceHandleCloseAndFree(member), 0);
}

}  // namespace
