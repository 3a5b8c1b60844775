#include "app/cli/run_signals.h"

#include <unistd.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void OnRunSignal(int number) {
  if (g_signal != 0) _exit(128 + number);  // asked twice: stop waiting
  g_signal = number;
}

}  // namespace

void InstallRunSignals() {
  struct sigaction action = {};
  action.sa_handler = OnRunSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int PendingRunSignal() { return g_signal; }
