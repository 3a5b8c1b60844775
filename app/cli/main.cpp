// The Linux entry: calls WinMain as the Windows loader would, with no
// command line. Arguments, when given, select the unattended mode.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli/automation.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    std::vector<std::string> args(argv + 1, argv + argc);
    AutomationOptions options;
    bool help = false;
    std::string error;
    if (!ParseAutomationOptions(args, &options, &help, &error)) {
      std::fprintf(stderr, "morvane: %s\n%s", error.c_str(), AutomationUsage().c_str());
      return 2;
    }
    if (help) {
      std::fputs(AutomationUsage().c_str(), stdout);
      return 0;
    }
    if (options.headless) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!options.sound) setenv("SDL_AUDIODRIVER", "dummy", 1);
    InstallAutomation(options);
    WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
    return ReportAutomation();
  }
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
}
