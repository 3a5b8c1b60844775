#include "scene/lmf_error.h"

namespace {

LmfError g_lastError = LmfError::kNone;

}  // namespace

LmfError LmfLastError() { return g_lastError; }

const char* LmfErrorName(LmfError error) {
  switch (error) {
    case LmfError::kNone: return "none";
    case LmfError::kOpen: return "cannot open";
    case LmfError::kBadMagic: return "bad magic";
    case LmfError::kTruncated: return "truncated";
    case LmfError::kChunkHeader: return "chunk header";
    case LmfError::kChunkLength: return "chunk length";
    case LmfError::kFixedSize: return "fixed size";
    case LmfError::kCopiedTooWide: return "copied too wide";
    case LmfError::kRepeated: return "repeated";
    case LmfError::kItemUncounted: return "item uncounted";
    case LmfError::kDataBeforeBuffer: return "data before buffer";
    case LmfError::kDataSize: return "data size";
    case LmfError::kPictureSize: return "picture size";
    case LmfError::kNoPixels: return "no pixels";
    case LmfError::kContainerLength: return "container length";
    case LmfError::kDevice: return "device";
    case LmfError::kMissingBuffer: return "missing buffer";
    case LmfError::kSurfaceNumber: return "surface number";
    case LmfError::kMotionNumber: return "motion number";
    case LmfError::kParentNumber: return "parent number";
    case LmfError::kParentCycle: return "parent cycle";
  }
  return "unknown";
}

namespace lmf {

bool Fail(int32_t* abortFlag, LmfError error) {
  if (g_lastError == LmfError::kNone) g_lastError = error;
  *abortFlag = 1;
  return false;
}

void ClearLastError() { g_lastError = LmfError::kNone; }

}  // namespace lmf
