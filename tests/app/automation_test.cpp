// The unattended mode: its options, and a whole run driven through it.
#include "app/cli/automation.h"

#include <string>
#include <vector>

#include "app_fixture.h"

namespace {

TEST(AutomationOptionsTest, ParsesGoodAndRefusesBadCommandLines) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    int windowed, antiAlias, seconds;
    bool headless, sound;
  } cases[] = {
      {{}, true, 1, 1, 3, true, false},
      {{"--windowed", "0", "--antialias", "0"}, true, 0, 0, 3, true, false},
      {{"--seconds", "10", "--display"}, true, 1, 1, 10, false, false},
      {{"--sound"}, true, 1, 1, 3, true, true},
      {{"--windowed", "2"}, false, 0, 0, 0, true, false},
      {{"--windowed"}, false, 0, 0, 0, true, false},
      {{"--seconds", "-1"}, false, 0, 0, 0, true, false},
      {{"--seconds", "3x"}, false, 0, 0, 0, true, false},
      {{"--frobnicate"}, false, 0, 0, 0, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0]);
    AutomationOptions options;
    bool help = false;
    std::string error;
    ASSERT_EQ(ParseAutomationOptions(c.args, &options, &help, &error), c.ok);
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(options.windowed, c.windowed);
    EXPECT_EQ(options.antiAlias, c.antiAlias);
    EXPECT_EQ(options.seconds, c.seconds);
    EXPECT_EQ(options.headless, c.headless);
    EXPECT_EQ(options.sound, c.sound);
  }
}

using AutomationRunTest = AppTest;

TEST_F(AutomationRunTest, AnswersTheDialogRunsTheWindowAndReportsSuccess) {
  AutomationOptions options;
  options.seconds = 0;
  InstallAutomation(options);
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), 1);
  EXPECT_EQ(ReportAutomation(), 0);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(AutomationRunTest, AFailedStartUpIsReportedAsFailure) {
  testing_hooks::SetDisplayModes({{1024, 768, 32, 60}});
  AutomationOptions options;
  options.windowed = 0;
  options.seconds = 0;
  InstallAutomation(options);
  WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
  EXPECT_EQ(ReportAutomation(), 1);
  EXPECT_EQ(testing_hooks::MessageBoxes().size(), 1u);
}

}  // namespace
