// lmfdump FILE: prints an LMF scene file's chunk tree and says where and why
// it is malformed (lmfdump_cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "tools/lmfdump/lmfdump_cli.h"

int main(int argc, char** argv) {
  return lmfd::LmfdumpMain(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
