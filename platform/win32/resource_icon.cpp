// Icon groups: RT_GROUP_ICON (a GRPICONDIR naming RT_ICON images by id) and
// the RT_ICON images themselves (a DIB of doubled height: colour rows, then
// the AND mask whose set bits are transparent).
#include "resource_dib.h"
#include "resource_registry.h"

#include <SDL.h>

#include <cstdlib>

namespace win32 {
namespace {

constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct GroupEntry {
  int size;  // 0 in the byte means 256
  int bitCount;
  WORD id;
};

// The entry of the group closest to `size`; among equals the deepest colour.
bool PickEntry(const ModuleResource& group, int size, GroupEntry* best) {
  const uint8_t* p = group.data;
  if (p == nullptr || group.size < kGroupHeaderSize) return false;
  if (ReadU16(p) != 0 || ReadU16(p + 2) != 1) return false;
  const size_t count = ReadU16(p + 4);
  if (count == 0 || group.size < kGroupHeaderSize + count * kGroupEntrySize) return false;
  bool found = false;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = p + kGroupHeaderSize + i * kGroupEntrySize;
    GroupEntry candidate{e[0] == 0 ? 256 : e[0], ReadU16(e + 6), ReadU16(e + 12)};
    if (!found) {
      *best = candidate;
      found = true;
      continue;
    }
    const int dc = std::abs(candidate.size - size);
    const int db = std::abs(best->size - size);
    if (dc < db || (dc == db && candidate.bitCount > best->bitCount)) *best = candidate;
  }
  return found;
}

SDL_Surface* DecodeIconImage(const ModuleResource& image) {
  DibView dib;
  if (!ParseDib(image.data, image.size, true, &dib)) return nullptr;
  SDL_Surface* s = DibToSurface(dib);
  if (s == nullptr) return nullptr;
  // 32-bit images may carry their own alpha; if every alpha byte is zero the
  // image predates alpha icons and the mask alone decides.
  bool ownAlpha = false;
  if (dib.bitCount == 32) {
    for (int row = 0; row < dib.height && !ownAlpha; ++row) {
      for (int x = 0; x < dib.width; ++x) {
        if ((DibColour(dib, x, row) >> 24) != 0) {
          ownAlpha = true;
          break;
        }
      }
    }
  }
  for (int y = 0; y < dib.height; ++y) {
    const int row = dib.height - 1 - y;
    const uint8_t* maskLine = dib.mask + static_cast<size_t>(row) * dib.maskStride;
    auto* dst = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) +
                                            static_cast<size_t>(y) * s->pitch);
    for (int x = 0; x < dib.width; ++x) {
      uint32_t alpha;
      if (ownAlpha) {
        alpha = DibColour(dib, x, row) >> 24;
      } else {
        const bool transparent = (maskLine[x >> 3] >> (7 - (x & 7))) & 1u;
        alpha = transparent ? 0 : 0xFF;
      }
      dst[x] = (dst[x] & 0x00FFFFFFu) | (alpha << 24);
    }
  }
  return s;
}

}  // namespace

SDL_Surface* LoadIconSurface(LPCSTR name, int size) {
  const ModuleResource* group = FindModuleResource(RT_GROUP_ICON, name);
  if (group == nullptr) return nullptr;
  GroupEntry entry;
  if (!PickEntry(*group, size, &entry)) return nullptr;
  const ModuleResource* image = FindModuleResource(RT_ICON, MAKEINTRESOURCEA(entry.id));
  if (image == nullptr) return nullptr;
  return DecodeIconImage(*image);
}

}  // namespace win32
