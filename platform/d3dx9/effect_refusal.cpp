// The reason of the last refused effect call.
#include "d3dx9/effect_refusal.h"

#include <cstdio>

#include "testing.h"

namespace d3dx9 {

namespace {
struct RefusalState {
  std::string last;
  bool printed = false;
};
RefusalState& State() {
  static RefusalState state;
  return state;
}
}  // namespace

void RecordEffectRefusal(std::string reason) {
  RefusalState& s = State();
  if (!s.printed) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    s.printed = true;
  }
  s.last = std::move(reason);
}

}  // namespace d3dx9

namespace testing_hooks {

std::string LastEffectRefusal() { return d3dx9::State().last; }

}  // namespace testing_hooks
