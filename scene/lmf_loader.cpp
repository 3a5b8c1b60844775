// The loader's entries and the top-level chunk walk.
#include "scene/lmf_loader.h"

#include <vector>

#include "scene/lmf_tags.h"
#include "scene/lmf_walk.h"

using namespace lmf;

namespace {

// Closes the stream on every way out, the out-of-memory exception included.
struct StreamGuard {
  InputStream* stream;
  ~StreamGuard() { StreamClose(stream); }
};

bool MotionNoOk(uint16_t motionNo, const Scene& scene) {
  // With no motions at all every number means the identity.
  return motionNo == kNoMotion || scene.motionCount == 0 || motionNo < scene.motionCount;
}

// The numbers the renderer and the transform update dereference, and that
// every mesh they draw has its buffers.
LmfError CheckReferences(const Scene& scene) {
  for (uint16_t i = 0; i < scene.layerCount; ++i) {
    const Layer& layer = scene.layers[i];
    if (!MotionNoOk(layer.motionNo, scene)) return LmfError::kMotionNumber;
    for (uint16_t m = 0; m < layer.meshCount; ++m) {
      const Mesh& mesh = layer.meshes[m];
      if (!mesh.vertexBuffer || !mesh.indexBuffer) return LmfError::kMissingBuffer;
      if (mesh.surfaceNo >= scene.surfaceCount) return LmfError::kSurfaceNumber;
    }
    for (uint16_t b = 0; b < layer.bindingCount; ++b) {
      if (!MotionNoOk(layer.bindings[b].motionNo, scene)) return LmfError::kMotionNumber;
    }
  }
  for (uint16_t i = 0; i < scene.cameraCount; ++i) {
    if (!MotionNoOk(scene.cameras[i].motionNo, scene)) return LmfError::kMotionNumber;
  }
  return LmfError::kNone;
}

// Parents in range and no cycles: each chain is walked once, marking the
// motions on the current path, so the check is linear in the motion count.
LmfError CheckParents(const Scene& scene) {
  const uint16_t n = scene.motionCount;
  for (uint16_t i = 0; i < n; ++i) {
    const uint16_t parent = scene.motions[i].parentNo;
    if (parent != kNoMotion && parent >= n) return LmfError::kParentNumber;
  }
  enum : uint8_t { kUnseen, kOnPath, kDone };
  std::vector<uint8_t> state(n, kUnseen);
  for (uint16_t start = 0; start < n; ++start) {
    uint16_t at = start;
    while (at != kNoMotion && state[at] == kUnseen) {
      state[at] = kOnPath;
      at = scene.motions[at].parentNo;
    }
    if (at != kNoMotion && state[at] == kOnPath) return LmfError::kParentCycle;
    for (at = start; at != kNoMotion && state[at] == kOnPath; at = scene.motions[at].parentNo)
      state[at] = kDone;
  }
  return LmfError::kNone;
}

int32_t Refuse(int32_t* abortFlag, LmfError error) {
  Fail(abortFlag, error);
  return -1;
}

}  // namespace

int32_t ReadLmf(const char* name, const StreamCallbacks* callbacks, void* user,
                IDirect3DDevice9* device, Scene* scene, int32_t* abortFlag) {
  ClearLastError();
  *abortFlag = 0;
  InputStream stream{};
  StreamGuard guard{&stream};
  if (name) {
    if (StreamOpenFile(&stream, name) != 0) return Refuse(abortFlag, LmfError::kOpen);
  } else {
    if (!callbacks) return Refuse(abortFlag, LmfError::kOpen);
    stream.read = callbacks->read;
    stream.seek = callbacks->seek;
    stream.close = callbacks->close;
    stream.tell = callbacks->tell;
    stream.endOfData = callbacks->endOfData;
    stream.user = user;
  }
  StreamFreeBuffer(&stream);
  stream.buffer = new uint8_t[kStreamBufferSize];
  stream.capacity = kStreamBufferSize;
  stream.position = 0;
  stream.fill = 0;
  stream.remaining = 0;
  stream.mode = kStreamContinuous;

  uint32_t magic = 0;
  int32_t total = 0;
  if (StreamRead(&stream, &magic, 4) != 4 || magic != kMagic || StreamRead(&stream, &total, 4) != 4)
    return Refuse(abortFlag, LmfError::kBadMagic);

  const uint32_t totalLength = total > 0 ? static_cast<uint32_t>(total) : 0;
  const Load load{&stream, device, abortFlag};
  WalkScene(load, scene, totalLength);
  StreamClose(&stream);
  if (*abortFlag) return -1;

  LmfError error = CheckReferences(*scene);
  if (error == LmfError::kNone) error = CheckParents(*scene);
  if (error != LmfError::kNone) return Refuse(abortFlag, error);
  for (uint16_t i = 0; i < scene->motionCount; ++i) {
    Motion& motion = scene->motions[i];
    motion.parent = motion.parentNo != kNoMotion ? &scene->motions[motion.parentNo] : nullptr;
  }
  return 0;
}

int32_t LoadSceneFromFile(Scene* scene, IDirect3DDevice9* device) {
  FreeScene(scene);
  int32_t abortFlag = 0;
  if (ReadLmf(kSceneFileName, nullptr, nullptr, device, scene, &abortFlag) != 0) return -1;
  ComputeSceneBounds(scene);
  return 0;
}

int32_t LoadSceneFromSource(Scene* scene, IDirect3DDevice9* device,
                            const StreamCallbacks* callbacks, void* user) {
  FreeScene(scene);
  int32_t abortFlag = 0;
  return ReadLmf(nullptr, callbacks, user, device, scene, &abortFlag) == 0 ? 0 : -1;
}
