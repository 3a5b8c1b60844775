#include "scene/lmf_device.h"

#include "scene/lmf_tags.h"

namespace lmf {

namespace {

template <typename Buffer>
LmfError FillLocked(InputStream* stream, Buffer* buffer, uint32_t length, uint32_t* consumed) {
  if (!buffer) return LmfError::kDevice;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return LmfError::kDevice;
  const uint32_t got = StreamRead(stream, data, length);
  buffer->Unlock();
  if (got != length) return LmfError::kTruncated;
  *consumed += got;
  return LmfError::kNone;
}

}  // namespace

bool CreateMeshVertexBuffer(IDirect3DDevice9* device, Mesh* mesh) {
  if (!device) return false;
  const UINT length = UINT{mesh->vertexCount} * kVertexSize;
  return SUCCEEDED(device->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                              &mesh->vertexBuffer, nullptr)) &&
         mesh->vertexBuffer;
}

bool CreateMeshIndexBuffer(IDirect3DDevice9* device, Mesh* mesh) {
  if (!device) return false;
  const UINT length = UINT{mesh->polygonCount} * kTriangleSize;
  return SUCCEEDED(device->CreateIndexBuffer(length, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, &mesh->indexBuffer, nullptr)) &&
         mesh->indexBuffer;
}

LmfError FillBuffer(InputStream* stream, IDirect3DVertexBuffer9* buffer, uint32_t length,
                    uint32_t* consumed) {
  return FillLocked(stream, buffer, length, consumed);
}

LmfError FillBuffer(InputStream* stream, IDirect3DIndexBuffer9* buffer, uint32_t length,
                    uint32_t* consumed) {
  return FillLocked(stream, buffer, length, consumed);
}

bool CreatePictureTexture(IDirect3DDevice9* device, uint32_t side, IDirect3DTexture9** texture) {
  if (!device) return false;
  return SUCCEEDED(device->CreateTexture(side, side, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         texture, nullptr)) &&
         *texture;
}

LmfError FillPicture(InputStream* stream, IDirect3DTexture9* texture, int32_t width, int32_t height,
                     uint32_t* consumed) {
  if (!texture) return LmfError::kDevice;
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) return LmfError::kDevice;
  const uint32_t rowBytes = static_cast<uint32_t>(width) * kPixelSize;
  LmfError error = locked.Pitch >= 0 && static_cast<uint32_t>(locked.Pitch) >= rowBytes
                       ? LmfError::kNone
                       : LmfError::kDevice;
  auto* bits = static_cast<uint8_t*>(locked.pBits);
  for (int32_t row = 0; error == LmfError::kNone && row < height; ++row) {
    const uint32_t got =
        StreamRead(stream, bits + static_cast<size_t>(row) * locked.Pitch, rowBytes);
    if (got != rowBytes)
      error = LmfError::kTruncated;
    else
      *consumed += got;
  }
  texture->UnlockRect(0);
  return error;
}

}  // namespace lmf
