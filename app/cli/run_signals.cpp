#include "app/cli/run_signals.h"

#include "testing.h"

int PendingRunSignal() { return testing_hooks::StopSignal(); }
