// Shared set-up for the drawing tests: an 800 by 600 software device with
// the program's fixed states, a render context made by InitRenderContext
// from the embedded effect, and small scenes built directly as Scene
// records with device buffers. Frames are read back through the
// present-capture hook; the helpers save PNGs under $MORVANE_TEST_OUT.
#ifndef MORVANE_TESTS_RENDER_RENDER_FIXTURE_H
#define MORVANE_TESTS_RENDER_RENDER_FIXTURE_H

#include <d3d9.h>
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "render/render.h"
#include "scene/scene.h"
#include "support/device.h"
#include "support/image_compare.h"
#include "testing.h"

namespace render_test {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

struct Rgb {
  double r, g, b;
};

inline Rgb Unpack(uint32_t argb) {
  return {((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0};
}

using test_support::TestName;

// A mesh before it becomes a Scene record.
struct MeshSpec {
  std::vector<SceneVertex> vertices;
  std::vector<uint16_t> indices;
  uint16_t surfaceNo = 0;
};

struct LayerSpec {
  std::vector<MeshSpec> meshes;
  uint16_t motionNo = kNoMotion;
  uint16_t paletteSlot = 0;
  std::vector<PaletteBinding> bindings;
};

// A vertex at clip-space (x, y, z) with white colour, a normal towards the
// viewer and the whole weight on palette slot `slot`.
inline SceneVertex Vertex(float x, float y, float z, float u, float v, float slot = 0) {
  SceneVertex s{};
  s.position[0] = x;
  s.position[1] = y;
  s.position[2] = z;
  s.normal[2] = -1;
  for (float& c : s.color) c = 1;
  s.texCoord[0] = u;
  s.texCoord[1] = v;
  s.blendIndices[0] = slot;
  s.blendWeights[0] = 1;
  return s;
}

// An axis-aligned quad from (x0, y0) to (x1, y1) in clip space, y up.
// Front-facing (clockwise on screen) unless `counterClockwise`.
inline MeshSpec Quad(float x0, float y0, float x1, float y1, uint16_t surfaceNo, float z = 0.5f,
                     bool counterClockwise = false) {
  MeshSpec m;
  m.vertices = {Vertex(x0, y0, z, 0, 1), Vertex(x1, y0, z, 1, 1), Vertex(x1, y1, z, 1, 0),
                Vertex(x0, y1, z, 0, 0)};
  m.indices = counterClockwise ? std::vector<uint16_t>{0, 1, 2, 0, 2, 3}
                               : std::vector<uint16_t>{0, 2, 1, 0, 3, 2};
  m.surfaceNo = surfaceNo;
  return m;
}

inline Surface FlatSurface(int32_t type, int32_t blendMode, float r, float g, float b, float a,
                           float emissive = 1.0f) {
  Surface s{};
  s.type = type;
  s.blendMode = blendMode;
  s.diffuse[0] = r;
  s.diffuse[1] = g;
  s.diffuse[2] = b;
  s.diffuse[3] = a;
  s.emissive = emissive;
  s.specular = 0.5f;
  s.power = 4.0f;
  s.doubleSided = 1;
  return s;
}

// The pixel of clip-space (x, y) (y up).
inline int PixelX(float x) { return static_cast<int>((x + 1.0f) * 0.5f * kWidth); }
inline int PixelY(float y) { return static_cast<int>((1.0f - y) * 0.5f * kHeight); }

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_hooks::ResetPlatform();
    testing_hooks::CapturePresentedFrames(true);
    ResetScene(&scene_);
    test_support::DeviceOptions options;
    options.width = kWidth;
    options.height = kHeight;
    ASSERT_EQ(test_support::OpenDevice("MorvaneRenderTest", options, &window_, &d3d_, &device_),
              D3D_OK);
    SetFixedDeviceStates(device_);
    ASSERT_EQ(InitRenderContext(&render_, device_, GetModuleHandleA(nullptr)), 0);
    // World, view and projection all the identity: scene positions are clip
    // coordinates.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    SetWorldAndLights(&render_, &identity);
  }

  void TearDown() override {
    if (HasFailure() && !lastFrame_.empty())
      test_support::SaveFrame(lastFrame_, kWidth, kHeight, TestName() + ".last");
    FreeScene(&scene_);
    ReleaseRenderContext(&render_);
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
    testing_hooks::CapturePresentedFrames(false);
    testing_hooks::ResetPlatform();
  }

  IDirect3DVertexBuffer9* MakeVertexBuffer(const std::vector<SceneVertex>& v) {
    IDirect3DVertexBuffer9* vb = nullptr;
    const UINT bytes = static_cast<UINT>(v.size() * sizeof(SceneVertex));
    EXPECT_EQ(device_->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    void* p = nullptr;
    if (vb && SUCCEEDED(vb->Lock(0, 0, &p, 0))) {
      std::memcpy(p, v.data(), bytes);
      vb->Unlock();
    }
    return vb;
  }

  IDirect3DIndexBuffer9* MakeIndexBuffer(const std::vector<uint16_t>& indices) {
    IDirect3DIndexBuffer9* ib = nullptr;
    const UINT bytes = static_cast<UINT>(indices.size() * 2);
    EXPECT_EQ(device_->CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    void* p = nullptr;
    if (ib && SUCCEEDED(ib->Lock(0, 0, &p, 0))) {
      std::memcpy(p, indices.data(), bytes);
      ib->Unlock();
    }
    return ib;
  }

  // A w x h texture whose texel (x, y) is texel(x, y); the scene takes it
  // over when a surface holds it.
  IDirect3DTexture9* MakeTexture(UINT w, UINT h, const test_support::TexelFunction& texel) {
    IDirect3DTexture9* t = test_support::MakeTexture(device_, w, h, texel);
    EXPECT_NE(t, nullptr);
    return t;
  }

  // Replaces the scene with these layers, surfaces and `motionCount`
  // identity motions.
  void BuildScene(const std::vector<LayerSpec>& layers, const std::vector<Surface>& surfaces,
                  uint16_t motionCount = 0) {
    FreeScene(&scene_);
    scene_.layerCount = static_cast<uint16_t>(layers.size());
    scene_.layers = layers.empty() ? nullptr : new Layer[layers.size()]();
    for (size_t i = 0; i < layers.size(); ++i) {
      Layer& l = scene_.layers[i];
      const LayerSpec& spec = layers[i];
      l.motionNo = spec.motionNo;
      l.paletteSlot = spec.paletteSlot;
      l.meshCount = static_cast<uint16_t>(spec.meshes.size());
      l.meshes = spec.meshes.empty() ? nullptr : new Mesh[spec.meshes.size()]();
      for (size_t j = 0; j < spec.meshes.size(); ++j) {
        const MeshSpec& m = spec.meshes[j];
        l.meshes[j].vertexCount = static_cast<uint16_t>(m.vertices.size());
        l.meshes[j].vertexBuffer = MakeVertexBuffer(m.vertices);
        l.meshes[j].polygonCount = static_cast<uint16_t>(m.indices.size() / 3);
        l.meshes[j].indexBuffer = MakeIndexBuffer(m.indices);
        l.meshes[j].surfaceNo = m.surfaceNo;
      }
      l.bindingCount = static_cast<uint16_t>(spec.bindings.size());
      l.bindings = spec.bindings.empty() ? nullptr : new PaletteBinding[spec.bindings.size()];
      for (size_t b = 0; b < spec.bindings.size(); ++b) l.bindings[b] = spec.bindings[b];
    }
    scene_.surfaceCount = static_cast<uint16_t>(surfaces.size());
    scene_.surfaces = surfaces.empty() ? nullptr : new Surface[surfaces.size()]();
    for (size_t i = 0; i < surfaces.size(); ++i) scene_.surfaces[i] = surfaces[i];
    scene_.motionCount = motionCount;
    scene_.motions = motionCount == 0 ? nullptr : new Motion[motionCount];
  }

  void Begin(D3DCOLOR background) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0),
              D3D_OK);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
  }

  std::vector<uint32_t> Finish() {
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    int w = 0, h = 0;
    lastFrame_ = testing_hooks::LastPresentedFrame(&w, &h);
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    return lastFrame_;
  }

  static uint32_t At(const std::vector<uint32_t>& frame, int x, int y) {
    return frame[static_cast<size_t>(y) * kWidth + x];
  }

  // The pixel at clip (x, y) against an expected colour, each channel within
  // two 8-bit steps; on a mismatch the frame, an expectation image (the
  // frame with that pixel's neighbourhood painted) and a difference image
  // are saved.
  ::testing::AssertionResult PixelNear(const std::vector<uint32_t>& frame, float x, float y,
                                       Rgb want, const std::string& label) {
    const int px = PixelX(x), py = PixelY(y);
    const Rgb got = Unpack(At(frame, px, py));
    const double tolerance = 2.5 / 255.0;
    auto clamp = [](double v) { return std::clamp(v, 0.0, 1.0); };
    want = {clamp(want.r), clamp(want.g), clamp(want.b)};
    if (std::fabs(got.r - want.r) <= tolerance && std::fabs(got.g - want.g) <= tolerance &&
        std::fabs(got.b - want.b) <= tolerance)
      return ::testing::AssertionSuccess();
    const uint32_t packed = 0xFF000000u | (uint32_t(std::lround(want.r * 255)) << 16) |
                            (uint32_t(std::lround(want.g * 255)) << 8) |
                            uint32_t(std::lround(want.b * 255));
    std::vector<uint32_t> expected = frame;
    for (int dy = -8; dy <= 8; ++dy)
      for (int dx = -8; dx <= 8; ++dx) {
        const int xx = px + dx, yy = py + dy;
        if (xx < 0 || yy < 0 || xx >= kWidth || yy >= kHeight) continue;
        expected[size_t(yy) * kWidth + xx] = packed;
      }
    test_support::SaveComparison(frame, expected, kWidth, kHeight, TestName() + "." + label);
    return ::testing::AssertionFailure()
           << label << " at (" << px << ", " << py << "): got (" << got.r * 255 << ", "
           << got.g * 255 << ", " << got.b * 255 << ") want (" << want.r * 255 << ", "
           << want.g * 255 << ", " << want.b * 255 << ")";
  }

  struct States {
    DWORD cull, source, destination;
    bool operator==(const States&) const = default;
  };
  States ReadStates() {
    States s{};
    device_->GetRenderState(D3DRS_CULLMODE, &s.cull);
    device_->GetRenderState(D3DRS_SRCBLEND, &s.source);
    device_->GetRenderState(D3DRS_DESTBLEND, &s.destination);
    return s;
  }

  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  RenderContext render_;
  Scene scene_{};
  std::vector<uint32_t> lastFrame_;
};

// The blend pair of each mode applied to a source colour with alpha over an
// opaque destination, worked out from the factors.
inline Rgb BlendExpected(int mode, Rgb s, double a, Rgb d) {
  auto one = [&](double sc, double dc) {
    switch (mode) {
      case 0: return sc * a + dc * (1 - a);
      case 1: return sc * a + dc;
      case 2: return sc * dc;
      case 3: return sc * (1 - dc) + dc * (1 - sc);
      case 4: return sc + dc * (1 - sc);
      case 5: return dc * (1 - sc);
      case 6: return sc * dc + dc;
    }
    return 0.0;
  };
  return {one(s.r, d.r), one(s.g, d.g), one(s.b, d.b)};
}

}  // namespace render_test

#endif  // MORVANE_TESTS_RENDER_RENDER_FIXTURE_H
