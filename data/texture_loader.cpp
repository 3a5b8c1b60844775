// LoadTexture: a raw file on disk, then D3DX on the same name, then a raw
// archive member; the open-error message when all three fail.
#include <d3dx9.h>

#include <cstdio>

#include "data/archive.h"
#include "data/file_callbacks.h"
#include "data/open_error.h"
#include "data/raw_texture.h"
#include "data/source_handle.h"

int32_t LoadTexture(IDirect3DDevice9* device, IDirect3DTexture9** texture, const char* name) {
  if (texture == nullptr || name == nullptr) return -1;

  if (std::FILE* file = std::fopen(name, "rb")) {
    FileHolder holder{file};
    const int32_t result = LoadRawTexture(device, texture, FileHolderRead, &holder);
    std::fclose(file);
    if (result == 0) return 0;
  }

  // Also the way in for an ordinary image file that the raw attempt opened
  // and turned down.
  if (D3DXCreateTextureFromFileExA(device, name, 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                   D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr,
                                   texture) == S_OK)
    return 0;

  DataArchive* archive = CurrentArchive();
  MemberCursor cursor{};
  if (archive != nullptr && ArchiveFind(&cursor, name) == kArchiveOk) {
    SourceHandle member{kSourceArchiveMember, archive, cursor, nullptr};
    if (LoadRawTexture(device, texture, SourceHandleRead, &member) == 0) return 0;
  }

  *texture = nullptr;
  ShowOpenError(name);
  return -1;
}
