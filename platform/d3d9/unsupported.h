// Saying why a device refused a draw. A device that meets a state it cannot
// honour fails the draw with its documented result and, the first time it
// meets that state with that value, prints one line on stderr:
// "unsupported: <state> <value>" (the value in decimal). Any backend's
// device may keep one log.
//
// Does not: decide what is supported (each device does), or print anything
// for argument errors the caller can see from the result alone.
// Threads: one log per device, used on the device's thread.
#ifndef MORVANE_PLATFORM_D3D9_UNSUPPORTED_H
#define MORVANE_PLATFORM_D3D9_UNSUPPORTED_H

#include <set>
#include <string>
#include <utility>

namespace d3d9 {

// The state a draw could not honour, and its value.
struct Refusal {
  const char* state = nullptr;
  unsigned long value = 0;
};

class UnsupportedLog {
 public:
  // Prints the refusal's line unless this log printed it before; false, so
  // a refusing check can return it.
  bool Report(const Refusal& refusal);

 private:
  std::set<std::pair<std::string, unsigned long>> said_;
};

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_UNSUPPORTED_H
