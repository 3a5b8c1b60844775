// Shared by the texture tests: the raw texture header.
#ifndef MORVANE_TESTS_DATA_TEXTURE_TEST_UTIL_H
#define MORVANE_TESTS_DATA_TEXTURE_TEST_UTIL_H

#include <cstdint>
#include <vector>

#include "tests/data/data_test_util.h"
#include "tests/support/test_device.h"

namespace data_test {

// The raw texture header: "TEYL", width, height.
inline std::vector<uint8_t> RawHeader(int32_t width, int32_t height) {
  std::vector<uint8_t> bytes = {'T', 'E', 'Y', 'L'};
  Put32(&bytes, static_cast<uint32_t>(width));
  Put32(&bytes, static_cast<uint32_t>(height));
  return bytes;
}

}  // namespace data_test

#endif  // MORVANE_TESTS_DATA_TEXTURE_TEST_UTIL_H
