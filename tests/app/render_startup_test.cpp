// Start-up's render steps: the render context, the projection from the
// first camera at aspect 4/3, a technique failing validation ending
// start-up with the initialisation message, and teardown releasing the
// render context's objects whichever release runs first.
#include <d3dx9.h>

#include <cmath>
#include <cstring>

#include "app/strings.h"
#include "app_fixture.h"
#include "data_set.h"
#include "render/render.h"

namespace {

// Start-up reads the data files from a scratch folder.
class RenderStartupTest : public AppTest {
 protected:
  void Write(float fovY) {
    app_test::DataSet set;
    set.scene = app_test::SceneFile(2, fovY);
    app_test::WritePlain(set);
  }
  app_test::ScratchFolder folder_;
};

D3DXMATRIX ExpectedProjection(float fovY) {
  const uint32_t bits = 0x3FAAAAABu;  // 4/3 in single precision
  float aspect;
  std::memcpy(&aspect, &bits, sizeof aspect);
  D3DXMATRIX m;
  D3DXMatrixPerspectiveFovLH(&m, fovY, aspect, 0.1f, 10.0f);
  return m;
}

TEST_F(RenderStartupTest, TheProjectionComesFromTheFirstCameraAtFourThirds) {
  Write(0.8f);
  BenchmarkApp app;
  ASSERT_EQ(InitializeApp(&app, GetModuleHandleA(nullptr)), 1);
  EXPECT_NE(app.render.effect, nullptr);
  EXPECT_NE(app.render.techShader, nullptr);
  const D3DXMATRIX want = ExpectedProjection(0.8f);
  EXPECT_EQ(std::memcmp(&app.render.projection, &want, sizeof want), 0);
  EXPECT_NEAR(app.render.projection.m[1][1], 1.0f / std::tan(0.4f), 1e-5f);
  EXPECT_NEAR(app.render.projection.m[1][1] / app.render.projection.m[0][0], 4.0f / 3.0f, 1e-6f);
  // Releasing the render context first leaves nulls for the teardown.
  ReleaseRenderContext(&app.render);
  EXPECT_EQ(app.render.effect, nullptr);
  ReleaseApp(&app);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
}

TEST_F(RenderStartupTest, WithoutACameraTheFieldOfViewIsZeroAndTeardownReleasesTheEffect) {
  Write(-1.0f);
  BenchmarkApp app;
  ASSERT_EQ(InitializeApp(&app, GetModuleHandleA(nullptr)), 1);
  const D3DXMATRIX want = ExpectedProjection(0.0f);
  EXPECT_EQ(std::memcmp(&app.render.projection, &want, sizeof want), 0);
  ReleaseApp(&app);
  EXPECT_EQ(app.render.staticDeclaration, nullptr);
  EXPECT_EQ(app.render.morphDeclaration, nullptr);
  EXPECT_EQ(app.render.effect, nullptr);
  ReleaseRenderContext(&app.render);  // after the teardown: nothing left to do
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
}

TEST_F(RenderStartupTest, ATechniqueFailingValidationFailsStartUpWithTheMessage) {
  testing_hooks::SetIdleHandler([](HWND active) {
    if (active && GetDlgItem(active, kIdOk)) ClickControl(GetDlgItem(active, kIdOk));
  });
  Write(0.8f);
  testing_hooks::SetVertexConstantLimit(128);
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  testing_hooks::SetVertexConstantLimit(256);
  const auto& boxes = testing_hooks::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kInitFailedText);
  EXPECT_EQ(boxes[0].caption, "Error!!");
  EXPECT_EQ(app.render.effect, nullptr);
  EXPECT_EQ(app.device, nullptr);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
}

}  // namespace
