// Why an LMF load failed. The loader keeps returning -1; beside it, the
// first reason met is recorded and LmfLastError reads it until the next
// load starts. lmfdump names the same reasons for the faults it finds.
//
// Does not: say where in the file (lmfdump does). Main thread only, like
// the loader.
#ifndef MORVANE_SCENE_LMF_ERROR_H
#define MORVANE_SCENE_LMF_ERROR_H

#include <cstdint>

enum class LmfError : uint8_t {
  kNone,
  kOpen,              // the file could not be opened, or no source was given
  kBadMagic,          // no "LMD3", or the data ends inside the header
  kTruncated,         // the data ends inside a chunk
  kChunkHeader,       // fewer than 8 bytes of a body left for a chunk header
  kChunkLength,       // a chunk length negative or running past its parent
  kFixedSize,         // a fixed body of the wrong size
  kCopiedTooWide,     // a copied body wider than its field
  kRepeated,          // a count, size or picture met twice (a texture made twice)
  kItemUncounted,     // an item chunk without its count, or beyond it
  kDataBeforeBuffer,  // vertex, index or pixel data before its count or size
  kDataSize,          // vertex, index or pixel data of another size than its buffer
  kPictureSize,       // a picture outside 1..lmf::kMaxTextureSide
  kNoPixels,          // a texture container that ends without its pixels
  kContainerLength,   // a container whose chunks do not fill its body exactly
  kDevice,            // a Direct3D call failed
  kMissingBuffer,     // a mesh without its vertex or index buffer
  kSurfaceNumber,     // a mesh's surface number out of range
  kMotionNumber,      // a layer's, binding's or camera's motion number out of range
  kParentNumber,      // a motion's parent number out of range
  kParentCycle,       // motions whose parents lead back to them
};

// The reason of the last failed load; kNone after a load that succeeded.
LmfError LmfLastError();

// A short lower-case name for messages ("chunk length").
const char* LmfErrorName(LmfError error);

namespace lmf {

// Records `error` as the load's reason unless one is already recorded, and
// sets the load's failure flag. False, so a failing reader can return it.
bool Fail(int32_t* abortFlag, LmfError error);

// True for kNone; otherwise Fail(abortFlag, error).
inline bool OkOrFail(int32_t* abortFlag, LmfError error) {
  return error == LmfError::kNone || Fail(abortFlag, error);
}

// Forgets the last reason; the loader calls it as a load starts.
void ClearLastError();

}  // namespace lmf

#endif  // MORVANE_SCENE_LMF_ERROR_H
