// The surface rows with a rule of their own: the side flag and the texture
// containers' size and pixels.
#include "scene/lmf_device.h"
#include "scene/lmf_tags.h"
#include "scene/lmf_walk.h"

namespace lmf {

// Up to four bytes; only the first counts.
bool ReadDoubleSided(Walker* w, Surface* surface, const ChunkHeader& h) {
  uint8_t side[4] = {surface->doubleSided, 0, 0, 0};
  if (!ReadCopied(w->load->stream, h, side, sizeof side, &w->consumed, w->load->abortFlag))
    return false;
  surface->doubleSided = side[0];
  return true;
}

// A texture already made (a second TEX of the same surface) would be
// orphaned, so its size cannot change.
bool ReadTextureSize(Walker* w, TextureSlot* slot, const ChunkHeader& h) {
  InputStream* stream = w->load->stream;
  int32_t* abortFlag = w->load->abortFlag;
  const bool repeated = *slot->texture || slot->sized;
  slot->sized = false;
  if (repeated) return Fail(abortFlag, LmfError::kRepeated);
  if (!CheckFixed(h, 8, abortFlag) || !ReadExact(stream, slot->width, 4, &w->consumed, abortFlag) ||
      !ReadExact(stream, slot->height, 4, &w->consumed, abortFlag))
    return false;
  if (*slot->width < 1 || *slot->height < 1 || *slot->width > kMaxTextureSide ||
      *slot->height > kMaxTextureSide)
    return Fail(abortFlag, LmfError::kPictureSize);
  slot->sized = true;
  return true;
}

bool ReadPixels(Walker* w, TextureSlot* slot, const ChunkHeader& h) {
  int32_t* abortFlag = w->load->abortFlag;
  const int32_t width = *slot->width, height = *slot->height;
  slot->filled = false;
  if (!slot->sized) return Fail(abortFlag, LmfError::kDataBeforeBuffer);
  if (*slot->texture) return Fail(abortFlag, LmfError::kRepeated);
  if (h.length != static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * kPixelSize)
    return Fail(abortFlag, LmfError::kDataSize);
  if (!CreatePictureTexture(w->load->device, TextureSide(width, height), slot->texture))
    return Fail(abortFlag, LmfError::kDevice);
  slot->filled = OkOrFail(
      abortFlag, FillPicture(w->load->stream, *slot->texture, width, height, &w->consumed));
  return slot->filled;
}

}  // namespace lmf
