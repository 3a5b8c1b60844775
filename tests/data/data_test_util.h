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
#include <string>
#include <vector>

#include "data/data.h"

namespace data_test {

inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed = 1) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path().empty() ? "." : path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs each test inside its own empty folder and leaves no archive open.
class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-data-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    ArchiveShutdown();
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;

 private:
  std::filesystem::path previous_;
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

inline void Put32(std::vector<uint8_t>* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
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
