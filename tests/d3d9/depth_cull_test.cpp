// Depth testing at D16 precision with LESSEQUAL, the depth switches the
// program flips during a frame, and culling by screen winding.
#include "device_fixture.h"

namespace d3d9_test {
namespace {

class DepthCullTables : public BothDevicesTest {};
MORVANE_ON_BOTH_DEVICES(DepthCullTables);

TEST_P(DepthCullTables, LessEqualPassesEqualDepthsAtD16Precision) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  ClearAll(0);
  device_->BeginScene();
  const float z = 0.5f;
  const float step = 1.0f / 65535.0f;
  ASSERT_EQ(DrawRect(0, 0, 8, 8, 0xFFFF0000, z), D3D_OK);
  // Column 0: the same depth passes. Column 1: less than half a D16 step
  // further rounds to the same value and passes. Column 2: a whole step
  // further fails. Column 3: nearer passes.
  ASSERT_EQ(DrawRect(0, 0, 2, 8, 0xFF00FF00, z), D3D_OK);
  ASSERT_EQ(DrawRect(2, 0, 4, 8, 0xFF00FF00, z + 0.4f * step), D3D_OK);
  // 0.5 + one step lies on a rounding tie of D16 (32768.5); GL maps z to
  // -w..w and back, which may move it across within float precision, so
  // the GL device is held to a step and a tenth.
  const float further = OnGl() ? 1.1f : 1.0f;
  ASSERT_EQ(DrawRect(4, 0, 6, 8, 0xFF00FF00, z + further * step), D3D_OK);
  ASSERT_EQ(DrawRect(6, 0, 8, 8, 0xFF00FF00, z - 1.0f * step), D3D_OK);
  // Depth test off draws regardless; depth writes off leave the depth.
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  ASSERT_EQ(DrawRect(8, 0, 12, 8, 0xFF0000FF, 0.0f), D3D_OK);
  ASSERT_EQ(DrawRect(12, 0, 16, 8, 0xFF0000FF, 0.0f), D3D_OK);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  ASSERT_EQ(DrawRect(8, 0, 12, 8, 0xFFFFFF00, 0.25f), D3D_OK);  // depth buffer still 1.0 there
  device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  ASSERT_EQ(DrawRect(8, 0, 16, 8, 0xFFFFFFFF, 0.9f), D3D_OK);
  device_->EndScene();
  const std::vector<uint32_t> f = Present();
  EXPECT_EQ(At(f, 1, 4), 0xFF00FF00u);
  EXPECT_EQ(At(f, 3, 4), 0xFF00FF00u);
  EXPECT_EQ(At(f, 5, 4), 0xFFFF0000u);
  EXPECT_EQ(At(f, 7, 4), 0xFF00FF00u);
  // Nothing was written to depth at 8..15 before the white rectangle at 0.9.
  EXPECT_EQ(At(f, 10, 4), 0xFFFFFFFFu);
  EXPECT_EQ(At(f, 14, 4), 0xFFFFFFFFu);
}

TEST_P(DepthCullTables, CullModesDiscardTrianglesByScreenWinding) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  SetProgramStates();
  const struct {
    D3DCULL mode;
    bool clockwiseDrawn, counterClockwiseDrawn;
  } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}};
  for (const auto& c : cases) {
    device_->SetRenderState(D3DRS_CULLMODE, c.mode);
    ClearAll(0);
    device_->BeginScene();
    // Clockwise on screen (y down): left-top, right-top, right-bottom.
    ASSERT_EQ(DrawFan({{0, 0}, {16, 0}, {16, 16}}, 0xFFFF0000), D3D_OK);
    ASSERT_EQ(DrawFan({{16, 16}, {16, 32}, {32, 32}}, 0xFF00FF00), D3D_OK);
    device_->EndScene();
    const std::vector<uint32_t> f = Present();
    EXPECT_EQ(At(f, 12, 4) == 0xFFFF0000u, c.clockwiseDrawn) << c.mode;
    EXPECT_EQ(At(f, 20, 28) == 0xFF00FF00u, c.counterClockwiseDrawn) << c.mode;
  }
}

TEST_P(DepthCullTables, ClearFillsTheViewportOrTheGivenRectangles) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  ClearAll(0x00000010);
  const D3DVIEWPORT9 vp{8, 8, 16, 16, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000020, 1.0f, 0), D3D_OK);
  const D3DRECT rects[2] = {{0, 0, 10, 10}, {20, 20, 22, 21}};
  ASSERT_EQ(device_->Clear(2, rects, D3DCLEAR_TARGET, 0x00000030, 1.0f, 0), D3D_OK);
  EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 2.0f, 0), D3DERR_INVALIDCALL);
  const std::vector<uint32_t> f = Present();
  std::vector<uint32_t> expected(kWidth * kHeight, 0xFF000010u);
  for (int y = 8; y < 24; ++y)
    for (int x = 8; x < 24; ++x) expected[y * kWidth + x] = 0xFF000020u;
  for (int y = 8; y < 10; ++y)
    for (int x = 8; x < 10; ++x) expected[y * kWidth + x] = 0xFF000030u;
  expected[20 * kWidth + 20] = expected[20 * kWidth + 21] = 0xFF000030u;
  EXPECT_TRUE(FrameEquals(f, expected));
}

}  // namespace
}  // namespace d3d9_test
