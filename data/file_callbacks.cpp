#include "data/file_callbacks.h"

#include "data/file_io.h"

uint32_t PlainFileRead(void* destination, uint32_t size, uint32_t count, void* file) {
  return FileRead(static_cast<std::FILE*>(file), destination, size, count);
}

int32_t PlainFileSeek(void* file, int64_t offset, int32_t origin) {
  return FileSeekLow32(static_cast<std::FILE*>(file), offset, origin);
}

int32_t PlainFileClose(void* file) {
  if (!file) return 0;
  return std::fclose(static_cast<std::FILE*>(file));
}

int32_t PlainFileTell(void* file) { return FileTell32(static_cast<std::FILE*>(file)); }

int32_t PlainFileEnd(void* file) {
  if (!file) return 1;
  return std::feof(static_cast<std::FILE*>(file)) ? 1 : 0;
}

uint32_t FileHolderRead(void* destination, uint32_t size, uint32_t count, void* holder) {
  if (!holder) return 0;
  return FileRead(static_cast<FileHolder*>(holder)->file, destination, size, count);
}

int32_t FileHolderSeek(void* holder, int64_t offset, int32_t origin) {
  if (!holder) return -1;
  return FileSeekLow32(static_cast<FileHolder*>(holder)->file, offset, origin);
}

int32_t FileHolderClose(void* holder) {
  auto* h = static_cast<FileHolder*>(holder);
  if (!h || !h->file) return 0;
  int32_t result = std::fclose(h->file);
  h->file = nullptr;
  return result;
}

int32_t FileHolderTell(void* holder) {
  if (!holder) return -1;
  return FileTell32(static_cast<FileHolder*>(holder)->file);
}
