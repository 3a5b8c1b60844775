// The pending-change handshake between the controlling thread and the
// streaming thread, and the per-pass step of a timed change.
//
// A pending flag holds 0 (nothing pending) or the number of the request that
// set it. Numbers are never reused soon, so the streaming thread clears only
// the request it finished (compare-exchange) and never one that the
// controlling thread made meanwhile.
#ifndef MORVANE_SOUND_SOUND_STEPS_H
#define MORVANE_SOUND_SOUND_STEPS_H

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace sound_steps {

// Controlling thread: target and rate first, then the flag (release).
void Request(std::atomic<int32_t>& target, std::atomic<float>& rate, std::atomic<int32_t>& pending,
             int32_t value, float perMs);

// trunc(rate x elapsed), never negative, capped far above any range so the
// conversion cannot overflow.
int32_t StepOf(float rate, DWORD elapsed);

// Streaming thread: moves `value` by `step` towards `target` and stores the
// new value in *now. A value the controlling thread changed in the meantime
// is left alone: that pass skips its step.
enum class Step { kMoved, kArrived, kSkipped };
Step StepTowards(std::atomic<int32_t>& value, int32_t target, int32_t step, int32_t* now);

}  // namespace sound_steps

#endif  // MORVANE_SOUND_SOUND_STEPS_H
