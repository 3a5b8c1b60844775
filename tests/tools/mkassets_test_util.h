// Shared by the tests of mkassets' demo data set: where the build put the data set, and
// reading a file whole.
#ifndef MORVANE_TESTS_TOOLS_MKASSETS_TEST_UTIL_H
#define MORVANE_TESTS_TOOLS_MKASSETS_TEST_UTIL_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace assets_test {

inline std::filesystem::path DataPath(const std::string& name) {
  return std::filesystem::path(MORVANE_DATA_DIR) / name;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  return test_support::ReadFile(path);
}

inline uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace assets_test

#endif  // MORVANE_TESTS_TOOLS_MKASSETS_TEST_UTIL_H
