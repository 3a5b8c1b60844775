// The mesh rows that create and fill Direct3D buffers.
#include "scene/lmf_device.h"
#include "scene/lmf_tags.h"
#include "scene/lmf_walk.h"

namespace lmf {

// A second count would orphan the buffer already made.
bool ReadVertexCount(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  return !mesh->vertexBuffer &&
         ReadCopied(w->load->stream, h, &mesh->vertexCount, 2, &w->consumed, w->load->abortFlag) &&
         CreateMeshVertexBuffer(w->load->device, mesh);
}

bool ReadPolygonCount(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  return !mesh->indexBuffer &&
         ReadCopied(w->load->stream, h, &mesh->polygonCount, 2, &w->consumed, w->load->abortFlag) &&
         CreateMeshIndexBuffer(w->load->device, mesh);
}

bool ReadVertices(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  return mesh->vertexBuffer && h.length == uint32_t{mesh->vertexCount} * kVertexSize &&
         FillBuffer(w->load->stream, mesh->vertexBuffer, h.length, &w->consumed);
}

bool ReadPolygons(Walker* w, Mesh* mesh, const ChunkHeader& h) {
  return mesh->indexBuffer && h.length == uint32_t{mesh->polygonCount} * kTriangleSize &&
         FillBuffer(w->load->stream, mesh->indexBuffer, h.length, &w->consumed);
}

}  // namespace lmf
