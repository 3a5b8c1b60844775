// The Direct3D 9 device at 800x600, through its API: fill rate of a
// full-screen textured sprite, throughput of small lit textured triangles
// through a vertex program, and the cost of Present; each without and with
// 4x multisampling, on the CPU device (second argument 0) and the OpenGL
// device (1; on a machine without a GPU that is Mesa's llvmpipe, the
// yardstick for the CPU device). Rendering is completed (flushed, or
// glFinish) inside every iteration, so the figures are whole-draw costs.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <d3d9_programs.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "bench_device.h"
#include "d3d9/device.h"
#include "d3d9/device_choice.h"
#include "testing.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

struct MeshVertex {
  float px, py, pz, nx, ny, nz, u, v;
};

// A window, a device and the program's fixed states. Headless.
class Setup {
 public:
  Setup(int samples, int gl) {
    d3d9::SetDeviceChoice(gl != 0 ? d3d9::DeviceKind::Gl : d3d9::DeviceKind::Cpu);
    bench::OpenDevice("MorvaneBench", kWidth, kHeight, samples, &window_, &d3d_, &device_);
    d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
    if (device_ == nullptr) return;
    // The program's fixed states; a 1024 x 1024 texture whose texels differ.
    SetFixedDeviceStates(device_);
    texture_ = test_support::MakeTexture(
        device_, 1024, 1024,
        [](int x, int y) {
          return 0xFF000000u | static_cast<uint32_t>((x ^ y) & 0xFF) << 16 |
                 static_cast<uint32_t>(x & 0xFF) << 8 | static_cast<uint32_t>(y & 0xFF);
        },
        0);
  }
  ~Setup() {
    if (texture_) texture_->Release();
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    testing_hooks::ResetPlatform();
  }
  bool ok() const { return device_ != nullptr && texture_ != nullptr; }
  IDirect3DDevice9* device() const { return device_; }
  IDirect3DTexture9* texture() const { return texture_; }
  // Completes every recorded draw.
  void Finish() { dynamic_cast<d3d9::Device*>(device_)->Finish(); }

 private:
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DTexture9* texture_ = nullptr;
};

void FullScreenSprite(benchmark::State& state) {
  Setup s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (!s.ok()) return state.SkipWithError("no device");
  IDirect3DDevice9* d = s.device();
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
  const float uR = 800.5f / 1024.0f, vB = 600.5f / 1024.0f, uL = 0.5f / 1024.0f;
  const SpriteVertex v[4] = {{0, 0, 0, 1, 0xFFFFFFFF, uL, uL},
                             {800, 0, 0, 1, 0xFFFFFFFF, uR, uL},
                             {800, 600, 0, 1, 0xFFFFFFFF, uR, vB},
                             {0, 600, 0, 1, 0xFFFFFFFF, uL, vB}};
  d->SetTexture(0, s.texture());
  d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  d->BeginScene();
  for (auto _ : state) {
    d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(SpriteVertex));
    s.Finish();
  }
  d->EndScene();
  const double pixels = static_cast<double>(state.iterations()) * kWidth * kHeight;
  state.counters["Mpixel/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(FullScreenSprite)
    ->ArgsProduct({{0, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Lit, textured: clip position from c0..c3, Lambert term of the normal with
// the light in c4 plus ambient c5, texture coordinate passed on.
void LitProgram(const raster::VertexInput& in, const raster::Float4* c, raster::VertexOutput* out,
                void*) {
  const raster::Float4& p = in.position[0];
  out->position = {p.x * c[0].x + p.y * c[1].x + p.z * c[2].x + c[3].x,
                   p.x * c[0].y + p.y * c[1].y + p.z * c[2].y + c[3].y,
                   p.x * c[0].z + p.y * c[1].z + p.z * c[2].z + c[3].z,
                   p.x * c[0].w + p.y * c[1].w + p.z * c[2].w + c[3].w};
  const raster::Float4& n = in.normal[0];
  float l = n.x * c[4].x + n.y * c[4].y + n.z * c[4].z;
  l = (l > 0.0f ? l : 0.0f) + c[5].x;
  out->color0 = {l, l, l, 1.0f};
  out->texcoord[0] = in.texcoord[0];
}

constexpr const char* kLitProgramGlsl = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 normal;
layout(location = 2) in vec4 texcoord;
uniform vec4 c[256];
out vec4 vColor0;
out vec4 vTexcoord0;
out vec4 vTexcoord1;
void main() {
  gl_Position = position.x * c[0] + position.y * c[1] + position.z * c[2] + c[3];
  float l = max(dot(normal.xyz, c[4].xyz), 0.0) + c[5].x;
  vColor0 = vec4(l, l, l, 1.0);
  vTexcoord0 = texcoord;
  vTexcoord1 = vec4(0.0, 0.0, 0.0, 1.0);
}
)";

const d3d9::VertexProgramInput kLitInputs[] = {
    {D3DDECLUSAGE_POSITION, 0}, {D3DDECLUSAGE_NORMAL, 0}, {D3DDECLUSAGE_TEXCOORD, 0}};

void LitTriangles(benchmark::State& state) {
  Setup s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (!s.ok()) return state.SkipWithError("no device");
  IDirect3DDevice9* d = s.device();
  // A 250 x 100 grid of quads over the screen, gently waved: 50,000
  // triangles of about 10 pixels each.
  constexpr int kCols = 250, kRows = 100;
  std::vector<MeshVertex> vertices;
  for (int y = 0; y <= kRows; ++y)
    for (int x = 0; x <= kCols; ++x) {
      const float fx = static_cast<float>(x) / kCols, fy = static_cast<float>(y) / kRows;
      const float nx = 0.3f * std::sin(fx * 20.0f), ny = 0.3f * std::cos(fy * 15.0f);
      const float len = std::sqrt(nx * nx + ny * ny + 1.0f);
      vertices.push_back({fx * 2.0f - 1.0f, 1.0f - fy * 2.0f, 0.5f + 0.1f * nx, nx / len, ny / len,
                          -1.0f / len, fx * 4.0f, fy * 4.0f});
    }
  std::vector<uint16_t> indices;  // 251 x 101 vertices fit 16-bit indices
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kCols; ++x) {
      const int i = y * (kCols + 1) + x;
      for (int k : {i, i + 1, i + kCols + 2, i, i + kCols + 2, i + kCols + 1})
        indices.push_back(static_cast<uint16_t>(k));
    }
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                        {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                        D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  d->CreateVertexDeclaration(elements, &decl);
  const UINT vbytes = static_cast<UINT>(vertices.size() * sizeof(MeshVertex));
  d->CreateVertexBuffer(vbytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr);
  const UINT ibytes = static_cast<UINT>(indices.size() * 2);
  d->CreateIndexBuffer(ibytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
  void* p = nullptr;
  vb->Lock(0, 0, &p, 0);
  std::memcpy(p, vertices.data(), vbytes);
  vb->Unlock();
  ib->Lock(0, 0, &p, 0);
  std::memcpy(p, indices.data(), ibytes);
  ib->Unlock();
  const float constants[24] = {1, 0, 0, 0, 0,    1,    0,       0, 0,    0, 1, 0,
                               0, 0, 0, 1, 0.3f, 0.4f, -0.866f, 0, 0.2f, 0, 0, 0};
  d->SetVertexShaderConstantF(0, constants, 6);
  d->SetVertexDeclaration(decl);
  d->SetStreamSource(0, vb, 0, sizeof(MeshVertex));
  d->SetIndices(ib);
  d->SetTexture(0, s.texture());
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  d3d9::VertexProgramInfo lit;
  lit.program = LitProgram;
  lit.constantRegisters = 6;
  lit.inputs = kLitInputs;
  lit.inputCount = 3;
  lit.glsl = kLitProgramGlsl;
  d3d9::SetVertexProgram(d, lit);
  const uint32_t vertexCount = static_cast<uint32_t>(vertices.size());
  const uint32_t primitives = kCols * kRows * 2;
  bool failed = false;
  d->BeginScene();
  for (auto _ : state) {
    d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    failed |=
        d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, primitives) != D3D_OK;
    s.Finish();
  }
  d->EndScene();
  if (failed) state.SkipWithError("draw failed");
  state.counters["Mtriangles/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * primitives / 1e6, benchmark::Counter::kIsRate);
  d3d9::SetVertexProgram(d, nullptr, nullptr);
  d->SetTexture(0, nullptr);
  d->SetVertexDeclaration(nullptr);
  d->SetStreamSource(0, nullptr, 0, 0);
  d->SetIndices(nullptr);
  ib->Release();
  vb->Release();
  decl->Release();
}
BENCHMARK(LitTriangles)
    ->ArgsProduct({{0, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void Present(benchmark::State& state) {
  Setup s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (!s.ok()) return state.SkipWithError("no device");
  IDirect3DDevice9* d = s.device();
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00336699, 1.0f, 0);
  for (auto _ : state) d->Present(nullptr, nullptr, nullptr, nullptr);
}
BENCHMARK(Present)->ArgsProduct({{0, 4}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
