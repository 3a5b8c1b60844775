// Internal to the unattended mode: what a run recorded, shared by the hooks
// that record it and the writers of its results.
#ifndef MORVANE_APP_CLI_RUN_STATE_H
#define MORVANE_APP_CLI_RUN_STATE_H

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/automation.h"
#include "app/cli/run_stats.h"
#include "testing.h"

struct RunResults {
  AutomationOptions options;
  std::vector<std::string> args;  // the command line as given
  std::vector<LapRecord> laps;    // completed laps, then a partial one if any
  SystemFacts facts;
  int averageScore = 0;  // the program's own average and best
  int bestScore = 0;
  int signal = 0;                         // the signal that ended the run, or 0
  std::vector<std::string> capturedPngs;  // written --capture files, in order
  // --profile: the device's stage times over every frame it presented.
  testing_hooks::StageTimes stages;
  int stageFrames = 0;
};

void PrintTextResults(const RunResults& run, std::FILE* out);
void PrintJsonResults(const RunResults& run, std::FILE* out);
// Writes the HTML report; false with a reason when the file cannot be
// written.
bool WriteHtmlReport(const RunResults& run, std::string* error);
// "worst lap / best lap" of the completed laps, 0 when there are none.
double Stability(const RunResults& run);

#endif  // MORVANE_APP_CLI_RUN_STATE_H
