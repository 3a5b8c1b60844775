#include <iostream>

#include "tools/pac/pac_cli.h"

int main(int argc, char** argv) {
  return pac::RunPac(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
