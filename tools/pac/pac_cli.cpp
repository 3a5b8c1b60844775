// pac pack | list | extract | --help.
#include "tools/pac/pac_cli.h"

#include <cstdio>
#include <iomanip>
#include <memory>
#include <system_error>

#include "data/archive.h"
#include "data/archive_names.h"
#include "tools/pac/pac_format.h"

namespace pac {
namespace {

constexpr char kUsage[] =
    "usage: pac pack [--scramble] OUT.pac FILES-or-DIRS...\n"
    "       pac list X.pac\n"
    "       pac extract X.pac [MEMBER...] [-C DIR]\n"
    "       pac --help\n";

void PrintHelp(std::ostream& out) {
  out << kUsage << "\n"
      << "Packs files into the archive the program reads as \"DataB.pac\", lists one,\n"
         "or extracts members.\n"
         "\n"
         "pack: a FILE is stored under its file name, a DIR's files under their paths\n"
         "  inside DIR. Names are converted to CP932 and stored with backslashes,\n"
         "  sorted byte by byte with A-Z folded to a-z (the program's binary search\n"
         "  relies on that order). Refused: a name of 260 bytes or more, a name CP932\n"
         "  cannot write, two inputs with the same name (letter case ignored), a file\n"
         "  over 4 GiB, an archive that would pass 4 GiB. --scramble scrambles the\n"
         "  index and the member data.\n"
         "extract: all members, or those named (slashes or backslashes, either case),\n"
         "  into DIR (default: the current directory).\n"
         "\n"
         "Format (integers little-endian, unsigned unless said):\n"
         "  offset 0   4 bytes  magic \"PACK\"\n"
         "  offset 4   int32    entry count\n"
         "  offset 8   4 bytes  scramble flag: 1 = index and data scrambled, else plain\n"
         "  offset 12  32 bytes key, each byte XORed with the mask 0x"
      << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
      << static_cast<int>(kArchiveKeyMask) << std::dec
      << "\n"
         "  offset 44  index, one entry per member, back to back:\n"
         "               uint32 N   name length counting its zero byte (1..260)\n"
         "               N bytes    CP932 name, zero-terminated, backslash separators\n"
         "               uint32     member size\n"
         "               uint32     member offset (absolute, in the file)\n"
         "  then the member data at those offsets.\n"
         "Scrambling: when the flag is 1, every byte after the 44-byte header is\n"
         "stored XORed with key[F mod 32], F being the byte's offset in the file; the\n"
         "same operation restores it. The header is never scrambled.\n";
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Shown(const std::string& cp932) {
  std::string utf8;
  return Cp932ToUtf8(cp932, &utf8) ? utf8 : cp932;
}

int Pack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool scramble = false;
  std::vector<std::string> rest;
  for (const std::string& arg : args) {
    if (arg == "--scramble") {
      scramble = true;
    } else {
      rest.push_back(arg);
    }
  }
  if (rest.size() < 2) {
    err << kUsage;
    return 2;
  }
  std::filesystem::path output(rest[0]);
  std::vector<PackItem> items;
  std::string error;
  if (!CollectInputs({rest.begin() + 1, rest.end()}, &items, &error)) {
    err << "pac: " << error << "\n";
    return 1;
  }
  // An earlier archive inside a packed folder must not pack itself.
  std::error_code ec;
  std::erase_if(items, [&](const PackItem& item) {
    return std::filesystem::equivalent(item.source, output, ec);
  });
  if (!WriteArchive(output, items, scramble, DefaultKey(), &error)) {
    err << "pac: " << error << "\n";
    return 1;
  }
  out << "packed " << items.size() << " member" << (items.size() == 1 ? "" : "s") << " into "
      << output.string() << (scramble ? " (scrambled)" : "") << "\n";
  return 0;
}

int List(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << kUsage;
    return 2;
  }
  Index index;
  std::string error;
  if (!ReadIndex(args[0], &index, &error)) {
    err << "pac: " << error << "\n";
    return 1;
  }
  out << index.entries.size() << " members, " << (index.scrambled ? "scrambled" : "plain") << "\n";
  for (const IndexEntry& entry : index.entries) {
    out << std::setw(10) << entry.size << "  " << std::setw(10) << entry.offset << "  "
        << Shown(entry.name) << "\n";
  }
  return 0;
}

bool Extract(const std::filesystem::path& archive, const Index& index, const IndexEntry& entry,
             const std::filesystem::path& dir, std::string* error) {
  std::filesystem::path relative;
  if (!MemberPath(entry.name, &relative, error)) return false;
  std::filesystem::path target = dir / relative;
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(archive.c_str(), "rb"));
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(target.c_str(), "wb"));
  if (!in || !out) {
    *error = target.string() + ": cannot write";
    return false;
  }
  if (std::fseek(in.get(), static_cast<long>(entry.offset), SEEK_SET) != 0) {
    *error = archive.string() + ": seek failed";
    return false;
  }
  std::vector<uint8_t> chunk(65536);
  uint64_t at = entry.offset;
  uint64_t left = entry.size;
  while (left > 0) {
    size_t want = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
    if (std::fread(chunk.data(), 1, want, in.get()) != want) {
      *error = archive.string() + ": member \"" + Shown(entry.name) + "\" is cut short";
      return false;
    }
    if (index.scrambled) ScrambleAt(chunk.data(), want, at, index.key);
    if (std::fwrite(chunk.data(), 1, want, out.get()) != want) {
      *error = target.string() + ": write failed";
      return false;
    }
    at += want;
    left -= want;
  }
  if (std::fclose(out.release()) != 0) {
    *error = target.string() + ": write failed";
    return false;
  }
  return true;
}

int ExtractCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::filesystem::path dir = ".";
  std::vector<std::string> names;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-C") {
      if (i + 1 == args.size()) {
        err << kUsage;
        return 2;
      }
      dir = args[++i];
    } else {
      names.push_back(args[i]);
    }
  }
  if (names.empty()) {
    err << kUsage;
    return 2;
  }
  std::filesystem::path archive(names[0]);
  names.erase(names.begin());
  Index index;
  std::string error;
  if (!ReadIndex(archive, &index, &error)) {
    err << "pac: " << error << "\n";
    return 1;
  }
  std::vector<const IndexEntry*> chosen;
  for (const std::string& name : names) {
    std::string wanted;
    if (!Utf8ToCp932(name, &wanted) || !CheckMemberName(wanted, &error)) {
      err << "pac: " << name << ": not a member name\n";
      return 1;
    }
    ArchiveSlashesToBackslashes(wanted.data());
    const IndexEntry* found = nullptr;
    for (const IndexEntry& entry : index.entries) {
      if (ArchiveCompareNames(wanted.c_str(), entry.name.c_str()) == 0) found = &entry;
    }
    if (!found) {
      err << "pac: " << name << ": no such member\n";
      return 1;
    }
    chosen.push_back(found);
  }
  if (names.empty()) {
    for (const IndexEntry& entry : index.entries) chosen.push_back(&entry);
  }
  for (const IndexEntry* entry : chosen) {
    if (!Extract(archive, index, *entry, dir, &error)) {
      err << "pac: " << error << "\n";
      return 1;
    }
    out << Shown(entry->name) << "\n";
  }
  return 0;
}

}  // namespace

int RunPac(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    PrintHelp(out);
    return 0;
  }
  if (command == "pack") return Pack(rest, out, err);
  if (command == "list") return List(rest, out, err);
  if (command == "extract") return ExtractCommand(rest, out, err);
  err << "pac: unknown command \"" << command << "\"\n" << kUsage;
  return 2;
}

}  // namespace pac
