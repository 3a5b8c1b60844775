// The allocation-fault gate and its test hooks.
#include "win32/allocation_faults.h"

#include <mutex>
#include <string>

#include "testing.h"

namespace win32 {
namespace {

std::mutex g_mutex;
int g_failAt = 0;  // 0: no fault set, nothing counted
int g_reached = 0;
const char* g_failed = nullptr;

}  // namespace

bool AllocationFails(const char* point) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_failAt == 0) return false;
  if (++g_reached != g_failAt) return false;
  g_failed = point;
  return true;
}

}  // namespace win32

namespace testing_hooks {

void FailAllocationPoint(int n) {
  std::lock_guard<std::mutex> lock(win32::g_mutex);
  win32::g_failAt = n > 0 ? n : 0;
  win32::g_reached = 0;
  win32::g_failed = nullptr;
}

int AllocationPointsReached() {
  std::lock_guard<std::mutex> lock(win32::g_mutex);
  return win32::g_reached;
}

std::string FailedAllocationPoint() {
  std::lock_guard<std::mutex> lock(win32::g_mutex);
  return win32::g_failed != nullptr ? win32::g_failed : "";
}

bool AllocationPointFails(const char* point) { return win32::AllocationFails(point); }

}  // namespace testing_hooks
