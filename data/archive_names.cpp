#include "data/archive_names.h"

namespace {

uint8_t FoldAscii(uint8_t byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<uint8_t>(byte - 'A' + 'a') : byte;
}

}  // namespace

void ArchiveSlashesToBackslashes(char* name) {
  auto* p = reinterpret_cast<uint8_t*>(name);
  while (*p) {
    if (Cp932IsLeadByte(*p) && p[1] != 0) {
      p += 2;
      continue;
    }
    if (*p == '/') *p = '\\';
    ++p;
  }
}

int ArchiveCompareNames(const char* a, const char* b) {
  auto* pa = reinterpret_cast<const uint8_t*>(a);
  auto* pb = reinterpret_cast<const uint8_t*>(b);
  for (;; ++pa, ++pb) {
    uint8_t ca = FoldAscii(*pa);
    uint8_t cb = FoldAscii(*pb);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}
