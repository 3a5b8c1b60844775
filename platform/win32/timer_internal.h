// Internal to platform/win32: the millisecond clock shared by timeGetTime,
// GetTickCount and Sleep. Any thread may call these.
#ifndef MORVANE_PLATFORM_WIN32_TIMER_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_TIMER_INTERNAL_H

#include <windows.h>

namespace timer_internal {

// Milliseconds as a wrapping DWORD: the virtual time when the test hooks'
// clock is on, else a steady clock counted from a nonzero value at start-up.
DWORD Now();

// With the virtual clock on: advances it by milliseconds, yields briefly so
// other threads progress, and returns true. Else returns false at once.
bool SleepVirtual(DWORD milliseconds);

}  // namespace timer_internal

#endif  // MORVANE_PLATFORM_WIN32_TIMER_INTERNAL_H
