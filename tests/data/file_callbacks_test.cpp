// The plain-file and FileHolder callback sets.
#include <cstdio>

#include "tests/data/data_test_util.h"

namespace {

using data_test::Pattern;

class FileCallbacksTest : public data_test::ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    bytes_ = Pattern(1000, 3);
    data_test::WriteFile("f.bin", bytes_);
  }
  std::vector<uint8_t> bytes_;
};

TEST_F(FileCallbacksTest, SeekTellAndReadFollowTheFileForBothSets) {
  FileHolder holder{std::fopen("f.bin", "rb")};
  ASSERT_NE(holder.file, nullptr);
  std::FILE* plain = std::fopen("f.bin", "rb");
  ASSERT_NE(plain, nullptr);
  struct Set {
    const StreamCallbacks& callbacks;
    void* user;
  };
  const Set sets[] = {{kPlainFileCallbacks, plain}, {kFileHolderCallbacks, &holder}};
  struct Seek {
    int64_t offset;
    int32_t origin;
    int32_t position;
  };
  // Each read moves one byte on. Only the low 32 bits of the offset count:
  // 2^32 + 10 seeks to 10.
  const Seek seeks[] = {{100, 0, 100}, {-50, 1, 51}, {-10, 2, 990}, {(1ll << 32) + 10, 0, 10}};
  for (const Set& set : sets) {
    for (const Seek& seek : seeks) {
      SCOPED_TRACE(seek.offset);
      ASSERT_EQ(set.callbacks.seek(set.user, seek.offset, seek.origin), 0);
      EXPECT_EQ(set.callbacks.tell(set.user), seek.position);
      uint8_t byte = 0;
      EXPECT_EQ(set.callbacks.read(&byte, 1, 1, set.user), 1u);
      EXPECT_EQ(byte, bytes_[seek.position]);
    }
    EXPECT_EQ(set.callbacks.seek(set.user, -5000, 1), -1);
  }
  EXPECT_EQ(kFileHolderCallbacks.endOfData, nullptr);
  EXPECT_EQ(kPlainFileCallbacks.close(plain), 0);
  EXPECT_EQ(kFileHolderCallbacks.close(&holder), 0);
}

TEST_F(FileCallbacksTest, FileHolderCloseNullsTheFileAndLaterCallsFailQuietly) {
  FileHolder holder{std::fopen("f.bin", "rb")};
  ASSERT_NE(holder.file, nullptr);
  EXPECT_EQ(FileHolderClose(&holder), 0);
  EXPECT_EQ(holder.file, nullptr);
  EXPECT_EQ(FileHolderClose(&holder), 0);
  uint8_t byte;
  EXPECT_EQ(FileHolderRead(&byte, 1, 1, &holder), 0u);
  EXPECT_EQ(FileHolderSeek(&holder, 0, 0), -1);
  EXPECT_EQ(FileHolderTell(&holder), -1);
}

TEST_F(FileCallbacksTest, PlainEndOfDataTurnsOnOnlyAfterReadingPastTheEnd) {
  std::FILE* file = std::fopen("f.bin", "rb");
  ASSERT_NE(file, nullptr);
  std::vector<uint8_t> out(2000);
  EXPECT_EQ(PlainFileRead(out.data(), 1, 1000, file), 1000u);
  EXPECT_EQ(PlainFileEnd(file), 0);
  EXPECT_EQ(PlainFileRead(out.data(), 1, 1, file), 0u);
  EXPECT_NE(PlainFileEnd(file), 0);
  PlainFileClose(file);
}

}  // namespace
