// The whole run: dialog, start-up, message loop and teardown.
#include <string>

#include "app/strings.h"
#include "app_fixture.h"
#include "data_set.h"

namespace {

using app_test::DataSet;
using app_test::ScratchFolder;

// Every run starts in a folder holding the four data files.
class RunTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    app_test::WritePlain(DataSet{});
  }
  void TearDown() override {
    testing_hooks::SetSleepAdvancesClock(true);
    AppTest::TearDown();
  }
  ScratchFolder folder_;
};

// Answers the dialog with the given radio clicks and OK.
void AnswerDialog(bool fullScreen) {
  testing_hooks::SetIdleHandler([fullScreen](HWND active) {
    if (active == nullptr || GetDlgItem(active, kIdOk) == nullptr) return;
    if (fullScreen) AppTest::ClickControl(GetDlgItem(active, kIdFullScreen));
    AppTest::ClickControl(GetDlgItem(active, kIdOk));
  });
}

TEST_F(RunTest, CancelEndsAtOnceWithNothingCreated) {
  testing_hooks::SetIdleHandler([](HWND active) {
    if (active && GetDlgItem(active, kIdCancel)) ClickControl(GetDlgItem(active, kIdCancel));
  });
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  EXPECT_EQ(app.window, nullptr);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(RunTest, ClosingTheWindowEndsTheLoopThroughQuit) {
  AnswerDialog(false);
  HWND closed = nullptr;
  int passes = 0;
  testing_hooks::SetPeekHandler([&]() {
    HWND active = GetActiveWindow();
    if (closed == nullptr && active && GetDlgItem(active, kIdOk) == nullptr && ++passes == 3) {
      closed = active;
      PostMessageA(active, WM_CLOSE, 0, 0);
    }
  });
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  EXPECT_NE(closed, nullptr);
  EXPECT_EQ(closed, app.window);
  EXPECT_FALSE(IsWindow(closed));
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
  EXPECT_EQ(app.windowed, 1);
  EXPECT_EQ(app.antiAlias, 1);
}

TEST_F(RunTest, EscEndsTheLoopAfterAFrame) {
  AnswerDialog(false);
  testing_hooks::SetPeekHandler([]() {
    HWND active = GetActiveWindow();
    if (active && GetDlgItem(active, kIdOk) == nullptr) testing_hooks::SetKeyDown(VK_ESCAPE, true);
  });
  testing_hooks::CapturePresentedFrames(true);
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  EXPECT_TRUE(IsWindow(app.window));  // the Esc path does not destroy the window
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
  // Esc was held before the first frame; that frame was still presented.
  int w = 0, h = 0;
  EXPECT_FALSE(testing_hooks::LastPresentedFrame(&w, &h).empty());
  testing_hooks::CapturePresentedFrames(false);
}

TEST_F(RunTest, FullScreenWithoutTheModeShowsTheFailureOnceAndTearsDown) {
  testing_hooks::SetDisplayModes({{1024, 768, 32, 60}});
  if (const char* out = std::getenv("MORVANE_TEST_OUT")) {
    std::string dir = std::string(out) + "/init-failure";
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    testing_hooks::SetMessageBoxCaptureDir(dir);
  }
  AnswerDialog(true);
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  const auto& boxes = testing_hooks::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].text, kInitFailedText);
  EXPECT_EQ(boxes[0].caption, "Error!!");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(app.windowed, 0);
  EXPECT_EQ(app.d3d, nullptr);
  EXPECT_EQ(app.device, nullptr);
  ReleaseApp(&app);  // a second teardown is harmless
  ReleaseApp(&app);
  EXPECT_EQ(testing_hooks::MessageBoxes().size(), 1u);
}

}  // namespace
