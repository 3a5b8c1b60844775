// The effect's vertex stage and the drawing of one layer: each of the
// twelve vertex programs on a 10,000-vertex mesh skinned with four
// influences (one thread, and two threads each running the whole mesh),
// and DrawLayer of that mesh end to end at 800x600 with the embedded
// effect, the draw completed inside every iteration.
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_device.h"
#include "d3d9/device.h"
#include "render/effect_source.h"
#include "render/render.h"
#include "scene/scene.h"
#include "testing.h"

namespace {

constexpr int kGrid = 100;  // 100 x 100 = 10,000 vertices
constexpr int kWidth = 800, kHeight = 600;

// A waved grid over the screen; vertex i leans on four palette slots with
// weights 0.4, 0.3, 0.2, 0.1.
std::vector<SceneVertex> SkinnedGrid() {
  std::vector<SceneVertex> v(kGrid * kGrid);
  for (int y = 0; y < kGrid; ++y)
    for (int x = 0; x < kGrid; ++x) {
      SceneVertex& s = v[y * kGrid + x];
      const float fx = static_cast<float>(x) / (kGrid - 1),
                  fy = static_cast<float>(y) / (kGrid - 1);
      s.position[0] = fx * 1.8f - 0.9f;
      s.position[1] = 0.9f - fy * 1.8f;
      s.position[2] = 0.5f + 0.05f * std::sin(fx * 12.0f);
      const float nx = 0.3f * std::sin(fx * 20.0f), ny = 0.3f * std::cos(fy * 15.0f);
      const float len = std::sqrt(nx * nx + ny * ny + 1.0f);
      s.normal[0] = nx / len;
      s.normal[1] = ny / len;
      s.normal[2] = -1.0f / len;
      for (float& c : s.color) c = 1.0f;
      s.texCoord[0] = fx * 4.0f;
      s.texCoord[1] = fy * 4.0f;
      const int base = (x / 10 + y / 10) % 70;
      const float weights[4] = {0.4f, 0.3f, 0.2f, 0.1f};
      for (int k = 0; k < 4; ++k) {
        s.blendIndices[k] = static_cast<float>(base + k);
        s.blendWeights[k] = weights[k];
      }
    }
  return v;
}

raster::VertexInput InputOf(const SceneVertex& s) {
  raster::VertexInput in{};
  auto four = [](const float* f, int n) {
    float r[4] = {0, 0, 0, 1};
    for (int i = 0; i < n; ++i) r[i] = f[i];
    return raster::Float4{r[0], r[1], r[2], r[3]};
  };
  for (int k = 0; k < raster::VertexInput::kUsageIndices; ++k) {
    in.position[k] = four(s.position, 3);
    in.normal[k] = four(s.normal, 3);
  }
  in.color[0] = four(s.color, 4);
  in.texcoord[0] = four(s.texCoord, 2);
  in.blendIndices[0] = four(s.blendIndices, 4);
  in.blendWeight[0] = four(s.blendWeights, 4);
  return in;
}

// Constants as a frame has them: a perspective combined matrix, lights,
// surface, and a palette of small rotations.
std::vector<raster::Float4> FrameConstants() {
  std::vector<raster::Float4> c(raster::kConstantRegisters, raster::Float4{0, 0, 0, 0});
  c[effect_source::kRegWorldViewProjection + 0] = {1.3f, 0, 0, 0};
  c[effect_source::kRegWorldViewProjection + 1] = {0, 1.7f, 0, 0};
  c[effect_source::kRegWorldViewProjection + 2] = {0, 0, 1.01f, -0.1f};
  c[effect_source::kRegWorldViewProjection + 3] = {0, 0, 1, 0};
  c[effect_source::kRegDiffuse] = {0.9f, 0.8f, 0.7f, 1};
  c[effect_source::kRegSurfaceParam] = {0.2f, 0.5f, 8, 0};
  c[effect_source::kRegCameraPosition] = {0, 0, -3, 0};
  c[effect_source::kRegLight1Direction] = {0, -0.6f, 0.8f, 0};
  c[effect_source::kRegLight1Color] = {1, 1, 1, 0.5f};
  c[effect_source::kRegLight2Direction] = {0.6f, 0, 0.8f, 0};
  c[effect_source::kRegLight2Color] = {0.3f, 0.3f, 0.5f, 0.2f};
  c[effect_source::kRegMorphingWeight] = {0.5f, 0.5f, 0.5f, 0};
  for (int i = 0; i < effect_source::kPaletteSize; ++i) {
    const float a = 0.01f * static_cast<float>(i), ca = std::cos(a), sa = std::sin(a);
    raster::Float4* b = &c[effect_source::kRegBlendMatrix + 3 * i];
    b[0] = {ca, -sa, 0, 0.001f * static_cast<float>(i)};
    b[1] = {sa, ca, 0, 0};
    b[2] = {0, 0, 1, 0};
  }
  return c;
}

// Vertex stage of program range(0) of the twelve over the whole mesh.
void BM_VertexProgram(benchmark::State& state) {
  const effect_source::Program& program = effect_source::kPrograms[state.range(0)];
  state.SetLabel(program.name);
  const std::vector<SceneVertex> mesh = SkinnedGrid();
  std::vector<raster::VertexInput> inputs;
  inputs.reserve(mesh.size());
  for (const SceneVertex& v : mesh) inputs.push_back(InputOf(v));
  const std::vector<raster::Float4> constants = FrameConstants();
  std::vector<raster::VertexOutput> outputs(inputs.size());
  for (auto _ : state) {
    for (size_t i = 0; i < inputs.size(); ++i)
      program.function(inputs[i], constants.data(), &outputs[i], nullptr);
    benchmark::ClobberMemory();
  }
  state.counters["Mvertices/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(inputs.size()) / 1e6,
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VertexProgram)->DenseRange(0, 11)->Threads(1)->Threads(2)->UseRealTime();

// DrawLayer of the skinned grid (one mesh, Lambert) at 800x600, completed.
void BM_DrawLayerSkinned(benchmark::State& state) {
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  bench::OpenDevice("MorvaneEffectBench", kWidth, kHeight, 0, &window, &d3d, &device);
  RenderContext render;
  Scene scene;
  ResetScene(&scene);
  if (device == nullptr || InitRenderContext(&render, device, GetModuleHandleA(nullptr)) != 0) {
    state.SkipWithError("no device or effect");
  } else {
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    SetWorldAndLights(&render, &identity);
    const std::vector<SceneVertex> vertices = SkinnedGrid();
    std::vector<uint16_t> indices;
    for (int y = 0; y + 1 < kGrid; ++y)
      for (int x = 0; x + 1 < kGrid; ++x) {
        const int i = y * kGrid + x;
        for (int k : {i, i + 1, i + kGrid + 1, i, i + kGrid + 1, i + kGrid})
          indices.push_back(static_cast<uint16_t>(k));
      }
    scene.layerCount = 1;
    scene.layers = new Layer[1]();
    Layer& layer = scene.layers[0];
    layer.motionNo = kNoMotion;
    layer.paletteSlot = 0;
    layer.bindingCount = 74;
    layer.bindings = new PaletteBinding[74];
    scene.motionCount = 74;
    scene.motions = new Motion[74];
    for (uint16_t i = 0; i < 74; ++i) {
      layer.bindings[i] = {i, static_cast<uint16_t>(i + 1)};
      D3DXMATRIX& m = scene.motions[i].skinMatrix;
      const float a = 0.01f * static_cast<float>(i);
      D3DXMatrixIdentity(&m);
      m._11 = m._22 = std::cos(a);
      m._12 = std::sin(a);
      m._21 = -m._12;
    }
    layer.meshCount = 1;
    layer.meshes = new Mesh[1]();
    Mesh& mesh = layer.meshes[0];
    mesh.vertexCount = static_cast<uint16_t>(vertices.size());
    mesh.polygonCount = static_cast<uint16_t>(indices.size() / 3);
    const UINT vbytes = static_cast<UINT>(vertices.size() * sizeof(SceneVertex));
    const UINT ibytes = static_cast<UINT>(indices.size() * 2);
    device->CreateVertexBuffer(vbytes, 0, 0, D3DPOOL_MANAGED, &mesh.vertexBuffer, nullptr);
    device->CreateIndexBuffer(ibytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &mesh.indexBuffer,
                              nullptr);
    void* data = nullptr;
    mesh.vertexBuffer->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vbytes);
    mesh.vertexBuffer->Unlock();
    mesh.indexBuffer->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), ibytes);
    mesh.indexBuffer->Unlock();
    scene.surfaceCount = 1;
    scene.surfaces = new Surface[1]();
    scene.surfaces[0].type = kSurfaceLambert;
    scene.surfaces[0].diffuse[0] = scene.surfaces[0].diffuse[1] = 0.8f;
    scene.surfaces[0].diffuse[2] = scene.surfaces[0].diffuse[3] = 1.0f;
    scene.surfaces[0].emissive = 0.5f;
    auto* d = dynamic_cast<d3d9::Device*>(device);
    device->BeginScene();
    for (auto _ : state) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
      DrawLayer(0, device, &scene, &render);
      d->Flush();
    }
    device->EndScene();
    state.counters["Mvertices/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(vertices.size()) / 1e6,
        benchmark::Counter::kIsRate);
  }
  FreeScene(&scene);
  ReleaseRenderContext(&render);
  if (device) device->Release();
  if (d3d) d3d->Release();
  testing_hooks::ResetPlatform();
}
BENCHMARK(BM_DrawLayerSkinned)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
