// Archive layout, writing and checked reading.
#include "tools/pac/pac_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "data/archive.h"
#include "data/archive_names.h"
#include "data/little_endian.h"

namespace pac {
namespace {

constexpr uint64_t kLimit = 0x100000000ull;  // offsets and sizes are 32-bit
constexpr size_t kChunk = 65536;

void Put32(std::vector<uint8_t>* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Shown(const std::string& cp932) {
  std::string utf8;
  return Cp932ToUtf8(cp932, &utf8) ? utf8 : cp932;
}

// Reads `count` bytes at `offset`, unscrambled when the index says so.
bool ReadAt(std::FILE* file, const Index& index, uint64_t offset, uint8_t* bytes, size_t count) {
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return false;
  if (std::fread(bytes, 1, count, file) != count) return false;
  if (index.scrambled) ScrambleAt(bytes, count, offset, index.key);
  return true;
}

bool AddItem(const std::filesystem::path& source, const std::string& utf8Name,
             std::vector<PackItem>* items, std::string* error) {
  std::string name;
  if (!Utf8ToCp932(utf8Name, &name)) {
    *error = source.string() + ": the name has characters CP932 cannot store";
    return false;
  }
  if (!CheckMemberName(name, error)) {
    *error = source.string() + ": " + *error;
    return false;
  }
  std::error_code ec;
  uint64_t size = std::filesystem::file_size(source, ec);
  if (ec) {
    *error = source.string() + ": " + ec.message();
    return false;
  }
  if (size >= kLimit) {
    *error = source.string() + ": file is over 4 GiB; member sizes are 32-bit";
    return false;
  }
  items->push_back(PackItem{name, source, size});
  return true;
}

}  // namespace

Key DefaultKey() {
  // A fixed xorshift sequence: deterministic archives, no key in the source.
  Key key{};
  uint32_t state = 0x4D6F7276u;
  for (auto& byte : key) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return key;
}

void ScrambleAt(uint8_t* bytes, size_t count, uint64_t fileOffset, const Key& key) {
  for (size_t i = 0; i < count; ++i) bytes[i] ^= key[(fileOffset + i) % key.size()];
}

bool CollectInputs(const std::vector<std::string>& inputs, std::vector<PackItem>* items,
                   std::string* error) {
  items->clear();
  for (const std::string& input : inputs) {
    std::filesystem::path path(input);
    std::error_code ec;
    auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_regular_file(status)) {
      if (!AddItem(path, path.filename().string(), items, error)) return false;
    } else if (std::filesystem::is_directory(status)) {
      std::filesystem::recursive_directory_iterator it(path, ec), end;
      for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        std::string name;
        for (const auto& part : std::filesystem::relative(it->path(), path)) {
          if (part.string().find('\\') != std::string::npos) {
            *error = it->path().string() + ": a backslash in a file name would read as a separator";
            return false;
          }
          if (!name.empty()) name += '\\';
          name += part.string();
        }
        if (!AddItem(it->path(), name, items, error)) return false;
      }
      if (ec) {
        *error = input + ": " + ec.message();
        return false;
      }
    } else {
      *error = input + ": no such file or folder";
      return false;
    }
  }
  std::stable_sort(items->begin(), items->end(), [](const PackItem& a, const PackItem& b) {
    return ArchiveCompareNames(a.name.c_str(), b.name.c_str()) < 0;
  });
  for (size_t i = 1; i < items->size(); ++i) {
    if (ArchiveCompareNames((*items)[i - 1].name.c_str(), (*items)[i].name.c_str()) == 0) {
      *error = (*items)[i - 1].source.string() + " and " + (*items)[i].source.string() +
               " would both be stored as \"" + Shown((*items)[i].name) + "\"";
      return false;
    }
  }
  return true;
}

bool SortMembers(std::vector<IndexEntry>* entries, std::string* error) {
  std::stable_sort(entries->begin(), entries->end(), [](const IndexEntry& a, const IndexEntry& b) {
    return ArchiveCompareNames(a.name.c_str(), b.name.c_str()) < 0;
  });
  for (size_t i = 1; i < entries->size(); ++i) {
    if (ArchiveCompareNames((*entries)[i - 1].name.c_str(), (*entries)[i].name.c_str()) == 0) {
      *error = "duplicate member name \"" + Shown((*entries)[i].name) + "\"";
      return false;
    }
  }
  return true;
}

bool BuildHeaderAndIndex(std::vector<IndexEntry>* entries, bool scramble, const Key& key,
                         std::vector<uint8_t>* bytes, std::string* error) {
  if (entries->size() > 0x7FFFFFFFu) {
    *error = "too many members";
    return false;
  }
  uint64_t indexSize = 0;
  for (const IndexEntry& entry : *entries) {
    if (!CheckMemberName(entry.name, error)) return false;
    indexSize += 4 + entry.name.size() + 1 + 4 + 4;
  }
  uint64_t offset = kArchiveHeaderSize + indexSize;
  for (IndexEntry& entry : *entries) {
    if (offset + entry.size > kLimit) {
      *error = "the archive would pass 4 GiB; member offsets are 32-bit";
      return false;
    }
    entry.offset = static_cast<uint32_t>(offset);
    offset += entry.size;
  }

  bytes->assign(kArchiveMagic, kArchiveMagic + sizeof kArchiveMagic);
  Put32(bytes, static_cast<uint32_t>(entries->size()));
  Put32(bytes, scramble ? 1 : 0);
  for (uint8_t k : key) bytes->push_back(static_cast<uint8_t>(k ^ kArchiveKeyMask));
  for (const IndexEntry& entry : *entries) {
    Put32(bytes, static_cast<uint32_t>(entry.name.size() + 1));
    bytes->insert(bytes->end(), entry.name.begin(), entry.name.end());
    bytes->push_back(0);
    Put32(bytes, entry.size);
    Put32(bytes, entry.offset);
  }
  if (scramble) {
    ScrambleAt(bytes->data() + kArchiveHeaderSize, bytes->size() - kArchiveHeaderSize,
               kArchiveHeaderSize, key);
  }
  return true;
}

bool BuildArchive(std::vector<MemoryMember> members, bool scramble, const Key& key,
                  std::vector<uint8_t>* archive, std::string* error) {
  std::vector<IndexEntry> entries;
  for (const MemoryMember& member : members) {
    if (member.bytes.size() >= kLimit) {
      *error = "member \"" + Shown(member.name) + "\" is over 4 GiB";
      return false;
    }
    entries.push_back(IndexEntry{member.name, static_cast<uint32_t>(member.bytes.size()), 0});
  }
  if (!SortMembers(&entries, error)) return false;
  if (!BuildHeaderAndIndex(&entries, scramble, key, archive, error)) return false;
  for (const IndexEntry& entry : entries) {
    for (const MemoryMember& member : members) {
      if (member.name != entry.name) continue;
      archive->insert(archive->end(), member.bytes.begin(), member.bytes.end());
      if (scramble) ScrambleAt(archive->data() + entry.offset, entry.size, entry.offset, key);
      break;
    }
  }
  return true;
}

bool WriteArchive(const std::filesystem::path& path, const std::vector<PackItem>& items,
                  bool scramble, const Key& key, std::string* error) {
  std::vector<IndexEntry> entries;
  for (const PackItem& item : items) {
    if (item.size >= kLimit) {
      *error = item.source.string() + ": file is over 4 GiB; member sizes are 32-bit";
      return false;
    }
    entries.push_back(IndexEntry{item.name, static_cast<uint32_t>(item.size), 0});
  }
  std::vector<uint8_t> head;
  if (!BuildHeaderAndIndex(&entries, scramble, key, &head, error)) return false;

  File out(std::fopen(path.c_str(), "wb"));
  if (!out) {
    *error = path.string() + ": cannot create";
    return false;
  }
  auto fail = [&](const std::string& message) {
    *error = message;
    out.reset();
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return false;
  };
  if (std::fwrite(head.data(), 1, head.size(), out.get()) != head.size()) {
    return fail(path.string() + ": write failed");
  }
  std::vector<uint8_t> chunk(kChunk);
  for (size_t i = 0; i < items.size(); ++i) {
    File in(std::fopen(items[i].source.c_str(), "rb"));
    if (!in) return fail(items[i].source.string() + ": cannot open");
    uint64_t at = entries[i].offset;
    uint64_t left = entries[i].size;
    while (left > 0) {
      size_t want = left < kChunk ? static_cast<size_t>(left) : kChunk;
      if (std::fread(chunk.data(), 1, want, in.get()) != want) {
        return fail(items[i].source.string() + ": file shrank while packing");
      }
      if (scramble) ScrambleAt(chunk.data(), want, at, key);
      if (std::fwrite(chunk.data(), 1, want, out.get()) != want) {
        return fail(path.string() + ": write failed");
      }
      at += want;
      left -= want;
    }
  }
  if (std::fclose(out.release()) != 0) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    *error = path.string() + ": write failed";
    return false;
  }
  return true;
}

bool ReadIndex(const std::filesystem::path& path, Index* index, std::string* error) {
  *index = Index{};
  File in(std::fopen(path.c_str(), "rb"));
  if (!in) {
    *error = path.string() + ": cannot open";
    return false;
  }
  std::error_code ec;
  uint64_t fileSize = std::filesystem::file_size(path, ec);
  uint8_t header[kArchiveHeaderSize];
  if (ec || std::fread(header, 1, sizeof header, in.get()) != sizeof header ||
      std::memcmp(header, kArchiveMagic, sizeof kArchiveMagic) != 0) {
    *error = path.string() + ": not a PACK archive";
    return false;
  }
  uint32_t count = LoadLe32(header + 4);
  index->scrambled = LoadLe32(header + 8) == 1;
  for (size_t i = 0; i < index->key.size(); ++i) {
    index->key[i] = static_cast<uint8_t>(header[12 + i] ^ kArchiveKeyMask);
  }
  if (count > 0x7FFFFFFFu ||
      static_cast<uint64_t>(count) * kArchiveMinEntrySize > fileSize - kArchiveHeaderSize) {
    *error = path.string() + ": entry count " + std::to_string(count) + " does not fit the file";
    return false;
  }
  uint64_t at = kArchiveHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    std::string where = path.string() + ": index entry " + std::to_string(i);
    uint8_t field[4];
    if (!ReadAt(in.get(), *index, at, field, 4)) {
      *error = where + " is cut short";
      return false;
    }
    uint32_t length = LoadLe32(field);
    if (length == 0 || length > kArchiveNameSize) {
      *error = where + " has a name length of " + std::to_string(length);
      return false;
    }
    uint8_t name[kArchiveNameSize];
    uint8_t tail[8];
    if (!ReadAt(in.get(), *index, at + 4, name, length) ||
        !ReadAt(in.get(), *index, at + 4 + length, tail, 8)) {
      *error = where + " is cut short";
      return false;
    }
    const void* zero = std::memchr(name, 0, length);
    if (!zero) {
      *error = where + " has a name without its zero byte";
      return false;
    }
    IndexEntry entry{
        std::string(reinterpret_cast<char*>(name), static_cast<const uint8_t*>(zero) - name),
        LoadLe32(tail), LoadLe32(tail + 4)};
    if (static_cast<uint64_t>(entry.offset) + entry.size > fileSize) {
      *error = where + " (\"" + Shown(entry.name) + "\") lies past the end of the file";
      return false;
    }
    index->entries.push_back(std::move(entry));
    at += 4 + length + 8;
  }
  return true;
}

bool ReadMember(const std::filesystem::path& path, const Index& index, const IndexEntry& entry,
                std::vector<uint8_t>* bytes, std::string* error) {
  File in(std::fopen(path.c_str(), "rb"));
  bytes->assign(entry.size, 0);
  if (!in || !ReadAt(in.get(), index, entry.offset, bytes->data(), bytes->size())) {
    *error = path.string() + ": cannot read member \"" + Shown(entry.name) + "\"";
    return false;
  }
  return true;
}

}  // namespace pac
