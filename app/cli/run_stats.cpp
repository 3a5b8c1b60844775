#include "app/cli/run_stats.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>
#include <thread>

#include "raster/simd.h"

double Percentile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(values.size())));
  if (rank == 0) rank = 1;
  return values[std::min(rank, values.size()) - 1];
}

LapFigures FiguresOf(const LapRecord& lap) {
  LapFigures f;
  f.frames = static_cast<int>(lap.frameMs.size());
  if (lap.frameMs.empty()) return f;
  const double total = std::accumulate(lap.frameMs.begin(), lap.frameMs.end(), 0.0);
  f.meanMs = total / f.frames;
  f.fps = total > 0 ? f.frames * 1000.0 / total : 0;
  f.p50 = Percentile(lap.frameMs, 0.50);
  f.p95 = Percentile(lap.frameMs, 0.95);
  f.p99 = Percentile(lap.frameMs, 0.99);
  std::vector<double> sorted = lap.frameMs;
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  f.max = sorted.front();
  // The slowest 1% of frames, at least one.
  const size_t worst = std::max<size_t>(1, sorted.size() / 100);
  const double worstTotal = std::accumulate(sorted.begin(), sorted.begin() + worst, 0.0);
  f.low1 = worstTotal > 0 ? worst * 1000.0 / worstTotal : 0;
  return f;
}

SystemFacts GatherSystemFacts(int threadsOption, int multisample, bool fullScreen) {
  SystemFacts s;
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      const size_t colon = line.find(':');
      if (colon != std::string::npos) s.cpu = line.substr(colon + 2);
      break;
    }
  }
  if (s.cpu.empty()) s.cpu = "unknown";
  // The device's default: one worker per core, at most 8.
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  s.coresUsed = threadsOption > 0 ? threadsOption : std::min(cores, 8);
  // The pixel rows' level as chosen at run time; the rest is plain C++ the
  // compiler vectorises for the target.
  s.simd = raster::PixelSimdName();
#if defined(__AVX512F__)
  s.simd += ", AVX-512 target";
#elif defined(__AVX2__)
  s.simd += ", AVX2 target";
#endif
  s.multisample = multisample;
  s.fullScreen = fullScreen;
  s.version = MORVANE_VERSION;
  s.buildType = MORVANE_BUILD_TYPE;
  return s;
}
