// The allocation-fault gate behind testing_hooks::FailAllocationPoint. Every
// platform call that allocates and has a documented failure result asks it
// once, where its allocation happens; on a yes the call fails as it does
// when memory runs out. Any thread.
#ifndef MORVANE_PLATFORM_WIN32_ALLOCATION_FAULTS_H
#define MORVANE_PLATFORM_WIN32_ALLOCATION_FAULTS_H

namespace win32 {

// Counts one allocation point named `point` (a static string); true when it
// is the one that must fail. False, and nothing counted, while no fault is
// set.
bool AllocationFails(const char* point);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_ALLOCATION_FAULTS_H
