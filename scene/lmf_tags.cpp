#include "scene/lmf_tags.h"

std::string LmfTagName(uint32_t tag) {
  std::string name(4, '?');
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<unsigned char>(tag >> (24 - 8 * i));
    if (c >= 0x20 && c < 0x7F) name[i] = static_cast<char>(c);
  }
  return name;
}

namespace lmf {

uint32_t TextureSide(int32_t width, int32_t height) {
  const uint32_t larger = static_cast<uint32_t>(width > height ? width : height);
  uint32_t side = 1;
  while (side < larger) side <<= 1;
  return side;
}

}  // namespace lmf
