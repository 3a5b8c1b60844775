// Shared helpers for the data tests: a scratch folder that is also the
// current directory (the archive is always "DataB.pac" there), file writing,
// stream preparation as the loaders do it, and index bytes for hand-made
// archives.
#ifndef MORVANE_TESTS_DATA_TEST_UTIL_H
#define MORVANE_TESTS_DATA_TEST_UTIL_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/data.h"
#include "support/bytes.h"
#include "support/scratch.h"

namespace data_test {

inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed = 1) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

using test_support::Put32;
using test_support::ReadFile;
using test_support::WriteFile;

// Runs each test inside its own empty folder and leaves no archive open.
class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = std::make_unique<test_support::ScratchFolder>("morvane-data");
    dir_ = scratch_->path();
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    ArchiveShutdown();
    scratch_.reset();
  }
  std::filesystem::path dir_;

 private:
  std::unique_ptr<test_support::ScratchFolder> scratch_;
};

// Prepares a stream the way a loader does, over a callback table.
inline void PrepareStream(InputStream* stream, const StreamCallbacks& callbacks, void* user) {
  *stream = InputStream{};
  stream->read = callbacks.read;
  stream->seek = callbacks.seek;
  stream->close = callbacks.close;
  stream->tell = callbacks.tell;
  stream->endOfData = callbacks.endOfData;
  stream->user = user;
  stream->buffer = new uint8_t[kStreamBufferSize];
  stream->capacity = kStreamBufferSize;
  stream->mode = kStreamContinuous;
}

// A header with a zero key (stored as the mask), flag and count as given.
inline std::vector<uint8_t> Header(uint32_t count, uint32_t flag = 0) {
  std::vector<uint8_t> bytes = {'P', 'A', 'C', 'K'};
  Put32(&bytes, count);
  Put32(&bytes, flag);
  bytes.insert(bytes.end(), kArchiveKeySize, kArchiveKeyMask);
  return bytes;
}

// One plain index entry: the length field as given, then exactly the bytes
// of `name` (no zero added), size and offset.
inline void RawEntry(std::vector<uint8_t>* out, uint32_t length, const std::string& name,
                     uint32_t size, uint32_t offset) {
  Put32(out, length);
  out->insert(out->end(), name.begin(), name.end());
  Put32(out, size);
  Put32(out, offset);
}

}  // namespace data_test

#endif  // MORVANE_TESTS_DATA_TEST_UTIL_H
