// The loader's entries and the top-level chunk walk.
#include "scene/lmf_loader.h"

#include <vector>

#include "scene/lmf_chunk.h"
#include "scene/lmf_tags.h"

using namespace lmf;

namespace {

// Closes the stream on every way out, the out-of-memory exception included.
struct StreamGuard {
  InputStream* stream;
  ~StreamGuard() { StreamClose(stream); }
};

struct TopCursors {
  ItemCursor layers, motions, surfaces, cameras, lights;
};

bool ReadTopChunk(InputStream* stream, const ChunkHeader& h, uint32_t* consumed, TopCursors* at,
                  IDirect3DDevice9* device, Scene* scene, int32_t* abortFlag) {
  switch (h.tag) {
    case kLYRN:
      return ReadCount(stream, h, &scene->layerCount, &scene->layers, &at->layers, consumed,
                       abortFlag);
    case kLYER: {
      Layer* layer = NextItem(scene->layers, scene->layerCount, &at->layers, abortFlag);
      return layer && ContainerDone(h, ReadLayer(stream, layer, h.length, device, abortFlag),
                                    consumed, abortFlag);
    }
    case kMOTN:
      return ReadCount(stream, h, &scene->motionCount, &scene->motions, &at->motions, consumed,
                       abortFlag);
    case kMOTI: {
      Motion* motion = NextItem(scene->motions, scene->motionCount, &at->motions, abortFlag);
      return motion &&
             ContainerDone(h, ReadMotion(stream, motion, h.length, abortFlag), consumed, abortFlag);
    }
    case kSRFN:
      return ReadCount(stream, h, &scene->surfaceCount, &scene->surfaces, &at->surfaces, consumed,
                       abortFlag);
    case kSURF: {
      Surface* surface = NextItem(scene->surfaces, scene->surfaceCount, &at->surfaces, abortFlag);
      return surface && ContainerDone(h, ReadSurface(stream, surface, h.length, device, abortFlag),
                                      consumed, abortFlag);
    }
    case kCAMN:
      return ReadCount(stream, h, &scene->cameraCount, &scene->cameras, &at->cameras, consumed,
                       abortFlag);
    case kCAM: {
      Camera* camera = NextItem(scene->cameras, scene->cameraCount, &at->cameras, abortFlag);
      return camera &&
             ContainerDone(h, ReadCamera(stream, camera, h.length, abortFlag), consumed, abortFlag);
    }
    case kLITN:
      return ReadCount(stream, h, &scene->lightCount, &scene->lights, &at->lights, consumed,
                       abortFlag);
    case kLIGT:
      // Counts a light and reads nothing: the chunks of its body follow at
      // top level. Its length was still checked against the total.
      return NextItem(scene->lights, scene->lightCount, &at->lights, abortFlag) != nullptr;
    default:
      return SkipChunk(stream, h, consumed, abortFlag);
  }
}

bool MotionNoOk(uint16_t motionNo, const Scene& scene) {
  // With no motions at all every number means the identity.
  return motionNo == kNoMotion || scene.motionCount == 0 || motionNo < scene.motionCount;
}

// The numbers the renderer and the transform update dereference, and that
// every mesh they draw has its buffers.
bool CheckReferences(const Scene& scene) {
  for (uint16_t i = 0; i < scene.layerCount; ++i) {
    const Layer& layer = scene.layers[i];
    if (!MotionNoOk(layer.motionNo, scene)) return false;
    for (uint16_t m = 0; m < layer.meshCount; ++m) {
      const Mesh& mesh = layer.meshes[m];
      if (!mesh.vertexBuffer || !mesh.indexBuffer) return false;
      if (mesh.surfaceNo >= scene.surfaceCount) return false;
    }
    for (uint16_t b = 0; b < layer.bindingCount; ++b) {
      if (!MotionNoOk(layer.bindings[b].motionNo, scene)) return false;
    }
  }
  for (uint16_t i = 0; i < scene.cameraCount; ++i) {
    if (!MotionNoOk(scene.cameras[i].motionNo, scene)) return false;
  }
  return true;
}

// Parents in range and no cycles: each chain is walked once, marking the
// motions on the current path, so the check is linear in the motion count.
bool CheckParents(const Scene& scene) {
  const uint16_t n = scene.motionCount;
  for (uint16_t i = 0; i < n; ++i) {
    const uint16_t parent = scene.motions[i].parentNo;
    if (parent != kNoMotion && parent >= n) return false;
  }
  enum : uint8_t { kUnseen, kOnPath, kDone };
  std::vector<uint8_t> state(n, kUnseen);
  for (uint16_t start = 0; start < n; ++start) {
    uint16_t at = start;
    while (at != kNoMotion && state[at] == kUnseen) {
      state[at] = kOnPath;
      at = scene.motions[at].parentNo;
    }
    if (at != kNoMotion && state[at] == kOnPath) return false;
    for (at = start; at != kNoMotion && state[at] == kOnPath; at = scene.motions[at].parentNo)
      state[at] = kDone;
  }
  return true;
}

}  // namespace

int32_t ReadLmf(const char* name, const StreamCallbacks* callbacks, void* user,
                IDirect3DDevice9* device, Scene* scene, int32_t* abortFlag) {
  InputStream stream{};
  StreamGuard guard{&stream};
  if (name) {
    if (StreamOpenFile(&stream, name) != 0) return -1;
  } else {
    if (!callbacks) return -1;
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
  if (StreamRead(&stream, &magic, 4) != 4 || magic != kMagic) return -1;
  if (StreamRead(&stream, &total, 4) != 4) return -1;

  *abortFlag = 0;
  const uint32_t totalLength = total > 0 ? static_cast<uint32_t>(total) : 0;
  uint32_t consumed = 0;
  TopCursors cursors;
  ChunkHeader h;
  while (consumed < totalLength && !*abortFlag) {
    if (!NextChunk(&stream, totalLength, &consumed, &h, abortFlag)) break;
    if (!ReadTopChunk(&stream, h, &consumed, &cursors, device, scene, abortFlag)) Fail(abortFlag);
  }
  StreamClose(&stream);
  if (*abortFlag) return -1;

  if (!CheckReferences(*scene) || !CheckParents(*scene)) {
    *abortFlag = 1;
    return -1;
  }
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
