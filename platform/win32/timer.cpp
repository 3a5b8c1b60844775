// timeGetTime and the virtual clock of the test hooks. The real count comes
// from a steady clock and starts at a nonzero value, so a caller that treats
// 0 as "never" is not fooled and differences across the wrap are exercised
// the same way as on Windows (always subtract, never compare).
#include "timer_internal.h"

#include <mmsystem.h>
#include <testing.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr DWORD kRealStart = 0x00010000;  // count at process start
constexpr MMRESULT kTimerCannotDo = 97;   // TIMERR_NOCANDO

std::atomic<bool> virtualOn{false};
std::atomic<DWORD> virtualNow{0};
std::atomic<bool> sleepAdvances{true};

// Taken on first use, which may come from another file's static initialiser.
std::chrono::steady_clock::time_point ProcessStart() {
  static const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  return start;
}

[[maybe_unused]] const bool startTaken = (ProcessStart(), true);

DWORD RealNow() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - ProcessStart());
  return kRealStart + static_cast<DWORD>(static_cast<uint64_t>(elapsed.count()));
}

}  // namespace

namespace timer_internal {

DWORD Now() {
  return virtualOn.load(std::memory_order_acquire) ? virtualNow.load(std::memory_order_acquire)
                                                   : RealNow();
}

bool SleepVirtual(DWORD milliseconds) {
  if (!virtualOn.load(std::memory_order_acquire)) return false;
  if (!sleepAdvances.load(std::memory_order_acquire)) return false;
  virtualNow.fetch_add(milliseconds, std::memory_order_acq_rel);
  std::this_thread::yield();
  return true;
}

}  // namespace timer_internal

DWORD WINAPI timeGetTime(void) { return timer_internal::Now(); }

// The count is already exact to the millisecond; the calls only check the
// argument as Windows does.
MMRESULT WINAPI timeBeginPeriod(UINT period) {
  return period == 0 ? kTimerCannotDo : TIMERR_NOERROR;
}
MMRESULT WINAPI timeEndPeriod(UINT period) { return period == 0 ? kTimerCannotDo : TIMERR_NOERROR; }

namespace testing_hooks {

void UseVirtualClock(DWORD start) {
  virtualNow.store(start, std::memory_order_release);
  virtualOn.store(true, std::memory_order_release);
}

void SetSleepAdvancesClock(bool on) { sleepAdvances.store(on, std::memory_order_release); }
void UseRealClock() { virtualOn.store(false, std::memory_order_release); }

bool VirtualClockOn() { return virtualOn.load(std::memory_order_acquire); }

void AdvanceClock(DWORD milliseconds) {
  virtualNow.fetch_add(milliseconds, std::memory_order_acq_rel);
}

}  // namespace testing_hooks
