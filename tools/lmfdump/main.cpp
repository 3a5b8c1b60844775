// lmfdump FILE: prints an LMF scene file's chunk tree and says where and why
// it is malformed. Exit status 0 for a file the loader accepts, 1 for a
// malformed one, 2 when the file cannot be read.
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "tools/lmfdump/lmf_dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: lmfdump FILE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "lmfdump: cannot open " << argv[1] << "\n";
    return 2;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  std::string error;
  return lmfd::DumpLmf(bytes, std::cout, &error) ? 0 : 1;
}
