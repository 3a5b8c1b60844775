// The vertex-program hand-over: a test program with its C++ and GLSL forms
// bound through the one entry point, fed by the declaration from two
// streams and the float constants; clipping against the near plane of a
// perspective it computes. Both devices run it.
#include <d3d9_programs.h>

#include <cstring>

#include "device_fixture.h"

namespace d3d9_test {
namespace {

struct Vertex {
  float x, y, z;
  DWORD color;
};

const D3DVERTEXELEMENT9 kTwoStreams[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 1},
    D3DDECL_END()};

struct Calls {
  int count = 0;
};

// Position: a blend of positions 0 and 1 by c[0].x, offset by c[1]; a
// perspective divide by z with the near plane at z = 1 (clip z = z - 1,
// w = z); colour from the vertex, scaled by c[2].
void TestProgram(const raster::VertexInput& in, const raster::Float4* c, raster::VertexOutput* out,
                 void* user) {
  ++static_cast<Calls*>(user)->count;
  const float t = c[0].x;
  const float x = in.position[0].x + (in.position[1].x - in.position[0].x) * t + c[1].x;
  const float y = in.position[0].y + (in.position[1].y - in.position[0].y) * t + c[1].y;
  const float z = in.position[0].z + (in.position[1].z - in.position[0].z) * t;
  out->position = {x, y, z - 1.0f, z};
  out->color0 = {in.color[0].x * c[2].x, in.color[0].y * c[2].y, in.color[0].z * c[2].z,
                 in.color[0].w * c[2].w};
}

constexpr const char* kTestProgramGlsl = R"(#version 330 core
layout(location = 0) in vec4 position0;
layout(location = 1) in vec4 position1;
layout(location = 2) in vec4 color0;
uniform vec4 c[256];
out vec4 vColor0;
out vec4 vTexcoord0;
out vec4 vTexcoord1;
void main() {
  float t = c[0].x;
  vec3 p = position0.xyz + (position1.xyz - position0.xyz) * t + vec3(c[1].xy, 0.0);
  gl_Position = vec4(p.xy, p.z - 1.0, p.z);
  vColor0 = color0 * c[2];
  vTexcoord0 = vec4(0.0, 0.0, 0.0, 1.0);
  vTexcoord1 = vec4(0.0, 0.0, 0.0, 1.0);
}
)";

const d3d9::VertexProgramInput kTestInputs[] = {
    {D3DDECLUSAGE_POSITION, 0}, {D3DDECLUSAGE_POSITION, 1}, {D3DDECLUSAGE_COLOR, 0}};

d3d9::VertexProgramInfo TestProgramInfo(Calls* calls) {
  d3d9::VertexProgramInfo info;
  info.program = TestProgram;
  info.user = calls;
  info.constantRegisters = 3;
  info.inputs = kTestInputs;
  info.inputCount = 3;
  info.glsl = kTestProgramGlsl;
  return info;
}

class ProgramTest : public BothDevicesTest {
 protected:
  void SetUpScene(const std::vector<Vertex>& base, const std::vector<Vertex>& target,
                  const std::vector<uint16_t>& indices) {
    ASSERT_EQ(CreateDevice(), D3D_OK);
    SetProgramStates();
    ASSERT_EQ(device_->CreateVertexDeclaration(kTwoStreams, &declaration_), D3D_OK);
    Fill(base, &stream0_);
    Fill(target, &stream1_);
    const UINT bytes = static_cast<UINT>(indices.size() * 2);
    ASSERT_EQ(device_->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         &indices_, nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(indices_->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, indices.data(), bytes);
    indices_->Unlock();
    const float constants[12] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1};
    ASSERT_EQ(device_->SetVertexShaderConstantF(0, constants, 3), D3D_OK);
    device_->SetVertexDeclaration(declaration_);
    device_->SetStreamSource(0, stream0_, 0, sizeof(Vertex));
    device_->SetStreamSource(1, stream1_, 0, sizeof(Vertex));
    device_->SetIndices(indices_);
  }

  void Fill(const std::vector<Vertex>& v, IDirect3DVertexBuffer9** buffer) {
    const UINT bytes = static_cast<UINT>(v.size() * sizeof(Vertex));
    ASSERT_EQ(
        device_->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, buffer, nullptr),
        D3D_OK);
    void* p = nullptr;
    ASSERT_EQ((*buffer)->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, v.data(), bytes);
    (*buffer)->Unlock();
  }

  void TearDown() override {
    for (IUnknown* o : std::initializer_list<IUnknown*>{declaration_, stream0_, stream1_, indices_})
      if (o) o->Release();
    BothDevicesTest::TearDown();
  }

  IDirect3DVertexDeclaration9* declaration_ = nullptr;
  IDirect3DVertexBuffer9* stream0_ = nullptr;
  IDirect3DVertexBuffer9* stream1_ = nullptr;
  IDirect3DIndexBuffer9* indices_ = nullptr;
  Calls calls_;
};

// A square over the left half of the screen at z = 2 (projected: x -0.5..0),
// its morph target over the right half.
const std::vector<Vertex> kLeft = {
    {-1, -1, 2, 0xFFFF0000}, {0, -1, 2, 0xFFFF0000}, {0, 1, 2, 0xFFFF0000}, {-1, 1, 2, 0xFFFF0000}};
const std::vector<Vertex> kRight = {{0, -1, 2, 0}, {1, -1, 2, 0}, {1, 1, 2, 0}, {0, 1, 2, 0}};

MORVANE_ON_BOTH_DEVICES(ProgramTest);

TEST_P(ProgramTest, TheBoundProgramReadsBothStreamsConstantsAndItsUserData) {
  SetUpScene(kLeft, kRight, {0, 1, 2, 0, 2, 3});
  ClearAll(0);
  device_->BeginScene();
  // Without a program there is no transform: the draw fails.
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::SetVertexProgram(nullptr, TestProgram, &calls_), D3DERR_INVALIDCALL);
  ASSERT_EQ(d3d9::SetVertexProgram(device_, TestProgram, &calls_), D3D_OK);
  // The C++ form alone is what the CPU device runs; the GL device needs GLSL.
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2),
            OnGl() ? D3DERR_INVALIDCALL : D3D_OK);
  EXPECT_EQ(calls_.count, OnGl() ? 0 : 4);  // once per vertex of the range
  ASSERT_EQ(d3d9::SetVertexProgram(device_, TestProgramInfo(&calls_)), D3D_OK);
  d3d9::VertexProgramInfo bound;
  ASSERT_EQ(d3d9::GetVertexProgram(device_, &bound), D3D_OK);
  EXPECT_EQ(bound.glsl, kTestProgramGlsl);
  EXPECT_EQ(bound.user, &calls_);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  // Weight 1 takes stream 1's positions; c[2] halves the red.
  const float morph[12] = {1, 0, 0, 0, 0, 0, 0, 0, 0.5f, 1, 1, 1};
  ASSERT_EQ(device_->SetVertexShaderConstantF(0, morph, 3), D3D_OK);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  device_->EndScene();
  const std::vector<uint32_t> f = Present();
  // The base square covers x 8..15 in red, the target x 16..23 in half red.
  EXPECT_EQ(At(f, 12, 16), 0xFFFF0000u);
  EXPECT_EQ(At(f, 20, 16), 0xFF800000u);
  EXPECT_EQ(At(f, 4, 16), 0xFF000000u);
  EXPECT_EQ(At(f, 28, 16), 0xFF000000u);
  // Ranges outside the buffers or the registers are refused.
  device_->BeginScene();
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL);
  device_->EndScene();
  float c[4] = {};
  EXPECT_EQ(device_->SetVertexShaderConstantF(255, c, 1), D3D_OK);
  EXPECT_EQ(device_->SetVertexShaderConstantF(255, c, 2), D3DERR_INVALIDCALL);
  ASSERT_EQ(device_->GetVertexShaderConstantF(2, c, 1), D3D_OK);
  EXPECT_EQ(c[0], 0.5f);
  ASSERT_EQ(d3d9::SetVertexProgram(device_, nullptr, nullptr), D3D_OK);
}

TEST_P(ProgramTest, ATriangleCrossingTheNearPlaneIsClippedNotDroppedOrWrapped) {
  // Two corners in front at z = 2, one behind the eye at z = -2.
  SetUpScene({{-1, -1, 2, 0xFFFFFFFF}, {1, -1, 2, 0xFFFFFFFF}, {0, 3, -2, 0xFFFFFFFF}},
             {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, {0, 1, 2});
  ASSERT_EQ(d3d9::SetVertexProgram(device_, TestProgramInfo(&calls_)), D3D_OK);
  ClearAll(0);
  device_->BeginScene();
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
  device_->EndScene();
  const std::vector<uint32_t> f = Present();
  // The visible part is the trapezoid between the front edge (y = -0.5 in
  // normalised coordinates, screen row 24) and the near-plane cut (y = 0,
  // row 16), x from +-0.5 to +-0.75.
  int drawn = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      if (At(f, x, y) != 0xFFFFFFFFu) continue;
      ++drawn;
      EXPECT_TRUE(y >= 16 && y <= 24 && x >= 4 && x <= 28) << x << "," << y;
    }
  EXPECT_GT(drawn, 130);
  EXPECT_LT(drawn, 190);
  for (int y = 17; y < 24; ++y) EXPECT_EQ(At(f, 16, y), 0xFFFFFFFFu) << y;
}

}  // namespace
}  // namespace d3d9_test
