// The layer's state and its reset.
#include "module_state.h"

namespace win32 {

std::atomic<int> g_stopSignal{0};

Module& State() {
  // Never destroyed: exit handlers (a fuzzer's tear-down, the test main's)
  // call ResetPlatform after static destructors may already have run, so the
  // state must outlive them all. The memory stays reachable, not leaked.
  static Module* module = new Module;
  return *module;
}

void ResetState() {
  Module& m = State();
  {
    std::lock_guard<std::mutex> lock(m.tableMutex);
    // Handles are never reused, so one kept from before the reset names no
    // window made after it.
    const uintptr_t nextHandle = m.windows.nextHandle;
    m.windows = {};
    m.windows.nextHandle = nextHandle;
  }
  m.classes = {};
  {
    std::lock_guard<std::mutex> lock(m.queueMutex);
    m.queue = {};
  }
  m.input = {};
  {
    std::lock_guard<std::mutex> lock(m.keyMutex);
    m.keys = {};
  }
  m.handlers = {};
  m.boxes = {};
  m.display = {};
  m.session = {};
  g_stopSignal = 0;
  m.gdi = {};
  m.dialogs = {};
  std::lock_guard<std::mutex> lock(m.faultMutex);
  m.faults = {};
}

}  // namespace win32
