// Choosing the backend at CreateDevice: the default, the environment
// override, and what DescribeDevice reports.
#include <cstdlib>
#include <cstring>

#include "d3d9/device_choice.h"
#include "device_fixture.h"
#include "raster/simd.h"

namespace d3d9_test {
namespace {

class DeviceChoiceTest : public DeviceTest {
 protected:
  void TearDown() override {
    unsetenv("MORVANE_DEVICE");
    d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
    DeviceTest::TearDown();
  }
};

TEST_F(DeviceChoiceTest, DefaultIsTheCpuDeviceAndItDescribesItself) {
  unsetenv("MORVANE_DEVICE");
  ASSERT_EQ(CreateDevice(), D3D_OK);
  d3d9::DeviceDescription d{};
  ASSERT_EQ(d3d9::DescribeDevice(device_, &d), D3D_OK);
  EXPECT_EQ(d.kind, d3d9::DeviceKind::Cpu);
  EXPECT_NE(std::strstr(d.renderer, "CPU rasteriser"), nullptr) << d.renderer;
  // It names the pixel rows' level that runs.
  EXPECT_NE(std::strstr(d.renderer, raster::PixelSimdName()), nullptr) << d.renderer;
  EXPECT_STREQ(d3d9::LastDeviceFailure(), "");
  EXPECT_EQ(d3d9::DescribeDevice(device_, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::DescribeDevice(nullptr, &d), D3DERR_INVALIDCALL);
}

TEST_F(DeviceChoiceTest, EnvironmentOverridesTheChoice) {
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Gl);
  setenv("MORVANE_DEVICE", "cpu", 1);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  d3d9::DeviceDescription d{};
  ASSERT_EQ(d3d9::DescribeDevice(device_, &d), D3D_OK);
  EXPECT_EQ(d.kind, d3d9::DeviceKind::Cpu);
  // A value it does not know leaves the choice as set.
  device_->Release();
  device_ = nullptr;
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Cpu);
  setenv("MORVANE_DEVICE", "vulkan", 1);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  ASSERT_EQ(d3d9::DescribeDevice(device_, &d), D3D_OK);
  EXPECT_EQ(d.kind, d3d9::DeviceKind::Cpu);
}

}  // namespace
}  // namespace d3d9_test
