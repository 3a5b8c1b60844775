// Figures of an unattended run: per-lap frame times and scores, and what the
// results name about the machine and the options. Written by the automation
// between frames, read once the run has ended.
#ifndef MORVANE_APP_CLI_RUN_STATS_H
#define MORVANE_APP_CLI_RUN_STATS_H

#include <string>
#include <vector>

struct LapRecord {
  int number = 0;               // 1-based
  int score = 0;                // the program's score for the lap (so far, if partial)
  bool partial = false;         // the run ended inside this lap
  std::vector<double> frameMs;  // wall-clock time of each frame
};

struct LapFigures {
  int frames = 0;
  double fps = 0;  // frames per wall-clock second
  double p50 = 0, p95 = 0, p99 = 0, max = 0;
  double low1 = 0;  // fps over the slowest 1% of frames
  double meanMs = 0;
};

struct SystemFacts {
  std::string cpu;
  int coresUsed = 0;
  std::string simd;
  int multisample = 0;
  bool fullScreen = false;
  std::string version;
  std::string buildType;
  // The Direct3D device that drew: "cpu" or "gl", its renderer and version
  // strings (GL_RENDERER and GL_VERSION for the GL device).
  std::string device;
  std::string renderer;
  std::string rendererVersion;
};

LapFigures FiguresOf(const LapRecord& lap);
// The value at fraction q (0..1) of the sorted times, nearest rank.
double Percentile(std::vector<double> sorted, double q);
SystemFacts GatherSystemFacts(int threadsOption, int multisample, bool fullScreen);

#endif  // MORVANE_APP_CLI_RUN_STATS_H
