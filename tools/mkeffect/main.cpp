// mkeffect OUT: writes the program's compiled effect to OUT.
#include <cstdio>

#include "tools/mkeffect/effect_description.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkeffect OUT\n");
    return 2;
  }
  const std::vector<uint8_t> bytes = mkeffect::CompileProgramEffect();
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "mkeffect: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
