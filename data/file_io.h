// The <cstdio> calls every file-backed callback shares, with the 32-bit
// conventions of the callback contract. Internal to data/.
#ifndef MORVANE_DATA_FILE_IO_H
#define MORVANE_DATA_FILE_IO_H

#include <cstdint>
#include <cstdio>

// fread of count elements of size bytes; 0 for a null file.
uint32_t FileRead(std::FILE* file, void* destination, uint32_t size, uint32_t count);
// fseek with the low 32 bits of the offset taken as signed; 0 or -1.
int32_t FileSeekLow32(std::FILE* file, int64_t offset, int32_t origin);
// ftell as signed 32 bits; -1 for a null file or on failure.
int32_t FileTell32(std::FILE* file);

#endif  // MORVANE_DATA_FILE_IO_H
