// Callback sets over files on disk: the plain-file set that StreamOpenFile
// installs (user data = the FILE*), and the FileHolder set for a file the
// caller opened and keeps (user data = the holder).
//
// Seeks use only the low 32 bits of the offset. Files go through <cstdio>.
// Threads: whichever thread owns the file; nothing here is shared.
#ifndef MORVANE_DATA_FILE_CALLBACKS_H
#define MORVANE_DATA_FILE_CALLBACKS_H

#include <cstdio>

#include "data/stream.h"

// The plain-file set: fread, fseek, fclose, ftell, feof.
uint32_t PlainFileRead(void* destination, uint32_t size, uint32_t count, void* file);
int32_t PlainFileSeek(void* file, int64_t offset, int32_t origin);
int32_t PlainFileClose(void* file);
int32_t PlainFileTell(void* file);
int32_t PlainFileEnd(void* file);
inline constexpr StreamCallbacks kPlainFileCallbacks = {
    PlainFileRead, PlainFileSeek, PlainFileClose, PlainFileTell, PlainFileEnd};

// A file opened for binary reading by whoever owns the holder.
struct FileHolder {
  std::FILE* file;
};

// The FileHolder set. Close closes an open file, nulls it and returns
// fclose's result; with no file it returns 0. There is no end-of-data entry.
uint32_t FileHolderRead(void* destination, uint32_t size, uint32_t count, void* holder);
int32_t FileHolderSeek(void* holder, int64_t offset, int32_t origin);
int32_t FileHolderClose(void* holder);
int32_t FileHolderTell(void* holder);
inline constexpr StreamCallbacks kFileHolderCallbacks = {FileHolderRead, FileHolderSeek,
                                                         FileHolderClose, FileHolderTell, nullptr};

#endif  // MORVANE_DATA_FILE_CALLBACKS_H
