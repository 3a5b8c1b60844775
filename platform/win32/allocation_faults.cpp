// The allocation-fault gate and its test hooks.
#include "win32/allocation_faults.h"

#include <mutex>
#include <string>

#include "module_state.h"
#include "testing.h"

namespace win32 {
namespace {

FaultsState& Faults() { return State().faults; }  // under State().faultMutex

}  // namespace

bool AllocationFails(const char* point) {
  std::lock_guard<std::mutex> lock(State().faultMutex);
  if (Faults().failAt == 0) return false;
  if (++Faults().reached != Faults().failAt) return false;
  Faults().failed = point;
  return true;
}

}  // namespace win32

using win32::Faults;
using win32::State;

namespace testing_hooks {

void FailAllocationPoint(int n) {
  std::lock_guard<std::mutex> lock(State().faultMutex);
  Faults().failAt = n > 0 ? n : 0;
  Faults().reached = 0;
  Faults().failed = nullptr;
}

int AllocationPointsReached() {
  std::lock_guard<std::mutex> lock(State().faultMutex);
  return Faults().reached;
}

std::string FailedAllocationPoint() {
  std::lock_guard<std::mutex> lock(State().faultMutex);
  return Faults().failed != nullptr ? Faults().failed : "";
}

bool AllocationPointFails(const char* point) { return win32::AllocationFails(point); }

}  // namespace testing_hooks
