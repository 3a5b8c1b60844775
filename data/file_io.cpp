#include "data/file_io.h"

uint32_t FileRead(std::FILE* file, void* destination, uint32_t size, uint32_t count) {
  if (!file || !destination) return 0;
  return static_cast<uint32_t>(std::fread(destination, size, count, file));
}

int32_t FileSeekLow32(std::FILE* file, int64_t offset, int32_t origin) {
  if (!file) return -1;
  int whence;
  switch (origin) {
    case 0: whence = SEEK_SET; break;
    case 1: whence = SEEK_CUR; break;
    case 2: whence = SEEK_END; break;
    default: return -1;
  }
  auto low = static_cast<int32_t>(static_cast<uint32_t>(offset));
  return std::fseek(file, low, whence) == 0 ? 0 : -1;
}

int32_t FileTell32(std::FILE* file) {
  if (!file) return -1;
  long position = std::ftell(file);
  if (position < 0) return -1;
  return static_cast<int32_t>(position);
}
