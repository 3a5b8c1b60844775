#include "tools/lmfdump/lmfdump_cli.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/lmfdump/lmf_dump.h"

namespace lmfd {

namespace {

constexpr const char* kUsage =
    "usage: lmfdump FILE\n"
    "Prints the chunk tree of an LMF scene file with its decoded values and, for a\n"
    "malformed file, where and why the loader refuses it.\n"
    "Exit status: 0 the loader accepts the file, 1 it is malformed, 2 it cannot be\n"
    "read or the command line is wrong.\n";

}  // namespace

int LmfdumpMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  bool optionsEnd = false;
  for (const std::string& arg : args) {
    if (!optionsEnd && (arg == "--help" || arg == "-h")) {
      out << kUsage;
      return 0;
    }
    if (!optionsEnd && arg == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
      err << "lmfdump: unknown option '" << arg << "'\n" << kUsage;
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) {
    err << kUsage;
    return 2;
  }
  std::ifstream in(files[0], std::ios::binary);
  if (!in) {
    err << "lmfdump: cannot open " << files[0] << ": " << std::strerror(errno) << "\n";
    return 2;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  if (in.bad()) {
    err << "lmfdump: cannot read " << files[0] << "\n";
    return 2;
  }
  std::string error;
  return DumpLmf(bytes, out, &error) ? 0 : 1;
}

}  // namespace lmfd
