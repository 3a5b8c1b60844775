// The results of an unattended run as text or JSON.
#include <algorithm>
#include <string>
#include <vector>

#include "app/cli/run_state.h"

namespace {

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string ClockText(const RunResults& run) {
  if (run.options.fixedStepMs > 0)
    return "virtual, " + std::to_string(run.options.fixedStepMs) +
           " ms per frame (scores count frames per 33.5 s of virtual time; fps and frame "
           "times are wall-clock)";
  return "real (scores and frame times are wall-clock)";
}

struct StageFigure {
  const char* name;  // as the text names it
  const char* key;   // as JSON names it
  double ms;         // per frame
};

// The stages in pipeline order, in ms per presented frame.
std::vector<StageFigure> StageFigures(const RunResults& run) {
  const testing_hooks::StageTimes& t = run.stages;
  const double perFrame = run.stageFrames > 0 ? 1000.0 / run.stageFrames : 0.0;
  return {{"vertex", "vertexMs", t.vertex * perFrame},
          {"set-up", "setupMs", t.setup * perFrame},
          {"binning", "binningMs", t.binning * perFrame},
          {"coverage", "coverageMs", t.coverage * perFrame},
          {"shading", "shadingMs", t.shading * perFrame},
          {"resolve", "resolveMs", t.resolve * perFrame},
          {"present", "presentMs", t.present * perFrame}};
}

}  // namespace

double Stability(const RunResults& run) {
  int worst = 0, best = 0;
  bool any = false;
  for (const LapRecord& lap : run.laps) {
    if (lap.partial) continue;
    worst = any ? std::min(worst, lap.score) : lap.score;
    best = any ? std::max(best, lap.score) : lap.score;
    any = true;
  }
  return any && best > 0 ? static_cast<double>(worst) / best : 0.0;
}

void PrintTextResults(const RunResults& run, std::FILE* out) {
  const SystemFacts& f = run.facts;
  std::fprintf(out, "Morvane Bench %s (%s)\n", f.version.c_str(), f.buildType.c_str());
  std::fprintf(out, "CPU: %s; %d cores used; SIMD: %s\n", f.cpu.c_str(), f.coresUsed,
               f.simd.c_str());
  std::fprintf(out, "device: %s; renderer: %s; version: %s\n", f.device.c_str(), f.renderer.c_str(),
               f.rendererVersion.c_str());
  std::fprintf(out, "mode: %s, multisample %d\n", f.fullScreen ? "full screen" : "window",
               f.multisample);
  std::fprintf(out, "clock: %s\n", ClockText(run).c_str());
  std::fprintf(out, "%5s %8s %7s %8s %8s %8s %8s %8s %10s\n", "lap", "score", "frames", "fps",
               "p50 ms", "p95 ms", "p99 ms", "max ms", "1% low fps");
  for (const LapRecord& lap : run.laps) {
    const LapFigures g = FiguresOf(lap);
    std::fprintf(out, "%5d %8d %7d %8.2f %8.2f %8.2f %8.2f %8.2f %10.2f%s\n", lap.number, lap.score,
                 g.frames, g.fps, g.p50, g.p95, g.p99, g.max, g.low1,
                 lap.partial ? "  (partial)" : "");
  }
  const int complete = static_cast<int>(std::count_if(
      run.laps.begin(), run.laps.end(), [](const LapRecord& l) { return !l.partial; }));
  if (complete > 0)
    std::fprintf(out, "average %d, best %d, stability %.3f (worst lap / best lap) over %d laps\n",
                 run.averageScore, run.bestScore, Stability(run), complete);
  else
    std::fprintf(out, "no lap completed: no average or best\n");
  if (run.signal != 0) std::fprintf(out, "ended by signal %d\n", run.signal);
  if (run.options.profile) {
    std::fprintf(out, "stages, ms per frame over %d presented frames (summed over threads):\n",
                 run.stageFrames);
    double total = 0;
    for (const StageFigure& s : StageFigures(run)) {
      std::fprintf(out, "  %-9s %8.3f\n", s.name, s.ms);
      total += s.ms;
    }
    std::fprintf(out, "  %-9s %8.3f\n", "total", total);
  }
}

void PrintJsonResults(const RunResults& run, std::FILE* out) {
  const SystemFacts& f = run.facts;
  const AutomationOptions& o = run.options;
  std::fprintf(out, "{\n  \"laps\": [");
  for (size_t i = 0; i < run.laps.size(); ++i) {
    const LapRecord& lap = run.laps[i];
    const LapFigures g = FiguresOf(lap);
    std::fprintf(out,
                 "%s\n    {\"lap\": %d, \"score\": %d, \"partial\": %s, \"frames\": %d, "
                 "\"fps\": %.3f, \"frameMs\": {\"p50\": %.3f, \"p95\": %.3f, \"p99\": %.3f, "
                 "\"max\": %.3f, \"mean\": %.3f}, \"low1PercentFps\": %.3f}",
                 i ? "," : "", lap.number, lap.score, lap.partial ? "true" : "false", g.frames,
                 g.fps, g.p50, g.p95, g.p99, g.max, g.meanMs, g.low1);
  }
  std::fprintf(out, "\n  ],\n");
  std::fprintf(out, "  \"average\": %d,\n  \"best\": %d,\n  \"stability\": %.4f,\n",
               run.averageScore, run.bestScore, Stability(run));
  std::fprintf(out, "  \"clock\": {\"kind\": \"%s\", \"stepMs\": %d, \"note\": %s},\n",
               o.fixedStepMs > 0 ? "virtual" : "real", o.fixedStepMs,
               JsonString(ClockText(run)).c_str());
  std::fprintf(out, "  \"endedBySignal\": %d,\n", run.signal);
  if (o.profile) {
    std::fprintf(out, "  \"stages\": {\"frames\": %d", run.stageFrames);
    for (const StageFigure& s : StageFigures(run)) std::fprintf(out, ", \"%s\": %.4f", s.key, s.ms);
    std::fprintf(out, "},\n");
  }
  std::fprintf(out,
               "  \"system\": {\"cpu\": %s, \"coresUsed\": %d, \"simd\": %s, "
               "\"multisample\": %d, \"fullScreen\": %s, \"version\": %s, \"buildType\": %s, "
               "\"device\": {\"kind\": %s, \"renderer\": %s, \"version\": %s}},\n",
               JsonString(f.cpu).c_str(), f.coresUsed, JsonString(f.simd).c_str(), f.multisample,
               f.fullScreen ? "true" : "false", JsonString(f.version).c_str(),
               JsonString(f.buildType).c_str(), JsonString(f.device).c_str(),
               JsonString(f.renderer).c_str(), JsonString(f.rendererVersion).c_str());
  std::fprintf(out,
               "  \"options\": {\"laps\": %d, \"frames\": %ld, \"windowed\": %s, "
               "\"antiAlias\": %s, \"samples\": %d, \"threads\": %d, \"fixedStepMs\": %d, "
               "\"data\": %s, \"headless\": %s, \"sound\": %s, \"device\": \"%s\", "
               "\"arguments\": [",
               o.laps, o.frames, o.windowed ? "true" : "false", o.antiAlias ? "true" : "false",
               o.samples, o.threads, o.fixedStepMs, JsonString(o.dataDir).c_str(),
               o.headless ? "true" : "false", o.sound ? "true" : "false",
               o.device == d3d9::DeviceKind::Gl ? "gl" : "cpu");
  for (size_t i = 0; i < run.args.size(); ++i)
    std::fprintf(out, "%s%s", i ? ", " : "", JsonString(run.args[i]).c_str());
  std::fprintf(out, "]}\n}\n");
}
