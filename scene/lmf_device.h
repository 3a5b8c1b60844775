// The Direct3D side of the LMF loader: creating a mesh's buffers and a
// surface's textures, and reading chunk bodies straight from the stream into
// their locked memory. The creators return false on a failed Direct3D call;
// the fillers return kDevice for a failed or unusable lock and kTruncated
// for a short read (the caller records the reason). A lock is always undone.
#ifndef MORVANE_SCENE_LMF_DEVICE_H
#define MORVANE_SCENE_LMF_DEVICE_H

#include <d3d9.h>

#include <cstdint>

#include "data/stream.h"
#include "scene/lmf_error.h"
#include "scene/scene.h"

namespace lmf {

// vertexCount x 80 bytes, write-only, managed, no FVF.
bool CreateMeshVertexBuffer(IDirect3DDevice9* device, Mesh* mesh);
// polygonCount x 6 bytes of 16-bit indices, write-only, managed.
bool CreateMeshIndexBuffer(IDirect3DDevice9* device, Mesh* mesh);
// Reads `length` bytes into the start of the buffer.
LmfError FillBuffer(InputStream* stream, IDirect3DVertexBuffer9* buffer, uint32_t length,
                    uint32_t* consumed);
LmfError FillBuffer(InputStream* stream, IDirect3DIndexBuffer9* buffer, uint32_t length,
                    uint32_t* consumed);

// A side x side A8R8G8B8 texture with its full mip chain, managed.
bool CreatePictureTexture(IDirect3DDevice9* device, uint32_t side, IDirect3DTexture9** texture);
// Reads height rows of width x 4 bytes into the top-left corner of level 0.
LmfError FillPicture(InputStream* stream, IDirect3DTexture9* texture, int32_t width, int32_t height,
                     uint32_t* consumed);

}  // namespace lmf

#endif  // MORVANE_SCENE_LMF_DEVICE_H
