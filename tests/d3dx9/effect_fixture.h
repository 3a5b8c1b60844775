// Shared set-up for the effect tests: toy vertex programs registered by
// name, a small effect description that uses every parameter type, and a
// device fixture that creates effects from written blobs and checks at
// teardown that the effect and everything it held are gone.
#ifndef MORVANE_TESTS_D3DX9_EFFECT_FIXTURE_H
#define MORVANE_TESTS_D3DX9_EFFECT_FIXTURE_H

#include <d3d9_programs.h>
#include <d3dx9.h>

#include <array>
#include <vector>

#include "d3d9/device_fixture.h"
#include "testing.h"
#include "tools/effectc/effect_writer.h"

namespace effect_test {

// Transforms (x, y, z, 1) by the matrix in c[0..3] (register k = column k)
// and colours the vertex with c[4]; passes texture coordinate 0 through.
inline void TransformProgram(const raster::VertexInput& in, const raster::Float4* c,
                             raster::VertexOutput* out, void*) {
  const raster::Float4& p = in.position[0];
  const auto dot = [&](const raster::Float4& r) { return p.x * r.x + p.y * r.y + p.z * r.z + r.w; };
  out->position = {dot(c[0]), dot(c[1]), dot(c[2]), dot(c[3])};
  out->color0 = c[4];
  out->texcoord[0] = in.texcoord[0];
}

// The same as GLSL, for the OpenGL device.
inline constexpr const char* kTransformGlsl = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 texcoord;
uniform vec4 c[256];
out vec4 vColor0;
out vec4 vTexcoord0;
out vec4 vTexcoord1;
void main() {
  vec4 p = vec4(position.xyz, 1.0);
  gl_Position = vec4(dot(p, c[0]), dot(p, c[1]), dot(p, c[2]), dot(p, c[3]));
  vColor0 = c[4];
  vTexcoord0 = texcoord;
  vTexcoord1 = vec4(0.0, 0.0, 0.0, 1.0);
}
)";

// Untransformed position, colour from c[4]; stands in for a second program.
inline void FlatProgram(const raster::VertexInput& in, const raster::Float4* c,
                        raster::VertexOutput* out, void*) {
  out->position = {in.position[0].x, in.position[0].y, in.position[0].z, 1};
  out->color0 = c[4];
}

inline constexpr const char* kFlatGlsl = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 position1;
uniform vec4 c[256];
out vec4 vColor0;
out vec4 vTexcoord0;
out vec4 vTexcoord1;
void main() {
  gl_Position = vec4(position.xyz, 1.0);
  vColor0 = c[4];
  vTexcoord0 = vec4(0.0, 0.0, 0.0, 1.0);
  vTexcoord1 = vec4(0.0, 0.0, 0.0, 1.0);
}
)";

inline const d3d9::VertexProgramInput kTransformInputs[] = {{D3DDECLUSAGE_POSITION, 0},
                                                            {D3DDECLUSAGE_TEXCOORD, 0}};
inline const d3d9::VertexProgramInput kFlatInputs[] = {{D3DDECLUSAGE_POSITION, 0},
                                                       {D3DDECLUSAGE_POSITION, 1}};
// Inputs the device never gathers.
inline const d3d9::VertexProgramInput kPointSizeInput[] = {{D3DDECLUSAGE_PSIZE, 0}};
inline const d3d9::VertexProgramInput kThirdTexcoordInput[] = {{D3DDECLUSAGE_TEXCOORD, 2}};

// Distinct user pointers, to see which program BeginPass bound.
inline int g_transformUser = 1;
inline int g_flatUser = 2;

inline void RegisterToyPrograms() {
  using d3d9::VertexProgramInfo;
  ASSERT_EQ(d3d9::RegisterVertexProgram("toy_transform",
                                        VertexProgramInfo{TransformProgram, &g_transformUser, 5,
                                                          kTransformInputs, 2, kTransformGlsl}),
            D3D_OK);
  ASSERT_EQ(d3d9::RegisterVertexProgram("toy_flat", VertexProgramInfo{FlatProgram, &g_flatUser, 5,
                                                                      kFlatInputs, 2, kFlatGlsl}),
            D3D_OK);
  ASSERT_EQ(d3d9::RegisterVertexProgram("toy_wide",
                                        VertexProgramInfo{FlatProgram, nullptr, 240, nullptr, 0}),
            D3D_OK);
  ASSERT_EQ(d3d9::RegisterVertexProgram(
                "toy_point_size", VertexProgramInfo{FlatProgram, nullptr, 5, kPointSizeInput, 1}),
            D3D_OK);
  ASSERT_EQ(d3d9::RegisterVertexProgram("toy_texcoord2", VertexProgramInfo{FlatProgram, nullptr, 5,
                                                                           kThirdTexcoordInput, 1}),
            D3D_OK);
}

inline constexpr uint32_t kPaletteFirst = 6;
inline constexpr uint32_t kPaletteElements = 75;

// Every parameter type, an array of 75 float4x3 (225 registers), two
// samplers on two textures, and techniques of one and two passes.
inline fxc::EffectDesc ToyEffect() {
  using fxc::ParamType;
  fxc::EffectDesc d;
  d.parameters = {
      {"WorldViewProjection",
       ParamType::Float4x4,
       0,
       0,
       {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
       {}},
      {"Color", ParamType::Float4, 0, 4, {0.25f, 0.5f, 0.75f, 1}, {}},
      {"Direction", ParamType::Float3, 0, 5, {1, 2, 3}, {}},
      {"Palette", ParamType::Float4x3, kPaletteElements, kPaletteFirst, {}, {}},
      {"Texture", ParamType::Texture, 0, 0, {}, {}},
      {"OtherTexture", ParamType::Texture, 0, 0, {}, {}},
      {"WrapSampler",
       ParamType::Sampler,
       0,
       0,
       {},
       {"Texture", D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_NONE, D3DTADDRESS_WRAP,
        D3DTADDRESS_WRAP}},
      {"ClampSampler",
       ParamType::Sampler,
       0,
       0,
       {},
       {"OtherTexture", D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_NONE, D3DTADDRESS_CLAMP,
        D3DTADDRESS_MIRROR}},
  };
  d.techniques = {
      {"Main",
       {{"Transform", "toy_transform", {{0, "WrapSampler"}}},
        {"Flat", "toy_flat", {{0, "ClampSampler"}, {1, "WrapSampler"}}}}},
      {"Single", {{"Only", "toy_flat", {}}}},
  };
  return d;
}

class EffectTest : public d3d9_test::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    RegisterToyPrograms();
    ASSERT_EQ(CreateDevice(), D3D_OK);
  }

  void TearDown() override {
    if (effect_ != nullptr) {
      EXPECT_EQ(effect_->Release(), 0u);
    }
    effect_ = nullptr;
    testing_hooks::SetVertexConstantLimit(raster::kConstantRegisters);
    DeviceTest::TearDown();
  }

  HRESULT Create(const std::vector<uint8_t>& blob, ID3DXEffect** out) {
    return D3DXCreateEffect(device_, blob.data(), static_cast<UINT>(blob.size()), nullptr, nullptr,
                            0, nullptr, out, nullptr);
  }
  // Creates effect_ from the toy description.
  void CreateToy() { ASSERT_EQ(Create(fxc::WriteEffect(ToyEffect()), &effect_), D3D_OK); }

  std::array<float, 4> Register(UINT r) {
    std::array<float, 4> v{};
    EXPECT_EQ(device_->GetVertexShaderConstantF(r, v.data(), 1), D3D_OK);
    return v;
  }
  void FillRegisters(float value) {
    std::vector<float> all(raster::kConstantRegisters * 4, value);
    ASSERT_EQ(device_->SetVertexShaderConstantF(0, all.data(), raster::kConstantRegisters), D3D_OK);
  }
  DWORD Sampler(DWORD stage, D3DSAMPLERSTATETYPE type) {
    DWORD v = 0;
    EXPECT_EQ(device_->GetSamplerState(stage, type, &v), D3D_OK);
    return v;
  }
  // The texture bound at `stage` (its reference dropped again at once).
  IDirect3DBaseTexture9* Bound(DWORD stage) {
    IDirect3DBaseTexture9* t = nullptr;
    EXPECT_EQ(device_->GetTexture(stage, &t), D3D_OK);
    if (t != nullptr) t->Release();
    return t;
  }
  const char* BoundProgramGlsl() {
    d3d9::VertexProgramInfo info;
    EXPECT_EQ(d3d9::GetVertexProgram(device_, &info), D3D_OK);
    return info.glsl;
  }

  void* BoundProgramUser() {
    raster::VertexProgram p = nullptr;
    void* user = nullptr;
    EXPECT_EQ(d3d9::GetVertexProgram(device_, &p, &user), D3D_OK);
    return user;
  }

  ID3DXEffect* effect_ = nullptr;
};

}  // namespace effect_test

#endif  // MORVANE_TESTS_D3DX9_EFFECT_FIXTURE_H
