// Multimedia timer subset: timeGetTime, milliseconds from a steady clock as
// a wrapping 32-bit value (it starts well above zero; compare by subtracting).
// timeBeginPeriod/timeEndPeriod only check their argument: the count is
// always exact to the millisecond. Any thread may call these.
//
// Under the test hooks' virtual clock (testing.h) timeGetTime and
// GetTickCount read that clock instead, and Sleep(ms) from any thread adds ms
// to it atomically and then only yields, so other threads still progress.
// WaitForSingleObject's timeout stays real time.
#ifndef MORVANE_PLATFORM_MMSYSTEM_H
#define MORVANE_PLATFORM_MMSYSTEM_H

#include <windows.h>

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0

DWORD WINAPI timeGetTime(void);
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);

#endif  // MORVANE_PLATFORM_MMSYSTEM_H
