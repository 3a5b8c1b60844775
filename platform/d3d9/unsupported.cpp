#include "d3d9/unsupported.h"

#include <cstdio>

namespace d3d9 {

bool UnsupportedLog::Report(const Refusal& refusal) {
  const char* state = refusal.state ? refusal.state : "state";
  if (said_.emplace(state, refusal.value).second)
    std::fprintf(stderr, "unsupported: %s %lu\n", state, refusal.value);
  return false;
}

}  // namespace d3d9
