// Byte writers for building files in tests, benchmarks and fuzzers:
// little-endian fields appended to a byte vector, and whole files written
// and read back.
//
// Does not: check what it builds; a short write shows up as a file shorter
// than the bytes given. Any thread, on its own vectors and files.
#ifndef MORVANE_TESTS_SUPPORT_BYTES_H
#define MORVANE_TESTS_SUPPORT_BYTES_H

#include <cstdint>
#include <filesystem>
#include <vector>

namespace test_support {

using Bytes = std::vector<uint8_t>;

// The low 16 or 32 bits of `value`, least significant byte first.
void Put16(Bytes* out, uint32_t value);
void Put32(Bytes* out, uint32_t value);
// The four characters of `tag` ("RIFF", "fmt ").
void PutTag(Bytes* out, const char* tag);

// Writes `bytes` as `path`, creating its folders; false when it cannot.
bool WriteFile(const std::filesystem::path& path, const Bytes& bytes);
// The whole file; empty when it cannot be read.
Bytes ReadFile(const std::filesystem::path& path);

}  // namespace test_support

#endif  // MORVANE_TESTS_SUPPORT_BYTES_H
