// The unattended mode's hooks: answer the dialog, watch each frame between
// message-loop passes, end the run, and report.
#include "app/cli/automation.h"

#include <mmsystem.h>
#include <unistd.h>
#include <windows.h>

#include <SDL_image.h>

#include <chrono>
#include <cstdio>

#include "app/app.h"
#include "app/cli/run_signals.h"
#include "app/cli/run_state.h"
#include "testing.h"

namespace {

using Clock = std::chrono::steady_clock;

struct AutomationState {
  RunResults run;
  int dialogStage = 0;  // 0 radios to click, 1 capture and OK, 2 answered
  HWND mainWindow = nullptr;
  BenchmarkApp* app = nullptr;
  bool ended = false;
  bool startupFailed = false;
  Clock::time_point runStart;
  Clock::time_point lastPeek;
  Clock::time_point lastLive;
  int seenLaps = 0;
  int seenFrames = 0;
  long totalFrames = 0;
  int32_t nextElapsed = 0;
  bool steppedForNextFrame =
      false;  // the fixed step for the next frame was taken  // lap time the next frame draws at
  LapRecord lap;
  size_t capturesDone = 0;
  int lastScore = 0;  // the program's score after the latest frame
  std::vector<std::string> writeFailures;
  bool liveLine = false;
};

AutomationState g;

// Centre of a control of the dialog, in the dialog's client coordinates.
bool ControlCentre(HWND dialog, int id, int* x, int* y) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return false;
  RECT rc;
  GetWindowRect(control, &rc);
  POINT p = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ScreenToClient(dialog, &p);
  *x = p.x;
  *y = p.y;
  return true;
}

void CaptureWindow(HWND window, const char* name) {
  if (g.run.options.captureDir.empty() || window == nullptr) return;
  const std::string path = g.run.options.captureDir + "/" + name;
  if (testing_hooks::SaveWindowPng(window, path))
    std::fprintf(stderr, "morvane: wrote %s\n", path.c_str());
  else
    g.writeFailures.push_back(path + ": " + IMG_GetError());
}

// The dialog is answered like a person would: click the chosen radios, look
// (the capture shows the marks as set), then OK. Greyed radios ignore the
// click, as they would for a person.
void OnIdle(HWND active) {
  if (g.dialogStage >= 2 || active == nullptr) return;
  int x, y;
  if (!ControlCentre(active, kIdOk, &x, &y)) return;
  if (g.dialogStage == 0) {
    const int windowedId = g.run.options.windowed ? kIdWindowed : kIdFullScreen;
    const int aaId = g.run.options.antiAlias ? kIdAntiAliasOn : kIdAntiAliasOff;
    int rx, ry;
    if (ControlCentre(active, windowedId, &rx, &ry)) testing_hooks::InjectClick(rx, ry);
    if (ControlCentre(active, aaId, &rx, &ry)) testing_hooks::InjectClick(rx, ry);
    g.dialogStage = 1;
    return;
  }
  CaptureWindow(active, "dialog.png");
  testing_hooks::InjectClick(x, y);
  g.dialogStage = 2;
}

void DescribeDrawingDevice(IDirect3DDevice9* device, SystemFacts* facts) {
  d3d9::DeviceDescription d{};
  if (device == nullptr || FAILED(d3d9::DescribeDevice(device, &d))) {
    facts->device = facts->renderer = facts->rendererVersion = "unknown";
    return;
  }
  facts->device = d.kind == d3d9::DeviceKind::Gl ? "gl" : "cpu";
  facts->renderer = d.renderer;
  facts->rendererVersion = d.version;
}

// Ends the run before the next frame: the window closes, the loop ends
// through WM_QUIT and the program tears down as after a person's close.
void EndRun() {
  if (g.ended) return;
  g.ended = true;
  PostMessageA(g.mainWindow, WM_CLOSE, 0, 0);
}

bool SaveFramePng(const std::string& path) {
  int w = 0, h = 0;
  std::vector<uint32_t> pixels = testing_hooks::LastPresentedFrame(&w, &h);
  if (pixels.empty()) {
    g.writeFailures.push_back(path + ": no frame was presented");
    return false;
  }
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
  const bool ok = s != nullptr && IMG_SavePNG(s, path.c_str()) == 0;
  if (!ok) g.writeFailures.push_back(path + ": " + IMG_GetError());
  if (s) SDL_FreeSurface(s);
  return ok;
}

bool HasFrameSizeMode() {
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i)
    if (mode.dmPelsWidth == kFrameWidth && mode.dmPelsHeight == kFrameHeight) return true;
  return false;
}

void ProgressLine(const LapRecord& lap) {
  const LapFigures f = FiguresOf(lap);
  if (g.liveLine) std::fputs("\r\033[K", stderr);
  std::fprintf(stderr, "lap %d%s: score %d, %d frames, %.2f fps, p50 %.2f ms, p99 %.2f ms\n",
               lap.number, lap.partial ? " (partial)" : "", lap.score, f.frames, f.fps, f.p50,
               f.p99);
}

void LiveLine(Clock::time_point now) {
  if (!g.liveLine || now - g.lastLive < std::chrono::milliseconds(250)) return;
  g.lastLive = now;
  std::fprintf(stderr, "\r\033[Klap %d: %d frames, %d ms of 33500, score %d", g.lap.number,
               static_cast<int>(g.lap.frameMs.size()), g.nextElapsed, g.app->score);
}

// After a frame: its time, captures, the lap end, the run's end.
void OnFrameDrawn(double frameMs) {
  g.lap.frameMs.push_back(frameMs);
  ++g.totalFrames;
  const auto& captures = g.run.options.captures;
  if (g.lap.number == 1) {
    // The frame just drawn was at g.nextElapsed (set before it).
    for (size_t i = 0; i < captures.size(); ++i) {
      const FrameCapture& c = captures[i];
      bool done = false;
      for (const auto& path : g.run.capturedPngs) done = done || path == c.path;
      if (done || c.ms > g.nextElapsed) continue;
      if (SaveFramePng(c.path)) {
        g.run.capturedPngs.push_back(c.path);
        std::fprintf(stderr, "morvane: wrote %s (frame at %d ms)\n", c.path.c_str(), g.nextElapsed);
      }
      ++g.capturesDone;
    }
    if (g.capturesDone >= captures.size() && g.lap.frameMs.size() > 1)
      testing_hooks::CapturePresentedFrames(false);
  }
  if (g.app->lapCount != g.seenLaps) {
    g.seenLaps = g.app->lapCount;
    g.lap.score = g.app->score;
    ProgressLine(g.lap);
    g.run.laps.push_back(std::move(g.lap));
    g.lap = LapRecord{};
    g.lap.number = g.seenLaps + 1;
    g.lap.frameMs.reserve(1 << 14);
    if (g.seenLaps >= g.run.options.laps) EndRun();
  }
  // Copied now: the record is gone once WinMain returns.
  g.lastScore = g.app->score;
  g.run.averageScore = g.app->averageScore;
  g.run.bestScore = g.app->bestScore;
  if (g.run.options.frames > 0 && g.totalFrames >= g.run.options.frames) EndRun();
}

// Between message-loop passes: a pass either dispatched a message or drew a
// frame; the frame counters tell which.
void OnPeek() {
  if (g.dialogStage < 2) return;
  const Clock::time_point now = Clock::now();
  if (g.app == nullptr) {
    HWND active = GetActiveWindow();
    if (active == nullptr || GetDlgItem(active, kIdOk) != nullptr) return;
    auto* app = reinterpret_cast<BenchmarkApp*>(GetWindowLongPtrA(active, GWLP_USERDATA));
    if (app == nullptr) return;
    g.mainWindow = active;
    g.app = app;
    g.runStart = now;
    g.lastLive = now;
    g.lap.number = 1;
    g.lap.frameMs.reserve(1 << 14);
    g.run.facts =
        GatherSystemFacts(g.run.options.threads,
                          static_cast<int>(app->presentParams.MultiSampleType), app->windowed == 0);
    DescribeDrawingDevice(app->device, &g.run.facts);
    CaptureWindow(active, "main-window.png");
  } else if (!g.ended) {
    const bool drew = g.app->lapCount != g.seenLaps || g.app->frameCount != g.seenFrames;
    g.seenFrames = g.app->frameCount;
    if (drew) g.steppedForNextFrame = false;
    if (drew) OnFrameDrawn(std::chrono::duration<double, std::milli>(now - g.lastPeek).count());
  }
  g.lastPeek = now;
  if (g.ended) return;
  if (const int signal = PendingRunSignal()) {
    g.run.signal = signal;
    EndRun();
    return;
  }
  if (g.run.options.seconds >= 0 && now - g.runStart >= std::chrono::seconds(g.run.options.seconds))
    EndRun();
  if (g.ended) return;
  // Every frame, the first included, is one step after the one before (the
  // lap start counts as the one before), so every lap draws the same frames.
  // Passes that dispatch a message draw no frame and do not move the clock.
  if (g.run.options.fixedStepMs > 0 && !g.steppedForNextFrame) {
    testing_hooks::AdvanceClock(static_cast<DWORD>(g.run.options.fixedStepMs));
    g.steppedForNextFrame = true;
  }
  g.nextElapsed = static_cast<int32_t>(timeGetTime() - g.app->lapStart);
  LiveLine(now);
}

}  // namespace

void InstallAutomation(const AutomationOptions& options) {
  g = AutomationState{};
  g.run.options = options;
  g.run.args = options.arguments;
  g.liveLine = isatty(STDERR_FILENO) != 0;
  testing_hooks::SetMessageBoxAutoAnswer(true);
  d3d9::SetDeviceChoice(options.device);
  if (!options.captureDir.empty()) testing_hooks::SetMessageBoxCaptureDir(options.captureDir);
  if (options.samples > 0) testing_hooks::SetSupportedMultisamples({options.samples});
  if (options.threads > 0) testing_hooks::SetDeviceThreads(options.threads);
  testing_hooks::SetDeviceStageSplit(options.profile);
  testing_hooks::TakeDeviceStageTimes(nullptr);  // sums from this run only
  if (options.fixedStepMs > 0) {
    // Only the frames move the clock; the music thread keeps real time.
    testing_hooks::UseVirtualClock(0x00010000);
    testing_hooks::SetSleepAdvancesClock(false);
  }
  if (!options.captures.empty() || !options.reportPath.empty())
    testing_hooks::CapturePresentedFrames(true);
  testing_hooks::SetIdleHandler(OnIdle);
  testing_hooks::SetPeekHandler(OnPeek);
}

int ReportAutomation() {
  testing_hooks::SetIdleHandler({});
  testing_hooks::SetPeekHandler({});
  if (g.liveLine) std::fputs("\r\033[K", stderr);
  const auto& boxes = testing_hooks::MessageBoxes();
  for (const auto& box : boxes)
    std::fprintf(stderr, "morvane: message box \"%s\": %s\n",
                 testing_hooks::Cp932ToUtf8(box.caption).c_str(),
                 testing_hooks::Cp932ToUtf8(box.text).c_str());
  if (g.dialogStage < 2) {
    std::fprintf(stderr,
                 "morvane: the settings dialog was not shown (no display could be opened)\n");
    return 1;
  }
  if (g.app == nullptr || !boxes.empty()) {
    if (g.run.options.windowed == 0 && !HasFrameSizeMode())
      std::fprintf(stderr,
                   "morvane: full screen needs an 800x600 display mode; this display "
                   "lists none\n");
    const std::string glFailure = d3d9::LastDeviceFailure();
    if (!glFailure.empty())
      std::fprintf(stderr, "morvane: start-up failed: the GL device did not start: %s\n",
                   glFailure.c_str());
    else
      std::fprintf(stderr, "morvane: start-up failed; no benchmark ran\n");
    return 1;
  }
  // A signal may also have closed the window before a pass between frames
  // saw it.
  if (g.run.signal == 0) g.run.signal = PendingRunSignal();
  // The run ended inside a lap: keep what ran, marked partial.
  if (!g.lap.frameMs.empty()) {
    g.lap.partial = true;
    g.lap.score = g.lastScore;
    ProgressLine(g.lap);
    g.run.laps.push_back(g.lap);
  }
  g.run.stages = testing_hooks::TakeDeviceStageTimes(&g.run.stageFrames);
  testing_hooks::SetDeviceStageSplit(false);
  if (g.run.options.json)
    PrintJsonResults(g.run, stdout);
  else
    PrintTextResults(g.run, stdout);
  std::fflush(stdout);
  for (const FrameCapture& c : g.run.options.captures) {
    bool done = false;
    for (const auto& path : g.run.capturedPngs) done = done || path == c.path;
    if (!done && g.capturesDone < g.run.options.captures.size())
      g.writeFailures.push_back(c.path + ": the run ended before lap 1 reached " +
                                std::to_string(c.ms) + " ms");
  }
  if (!g.run.options.reportPath.empty()) {
    std::string error;
    if (WriteHtmlReport(g.run, &error))
      std::fprintf(stderr, "morvane: report written to %s\n", g.run.options.reportPath.c_str());
    else
      g.writeFailures.push_back(error);
  }
  for (const std::string& failure : g.writeFailures)
    std::fprintf(stderr, "morvane: could not write %s\n", failure.c_str());
  if (g.run.signal != 0) return 128 + g.run.signal;
  return g.writeFailures.empty() ? 0 : 1;
}
