// Fuzzes the LMF scene loader: the input as "Scene.lmf" on disk, then as the
// member "Scene.lmf" of an archive (scrambled for odd sizes) read through a
// source handle. FreeScene must release every buffer and texture.
#include <cstdint>

#include "data/archive.h"
#include "data/source_handle.h"
#include "fuzz/fuzz_support.h"
#include "scene/lmf_loader.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::InitProcess(argc, argv);
  fuzz::Device();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile(kSceneFileName, data, size);
  Scene scene{};
  LoadSceneFromFile(&scene, fuzz::Device());
  FreeScene(&scene);
  fuzz::CheckNothingLeft("a scene object outlived the file input");

  const std::vector<uint8_t> archive =
      fuzz::OneMemberArchive(kSceneFileName, data, size, (size & 1) != 0);
  fuzz::WriteFile(kArchiveFileName, archive.data(), archive.size());
  ArchiveStartup(nullptr);
  SourceHandle handle{kSourceArchiveMember, CurrentArchive(), {}, nullptr};
  if (handle.archive && ArchiveFind(&handle.cursor, kSceneFileName) == kArchiveOk) {
    Scene member{};
    LoadSceneFromSource(&member, fuzz::Device(), &kSourceHandleCallbacks, &handle);
    FreeScene(&member);
  }
  ArchiveShutdown();
  fuzz::CheckNothingLeft("a scene object outlived the archive member input");
  return 0;
}
