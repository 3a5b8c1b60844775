// The benchmark frame of the demo data set on the software device: the
// program's own start-up (window, device, sound, archive, assets, render
// context, camera) in the generated data folder, then RenderFrame over one
// lap at a fixed step of 111 ms, as `morvane --fixed-step 111` runs it.
// Arguments: samples (0 or 4, as the dialog's anti-aliasing choice), the
// device's threads, and split (1: coverage timed apart from shading, which
// costs a clock read per triangle and tile; 0: coverage counts as
// shading). Each repetition is the 300 frames at animation times 111, 222,
// ... ms; the figures are per frame: the median and mean wall time, the
// process's CPU time (all threads; a steadier figure on a busy machine) and
// the mean time of each stage (summed over threads).
//
// The data folder is $MORVANE_DEMO_DATA, else the build tree's data/ (made
// by tools/mkassets); the same folder is the llvmpipe yardstick's scene.
#include <benchmark/benchmark.h>
#include <mmsystem.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/app.h"
#include "testing.h"

namespace {

constexpr int kStepMs = 111;
constexpr int kFrames = 300;

std::string DataFolder() {
  const char* env = std::getenv("MORVANE_DEMO_DATA");
  return env != nullptr && *env != '\0' ? env : MORVANE_DEMO_DATA_DIR;
}

// The program started in the data folder with the chosen settings; the
// working folder is restored when it is torn down.
class DemoRun {
 public:
  DemoRun(int samples, int threads, bool split) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing_hooks::ResetPlatform();
    testing_hooks::SetMessageBoxAutoAnswer(true);
    testing_hooks::SetDeviceThreads(threads);
    testing_hooks::SetDeviceStageSplit(split);
    if (samples > 0) testing_hooks::SetSupportedMultisamples({samples});
    testing_hooks::UseVirtualClock(0x00010000);
    testing_hooks::SetSleepAdvancesClock(false);
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) cwd_ = cwd;
    if (chdir(DataFolder().c_str()) != 0) return;
    app_.windowed = 1;
    app_.antiAlias = samples > 0 ? 1 : 0;
    ok_ = InitializeApp(&app_, GetModuleHandleA(nullptr)) == 1 &&
          testing_hooks::MessageBoxes().empty();
    testing_hooks::PauseAudioDevice();  // no mixing beside the frames
  }
  ~DemoRun() {
    ReleaseApp(&app_);
    testing_hooks::ResumeAudioDevice();
    testing_hooks::SetDeviceThreads(0);
    testing_hooks::SetDeviceStageSplit(false);
    testing_hooks::SetSupportedMultisamples({2, 4, 8});
    testing_hooks::UseRealClock();
    testing_hooks::ResetPlatform();
    if (!cwd_.empty() && chdir(cwd_.c_str()) != 0) cwd_.clear();
  }
  bool ok() const { return ok_; }

  // `frames` frames from the start of a lap; the wall time of each in ms.
  std::vector<double> Lap(int frames = kFrames) {
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(frames));
    app_.lapStart = timeGetTime();
    for (int i = 0; i < frames; ++i) {
      testing_hooks::AdvanceClock(kStepMs);
      const auto start = std::chrono::steady_clock::now();
      RenderFrame(&app_);
      ms.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
    }
    return ms;
  }

 private:
  BenchmarkApp app_;
  std::string cwd_;
  bool ok_ = false;
};

void DemoFrame(benchmark::State& state) {
  DemoRun run(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
              state.range(2) != 0);
  if (!run.ok()) return state.SkipWithError(("cannot start on " + DataFolder()).c_str());
  run.Lap(12);  // warm-up: buffers grow once
  testing_hooks::TakeDeviceStageTimes(nullptr);
  std::vector<double> all;
  const std::clock_t cpuStart = std::clock();
  for (auto _ : state) {
    std::vector<double> lap = run.Lap();
    double sum = 0;
    for (double ms : lap) sum += ms;
    state.SetIterationTime(sum / 1000.0 / kFrames);  // seconds per frame
    all.insert(all.end(), lap.begin(), lap.end());
  }
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  int frames = 0;
  const testing_hooks::StageTimes t = testing_hooks::TakeDeviceStageTimes(&frames);
  if (all.empty() || frames == 0) return;
  std::sort(all.begin(), all.end());
  state.counters["median_ms"] = all[all.size() / 2];
  state.counters["cpu_ms"] = cpuMs / static_cast<double>(all.size());
  const double perFrame = 1000.0 / frames;
  state.counters["vertex_ms"] = t.vertex * perFrame;
  state.counters["setup_ms"] = t.setup * perFrame;
  state.counters["binning_ms"] = t.binning * perFrame;
  state.counters["coverage_ms"] = t.coverage * perFrame;
  state.counters["shading_ms"] = t.shading * perFrame;
  state.counters["resolve_ms"] = t.resolve * perFrame;
  state.counters["present_ms"] = t.present * perFrame;
}
BENCHMARK(DemoFrame)
    ->ArgNames({"samples", "threads", "split"})
    ->Args({0, 1, 0})
    ->Args({0, 2, 0})
    ->Args({4, 1, 0})
    ->Args({4, 2, 0})
    ->Args({0, 1, 1})
    ->Args({4, 1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
