// The unattended mode: the dialog's choices given as options, headless
// drivers, a fixed run length, results on stdout and progress on stderr. It
// drives the real program through the platform's test hooks (clicks on the
// dialog, Esc at the end) and never changes what the program does.
#ifndef MORVANE_APP_CLI_AUTOMATION_H
#define MORVANE_APP_CLI_AUTOMATION_H

#include <string>
#include <vector>

struct AutomationOptions {
  int windowed = 1;
  int antiAlias = 1;
  int seconds = 3;          // how long the main window runs
  std::string captureDir;   // where PNG captures go; empty for none
  bool headless = true;     // SDL's offscreen video driver instead of the display
  bool sound = false;       // the real audio device instead of SDL's dummy driver
};

// Parses the command line. Returns false with a message in error on a bad
// option; sets help when usage was asked for.
bool ParseAutomationOptions(const std::vector<std::string>& args, AutomationOptions* options,
                            bool* help, std::string* error);
std::string AutomationUsage();

// Installs the hooks that answer the dialog and end the run. Call before
// WinMain.
void InstallAutomation(const AutomationOptions& options);

// Prints the run's summary on stdout once WinMain has returned. Returns the
// process status: 0 when the dialog was answered, the main window ran and no
// message box reported a failure; 1 otherwise.
int ReportAutomation();

#endif  // MORVANE_APP_CLI_AUTOMATION_H
