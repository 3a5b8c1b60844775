// Shared set-up for the application tests: a clean platform, the virtual
// clock, message boxes answered at once, and a helper that captures PNGs.
#ifndef MORVANE_TESTS_APP_APP_FIXTURE_H
#define MORVANE_TESTS_APP_APP_FIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/app.h"
#include "testing.h"

class AppTest : public ::testing::Test {
 public:  // the helpers are used from lambdas too
  void SetUp() override {
    testing_hooks::UseVirtualClock(1000);
    testing_hooks::SetMessageBoxAutoAnswer(true);
    testing_hooks::ClearMessageBoxes();
  }
  void TearDown() override {
    testing_hooks::SetIdleHandler({});
    testing_hooks::SetPeekHandler({});
    testing_hooks::ClearKeys();
    testing_hooks::ResetPlatform();
  }

  // Saves a window as PNG under $MORVANE_TEST_OUT, when that is set.
  static void SavePng(HWND window, const std::string& name) {
    const char* dir = std::getenv("MORVANE_TEST_OUT");
    if (dir == nullptr) return;
    std::string command = std::string("mkdir -p '") + dir + "'";
    if (std::system(command.c_str()) != 0) return;
    EXPECT_TRUE(testing_hooks::SaveWindowPng(window, std::string(dir) + "/" + name));
  }

  // A control's rectangle in its parent's client coordinates.
  static RECT ClientRectOf(HWND control) {
    RECT rc;
    GetWindowRect(control, &rc);
    POINT topLeft = {rc.left, rc.top};
    POINT bottomRight = {rc.right, rc.bottom};
    ScreenToClient(GetParent(control), &topLeft);
    ScreenToClient(GetParent(control), &bottomRight);
    return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  }

  static void ClickControl(HWND control) {
    RECT rc = ClientRectOf(control);
    testing_hooks::InjectClick((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  }
};

#endif  // MORVANE_TESTS_APP_APP_FIXTURE_H
