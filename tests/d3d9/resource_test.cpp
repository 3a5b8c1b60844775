// Textures, buffers and declarations: sizes, levels, lock pitch and ranges,
// and the arguments that are refused.
#include <cstring>

#include "device_fixture.h"

namespace d3d9_test {
namespace {

TEST_F(DeviceTest, FullChainLevelsHaveHalvingSizesAndLockWithTheirPitch) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device_->CreateTexture(300, 5, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  ASSERT_EQ(t->GetLevelCount(), 9u);  // 300, 150, 75, 37, 18, 9, 4, 2, 1
  const UINT widths[9] = {300, 150, 75, 37, 18, 9, 4, 2, 1};
  const UINT heights[9] = {5, 2, 1, 1, 1, 1, 1, 1, 1};
  for (UINT l = 0; l < 9; ++l) {
    SCOPED_TRACE(l);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(t->GetLevelDesc(l, &d), D3D_OK);
    EXPECT_EQ(d.Width, widths[l]);
    EXPECT_EQ(d.Height, heights[l]);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(t->LockRect(l, &r, nullptr, 0), D3D_OK);
    EXPECT_GE(r.Pitch, static_cast<INT>(widths[l] * 4));
    // Each level's own row, not level 0's, rounded up to 16 bytes.
    EXPECT_LT(r.Pitch, static_cast<INT>(widths[l] * 4 + 16));
    EXPECT_EQ(r.Pitch % 4, 0);
    // Every row of the level is writable.
    for (UINT y = 0; y < heights[l]; ++y)
      std::memset(static_cast<uint8_t*>(r.pBits) + y * r.Pitch, 0x40 + static_cast<int>(l),
                  widths[l] * 4);
    EXPECT_EQ(t->UnlockRect(l), D3D_OK);
  }
  D3DSURFACE_DESC d{};
  EXPECT_EQ(t->GetLevelDesc(9, &d), D3DERR_INVALIDCALL);
  // Levels are separate storage: each kept what was written into it, to the
  // last byte of its last row.
  for (UINT l = 0; l < 9; ++l) {
    SCOPED_TRACE(l);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(t->LockRect(l, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* bits = static_cast<uint8_t*>(r.pBits);
    EXPECT_EQ(bits[(heights[l] - 1) * r.Pitch + widths[l] * 4 - 1], 0x40 + l);
    EXPECT_EQ(bits[0], 0x40 + l);
    t->UnlockRect(l);
  }
  t->Release();
}

TEST_F(DeviceTest, ARectangleLockPointsIntoTheLevelAndALevelLocksOnce) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  IDirect3DTexture9* t = nullptr;
  // Three texels per row: the pitch is larger than the row.
  ASSERT_EQ(device_->CreateTexture(3, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  D3DLOCKED_RECT whole{};
  ASSERT_EQ(t->LockRect(0, &whole, nullptr, 0), D3D_OK);
  EXPECT_GT(whole.Pitch, 12);
  D3DLOCKED_RECT again{};
  EXPECT_EQ(t->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(t->UnlockRect(0), D3D_OK);
  EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
  const RECT part{1, 2, 3, 4};
  D3DLOCKED_RECT r{};
  ASSERT_EQ(t->LockRect(0, &r, &part, 0), D3D_OK);
  EXPECT_EQ(r.Pitch, whole.Pitch);
  EXPECT_EQ(static_cast<uint8_t*>(r.pBits),
            static_cast<uint8_t*>(whole.pBits) + 2 * whole.Pitch + 4);
  t->UnlockRect(0);
  const RECT outside{1, 2, 4, 4};
  EXPECT_EQ(t->LockRect(0, &r, &outside, 0), D3DERR_INVALIDCALL);
  const RECT empty{1, 1, 1, 2};
  EXPECT_EQ(t->LockRect(0, &r, &empty, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->LockRect(1, &r, nullptr, 0), D3DERR_INVALIDCALL);
  t->Release();
}

TEST_F(DeviceTest, TexturesOutsideTheSubsetAreRefused) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  struct Case {
    UINT w, h, levels;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
  };
  const Case cases[] = {
      {0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
      {4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},  // 4x4 has three levels
      {4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
      {4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED},
      {4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT},
      {16384, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
  };
  for (const Case& c : cases) {
    IDirect3DTexture9* t = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(device_->CreateTexture(c.w, c.h, c.levels, c.usage, c.format, c.pool, &t, nullptr),
              D3DERR_INVALIDCALL)
        << c.w << "x" << c.h;
    EXPECT_EQ(t, nullptr);
  }
  IDirect3DTexture9* t = nullptr;
  HANDLE shared = nullptr;
  EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, &shared),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 2);
}

TEST_F(DeviceTest, BufferLocksCoverWholeAndPartialRangesAndNest) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(160, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr),
            D3D_OK);
  void* whole = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &whole, 0), D3D_OK);
  std::memset(whole, 0xAB, 160);
  void* part = nullptr;
  ASSERT_EQ(vb->Lock(80, 80, &part, 0), D3D_OK);  // nested
  EXPECT_EQ(static_cast<uint8_t*>(part), static_cast<uint8_t*>(whole) + 80);
  void* rest = nullptr;
  ASSERT_EQ(vb->Lock(150, 0, &rest, 0), D3D_OK);  // size 0 with an offset: to the end
  EXPECT_EQ(static_cast<uint8_t*>(rest), static_cast<uint8_t*>(whole) + 150);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  void* p = nullptr;
  EXPECT_EQ(vb->Lock(100, 61, &p, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(161, 0, &p, 0), D3DERR_INVALIDCALL);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 160u);
  EXPECT_EQ(desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY));
  vb->Release();

  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib,
                                       nullptr),
            D3D_OK);
  ASSERT_EQ(ib->Lock(0, 6, &p, 0), D3D_OK);
  EXPECT_EQ(ib->Unlock(), D3D_OK);
  ib->Release();
  EXPECT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVertexBuffer(16, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb, nullptr),
            D3DERR_INVALIDCALL);
}

// The program's two declarations (80-byte vertex; the morph target in stream 1).
const D3DVERTEXELEMENT9 kMorph[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 40, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 48, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDINDICES, 0},
    {0, 64, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 1},
    {1, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 1},
    D3DDECL_END()};

TEST_F(DeviceTest, DeclarationsAcceptTheProgramsLayoutsAndRefuseOthers) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  IDirect3DVertexDeclaration9* d = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(kMorph, &d), D3D_OK);
  UINT count = 0;
  ASSERT_EQ(d->GetDeclaration(nullptr, &count), D3D_OK);
  ASSERT_EQ(count, 9u);
  D3DVERTEXELEMENT9 back[9];
  ASSERT_EQ(d->GetDeclaration(back, &count), D3D_OK);
  EXPECT_EQ(std::memcmp(back, kMorph, sizeof back), 0);
  d->Release();

  struct Case {
    const char* what;
    D3DVERTEXELEMENT9 element;
  };
  const Case cases[] = {
      {"stream 2", {2, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}},
      {"usage index 2", {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 2}},
      {"short2", {0, 0, D3DDECLTYPE_SHORT2, 0, D3DDECLUSAGE_TEXCOORD, 0}},
      {"tangent", {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0}},
      {"odd offset", {0, 2, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}},
      {"method", {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_UV, D3DDECLUSAGE_POSITION, 0}},
      {"repeated usage", {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}},
  };
  const D3DVERTEXELEMENT9 position = {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0};
  for (const Case& c : cases) {
    // The element after a valid position, so that only it can be at fault.
    const D3DVERTEXELEMENT9 list[] = {position, c.element, D3DDECL_END()};
    const bool alone = c.element.Usage == D3DDECLUSAGE_POSITION && c.element.UsageIndex == 0 &&
                       std::strcmp(c.what, "repeated usage") != 0;
    IDirect3DVertexDeclaration9* bad = reinterpret_cast<IDirect3DVertexDeclaration9*>(1);
    EXPECT_EQ(device_->CreateVertexDeclaration(alone ? list + 1 : list, &bad), D3DERR_INVALIDCALL)
        << c.what;
    EXPECT_EQ(bad, nullptr);
  }
  EXPECT_EQ(device_->CreateVertexDeclaration(nullptr, &d), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace d3d9_test
