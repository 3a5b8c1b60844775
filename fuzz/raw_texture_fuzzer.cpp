// Fuzzes the raw texture loader: the input as a stream in memory, and the
// same bytes as a member of an archive read through its source handle.
// Every texture made is released; none may outlive the input.
#include <cstdint>

#include "data/archive.h"
#include "data/raw_texture.h"
#include "data/source_handle.h"
#include "fuzz/fuzz_support.h"

namespace {

void Load(StreamReadFn read, void* user) {
  IDirect3DTexture9* texture = nullptr;
  const int32_t result = LoadRawTexture(fuzz::Device(), &texture, read, user);
  if ((result == 0) != (texture != nullptr)) __builtin_trap();
  if (texture) texture->Release();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::InitProcess(argc, argv);
  fuzz::Device();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemorySource memory{data, size, 0};
  Load(fuzz::MemoryRead, &memory);
  fuzz::CheckNothingLeft("a texture outlived the memory input");

  const std::vector<uint8_t> archive = fuzz::OneMemberArchive("t.raw", data, size, (size & 1) != 0);
  fuzz::WriteFile(kArchiveFileName, archive.data(), archive.size());
  ArchiveStartup(nullptr);
  SourceHandle handle{kSourceArchiveMember, CurrentArchive(), {}, nullptr};
  if (handle.archive && ArchiveFind(&handle.cursor, "t.raw") == kArchiveOk) {
    Load(SourceHandleRead, &handle);
  }
  ArchiveShutdown();
  fuzz::CheckNothingLeft("a texture outlived the archive member input");
  return 0;
}
