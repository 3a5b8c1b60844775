// The whole benchmark frame on the software device at 800x600: a synthetic
// scene of 40,000 skinned, textured triangles in the benchmark's layer list
// (0, 5, 9, 14, 17, 26, 36 and the morph pair 6 -> 7) through the real
// effect, with every surface type and blend mode, between a full-screen
// background sprite and the overlay sprites and fade quad; Present
// (resolve) included. Arguments: samples (0 or 4) and rasteriser threads.
// One iteration is one frame at animation time 111 ms later than the last,
// as the timed lap steps; the median of the repetitions is the figure.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "bench_device.h"
#include "render/render.h"
#include "scene/scene.h"
#include "testing.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr int kLayers = 37;
constexpr int kGrid = 50;  // 50 x 50 quads: 5,000 triangles per drawn layer
constexpr int kDrawn[] = {0, 5, 9, 14, 17, 26, 36};

class Frame {
 public:
  Frame(int samples, int threads) {
    testing_hooks::SetDeviceThreads(threads);
    ResetScene(&scene_);
    bench::OpenDevice("MorvaneFrameBench", kWidth, kHeight, samples, &window_, &d3d_, &device_);
    if (device_ == nullptr) return;
    if (InitRenderContext(&render_, device_, GetModuleHandleA(nullptr)) != 0) return;
    background_ = MakeTexture(1024, 0xFF);
    overlay_ = MakeTexture(256, 0x80);
    BuildScene();
    ok_ = background_ != nullptr && overlay_ != nullptr;
  }
  ~Frame() {
    FreeScene(&scene_);
    ReleaseRenderContext(&render_);
    if (overlay_) overlay_->Release();
    if (background_) background_->Release();
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    testing_hooks::SetDeviceThreads(0);
    testing_hooks::ResetPlatform();
  }
  bool ok() const { return ok_; }

  // One frame at animation time `ms`.
  bool Draw(int ms) {
    IDirect3DDevice9* d = device_;
    const float t = static_cast<float>(ms) * 0.001f;
    for (uint16_t i = 0; i < scene_.motionCount; ++i) {
      D3DXMATRIX& m = scene_.motions[i].skinMatrix;
      D3DXMatrixTranslation(&m, 0.1f * std::cos(t * 0.7f + i), 0.05f * std::sin(t * 1.3f), 0);
      const float a = 0.3f * std::sin(t + i);
      m._11 = std::cos(a);
      m._12 = std::sin(a);
      m._21 = -m._12;
      m._22 = m._11;
    }
    bool good = d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0) == D3D_OK;
    good &= d->BeginScene() == D3D_OK;
    SetStates();
    // Background: opaque, texel-exact, no depth.
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    Sprite(background_, 0, 0, kWidth, kHeight, 1024, 0xFFFFFFFF);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (int layer : kDrawn)
      good &= DrawLayer(static_cast<uint16_t>(layer), d, &scene_, &render_) == 0;
    const float w = 0.5f + 0.5f * std::sin(t);
    const float weight[3] = {w, 1.0f - w, w};
    good &= DrawMorphLayers(d, &scene_, &render_, weight) == 0;
    // Overlay sprites and the fade quad: blended, no depth.
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    for (int i = 0; i < 6; ++i) Sprite(overlay_, 16 + i * 128, 520, 128, 64, 256, 0xFFFFFFFF);
    Sprite(overlay_, 560, 16, 224, 96, 256, 0xFFFFFFFF);
    Sprite(nullptr, 0, 0, kWidth, kHeight, 1, 0x60000000);
    good &= d->EndScene() == D3D_OK;
    good &= d->Present(nullptr, nullptr, nullptr, nullptr) == D3D_OK;
    return good;
  }

 private:
  // The program's fixed states, with bilinear sampling for the scaled
  // textures of this frame.
  void SetStates() {
    SetFixedDeviceStates(device_);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  }

  // A screen rectangle with texels mapped one to one (textureSize square).
  void Sprite(IDirect3DTexture9* texture, int x, int y, int w, int h, int textureSize,
              DWORD diffuse) {
    const float x0 = static_cast<float>(x) - 0.5f, y0 = static_cast<float>(y) - 0.5f;
    const float x1 = x0 + static_cast<float>(w), y1 = y0 + static_cast<float>(h);
    const float s = 1.0f / static_cast<float>(textureSize);
    const float u1 = static_cast<float>(w) * s, v1 = static_cast<float>(h) * s;
    const SpriteVertex v[4] = {{x0, y0, 0, 1, diffuse, 0, 0},
                               {x1, y0, 0, 1, diffuse, u1, 0},
                               {x1, y1, 0, 1, diffuse, u1, v1},
                               {x0, y1, 0, 1, diffuse, 0, v1}};
    device_->SetTexture(0, texture);
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(SpriteVertex));
  }

  IDirect3DTexture9* MakeTexture(UINT size, uint32_t alpha) {
    return test_support::MakeTexture(device_, size, size, [alpha](int x, int y) {
      const uint32_t a = (x / 16 + y / 16) % 5 == 0 ? alpha / 2 : alpha;
      const auto ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y);
      return a << 24 | ((ux * 7) & 0xFF) << 16 | ((ux ^ uy) & 0xFF) << 8 | ((uy * 3) & 0xFF);
    });
  }

  // A kGrid x kGrid grid over clip rectangle (x0, y0)-(x1, y1), gently
  // curved in depth, skinned between palette slots 0 and 1 across x.
  static void Grid(Mesh* mesh, IDirect3DDevice9* d, float x0, float y0, float x1, float y1,
                   float z) {
    std::vector<SceneVertex> v;
    for (int j = 0; j <= kGrid; ++j)
      for (int i = 0; i <= kGrid; ++i) {
        const float fx = static_cast<float>(i) / kGrid, fy = static_cast<float>(j) / kGrid;
        SceneVertex s{};
        s.position[0] = x0 + (x1 - x0) * fx;
        s.position[1] = y0 + (y1 - y0) * fy;
        s.position[2] = z + 0.05f * std::sin(fx * 6.0f) * std::cos(fy * 5.0f);
        s.normal[0] = 0.3f * std::cos(fx * 6.0f);
        s.normal[2] = -1;
        for (float& c : s.color) c = 1;
        s.texCoord[0] = fx * 2.0f;
        s.texCoord[1] = fy * 2.0f;
        s.blendIndices[1] = 1;
        s.blendWeights[0] = 1.0f - fx;
        s.blendWeights[1] = fx;
        v.push_back(s);
      }
    std::vector<uint16_t> idx;
    for (int j = 0; j < kGrid; ++j)
      for (int i = 0; i < kGrid; ++i) {
        const int a = j * (kGrid + 1) + i;
        for (int k : {a, a + kGrid + 2, a + 1, a, a + kGrid + 1, a + kGrid + 2})
          idx.push_back(static_cast<uint16_t>(k));
      }
    mesh->vertexCount = static_cast<uint16_t>(v.size());
    mesh->polygonCount = static_cast<uint16_t>(idx.size() / 3);
    void* p = nullptr;
    const UINT vbytes = static_cast<UINT>(v.size() * sizeof(SceneVertex));
    if (d->CreateVertexBuffer(vbytes, 0, 0, D3DPOOL_MANAGED, &mesh->vertexBuffer, nullptr) ==
            D3D_OK &&
        SUCCEEDED(mesh->vertexBuffer->Lock(0, 0, &p, 0))) {
      std::memcpy(p, v.data(), vbytes);
      mesh->vertexBuffer->Unlock();
    }
    const UINT ibytes = static_cast<UINT>(idx.size() * 2);
    if (d->CreateIndexBuffer(ibytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &mesh->indexBuffer,
                             nullptr) == D3D_OK &&
        SUCCEEDED(mesh->indexBuffer->Lock(0, 0, &p, 0))) {
      std::memcpy(p, idx.data(), ibytes);
      mesh->indexBuffer->Unlock();
    }
  }

  void BuildScene() {
    // Surfaces: every type 0..4 and blend mode 0..6, each with its texture.
    scene_.surfaceCount = 9;
    scene_.surfaces = new Surface[9]();
    for (int i = 0; i < 9; ++i) {
      Surface& s = scene_.surfaces[i];
      s.type = i % 5;
      s.blendMode = i < 7 ? i : 0;
      s.diffuse[0] = 0.9f;
      s.diffuse[1] = 0.7f + 0.03f * i;
      s.diffuse[2] = 0.5f;
      s.diffuse[3] = i == 0 || i == 7 ? 1.0f : 0.8f;
      s.emissive = 0.4f;
      s.specular = 0.5f;
      s.power = 8.0f;
      s.doubleSided = i % 2 == 0;
      s.texture = MakeTexture(256, 0xFF);
      s.textureWidth = s.textureHeight = 256;
      if (s.type == kSurfaceToon) {
        s.toonTexture = MakeTexture(32, 0xFF);
        s.toonWidth = s.toonHeight = 32;
      }
    }
    scene_.motionCount = 2;
    scene_.motions = new Motion[2];
    scene_.layerCount = kLayers;
    scene_.layers = new Layer[kLayers]();
    int n = 0;
    for (int index : {0, 5, 9, 14, 17, 26, 36, 6, 7}) {
      Layer& l = scene_.layers[index];
      l.motionNo = 0;
      l.paletteSlot = 0;
      l.bindingCount = 1;
      l.bindings = new PaletteBinding[1]{{1, 1}};
      l.meshCount = 1;
      l.meshes = new Mesh[1]();
      l.meshes[0].surfaceNo = static_cast<uint16_t>(index == 7 ? 8 : n % 9);
      // Overlapping panels over the screen, nearer ones later.
      const float ox = -0.9f + 0.12f * static_cast<float>(n % 4);
      const float oy = -0.8f + 0.1f * static_cast<float>(n % 3);
      const float grow = index == 7 ? 0.2f : 0.0f;
      Grid(&l.meshes[0], device_, ox, oy, ox + 1.2f + grow, oy + 1.3f + grow,
           0.8f - 0.07f * static_cast<float>(n));
      ++n;
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    SetWorldAndLights(&render_, &identity);
  }

  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DTexture9* background_ = nullptr;
  IDirect3DTexture9* overlay_ = nullptr;
  RenderContext render_{};
  Scene scene_{};
  bool ok_ = false;
};

void SyntheticFrame(benchmark::State& state) {
  Frame frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (!frame.ok()) return state.SkipWithError("no device or render context");
  int ms = 0;
  for (int i = 0; i < 12; ++i, ms += 111) frame.Draw(ms);  // warm-up: buffers grow once
  bool good = true;
  for (auto _ : state) {
    good &= frame.Draw(ms);
    ms = (ms + 111) % 33300;
  }
  if (!good) state.SkipWithError("a frame call failed");
  state.counters["triangles"] = 40000;
}
BENCHMARK(SyntheticFrame)
    ->ArgNames({"samples", "threads"})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({4, 1})
    ->Args({4, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
