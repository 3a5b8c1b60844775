// SIGINT and SIGTERM for the unattended mode: the first one asks the run to
// end after the current frame (the run polls PendingRunSignal between
// frames); a second one while the run winds down ends the process at once
// with 128 + the signal number. Installed before the platform starts, so
// SDL leaves these handlers in place.
//
// Does not: touch the plain program (it never installs them).
// Threads: install from the main thread; the handler only stores a flag.
#ifndef MORVANE_APP_CLI_RUN_SIGNALS_H
#define MORVANE_APP_CLI_RUN_SIGNALS_H

void InstallRunSignals();
// The signal number that asked the run to end, or 0. Where the platform
// layer catches the stop signals itself (and closes the windows), this is
// the one place to ask it as well.
int PendingRunSignal();

#endif  // MORVANE_APP_CLI_RUN_SIGNALS_H
