// Surface, texture and camera bodies.
#include "scene/lmf_chunk.h"
#include "scene/lmf_device.h"
#include "scene/lmf_loader.h"
#include "scene/lmf_tags.h"

using namespace lmf;

uint32_t ReadSurface(InputStream* stream, Surface* surface, uint32_t length,
                     IDirect3DDevice9* device, int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kNAME:
        ok = ReadName(stream, h, &surface->name, &consumed, abortFlag);
        break;
      case kSTYP:
        ok = ReadCopied(stream, h, &surface->type, 4, &consumed, abortFlag);
        break;
      case kBLDM:
        ok = ReadCopied(stream, h, &surface->blendMode, 4, &consumed, abortFlag);
        break;
      case kDIFF:
        ok = ReadFixed(stream, h, surface->diffuse, 16, &consumed, abortFlag);
        break;
      case kEMSV:
        ok = ReadCopied(stream, h, &surface->emissive, 4, &consumed, abortFlag);
        break;
      case kSPEC:
        ok = ReadCopied(stream, h, &surface->specular, 4, &consumed, abortFlag);
        break;
      case kPOWR:
        ok = ReadCopied(stream, h, &surface->power, 4, &consumed, abortFlag);
        break;
      case kSIDE: {
        // Up to four bytes; only the first counts.
        uint8_t side[4] = {surface->doubleSided, 0, 0, 0};
        ok = ReadCopied(stream, h, side, sizeof side, &consumed, abortFlag);
        if (ok) surface->doubleSided = side[0];
        break;
      }
      case kTEX:
        ok = ContainerDone(h,
                           ReadTexture(stream, &surface->texture, &surface->textureWidth,
                                       &surface->textureHeight, h.length, device, abortFlag),
                           &consumed, abortFlag);
        break;
      case kTTEX:
        ok = ContainerDone(h,
                           ReadTexture(stream, &surface->toonTexture, &surface->toonWidth,
                                       &surface->toonHeight, h.length, device, abortFlag),
                           &consumed, abortFlag);
        break;
      case kEDGC:
        ok = ReadFixed(stream, h, surface->edgeColor, 16, &consumed, abortFlag);
        break;
      case kEDGS:
        ok = ReadCopied(stream, h, &surface->edgeSize, 4, &consumed, abortFlag);
        break;
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}

// SIZE only records the size: the texture is made when its pixels arrive,
// so nothing is allocated for a container that never delivers them, and a
// container that ends without exactly width x height x 4 bytes of pixels
// fails the load.
uint32_t ReadTexture(InputStream* stream, IDirect3DTexture9** texture, int32_t* width,
                     int32_t* height, uint32_t length, IDirect3DDevice9* device,
                     int32_t* abortFlag) {
  uint32_t consumed = 0;
  bool sized = false, filled = false;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    if (h.tag == kSIZE) {
      // A texture already made (a second TEX of the same surface) would be
      // orphaned.
      ok = !*texture && !sized && CheckFixed(h, 8, abortFlag) &&
           ReadExact(stream, width, 4, &consumed, abortFlag) &&
           ReadExact(stream, height, 4, &consumed, abortFlag) && *width >= 1 && *height >= 1 &&
           *width <= kMaxTextureSide && *height <= kMaxTextureSide;
      sized = ok;
    } else if (h.tag == kTEX) {
      ok = sized && !*texture &&
           h.length == static_cast<uint32_t>(*width) * static_cast<uint32_t>(*height) * kPixelSize &&
           CreatePictureTexture(device, TextureSide(*width, *height), texture) &&
           FillPicture(stream, *texture, *width, *height, &consumed);
      filled = ok;
    } else {
      ok = SkipChunk(stream, h, &consumed, abortFlag);
    }
    if (!ok) Fail(abortFlag);
    if (*abortFlag) break;
  }
  if (!filled) Fail(abortFlag);
  return consumed;
}

uint32_t ReadCamera(InputStream* stream, Camera* camera, uint32_t length, int32_t* abortFlag) {
  uint32_t consumed = 0;
  ChunkHeader h;
  while (consumed < length && NextChunk(stream, length, &consumed, &h, abortFlag)) {
    bool ok = true;
    switch (h.tag) {
      case kNAME:
        ok = ReadName(stream, h, &camera->name, &consumed, abortFlag);
        break;
      case kFOVY:
        ok = ReadCopied(stream, h, &camera->fovY, 4, &consumed, abortFlag);
        break;
      case kMTNO:
        ok = ReadCopied(stream, h, &camera->motionNo, 2, &consumed, abortFlag);
        break;
      default:
        ok = SkipChunk(stream, h, &consumed, abortFlag);
        break;
    }
    if (!ok || *abortFlag) break;
  }
  return consumed;
}
