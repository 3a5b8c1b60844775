// Ending a run as a desktop user does: Alt+F4 and the window manager's close
// in both modes, the full-screen size rule against the window manager, the
// desktop's display mode given back by the teardown, and a dialog that keeps
// ignoring close requests.
#include <SDL.h>

#include <string>

#include "app/strings.h"
#include "app_fixture.h"
#include "data_set.h"

namespace {

// Runs start in a folder holding a small data set.
class ClosingTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    app_test::WritePlain(app_test::DataSet{});
  }
  app_test::ScratchFolder folder_;
};

void ManagerClose(HWND window) {
  SDL_Event e = {};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = SDL_GetWindowID(testing_hooks::SdlWindowOf(window));
  SDL_PushEvent(&e);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string CurrentMode() {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight);
}

enum class Ending { kAltF4, kManagerClose, kEsc };

struct EndingCase {
  bool fullScreen;
  Ending ending;
};

// Every way out of the main loop, in both modes, ends the run, and the
// teardown leaves the desktop in the mode it had.
TEST_F(ClosingTest, EveryEndingOfTheRunTearsDownAndGivesTheModeBack) {
  const EndingCase cases[] = {{true, Ending::kAltF4},
                              {true, Ending::kManagerClose},
                              {true, Ending::kEsc},
                              {false, Ending::kAltF4},
                              {false, Ending::kManagerClose}};
  for (const EndingCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "full screen " << c.fullScreen << " ending " << static_cast<int>(c.ending));
    testing_hooks::SetDisplayModes({{kFrameWidth, kFrameHeight, 32, 60}, {1024, 768, 32, 60}});
    const std::string desktop = CurrentMode();
    ASSERT_NE(desktop, "800x600");
    testing_hooks::SetIdleHandler([&](HWND active) {
      if (active == nullptr || GetDlgItem(active, kIdOk) == nullptr) return;
      if (c.fullScreen) ClickControl(GetDlgItem(active, kIdFullScreen));
      ClickControl(GetDlgItem(active, kIdOk));
    });
    HWND main = nullptr;
    std::string modeWhileRunning;
    int passes = 0;
    testing_hooks::SetPeekHandler([&]() {
      HWND active = GetActiveWindow();
      if (main != nullptr && ++passes == 200) {
        ADD_FAILURE() << "the run did not end";
        testing_hooks::SetKeyDown(VK_ESCAPE, true);
      }
      if (main != nullptr || active == nullptr || GetDlgItem(active, kIdOk) != nullptr) return;
      main = active;
      modeWhileRunning = CurrentMode();
      if (c.ending == Ending::kAltF4) SendMessageA(main, WM_SYSKEYDOWN, VK_F4, 1 << 29);
      if (c.ending == Ending::kManagerClose) ManagerClose(main);
      if (c.ending == Ending::kEsc) testing_hooks::SetKeyDown(VK_ESCAPE, true);
    });
    {
      BenchmarkApp app;
      EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
      ASSERT_NE(main, nullptr);
      EXPECT_EQ(main, app.window);
      EXPECT_EQ(IsWindow(main) == FALSE, c.ending != Ending::kEsc);
      EXPECT_EQ(modeWhileRunning, c.fullScreen ? "800x600" : desktop);
      EXPECT_EQ(CurrentMode(), desktop);
      EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
    }
    TearDown();
    SetUp();
  }
}

// A start-up that stops after the switch to full screen gives the mode back
// too, through the same teardown.
TEST_F(ClosingTest, AFailedFullScreenStartUpGivesTheModeBack) {
  testing_hooks::SetDisplayModes({{kFrameWidth, kFrameHeight, 32, 60}, {1024, 768, 32, 60}});
  const std::string desktop = CurrentMode();
  BenchmarkApp app;
  app.windowed = 0;
  ASSERT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 1);
  EXPECT_EQ(CurrentMode(), "800x600");
  ReleaseApp(&app);
  EXPECT_EQ(CurrentMode(), desktop);
}

// The window manager resizing the full-screen window meets the same rule as
// any other size change: back to 802 by 602.
TEST_F(ClosingTest, FullScreenResizedByTheWindowManagerIsSetBackTo802By602) {
  testing_hooks::SetDisplayModes({{kFrameWidth, kFrameHeight, 32, 60}, {1024, 768, 32, 60}});
  BenchmarkApp app;
  app.windowed = 0;
  ASSERT_EQ(CreateMainWindow(&app, GetModuleHandleA(nullptr)), 1);
  SDL_Window* sdl = testing_hooks::SdlWindowOf(app.window);
  ASSERT_NE(sdl, nullptr);
  SDL_SetWindowSize(sdl, 700, 500);
  Pump();
  RECT window;
  GetWindowRect(app.window, &window);
  EXPECT_EQ(window.right - window.left, kFullScreenSetBackWidth);
  EXPECT_EQ(window.bottom - window.top, kFullScreenSetBackHeight);
  int width = 0, height = 0;
  SDL_GetWindowSize(sdl, &width, &height);
  EXPECT_EQ(width, kFullScreenSetBackWidth);
  EXPECT_EQ(height, kFullScreenSetBackHeight);
}

// The dialog has no close box: the window manager's close and Alt+F4 leave
// it open, and it cannot be resized.
TEST_F(ClosingTest, TheDialogIgnoresCloseRequestsAndCannotBeResized) {
  AppSettings settings;
  SettingsDialogState state = {};
  state.instance = GetModuleHandleA(nullptr);
  state.settings = &settings;
  int step = 0;
  testing_hooks::SetIdleHandler([&](HWND active) {
    if (active == nullptr) return;
    switch (step++) {
      case 0:
        EXPECT_FALSE(SDL_GetWindowFlags(testing_hooks::SdlWindowOf(active)) & SDL_WINDOW_RESIZABLE);
        ManagerClose(active);
        break;
      case 1: SendMessageA(active, WM_SYSKEYDOWN, VK_F4, 1 << 29); break;
      default:
        EXPECT_TRUE(IsWindowVisible(active));
        ClickControl(GetDlgItem(active, kIdOk));
        break;
    }
  });
  EXPECT_EQ(DialogBoxParamA(state.instance, "DIALOGWND", nullptr, SettingsDialogProc,
                            reinterpret_cast<LPARAM>(&state)),
            1);
  EXPECT_GE(step, 3);
}

}  // namespace
