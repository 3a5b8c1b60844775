// SIGINT and SIGTERM for the unattended mode. The platform layer catches
// them once its video starts: the first closes the windows (the run ends
// after the current frame, through WM_QUIT and the teardown), a second one
// while the program winds down ends the process at once. The run asks here
// which signal it was, to print the partial summary and exit 128 + it.
//
// Threads: main thread.
#ifndef MORVANE_APP_CLI_RUN_SIGNALS_H
#define MORVANE_APP_CLI_RUN_SIGNALS_H

// The signal number that asked the run to end, or 0.
int PendingRunSignal();

#endif  // MORVANE_APP_CLI_RUN_SIGNALS_H
