// The Linux entry: calls WinMain as the Windows loader would, with no
// command line. Arguments, when given, select the unattended mode.
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/cli/automation.h"
#include "d3d9/device_choice.h"
#include "testing.h"

namespace {

// The desktop the headless display reports, larger than the frame.
constexpr int kHeadlessDesktopWidth = 1024, kHeadlessDesktopHeight = 768;

// Sets up the unattended run's environment; 0, or the exit code after a
// one-line reason on stderr.
int PrepareUnattended(AutomationOptions* options) {
  if (options->headless) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // The offscreen display offers a desktop mode and the frame's size, so
    // full screen runs headless too.
    constexpr int kDepth = 32, kRefreshHz = 60;
    testing_hooks::SetDisplayModes(
        {{kHeadlessDesktopWidth, kHeadlessDesktopHeight, kDepth, kRefreshHz},
         {kFrameWidth, kFrameHeight, kDepth, kRefreshHz}});
  } else if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
    std::fprintf(stderr,
                 "morvane: --display: no display (DISPLAY and WAYLAND_DISPLAY are unset)\n");
    return 1;
  }
  if (!options->sound) setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (options->dataDir.empty()) options->dataDir = MORVANE_DEMO_DATA_DIR;
  std::error_code ec;
  options->dataDir = std::filesystem::absolute(options->dataDir, ec).string();
  // The program reads its data files from the working folder.
  if (chdir(options->dataDir.c_str()) != 0) {
    std::fprintf(stderr,
                 "morvane: --data: cannot enter '%s' (build the demo data with "
                 "./scripts/bench, or name a folder)\n",
                 options->dataDir.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::vector<std::string> args(argv + 1, argv + argc);
    AutomationOptions options;
    options.arguments = args;
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
    if (const int code = PrepareUnattended(&options)) return code;
    InstallAutomation(options);
    WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
    const int code = ReportAutomation();
    // What Windows reclaims at process exit (stock objects, classes, SDL's
    // state) is given back here, so leak checkers see only real leaks.
    testing_hooks::ResetPlatform();
    return code;
  }
  // The plain program draws with the GL device on a hardware GL renderer and
  // with the CPU device otherwise, or when GL cannot start.
  d3d9::SetDeviceChoice(d3d9::DeviceKind::Auto);
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
}
