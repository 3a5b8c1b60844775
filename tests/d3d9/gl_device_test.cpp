// The OpenGL device on its own: what it says it is, how its creation fails
// (no context, a shader that does not compile) and what Auto falls back to,
// the multisample counts it offers, and a programmed, textured, blended
// frame drawn by both devices compared pixel by pixel.
#include <d3d9_programs.h>

#include <cstdlib>
#include <cstring>

#include "device_fixture.h"

namespace d3d9_test {
namespace {

class GlDeviceTest : public DeviceTest {
 protected:
  void TearDown() override {
    unsetenv("MORVANE_DEVICE");
    testing_hooks::FailGlContextCreation(false);
    testing_hooks::FailGlShaderCompilation(false);
    d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
    DeviceTest::TearDown();
  }

  d3d9::DeviceDescription Describe() {
    d3d9::DeviceDescription d{};
    EXPECT_EQ(d3d9::DescribeDevice(device_, &d), D3D_OK);
    return d;
  }

  void ReleaseDevice() {
    if (device_ != nullptr) device_->Release();
    device_ = nullptr;
  }
};

TEST_F(GlDeviceTest, DescribesItsRendererAndAVersionOfAtLeast33) {
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Gl);
  ASSERT_EQ(CreateDevice(), D3D_OK) << d3d9::LastDeviceFailure();
  EXPECT_STREQ(d3d9::LastDeviceFailure(), "");
  const d3d9::DeviceDescription d = Describe();
  EXPECT_EQ(d.kind, d3d9::DeviceKind::Gl);
  EXPECT_GT(std::strlen(d.renderer), 0u);
  int major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(d.version, "%d.%d", &major, &minor), 2) << d.version;
  EXPECT_TRUE(major > 3 || (major == 3 && minor >= 3)) << d.version;
  // The environment overrides the choice both ways.
  ReleaseDevice();
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
  setenv("MORVANE_DEVICE", "gl", 1);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  EXPECT_EQ(Describe().kind, d3d9::DeviceKind::Gl);
}

TEST_F(GlDeviceTest, WithoutAContextCreationFailsAndSaysWhy) {
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Gl);
  testing_hooks::FailGlContextCreation(true);
  EXPECT_EQ(CreateDevice(), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device_, nullptr);
  EXPECT_NE(std::strstr(d3d9::LastDeviceFailure(), "context"), nullptr)
      << d3d9::LastDeviceFailure();
  // Nothing is left behind, and the next creation starts afresh.
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 1);  // the IDirect3D9 object
  testing_hooks::FailGlContextCreation(false);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  EXPECT_STREQ(d3d9::LastDeviceFailure(), "");
}

TEST_F(GlDeviceTest, AShaderThatDoesNotCompileFailsCreation) {
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Gl);
  testing_hooks::FailGlShaderCompilation(true);
  EXPECT_EQ(CreateDevice(), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device_, nullptr);
  EXPECT_NE(std::strstr(d3d9::LastDeviceFailure(), "shader"), nullptr) << d3d9::LastDeviceFailure();
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 1);
}

TEST_F(GlDeviceTest, AutoTakesTheCpuDeviceUnlessGlRunsOnHardware) {
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Auto);
  testing_hooks::FailGlContextCreation(true);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  EXPECT_EQ(Describe().kind, d3d9::DeviceKind::Cpu);
  EXPECT_NE(std::strstr(d3d9::LastDeviceFailure(), "context"), nullptr)
      << d3d9::LastDeviceFailure();
  ReleaseDevice();
  // With GL working the choice follows its renderer: a software one (as
  // Mesa's llvmpipe on a machine without a GPU) gives the CPU device.
  testing_hooks::FailGlContextCreation(false);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  const d3d9::DeviceDescription d = Describe();
  if (d.kind == d3d9::DeviceKind::Cpu) {
    EXPECT_NE(std::strstr(d3d9::LastDeviceFailure(), "software"), nullptr)
        << d3d9::LastDeviceFailure();
  } else {
    EXPECT_EQ(std::strstr(d.renderer, "llvmpipe"), nullptr) << d.renderer;
    EXPECT_STREQ(d3d9::LastDeviceFailure(), "");
  }
}

TEST_F(GlDeviceTest, OffersTheSampleCountsItCanCreate) {
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Gl);
  int offered = 0;
  for (D3DMULTISAMPLE_TYPE samples :
       {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES, D3DMULTISAMPLE_8_SAMPLES}) {
    SCOPED_TRACE(samples);
    DWORD levels = 0;
    const HRESULT check = d3d_->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                           D3DFMT_X8R8G8B8, TRUE, samples, &levels);
    EXPECT_EQ(CreateDevice(samples), check == D3D_OK ? D3D_OK : D3DERR_NOTAVAILABLE);
    if (check == D3D_OK) {
      ++offered;
      EXPECT_EQ(levels, 1u);
    }
    ReleaseDevice();
  }
  EXPECT_GT(offered, 0);  // every GL 3.3 implementation has 4 samples
  // The test hooks' list still narrows what is offered.
  testing_hooks::SetSupportedMultisamples({});
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                             TRUE, D3DMULTISAMPLE_4_SAMPLES, nullptr),
            D3DERR_NOTAVAILABLE);
}

// ---- One frame on both devices ------------------------------------------

struct TexturedVertex {
  float x, y, z;
  DWORD color;
  float u, v;
};

const D3DVERTEXELEMENT9 kTexturedLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// A perspective with the near plane at z = 1 (clip z = z - 1, w = z), x and
// y scaled by c[0].xy, colour times c[1] (which may overflow: the device
// clamps), texture coordinates passed on.
void TexturedProgram(const raster::VertexInput& in, const raster::Float4* c,
                     raster::VertexOutput* out, void*) {
  const raster::Float4& p = in.position[0];
  out->position = {p.x * c[0].x, p.y * c[0].y, p.z - 1.0f, p.z};
  const raster::Float4& k = in.color[0];
  out->color0 = {k.x * c[1].x, k.y * c[1].y, k.z * c[1].z, k.w * c[1].w};
  out->texcoord[0] = in.texcoord[0];
}

constexpr const char* kTexturedGlsl = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec4 texcoord;
uniform vec4 c[256];
out vec4 vColor0;
out vec4 vTexcoord0;
out vec4 vTexcoord1;
void main() {
  gl_Position = vec4(position.x * c[0].x, position.y * c[0].y, position.z - 1.0, position.z);
  vColor0 = color * c[1];
  vTexcoord0 = texcoord;
  vTexcoord1 = vec4(0.0, 0.0, 0.0, 1.0);
}
)";

const d3d9::VertexProgramInput kTexturedInputs[] = {
    {D3DDECLUSAGE_POSITION, 0}, {D3DDECLUSAGE_COLOR, 0}, {D3DDECLUSAGE_TEXCOORD, 0}};

uint32_t Checker(int x, int y) {
  const bool on = ((x / 2) + (y / 2)) % 2 == 0;
  return on ? 0xFFE0C040u : 0x80204080u | static_cast<uint32_t>(x * 16) << 16;
}

// Draws the frame with the device kind given and returns what Present shows.
std::vector<uint32_t> DrawFrame(d3d9::DeviceKind kind, IDirect3D9* d3d, HWND window,
                                D3DMULTISAMPLE_TYPE samples) {
  d3d9::SetDeviceChoice(kind);
  D3DPRESENT_PARAMETERS params = ProgramParams(window, samples);
  IDirect3DDevice9* d = nullptr;
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &d),
            D3D_OK);
  if (d == nullptr) return {};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(d->CreateVertexDeclaration(kTexturedLayout, &declaration), D3D_OK);
  // A floor receding from z = 1.5 to z = 6, a tilted quad crossing it, and a
  // triangle whose far corner lies behind the near plane.
  const TexturedVertex v[] = {
      {-3, -1, 1.5f, 0xFFFFFFFF, 0, 0},      {3, -1, 1.5f, 0xFFFFFFFF, 4, 0},
      {3, -1, 6, 0xFF8080FF, 4, 4},          {-3, -1, 6, 0xFF8080FF, 0, 4},
      {-1, -1.5f, 2, 0xC0FF4040, 0, 0},      {1.5f, -1, 4, 0xC040FF40, 1, 0},
      {1, 1.5f, 3, 0xC04040FF, 1, 1},        {-1.5f, 1, 2.5f, 0x40FFFFFF, 0, 1},
      {-2, 1, 2, 0xFFFFFF00, 0.5f, 0.5f},    {-0.5f, 1, 2, 0xFFFFFF00, 0.5f, 0.5f},
      {-1, 0.8f, -1, 0xFFFFFF00, 0.5f, 0.5f}};
  const uint16_t index[] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 8, 9, 10};
  EXPECT_EQ(d->CreateVertexBuffer(sizeof v, 0, 0, D3DPOOL_MANAGED, &vertices, nullptr), D3D_OK);
  EXPECT_EQ(
      d->CreateIndexBuffer(sizeof index, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
      D3D_OK);
  EXPECT_EQ(d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  void* p = nullptr;
  if (vertices->Lock(0, 0, &p, 0) == D3D_OK) std::memcpy(p, v, sizeof v), vertices->Unlock();
  if (indices->Lock(0, 0, &p, 0) == D3D_OK) std::memcpy(p, index, sizeof index), indices->Unlock();
  D3DLOCKED_RECT r{};
  if (texture->LockRect(0, &r, nullptr, 0) == D3D_OK) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        static_cast<uint32_t*>(r.pBits)[y * (r.Pitch / 4) + x] = Checker(x, y);
    texture->UnlockRect(0);
  }
  d3d9::VertexProgramInfo info;
  info.program = TexturedProgram;
  info.constantRegisters = 2;
  info.inputs = kTexturedInputs;
  info.inputCount = 3;
  info.glsl = kTexturedGlsl;
  EXPECT_EQ(d3d9::SetVertexProgram(d, info), D3D_OK);
  const float constants[8] = {0.8f, 1.0f, 0, 0, 1.5f, 1.0f, 1.0f, 1.0f};
  d->SetVertexShaderConstantF(0, constants, 2);
  d->SetVertexDeclaration(declaration);
  d->SetStreamSource(0, vertices, 0, sizeof(TexturedVertex));
  d->SetIndices(indices);
  d->SetTexture(0, texture);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  EXPECT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0), D3D_OK);
  d->BeginScene();
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  // The tilted quad: blended over the floor, its weakest texels tested away.
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  d->SetRenderState(D3DRS_ALPHAREF, 0x30);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 4, 6, 2), D3D_OK);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 8, 3, 12, 1), D3D_OK);
  d->EndScene();
  EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  int w = 0, h = 0;
  std::vector<uint32_t> frame = testing_hooks::LastPresentedFrame(&w, &h);
  d->SetTexture(0, nullptr);
  for (IUnknown* o : std::initializer_list<IUnknown*>{declaration, vertices, indices, texture})
    if (o != nullptr) o->Release();
  d->Release();
  return frame;
}

TEST_F(GlDeviceTest, AProgrammedTexturedBlendedFrameMatchesTheCpuDevice) {
  for (D3DMULTISAMPLE_TYPE samples : {D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_4_SAMPLES}) {
    SCOPED_TRACE(samples);
    const std::vector<uint32_t> cpu = DrawFrame(d3d9::DeviceKind::Cpu, d3d_, window_, samples);
    const std::vector<uint32_t> gl = DrawFrame(d3d9::DeviceKind::Gl, d3d_, window_, samples);
    lastFrame_ = gl;
    // 99.5% of pixels within 2 levels: bilinear weights and blending round
    // in GL's own fixed point, and coverage may differ on triangle edges.
    EXPECT_TRUE(FramesAgree(gl, cpu, 2, 0.995));
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 1);
  }
}

}  // namespace
}  // namespace d3d9_test
