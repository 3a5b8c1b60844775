// Multisampled targets: fractional coverage on edges, hard edges with
// D3DRS_MULTISAMPLEANTIALIAS FALSE, solid interiors either way.
#include "device_fixture.h"

namespace d3d9_test {
namespace {

class MultisampleTables : public BothDevicesTest {};
MORVANE_ON_BOTH_DEVICES(MultisampleTables);

// Counts pixels that are neither the background nor the full colour.
int PartialPixels(const std::vector<uint32_t>& f) {
  int n = 0;
  for (uint32_t p : f) n += p != 0xFF000000u && p != 0xFFFFFFFFu;
  return n;
}

TEST_P(MultisampleTables, MultisampledEdgesBlendAndAntialiasOffGivesHardEdges) {
  int tried = 0;
  for (D3DMULTISAMPLE_TYPE samples :
       {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES, D3DMULTISAMPLE_8_SAMPLES}) {
    SCOPED_TRACE(samples);
    // GL offers what its implementation has (llvmpipe: 4 only).
    if (d3d_->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                         samples, nullptr) != D3D_OK) {
      ASSERT_TRUE(OnGl());
      continue;
    }
    ++tried;
    ASSERT_EQ(CreateDevice(samples), D3D_OK);
    SetProgramStates();
    for (BOOL antialias : {TRUE, FALSE}) {
      device_->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, antialias);
      ClearAll(0);
      device_->BeginScene();
      ASSERT_EQ(DrawFan({{2, 2}, {29, 6}, {12, 29}}, 0xFFFFFFFF), D3D_OK);
      device_->EndScene();
      const std::vector<uint32_t> f = Present();
      EXPECT_EQ(At(f, 14, 12), 0xFFFFFFFFu);
      EXPECT_EQ(At(f, 30, 30), 0xFF000000u);
      if (antialias) {
        EXPECT_GT(PartialPixels(f), 20);
      } else {
        EXPECT_EQ(PartialPixels(f), 0);
      }
    }
    device_->Release();
    device_ = nullptr;
  }
  EXPECT_GT(tried, 0);
}

}  // namespace
}  // namespace d3d9_test
