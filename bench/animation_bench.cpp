// Animation costs: one channel evaluation on a long channel, and one frame of
// posing a scene-sized motion hierarchy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "render/animation.h"
#include "scene/motion.h"
#include "scene/scene.h"

namespace {

// Deterministic pseudo-random numbers, so runs are comparable.
struct Lcg {
  uint32_t state = 12345u;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  float Unit() { return static_cast<float>(Next() & 0xFFFF) / 65535.0f; }
};

// keyCount keys, spaced `step` ms apart from 0, all of one shape, with
// parameters that exercise each shape's full path.
void FillChannel(Channel* channel, int keyCount, int32_t step, uint16_t shape, Lcg* rng) {
  channel->Clear();
  channel->keyCount = static_cast<uint16_t>(keyCount);
  channel->keys = new Key[keyCount]();
  for (int i = 0; i < keyCount; ++i) {
    Key& key = channel->keys[i];
    key.time = i * step;
    key.value = rng->Unit() * 4.0f - 2.0f;
    key.shape = shape;
    key.params[0] = 0.2f * rng->Unit();         // tension
    key.params[1] = 0.4f * rng->Unit() - 0.2f;  // continuity / incoming value handle
    key.params[2] = static_cast<float>(step) * (shape == kShapeBezier ? -0.3f : 0.1f);
    key.params[3] = rng->Unit() - 0.5f;  // incoming tangent / outgoing value handle
    key.params[4] = rng->Unit() - 0.5f;  // outgoing tangent
  }
  channel->preBehavior = kBehaviorRepeat;
  channel->postBehavior = kBehaviorOscillate;
}

std::vector<int32_t> RandomTimes(int count, int32_t low, int32_t high, Lcg* rng) {
  std::vector<int32_t> times(count);
  for (int32_t& t : times) t = low + static_cast<int32_t>(rng->Next() % (high - low));
  return times;
}

// EvaluateChannel on 1,000 keys at random times inside the keyed range; the
// argument is the shape of every key.
void BM_EvaluateChannel1000Keys(benchmark::State& state) {
  Lcg rng;
  Channel channel;
  FillChannel(&channel, 1000, 33, static_cast<uint16_t>(state.range(0)), &rng);
  const std::vector<int32_t> times = RandomTimes(4096, 0, 999 * 33, &rng);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(EvaluateChannel(&channel, times[i]));
    i = (i + 1) & 4095;
  }
  channel.Clear();
}
BENCHMARK(BM_EvaluateChannel1000Keys)
    ->ArgName("shape")
    ->Arg(kShapeTcb)
    ->Arg(kShapeHermite)
    ->Arg(kShapeLinear)
    ->Arg(kShapeStep)
    ->Arg(kShapeBezier);

// UpdateMotions on 200 motions, every channel keyed (one key a second over
// the lap, Kochanek-Bartels), in a binary tree of parents; one frame of 16 ms
// per iteration.
void BM_UpdateMotions200(benchmark::State& state) {
  Lcg rng;
  Scene scene;
  ResetScene(&scene);
  scene.motionCount = 200;
  scene.motions = new Motion[200];
  for (int m = 0; m < 200; ++m) {
    Motion& motion = scene.motions[m];
    for (Channel& channel : motion.channels) FillChannel(&channel, 35, 1000, kShapeTcb, &rng);
    motion.pivot = D3DXVECTOR3(rng.Unit(), rng.Unit(), rng.Unit());
    if (m > 0) {
      motion.parentNo = static_cast<uint16_t>((m - 1) / 2);
      motion.parent = &scene.motions[motion.parentNo];
    }
  }
  int32_t elapsed = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(UpdateMotions(elapsed, &scene));
    benchmark::ClobberMemory();
    elapsed = (elapsed + 16) % kAnimationEndMs;
  }
  delete[] scene.motions;
}
BENCHMARK(BM_UpdateMotions200)->Unit(benchmark::kMicrosecond);

}  // namespace
