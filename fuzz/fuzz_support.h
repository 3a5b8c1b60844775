// Shared by the libFuzzer targets: headless SDL drivers, a private working
// folder (the archive and the scene are opened by fixed names from the
// current directory), a Direct3D device and a DirectSound object made once per
// process, a read-only memory source for the stream callbacks, and the check
// that no Direct3D or DirectSound object outlives an input.
//
// Does not: catch anything; a leaked object aborts, so libFuzzer reports the
// input that caused it. Single-threaded, like libFuzzer's callback.
#ifndef MORVANE_FUZZ_FUZZ_SUPPORT_H
#define MORVANE_FUZZ_FUZZ_SUPPORT_H

#include <d3d9.h>
#include <dsound.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/stream.h"

namespace fuzz {

// Selects the offscreen video and dummy audio drivers and moves into a new
// empty folder under the temporary directory, removed at exit. Call from
// LLVMFuzzerInitialize with its arguments: relative paths among them (corpus
// folders, inputs, -artifact_prefix=, -exact_artifact_path=, -dict=) are
// made absolute first.
void InitProcess(int* argc, char*** argv);

// The device every input uses (created on first call, on a small popup
// window). Its live-object baseline is taken once, after creation.
IDirect3DDevice9* Device();
// The DirectSound object every input uses (created on first call).
IDirectSound8* Sound();

// Aborts with `what` when more Direct3D or DirectSound objects are alive than
// after the shared objects were made.
void CheckNothingLeft(const char* what);

// Writes `bytes` to `name` in the working folder; aborts if it cannot.
void WriteFile(const char* name, const uint8_t* data, size_t size);

// A read-only source over caller-owned bytes, for StreamCallbacks.
struct MemorySource {
  const uint8_t* data;
  size_t size;
  size_t position;
};
uint32_t MemoryRead(void* destination, uint32_t size, uint32_t count, void* source);
int32_t MemorySeek(void* source, int64_t offset, int32_t origin);
int32_t MemoryClose(void* source);
int32_t MemoryTell(void* source);
int32_t MemoryEnd(void* source);
inline constexpr StreamCallbacks kMemoryCallbacks = {MemoryRead, MemorySeek, MemoryClose,
                                                     MemoryTell, MemoryEnd};

// The archive bytes of one unscrambled or scrambled member called `name`.
std::vector<uint8_t> OneMemberArchive(const char* name, const uint8_t* data, size_t size,
                                      bool scramble);

}  // namespace fuzz

#endif  // MORVANE_FUZZ_FUZZ_SUPPORT_H
