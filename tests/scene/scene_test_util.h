// Shared pieces of the scene tests: a sample scene description, a memory
// source for the loader, comparison of a loaded scene with what was written,
// and a scratch working directory.
#ifndef MORVANE_TESTS_SCENE_SCENE_TEST_UTIL_H
#define MORVANE_TESTS_SCENE_SCENE_TEST_UTIL_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/stream.h"
#include "scene/fake_device.h"
#include "scene/scene.h"
#include "support/scratch.h"
#include "tools/lmfdump/lmf_writer.h"

namespace scene_test {

// Two layers (meshes, bones, bindings), four motions in a hierarchy with
// keyed channels, two surfaces (one with a colour and a toon texture), a
// camera and two lights. Every value differs from its default.
lmfw::SceneData SampleScene();

// A picture whose every byte depends on its position.
lmfw::PictureData Picture(int32_t width, int32_t height, uint8_t seed);

// Bytes served through the StreamCallbacks contract; counts the seeks and
// whether the close callback ran.
struct MemorySource {
  std::vector<uint8_t> bytes;
  uint64_t position = 0;
  int seeks = 0;
  bool closed = false;
};
StreamCallbacks MemoryCallbacks();

// Loads `bytes` through a MemorySource with LoadSceneFromSource.
int32_t LoadBytes(const std::vector<uint8_t>& bytes, IDirect3DDevice9* device, Scene* scene);

// Expects `scene` to hold exactly `expected`, buffers and textures included.
void ExpectSceneEquals(const Scene& scene, const lmfw::SceneData& expected);

// Makes a fresh folder the working directory for the life of the object.
using ScratchDir = test_support::ScratchFolder;

}  // namespace scene_test

#endif  // MORVANE_TESTS_SCENE_SCENE_TEST_UTIL_H
