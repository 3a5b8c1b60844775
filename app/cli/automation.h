// The unattended mode: the dialog's choices given as options, headless
// drivers by default, a run of N laps or N frames, per-lap progress on
// stderr, results on stdout (text or JSON), an HTML report, PNG captures of
// chosen frames, a fixed-step clock for a repeatable workload, and a clean
// end with the summary on SIGINT or SIGTERM. It drives the real program
// through the platform's test hooks (clicks on the dialog, WM_CLOSE at the
// end) and never changes what a frame draws or how a lap is scored.
//
// Exit codes: 0 the run ended as asked; 1 start-up failed (the message
// boxes' texts go to stderr, and one line says why the GL device did not
// start when it was asked for), no data folder, or an output could not be
// written; 2 invalid options; 130 / 143 ended by SIGINT / SIGTERM.
//
// Main thread only.
#ifndef MORVANE_APP_CLI_AUTOMATION_H
#define MORVANE_APP_CLI_AUTOMATION_H

#include <string>
#include <vector>

#include "d3d9/device_choice.h"

struct FrameCapture {
  int ms = 0;        // elapsed time in lap 1
  std::string path;  // PNG file
};

struct AutomationOptions {
  int windowed = 1;
  int antiAlias = 1;
  int laps = 1;            // complete laps before the run ends
  long frames = 0;         // frames before the run ends; 0: no limit
  int seconds = -1;        // wall-clock seconds before the run ends; -1: no limit
  int samples = 0;         // the only multisample count offered; 0: 2, 4 and 8
  int threads = 0;         // device workers; 0: one per core (at most 8)
  int fixedStepMs = 0;     // virtual clock step per frame; 0: real clock
  std::string dataDir;     // working folder with the data files
  std::string captureDir;  // PNGs of the dialog and the main window
  std::vector<FrameCapture> captures;
  std::string reportPath;  // HTML report
  bool json = false;
  bool headless = true;  // SDL's offscreen video driver instead of the display
  bool sound = false;    // the real audio device instead of SDL's dummy driver
  // The Direct3D device: the CPU one by default, so results stay comparable
  // from run to run (MORVANE_DEVICE still overrides it).
  d3d9::DeviceKind device = d3d9::DeviceKind::Cpu;
  bool profile = false;                // report the device's time per stage
  std::vector<std::string> arguments;  // the command line as given, for the results
};

// Parses the command line. Returns false with a one-line reason in error on
// a bad option; sets help when usage was asked for. Output paths are checked
// here: their folder must exist.
bool ParseAutomationOptions(const std::vector<std::string>& args, AutomationOptions* options,
                            bool* help, std::string* error);
std::string AutomationUsage();

// Installs the hooks that answer the dialog, measure and end the run. Call
// before WinMain.
void InstallAutomation(const AutomationOptions& options);

// Prints the results once WinMain has returned and writes the report.
// Returns the process exit code (see above).
int ReportAutomation();

#endif  // MORVANE_APP_CLI_AUTOMATION_H
