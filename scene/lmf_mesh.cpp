// The mesh rows that create and fill Direct3D buffers.
#include "scene/lmf_device.h"
#include "scene/lmf_tags.h"
#include "scene/lmf_walk.h"

namespace lmf {

// A second count would orphan the buffer already made.
bool ReadVertexCount(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  int32_t* abortFlag = w->load->abortFlag;
  if (mesh->vertexBuffer) return Fail(abortFlag, LmfError::kRepeated);
  return ReadCopied(w->load->stream, h, &mesh->vertexCount, 2, &w->consumed, abortFlag) &&
         (CreateMeshVertexBuffer(w->load->device, mesh) || Fail(abortFlag, LmfError::kDevice));
}

bool ReadPolygonCount(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  int32_t* abortFlag = w->load->abortFlag;
  if (mesh->indexBuffer) return Fail(abortFlag, LmfError::kRepeated);
  return ReadCopied(w->load->stream, h, &mesh->polygonCount, 2, &w->consumed, abortFlag) &&
         (CreateMeshIndexBuffer(w->load->device, mesh) || Fail(abortFlag, LmfError::kDevice));
}

bool ReadVertices(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  int32_t* abortFlag = w->load->abortFlag;
  if (!mesh->vertexBuffer) return Fail(abortFlag, LmfError::kDataBeforeBuffer);
  if (h.length != uint32_t{mesh->vertexCount} * kVertexSize)
    return Fail(abortFlag, LmfError::kDataSize);
  return OkOrFail(abortFlag,
                  FillBuffer(w->load->stream, mesh->vertexBuffer, h.length, &w->consumed));
}

bool ReadPolygons(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  int32_t* abortFlag = w->load->abortFlag;
  if (!mesh->indexBuffer) return Fail(abortFlag, LmfError::kDataBeforeBuffer);
  if (h.length != uint32_t{mesh->polygonCount} * kTriangleSize)
    return Fail(abortFlag, LmfError::kDataSize);
  return OkOrFail(abortFlag,
                  FillBuffer(w->load->stream, mesh->indexBuffer, h.length, &w->consumed));
}

}  // namespace lmf
