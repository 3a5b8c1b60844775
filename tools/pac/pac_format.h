// Writing and reading packed archives (the "DataB.pac" format of
// data/archive.h) for the pac tool, the demo data builder and tests.
//
// Does: collect files and folders into members (names converted from UTF-8
// to CP932, separators stored as backslashes, sorted in the lookup's own
// order), refuse what the format cannot store, lay out and scramble, read an
// index back with every field checked, extract members. Does not: touch the
// program's current archive.
//
// Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_PAC_FORMAT_H
#define MORVANE_TOOLS_PAC_FORMAT_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pac {

using Key = std::array<uint8_t, 32>;

// The key pac writes: fixed, so the same inputs give the same archive.
Key DefaultKey();

// A member to pack from a file on disk.
struct PackItem {
  std::string name;  // CP932, backslash separators
  std::filesystem::path source;
  uint64_t size;
};

// A member to pack from memory (tests, generated data).
struct MemoryMember {
  std::string name;  // CP932, backslash separators
  std::vector<uint8_t> bytes;
};

struct IndexEntry {
  std::string name;  // CP932 as stored, without its zero byte
  uint32_t size;
  uint32_t offset;
};

struct Index {
  bool scrambled = false;
  Key key{};  // unmasked
  std::vector<IndexEntry> entries;
};

bool Utf8ToCp932(const std::string& utf8, std::string* cp932);
bool Cp932ToUtf8(const std::string& cp932, std::string* utf8);

// Checks a member name against the format: 1 to 259 bytes, no zero byte.
bool CheckMemberName(const std::string& name, std::string* error);

// Turns command-line inputs into members: a file is stored under its own file
// name, a folder's regular files under their paths inside the folder. The
// result is sorted; duplicates (as the lookup sees names), names of 260
// bytes or more and files over 4 GiB are refused with a message.
bool CollectInputs(const std::vector<std::string>& inputs, std::vector<PackItem>* items,
                   std::string* error);

// Sorts in the lookup's order; false with a message on a duplicate name.
bool SortMembers(std::vector<IndexEntry>* entries, std::string* error);

// The header and index for members of the given names and sizes (in that
// order, which must already be sorted), with their offsets filled in and the
// index scrambled when asked. False when the archive would pass 4 GiB.
bool BuildHeaderAndIndex(std::vector<IndexEntry>* entries, bool scramble, const Key& key,
                         std::vector<uint8_t>* bytes, std::string* error);

// XORs bytes that sit at `fileOffset` in the archive with the key.
void ScrambleAt(uint8_t* bytes, size_t count, uint64_t fileOffset, const Key& key);

// A whole archive in memory; members are sorted here.
bool BuildArchive(std::vector<MemoryMember> members, bool scramble, const Key& key,
                  std::vector<uint8_t>* archive, std::string* error);

// Writes an archive of `items` (already sorted) to `path`; removes the
// partial file on failure.
bool WriteArchive(const std::filesystem::path& path, const std::vector<PackItem>& items,
                  bool scramble, const Key& key, std::string* error);

// Reads and checks an archive's header and index, and that each member lies
// inside the file.
bool ReadIndex(const std::filesystem::path& path, Index* index, std::string* error);

// A member's bytes, unscrambled.
bool ReadMember(const std::filesystem::path& path, const Index& index, const IndexEntry& entry,
                std::vector<uint8_t>* bytes, std::string* error);

// The relative path a member extracts to; refuses absolute paths, empty
// parts, "." and "..".
bool MemberPath(const std::string& name, std::filesystem::path* path, std::string* error);

}  // namespace pac

#endif  // MORVANE_TOOLS_PAC_FORMAT_H
