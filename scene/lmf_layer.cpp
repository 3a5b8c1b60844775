// Layer, mesh, bone and palette-binding bodies.
#include "scene/lmf_chunk.h"
#include "scene/lmf_device.h"
#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"

using namespace lmf;

uint32_t ReadLayer(InputStream* stream, Layer* layer, uint32_t length, IDirect3DDevice9* device,
                   int32_t* abortFlag) {
  uint32_t consumed = 0;
  ItemCursor meshes, bones, bindings;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kNAME:
        ok = ReadName(stream, h, &layer->name, &consumed, abortFlag);
        break;
      case kBBOX:
        ok = CheckFixed(h, 24, abortFlag) &&
             ReadExact(stream, layer->boundsMin, 12, &consumed, abortFlag) &&
             ReadExact(stream, layer->boundsMax, 12, &consumed, abortFlag);
        break;
      case kSHOW:
        ok = ReadCopied(stream, h, &layer->show, sizeof layer->show, &consumed, abortFlag);
        break;
      case kMESN:
        ok = ReadCount(stream, h, &layer->meshCount, &layer->meshes, &meshes, &consumed, abortFlag);
        break;
      case kMESH: {
        Mesh* mesh = NextItem(layer->meshes, layer->meshCount, &meshes, abortFlag);
        ok = mesh && ContainerDone(h, ReadMesh(stream, mesh, h.length, device, abortFlag),
                                   &consumed, abortFlag);
        break;
      }
      case kBONN:
        ok = ReadCount(stream, h, &layer->boneCount, &layer->bones, &bones, &consumed, abortFlag);
        break;
      case kBONE: {
        Bone* bone = NextItem(layer->bones, layer->boneCount, &bones, abortFlag);
        ok = bone &&
             ContainerDone(h, ReadBone(stream, bone, h.length, abortFlag), &consumed, abortFlag);
        break;
      }
      case kLMNO:
        ok = ReadCopied(stream, h, &layer->motionNo, 2, &consumed, abortFlag);
        break;
      case kLVSC:
        ok = ReadCopied(stream, h, &layer->paletteSlot, 2, &consumed, abortFlag);
        break;
      case kMOTN:
        ok = ReadCount(stream, h, &layer->bindingCount, &layer->bindings, &bindings, &consumed,
                       abortFlag);
        break;
      case kMTNO: {
        PaletteBinding* binding =
            NextItem(layer->bindings, layer->bindingCount, &bindings, abortFlag);
        ok = binding && ContainerDone(h, ReadPaletteBinding(stream, binding, h.length, abortFlag),
                                      &consumed, abortFlag);
        break;
      }
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}

uint32_t ReadMesh(InputStream* stream, Mesh* mesh, uint32_t length, IDirect3DDevice9* device,
                  int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kVTXN:
        // A second count would orphan the buffer already made.
        ok = !mesh->vertexBuffer &&
             ReadCopied(stream, h, &mesh->vertexCount, 2, &consumed, abortFlag) &&
             CreateMeshVertexBuffer(device, mesh);
        break;
      case kVTEX:
        ok = mesh->vertexBuffer && h.length == uint32_t{mesh->vertexCount} * kVertexSize &&
             FillBuffer(stream, mesh->vertexBuffer, h.length, &consumed);
        break;
      case kPOLN:
        ok = !mesh->indexBuffer &&
             ReadCopied(stream, h, &mesh->polygonCount, 2, &consumed, abortFlag) &&
             CreateMeshIndexBuffer(device, mesh);
        break;
      case kPOLY:
        ok = mesh->indexBuffer && h.length == uint32_t{mesh->polygonCount} * kTriangleSize &&
             FillBuffer(stream, mesh->indexBuffer, h.length, &consumed);
        break;
      case kSFNO:
        ok = ReadCopied(stream, h, &mesh->surfaceNo, 2, &consumed, abortFlag);
        break;
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok) Fail(abortFlag);
    if (*abortFlag) break;
  }
  return consumed;
}

uint32_t ReadBone(InputStream* stream, Bone* bone, uint32_t length, int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kNAME:
        ok = ReadName(stream, h, &bone->name, &consumed, abortFlag);
        break;
      case kRSTP:
        ok = ReadFixed(stream, h, bone->restPosition, 12, &consumed, abortFlag);
        break;
      case kRSTD:
        ok = ReadFixed(stream, h, bone->restDirection, 12, &consumed, abortFlag);
        break;
      case kRSTL:
        ok = ReadFixed(stream, h, &bone->restLength, 4, &consumed, abortFlag);
        break;
      case kMTNO:
        ok = ReadFixed(stream, h, &bone->motionNo, 2, &consumed, abortFlag);
        break;
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}

uint32_t ReadPaletteBinding(InputStream* stream, PaletteBinding* binding, uint32_t length,
                            int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kMTNO:
        ok = ReadCopied(stream, h, &binding->motionNo, 2, &consumed, abortFlag);
        break;
      case kVSCN:
        ok = ReadCopied(stream, h, &binding->paletteSlot, 2, &consumed, abortFlag);
        break;
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}
