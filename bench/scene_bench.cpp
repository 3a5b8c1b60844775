// Scene loading throughput: a 20 MB scene file (many meshes and keys) loaded
// from disk and from a scrambled archive member, each beside a plain read of
// the same bytes through the same source, so the loader's own cost shows as
// the gap between the two.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/data.h"
#include "scene/lmf_loader.h"
#include "support/device.h"
#include "tools/lmfdump/lmf_writer.h"
#include "tools/pac/pac_format.h"

namespace {

constexpr int kLayers = 180;
constexpr int kMeshesPerLayer = 2;
constexpr int kVertices = 600;
constexpr int kMotions = 200;
constexpr int kKeysPerChannel = 60;

lmfw::SceneData BigScene() {
  lmfw::SceneData scene;
  uint32_t seed = 1;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f;
  };
  scene.surfaces.resize(4);
  scene.surfaces[0].texture.width = 256;
  scene.surfaces[0].texture.height = 256;
  scene.surfaces[0].texture.pixels.assign(256 * 256 * 4, 0x80);
  scene.layers.resize(kLayers);
  for (int l = 0; l < kLayers; ++l) {
    lmfw::LayerData& layer = scene.layers[l];
    layer.name = "layer" + std::to_string(l);
    layer.motionNo = static_cast<uint16_t>(l % kMotions);
    layer.meshes.resize(kMeshesPerLayer);
    for (lmfw::MeshData& mesh : layer.meshes) {
      mesh.vertices.resize(kVertices);
      for (SceneVertex& v : mesh.vertices) {
        v.position[0] = next();
        v.position[1] = next();
        v.position[2] = next();
        v.blendWeights[0] = 1.0f;
      }
      for (int i = 0; i < kVertices; ++i) {
        mesh.indices.push_back(static_cast<uint16_t>(i));
        mesh.indices.push_back(static_cast<uint16_t>((i + 1) % kVertices));
        mesh.indices.push_back(static_cast<uint16_t>((i + 2) % kVertices));
      }
      mesh.surfaceNo = static_cast<uint16_t>(l % 4);
    }
  }
  scene.motions.resize(kMotions);
  for (int m = 0; m < kMotions; ++m) {
    scene.motions[m].parentNo = m == 0 ? kNoMotion : static_cast<uint16_t>((m - 1) / 2);
    for (lmfw::ChannelData& channel : scene.motions[m].channels) {
      channel.keys.resize(kKeysPerChannel);
      for (int k = 0; k < kKeysPerChannel; ++k) {
        channel.keys[k] = Key{};
        channel.keys[k].time = k * 500;
        channel.keys[k].value = next();
        channel.keys[k].shape = kShapeTcb;
      }
    }
  }
  scene.cameras.resize(1);
  return scene;
}

// One device, one folder holding "Scene.lmf" and "DataB.pac", for the whole run.
struct Fixture {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  std::filesystem::path dir;
  size_t fileSize = 0;
  std::string error;

  Fixture() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char pattern[] = "/tmp/scene-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
      error = "no scratch folder";
      return;
    }
    dir = pattern;
    const std::vector<uint8_t> bytes = lmfw::WriteLmf(BigScene());
    fileSize = bytes.size();
    std::ofstream(dir / kSceneFileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::vector<uint8_t> archive;
    if (!pac::BuildArchive({{kSceneFileName, bytes}}, true, pac::DefaultKey(), &archive, &error))
      return;
    std::ofstream(dir / kArchiveFileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    std::filesystem::current_path(dir);

    // A hidden window and a device without a depth buffer: the loads only
    // create resources.
    test_support::DeviceOptions options;
    options.width = 64;
    options.height = 64;
    options.visible = false;
    options.depth = false;
    options.flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    HWND window = nullptr;
    if (FAILED(test_support::OpenDevice("MorvaneSceneBench", options, &window, &d3d, &device)))
      error = "no window, Direct3D or device";
    ArchiveStartup(nullptr);
    if (!CurrentArchive()) error = "archive did not open";
  }
  // The device goes with the process; only the files are cleaned up.
  ~Fixture() {
    ArchiveShutdown();
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

bool Ready(benchmark::State& state) {
  if (!Shared().error.empty()) {
    state.SkipWithError(Shared().error.c_str());
    return false;
  }
  state.counters["file_MB"] = static_cast<double>(Shared().fileSize) / 1e6;
  return true;
}

void BM_SceneLoadFromDisk(benchmark::State& state) {
  if (!Ready(state)) return;
  Scene scene;
  ResetScene(&scene);
  for (auto _ : state) {
    if (LoadSceneFromFile(&scene, Shared().device) != 0) state.SkipWithError("load failed");
    FreeScene(&scene);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Shared().fileSize));
}
BENCHMARK(BM_SceneLoadFromDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScenePlainReadFromDisk(benchmark::State& state) {
  if (!Ready(state)) return;
  std::vector<uint8_t> buffer(kStreamBufferSize);
  for (auto _ : state) {
    std::FILE* file = std::fopen(kSceneFileName, "rb");
    size_t total = 0, got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) total += got;
    std::fclose(file);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Shared().fileSize));
}
BENCHMARK(BM_ScenePlainReadFromDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same read landing in fresh memory, as the loader's buffers are: the
// page faults of new memory are part of any load.
void BM_ScenePlainReadIntoNewMemory(benchmark::State& state) {
  if (!Ready(state)) return;
  const size_t size = Shared().fileSize;
  for (auto _ : state) {
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
    std::FILE* file = std::fopen(kSceneFileName, "rb");
    size_t total = 0, got;
    while (total < size &&
           (got = std::fread(bytes.get() + total, 1,
                             size - total < kStreamBufferSize ? size - total : kStreamBufferSize,
                             file)) > 0)
      total += got;
    std::fclose(file);
    benchmark::DoNotOptimize(bytes.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ScenePlainReadIntoNewMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SceneLoadFromArchive(benchmark::State& state) {
  if (!Ready(state)) return;
  Scene scene;
  ResetScene(&scene);
  for (auto _ : state) {
    SourceHandle handle{};
    handle.kind = kSourceArchiveMember;
    handle.archive = CurrentArchive();
    ArchiveFind(&handle.cursor, kSceneFileName);
    if (LoadSceneFromSource(&scene, Shared().device, &kSourceHandleCallbacks, &handle) != 0)
      state.SkipWithError("load failed");
    FreeScene(&scene);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Shared().fileSize));
}
BENCHMARK(BM_SceneLoadFromArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScenePlainReadFromArchive(benchmark::State& state) {
  if (!Ready(state)) return;
  std::vector<uint8_t> buffer(kStreamBufferSize);
  for (auto _ : state) {
    MemberCursor cursor{};
    ArchiveFind(&cursor, kSceneFileName);
    size_t total = 0, got;
    while ((got = ArchiveReadMember(CurrentArchive(), &cursor, buffer.data(),
                                    static_cast<uint32_t>(buffer.size()))) > 0)
      total += got;
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Shared().fileSize));
}
BENCHMARK(BM_ScenePlainReadFromArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
