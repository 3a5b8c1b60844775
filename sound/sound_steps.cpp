#include "sound/sound_steps.h"

namespace sound_steps {
namespace {

// Shared by every player: a number identifies one request process-wide.
std::atomic<int32_t> lastRequest{0};

int32_t NextRequest() {
  int32_t n = lastRequest.fetch_add(1, std::memory_order_relaxed) + 1;
  while (n <= 0) {  // wrapped: restart at 1, never 0 (which means "none")
    int32_t expected = n - 1;
    lastRequest.compare_exchange_strong(expected, 1, std::memory_order_relaxed);
    n = lastRequest.fetch_add(1, std::memory_order_relaxed) + 1;
  }
  return n;
}

}  // namespace

void Request(std::atomic<int32_t>& target, std::atomic<float>& rate, std::atomic<int32_t>& pending,
             int32_t value, float perMs) {
  target.store(value, std::memory_order_relaxed);
  rate.store(perMs, std::memory_order_relaxed);
  pending.store(NextRequest(), std::memory_order_release);
}

int32_t StepOf(float rate, DWORD elapsed) {
  const float product = rate * static_cast<float>(elapsed);
  if (!(product > 0.0f)) return 0;
  constexpr float kCap = 1.0e6f;  // beyond every range of volume, pan and speed
  return product >= kCap ? static_cast<int32_t>(kCap) : static_cast<int32_t>(product);
}

Step StepTowards(std::atomic<int32_t>& value, int32_t target, int32_t step, int32_t* now) {
  int32_t v = value.load(std::memory_order_relaxed);
  int64_t next;
  bool arrived;
  if (v > target) {
    next = int64_t{v} - step;
    arrived = next <= target;
  } else {
    next = int64_t{v} + step;
    arrived = next >= target;
  }
  if (arrived) next = target;
  *now = static_cast<int32_t>(next);
  if (!value.compare_exchange_strong(v, *now, std::memory_order_relaxed)) return Step::kSkipped;
  return arrived ? Step::kArrived : Step::kMoved;
}

}  // namespace sound_steps
