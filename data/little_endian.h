// Little-endian numbers from bytes: the one reader the file formats share
// (archive, raw texture, WAVE, LMF tools, resource compiler). Byte by byte,
// so the result does not depend on the host's order or on alignment.
//
// Does not: check bounds (the caller has the bytes) or read from streams.
// Pure functions; any thread.
#ifndef MORVANE_DATA_LITTLE_ENDIAN_H
#define MORVANE_DATA_LITTLE_ENDIAN_H

#include <cstdint>

inline uint16_t LoadLe16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t LoadLe32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
         uint32_t{bytes[3]} << 24;
}

#endif  // MORVANE_DATA_LITTLE_ENDIAN_H
