// The unattended mode: its options, and whole runs of the program as a child
// process on a small data set (exit codes, results, report, captures,
// signals).
#include "app/cli/automation.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "data_set.h"
#include "support/image_compare.h"

namespace {

TEST(AutomationOptionsTest, ParsesGoodCommandLines) {
  const struct {
    std::vector<std::string> args;
    int windowed, antiAlias, laps;
    long frames;
    int samples, threads, step;
    bool headless, json;
  } cases[] = {
      {{}, 1, 1, 1, 0, 0, 0, 0, true, false},
      {{"--windowed", "0", "--antialias", "0"}, 0, 0, 1, 0, 0, 0, 0, true, false},
      {{"--fullscreen", "--aa", "off"}, 0, 0, 1, 0, 0, 0, 0, true, false},
      {{"--fullscreen", "--window", "--aa", "on"}, 1, 1, 1, 0, 0, 0, 0, true, false},
      {{"--laps", "3", "--frames", "300"}, 1, 1, 3, 300, 0, 0, 0, true, false},
      {{"--samples", "4", "--threads", "2"}, 1, 1, 1, 0, 4, 2, 0, true, false},
      {{"--fixed-step", "111", "--json", "--display"}, 1, 1, 1, 0, 0, 0, 111, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0]);
    AutomationOptions o;
    bool help = false;
    std::string error;
    ASSERT_TRUE(ParseAutomationOptions(c.args, &o, &help, &error)) << error;
    EXPECT_EQ(o.windowed, c.windowed);
    EXPECT_EQ(o.antiAlias, c.antiAlias);
    EXPECT_EQ(o.laps, c.laps);
    EXPECT_EQ(o.frames, c.frames);
    EXPECT_EQ(o.samples, c.samples);
    EXPECT_EQ(o.threads, c.threads);
    EXPECT_EQ(o.fixedStepMs, c.step);
    EXPECT_EQ(o.headless, c.headless);
    EXPECT_EQ(o.json, c.json);
  }
}

TEST(AutomationOptionsTest, DeviceChoosesTheBackendAndDefaultsToTheCpu) {
  const struct {
    std::vector<std::string> args;
    d3d9::DeviceKind device;
  } cases[] = {
      {{}, d3d9::DeviceKind::Cpu},
      {{"--device", "gl"}, d3d9::DeviceKind::Gl},
      {{"--device", "cpu"}, d3d9::DeviceKind::Cpu},
      {{"--device", "gl", "--device", "cpu"}, d3d9::DeviceKind::Cpu},
      {{"--device", "gl", "--laps", "2"}, d3d9::DeviceKind::Gl},
  };
  for (const auto& c : cases) {
    AutomationOptions o;
    bool help = false;
    std::string error;
    ASSERT_TRUE(ParseAutomationOptions(c.args, &o, &help, &error)) << error;
    EXPECT_EQ(o.device, c.device) << c.args.size();
  }
}

TEST(AutomationOptionsTest, RefusesBadValuesWithTheReason) {
  const struct {
    std::vector<std::string> args;
    const char* reason;
  } cases[] = {
      {{"--windowed", "2"}, "--windowed takes a whole number from 0 to 1, not '2'"},
      {{"--windowed"}, "missing value for --windowed"},
      {{"--seconds", "-1"}, "--seconds takes a whole number from 0 to 86400, not '-1'"},
      {{"--seconds", " 5"}, "--seconds takes a whole number from 0 to 86400, not ' 5'"},
      {{"--seconds", "3x"}, "--seconds takes a whole number from 0 to 86400, not '3x'"},
      {{"--laps", "0"}, "--laps takes a whole number from 1 to 100000, not '0'"},
      {{"--frames", "+5"}, "--frames takes a whole number from 1 to 1000000000, not '+5'"},
      {{"--aa", "yes"}, "--aa takes on or off, not 'yes'"},
      {{"--samples", "3"}, "--samples takes 2, 4 or 8, not '3'"},
      {{"--threads", "65"}, "--threads takes a whole number from 1 to 64, not '65'"},
      {{"--fixed-step", "0"}, "--fixed-step takes a whole number from 1 to 100000, not '0'"},
      {{"--capture", "x:a.png"},
       "--capture takes MS:FILE.png with MS from 0 to 33500, or a folder, not 'x:a.png'"},
      {{"--capture", "/nonexistent-folder/a"},
       "--capture: '/nonexistent-folder/a' is not an existing folder"},
      {{"--capture", "100:/nonexistent-folder/a.png"},
       "--capture: folder '/nonexistent-folder' does not exist"},
      {{"--report", "/nonexistent-folder/r.html"},
       "--report: folder '/nonexistent-folder' does not exist"},
      {{"--device", "vulkan"}, "--device takes cpu or gl, not 'vulkan'"},
      {{"--device", "GL"}, "--device takes cpu or gl, not 'GL'"},
      {{"--device"}, "missing value for --device"},
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    AutomationOptions o;
    bool help = false;
    std::string error;
    EXPECT_FALSE(ParseAutomationOptions(c.args, &o, &help, &error));
    EXPECT_EQ(error, c.reason);
  }
}

TEST(AutomationOptionsTest, UsageDocumentsTheExitCodes) {
  const std::string usage = AutomationUsage();
  EXPECT_NE(usage.find("Exit codes: 0 done; 1 start-up failed"), std::string::npos);
  EXPECT_NE(usage.find("2 invalid options; 130 / 143"), std::string::npos);
}

// ---- The program as a child process ----------------------------------------

struct Child {
  int code = -1;
  std::string out;  // stdout; stderr goes to err
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs `prefix` + the program + `args` through the shell.
Child RunProgram(const std::string& args, const std::string& prefix = "") {
  // Named per test process: ctest runs tests side by side.
  const std::string stem = "morvane-child-" + std::to_string(getpid());
  const std::string out = std::filesystem::temp_directory_path() / (stem + ".out");
  const std::string err = std::filesystem::temp_directory_path() / (stem + ".err");
  const std::string command =
      prefix + " '" MORVANE_EXE "' " + args + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(command.c_str());
  Child c;
  c.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  c.out = Slurp(out);
  c.err = Slurp(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return c;
}

class AutomationRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::WritePlain(app_test::DataSet{});
    data_ = folder_.path().string();
  }
  app_test::ScratchFolder folder_;
  std::string data_;
};

TEST_F(AutomationRunTest, ExitCodesNameTheOutcome) {
  Child bad = RunProgram("--laps 0");
  EXPECT_EQ(bad.code, 2);
  EXPECT_NE(bad.err.find("morvane: --laps takes a whole number"), std::string::npos);
  EXPECT_NE(bad.err.find("usage: morvane"), std::string::npos);

  Child help = RunProgram("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Exit codes"), std::string::npos);

  Child noData = RunProgram("--data /nonexistent-folder");
  EXPECT_EQ(noData.code, 1);
  EXPECT_NE(noData.err.find("cannot enter '/nonexistent-folder'"), std::string::npos);

  // Full screen on the offscreen display: it offers 800x600.
  Child full = RunProgram("--fullscreen --aa off --frames 2 --profile --data '" + data_ + "'");
  EXPECT_EQ(full.code, 0) << full.err;
  EXPECT_NE(full.out.find("mode: full screen"), std::string::npos);
  EXPECT_NE(full.out.find("stages, ms per frame over "), std::string::npos) << full.out;
  EXPECT_NE(full.out.find("  coverage "), std::string::npos);

  std::filesystem::remove("Chip.bmp");
  Child failed = RunProgram("--data '" + data_ + "'");
  EXPECT_EQ(failed.code, 1);
  // The message boxes' texts, in order, and no results claimed.
  const size_t file = failed.err.find("\"Chip.bmp\"");
  const size_t init = failed.err.find("初期化に失敗しました");
  EXPECT_NE(file, std::string::npos) << failed.err;
  EXPECT_NE(init, std::string::npos);
  EXPECT_LT(file, init);
  EXPECT_EQ(failed.out.find("average"), std::string::npos);

  Child display =
      RunProgram("--display --data '" + data_ + "'", "env -u DISPLAY -u WAYLAND_DISPLAY");
  EXPECT_EQ(display.code, 1);
  EXPECT_NE(display.err.find("--display: no display"), std::string::npos);
}

TEST_F(AutomationRunTest, JsonResultsValidateAgainstTheSchema) {
  Child run =
      RunProgram("--data '" + data_ + "' --fixed-step 4000 --laps 2 --aa off --json --profile");
  ASSERT_EQ(run.code, 0) << run.err;
  std::ofstream("results.json") << run.out;
  const std::string check =
      "/usr/bin/python3 -c 'import json,jsonschema,sys; "
      "jsonschema.validate(json.load(open(\"results.json\")), json.load(open(sys.argv[1])))' "
      "'" MORVANE_SCHEMA "'";
  EXPECT_EQ(std::system(check.c_str()), 0) << run.out;
  // 9 frames a lap at 4 s a frame (4000, ..., 32000, then 36000 ends it),
  // the same in every lap.
  EXPECT_NE(run.out.find("\"lap\": 1, \"score\": 26, \"partial\": false, \"frames\": 9"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"lap\": 2, \"score\": 26, \"partial\": false, \"frames\": 9"),
            std::string::npos);
  EXPECT_NE(run.out.find("\"kind\": \"virtual\", \"stepMs\": 4000"), std::string::npos);
  // The device that drew, by default the CPU one.
  EXPECT_NE(run.out.find("\"device\": {\"kind\": \"cpu\", \"renderer\": \"Morvane CPU rasteriser"),
            std::string::npos);
  EXPECT_NE(run.out.find("\"device\": \"cpu\", \"arguments\""), std::string::npos);
  // --profile: the device's stage times, per presented frame.
  EXPECT_NE(run.out.find("\"stages\": {\"frames\": "), std::string::npos);
  EXPECT_NE(run.out.find("\"shadingMs\": "), std::string::npos);
  // One progress line per lap on stderr.
  EXPECT_NE(run.err.find("lap 1: score 26, 9 frames"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("lap 2: score 26, 9 frames"), std::string::npos);
}

TEST_F(AutomationRunTest, ReportAndCapturesAreWritten) {
  Child run =
      RunProgram("--data '" + data_ +
                 "' --fixed-step 2000 --aa off --capture 0:first.png --capture 20000:second.png "
                 "--report report.html");
  ASSERT_EQ(run.code, 0) << run.err;
  // 17 frames at 2000, 4000, ..., 34000 ms.
  EXPECT_NE(run.out.find("average 50, best 50"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("clock: virtual, 2000 ms per frame"), std::string::npos);
  EXPECT_NE(run.out.find("device: cpu; renderer: Morvane CPU rasteriser ("), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists("first.png"));
  EXPECT_TRUE(std::filesystem::exists("second.png"));
  EXPECT_NE(
      run.err.find("wrote " + (folder_.path() / "first.png").string() + " (frame at 2000 ms)"),
      std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("second.png (frame at 20000 ms)"), std::string::npos);
  EXPECT_NE(Slurp("first.png"), Slurp("second.png"));  // the score row differs
  const std::string html = Slurp("report.html");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("<svg"), std::string::npos);
  EXPECT_EQ(std::count(std::begin(html), std::end(html), '\n') > 10, true);
  EXPECT_NE(html.find("data:image/png;base64,iVBORw0KGgo"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("<tr><th>device</th><td>cpu</td></tr><tr><th>renderer</th><td>Morvane CPU "
                      "rasteriser"),
            std::string::npos);
  EXPECT_EQ(html.find("http"), std::string::npos);  // nothing from the network
  // Well formed: every element opened is closed, in order.
  std::ofstream("check.py") << R"(import sys
from html.parser import HTMLParser
VOID = {"meta", "img", "br", "input", "link", "hr"}
class P(HTMLParser):
    def __init__(self):
        super().__init__(); self.stack = []; self.bad = 0
    def handle_starttag(self, tag, attrs):
        if tag not in VOID: self.stack.append(tag)
    def handle_startendtag(self, tag, attrs): pass
    def handle_endtag(self, tag):
        if not self.stack or self.stack.pop() != tag: self.bad += 1
p = P(); p.feed(open("report.html").read())
sys.exit(1 if p.bad or p.stack else 0)
)";
  EXPECT_EQ(std::system("/usr/bin/python3 check.py"), 0);
}

TEST_F(AutomationRunTest, AGlDeviceThatCannotStartIsNamedInOneLine) {
  // No EGL driver to be found: the GL device cannot make a context, whether
  // asked for by the option or by the environment over the option.
  const std::string noDriver = "env __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json";
  const std::string line = "morvane: start-up failed: the GL device did not start: ";
  const Child byOption = RunProgram("--device gl --frames 2 --data '" + data_ + "'", noDriver);
  const Child byEnvironment =
      RunProgram("--device cpu --frames 2 --data '" + data_ + "'", noDriver + " MORVANE_DEVICE=gl");
  for (const Child* run : {&byOption, &byEnvironment}) {
    EXPECT_EQ(run->code, 1) << run->err;
    const size_t at = run->err.find(line);
    ASSERT_NE(at, std::string::npos) << run->err;
    const size_t end = run->err.find('\n', at);
    EXPECT_GT(end, at + line.size()) << "a reason follows";
    EXPECT_EQ(run->err.find(line, at + 1), std::string::npos) << "one line";
    EXPECT_EQ(run->err.find("no benchmark ran"), std::string::npos);
    EXPECT_EQ(run->out.find("average"), std::string::npos);
  }
  // The CPU device asked for never names GL.
  const Child cpu = RunProgram("--device cpu --frames 2 --aa off --data '" + data_ + "'", noDriver);
  EXPECT_EQ(cpu.code, 0) << cpu.err;
  EXPECT_EQ(cpu.err.find("GL device"), std::string::npos);
}

// Named GlDevice...: runs on the GL driver, so it carries the label gl.
class GlDeviceRunTest : public AutomationRunTest {};

TEST_F(GlDeviceRunTest, ResultsNameTheGlRendererAndItsVersion) {
  Child run = RunProgram("--device gl --frames 2 --aa off --json --data '" + data_ + "'");
  ASSERT_EQ(run.code, 0) << run.err;
  std::ofstream("results.json") << run.out;
  // The device object: kind gl, GL_RENDERER and GL_VERSION as the driver
  // gives them (non-empty), and the option as given.
  std::ofstream("check.py") << R"(import json, sys, jsonschema
r = json.load(open("results.json"))
jsonschema.validate(r, json.load(open(sys.argv[1])))
d = r["system"]["device"]
sys.exit(0 if d["kind"] == "gl" and d["renderer"] and d["version"]
         and r["options"]["device"] == "gl" else 1)
)";
  EXPECT_EQ(std::system("/usr/bin/python3 check.py '" MORVANE_SCHEMA "'"), 0) << run.out;
  Child text = RunProgram("--device gl --frames 1 --aa off --data '" + data_ + "'");
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("device: gl; renderer: "), std::string::npos) << text.out;
}

#ifdef MORVANE_DATA_DIR
// The demo scene drawn by both devices at three times of the lap, through the
// whole program (start-up, effect, fades, background, overlay): the frames
// agree within 2 levels on at least 99% of the pixels; the rest lie on the
// edges of the scene's many small triangles, where GL's coverage rounding
// differs from ours. Run with MORVANE_TEST_OUT set to keep the frames.
TEST_F(GlDeviceRunTest, TheDemoSceneMatchesTheCpuDeviceAtThreeTimes) {
  const int times[] = {3000, 15000, 27000};
  std::vector<std::vector<uint32_t>> frames[2];
  const char* devices[] = {"cpu", "gl"};
  for (int d = 0; d < 2; ++d) {
    // 3-s steps: the frames at 0, 3, 6, ... 27 s; the run ends after 27 s.
    std::string args = std::string("--device ") + devices[d] +
                       " --aa off --fixed-step 3000 --frames 10 --data '" MORVANE_DATA_DIR "'";
    for (int t : times)
      args += " --capture " + std::to_string(t) + ":" + devices[d] + std::to_string(t) + ".png";
    const Child run = RunProgram(args);
    ASSERT_EQ(run.code, 0) << run.err;
    ASSERT_NE(run.out.find(std::string("device: ") + devices[d] + ";"), std::string::npos)
        << run.out;
    for (int t : times) {
      int w = 0, h = 0;
      frames[d].push_back(test_support::LoadPng(devices[d] + std::to_string(t) + ".png", &w, &h));
      ASSERT_EQ(w, kFrameWidth);
      ASSERT_EQ(h, kFrameHeight);
    }
  }
  for (size_t i = 0; i < std::size(times); ++i) {
    SCOPED_TRACE(times[i]);
    double share = 0.0;
    EXPECT_TRUE(test_support::FramesAgree(
        frames[1][i], frames[0][i], kFrameWidth, kFrameHeight, 2, 0.99,
        test_support::TestName() + "." + std::to_string(times[i]), &share));
    // Not two blank frames agreeing: the scene is there, in many colours.
    std::vector<uint32_t> colours = frames[0][i];
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 1000);
    std::printf("%d ms: %.2f%% of pixels within 2 levels\n", times[i], share * 100.0);
    test_support::SaveFrame(frames[0][i], kFrameWidth, kFrameHeight,
                            "demo-cpu-" + std::to_string(times[i]));
    test_support::SaveFrame(frames[1][i], kFrameWidth, kFrameHeight,
                            "demo-gl-" + std::to_string(times[i]));
  }
}
#endif

TEST_F(AutomationRunTest, SigintMidLapPrintsThePartialSummary) {
  // 100 ms steps: a lap is 336 frames, far more than run in the time given.
  Child run = RunProgram("--data '" + data_ + "' --fixed-step 100 --aa off",
                         "timeout --preserve-status -s INT 3");
  EXPECT_EQ(run.code, 130) << run.err;
  EXPECT_NE(run.out.find("(partial)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("no lap completed"), std::string::npos);
  EXPECT_NE(run.out.find("ended by signal 2"), std::string::npos);
  Child term = RunProgram("--data '" + data_ + "' --fixed-step 100 --aa off",
                          "timeout --preserve-status -s TERM 3");
  EXPECT_EQ(term.code, 143) << term.err;
}

TEST_F(AutomationRunTest, DialogCaptureShowsTheChosenMarks) {
  std::filesystem::create_directory("defaults");
  std::filesystem::create_directory("chosen");
  ASSERT_EQ(RunProgram("--data '" + data_ + "' --frames 1 --capture defaults").code, 0);
  ASSERT_EQ(
      RunProgram("--data '" + data_ + "' --frames 1 --fullscreen --aa off --capture chosen").code,
      0);
  const std::string a = Slurp("defaults/dialog.png");
  const std::string b = Slurp("chosen/dialog.png");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
}

}  // namespace
