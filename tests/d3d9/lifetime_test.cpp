// Reference counts: resources keep the device alive, the device's bindings
// keep released resources usable, and every release order ends with no
// live object.
#include "device_fixture.h"

namespace d3d9_test {
namespace {

const D3DVERTEXELEMENT9 kElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};

struct Objects {
  IDirect3DTexture9* texture = nullptr;
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;
  IDirect3DVertexDeclaration9* declaration = nullptr;
};

Objects CreateAndBind(IDirect3DDevice9* d) {
  Objects o;
  EXPECT_EQ(d->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &o.texture, nullptr),
            D3D_OK);
  EXPECT_EQ(d->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &o.vertices, nullptr),
            D3D_OK);
  EXPECT_EQ(d->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                 &o.indices, nullptr),
            D3D_OK);
  EXPECT_EQ(d->CreateVertexDeclaration(kElements, &o.declaration), D3D_OK);
  d->SetTexture(0, o.texture);
  d->SetStreamSource(0, o.vertices, 0, 16);
  d->SetStreamSource(1, o.vertices, 0, 16);
  d->SetIndices(o.indices);
  d->SetVertexDeclaration(o.declaration);
  return o;
}

TEST_F(DeviceTest, ResourcesHoldTheirDeviceAndGetDeviceAddsAReference) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  EXPECT_EQ(device_->AddRef(), 2u);
  EXPECT_EQ(device_->Release(), 1u);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  EXPECT_EQ(device_->AddRef(), 3u);  // the application's, the texture's, this one
  EXPECT_EQ(device_->Release(), 2u);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device_);
  EXPECT_EQ(owner->Release(), 2u);
  // Binding does not change the application's count.
  device_->SetTexture(0, texture);
  EXPECT_EQ(texture->AddRef(), 2u);
  EXPECT_EQ(texture->Release(), 1u);
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device_->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, texture);
  EXPECT_EQ(bound->Release(), 1u);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(device_->AddRef(), 2u);  // the texture no longer holds it
  EXPECT_EQ(device_->Release(), 1u);
}

TEST_F(DeviceTest, TheProgramsTeardownOrderLeavesNothingAlive) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  Objects o = CreateAndBind(device_);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 6);
  // Textures, declarations, then the device, then the Direct3D object.
  EXPECT_EQ(o.texture->Release(), 0u);
  EXPECT_EQ(o.declaration->Release(), 0u);
  EXPECT_EQ(o.vertices->Release(), 0u);
  EXPECT_EQ(o.indices->Release(), 0u);
  EXPECT_EQ(device_->Release(), 0u);
  device_ = nullptr;
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 1);
  EXPECT_EQ(d3d_->Release(), 0u);
  d3d_ = nullptr;
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
}

TEST_F(DeviceTest, ReleasingTheDeviceFirstIsSafe) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  Objects o = CreateAndBind(device_);
  EXPECT_EQ(d3d_->Release(), 1u);  // the device keeps the Direct3D object
  d3d_ = nullptr;
  EXPECT_GT(device_->Release(), 0u);  // the resources keep the device
  device_ = nullptr;
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 6);
  o.vertices->Release();
  o.declaration->Release();
  o.indices->Release();
  // Still bound to a device the texture keeps alive.
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 6);
  o.texture->Release();
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
}

TEST_F(DeviceTest, ABoundTextureTheApplicationReleasedStillDraws) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  IDirect3DTexture9* texture = MakeTexture(4, 4, [](int, int) { return 0xFF00FF00u; });
  ASSERT_NE(texture, nullptr);
  device_->SetTexture(0, texture);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 3);  // still bound
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ClearAll(0);
  const SpriteVertex v[4] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0},
                             {4, 0, 0, 1, 0xFFFFFFFF, 1, 0},
                             {4, 4, 0, 1, 0xFFFFFFFF, 1, 1},
                             {0, 4, 0, 1, 0xFFFFFFFF, 0, 1}};
  device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(SpriteVertex)), D3D_OK);
  // Unbinding frees it; the recorded draw has already been completed.
  device_->SetTexture(0, nullptr);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 2);
  device_->EndScene();
  const std::vector<uint32_t> frame = Present();
  EXPECT_EQ(At(frame, 2, 2), 0xFF00FF00u);
}

}  // namespace
}  // namespace d3d9_test
