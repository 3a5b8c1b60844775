// The unattended mode's command line.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/cli/automation.h"

namespace {

// Whole decimal numbers only: no sign, no spaces, no suffix.
bool ParseWhole(const std::string& text, long low, long high, long* out) {
  if (text.empty() || text.size() > 12) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

std::string Range(const char* option, long low, long high, const std::string& given) {
  return std::string(option) + " takes a whole number from " + std::to_string(low) + " to " +
         std::to_string(high) + ", not '" + given + "'";
}

// The folder a file is to be written in must exist and be writable.
bool CheckOutputFile(const char* option, std::string* path, std::string* error) {
  std::filesystem::path p = std::filesystem::absolute(*path);
  const std::filesystem::path folder = p.parent_path();
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = std::string(option) + ": folder '" + folder.string() + "' does not exist";
    return false;
  }
  if (access(folder.c_str(), W_OK) != 0) {
    *error = std::string(option) + ": folder '" + folder.string() + "' is not writable";
    return false;
  }
  *path = p.string();
  return true;
}

bool CheckOutputFolder(const char* option, std::string* path, std::string* error) {
  struct stat st;
  if (stat(path->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = std::string(option) + ": '" + *path + "' is not an existing folder";
    return false;
  }
  if (access(path->c_str(), W_OK) != 0) {
    *error = std::string(option) + ": folder '" + *path + "' is not writable";
    return false;
  }
  *path = std::filesystem::absolute(*path).string();
  return true;
}

}  // namespace

std::string AutomationUsage() {
  return "usage: morvane [--laps N] [--frames N] [--window | --fullscreen] [--aa on|off]\n"
         "               [--samples 2|4|8] [--threads N] [--data DIR] [--fixed-step MS]\n"
         "               [--json] [--report FILE.html] [--capture MS:FILE.png]...\n"
         "               [--capture DIR] [--display] [--sound] [--seconds N]\n"
         "               [--device cpu|gl] [--profile]\n"
         "With no arguments the program runs as a desktop program and asks its settings\n"
         "in a dialog. With arguments it runs unattended and headless (offscreen window,\n"
         "dummy audio) and prints its results:\n"
         "  --laps N          end after N complete laps (default 1; 1 to 100000)\n"
         "  --frames N        end after N frames instead (1 to 1000000000)\n"
         "  --seconds N       end after N seconds of wall-clock time (0 to 86400)\n"
         "  --window, --fullscreen, --aa on|off   the settings dialog's choices\n"
         "                    (--windowed 0|1 and --antialias 0|1 also work)\n"
         "  --samples N       offer only N-sample anti-aliasing to the device (2, 4, 8)\n"
         "  --threads N       the renderer's worker threads (1 to 64; default one per core)\n"
         "  --data DIR        the folder holding the data files or DataB.pac\n"
         "                    (default: the demo set generated in the build tree)\n"
         "  --fixed-step MS   the clock advances MS per frame (1 to 100000): every run\n"
         "                    draws the same frames; scores then count virtual time\n"
         "  --json            results as JSON (schema: app/cli/results.schema.json)\n"
         "  --report FILE     a self-contained HTML report\n"
         "  --capture MS:FILE write the frame drawn at MS ms into lap 1 as PNG (repeatable)\n"
         "  --capture DIR     PNGs of the dialog, the main window and message boxes\n"
         "  --display         show the windows on the desktop (needs DISPLAY)\n"
         "  --sound           play the music on the sound device\n"
         "  --device cpu|gl   the Direct3D device: our CPU renderer (default) or OpenGL 3.3\n"
         "                    (MORVANE_DEVICE=cpu|gl in the environment overrides it)\n"
         "  --profile         also report the device's time per stage (vertex, set-up,\n"
         "                    binning, coverage, shading, resolve, present) per frame\n"
         "Progress goes to stderr, results to stdout.\n"
         "Exit codes: 0 done; 1 start-up failed, no data or an output could not be\n"
         "written; 2 invalid options; 130 / 143 ended by SIGINT / SIGTERM.\n";
}

bool ParseAutomationOptions(const std::vector<std::string>& args, AutomationOptions* options,
                            bool* help, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        *error = "missing value for " + arg;
        return nullptr;
      }
      return &args[++i];
    };
    // A whole-number option into `target`.
    auto whole = [&](long low, long high, auto* target) {
      const std::string* v = value();
      if (v == nullptr) return false;
      long n = 0;
      if (!ParseWhole(*v, low, high, &n)) {
        *error = Range(arg.c_str(), low, high, *v);
        return false;
      }
      *target = static_cast<std::remove_pointer_t<decltype(target)>>(n);
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      *help = true;
    } else if (arg == "--windowed" || arg == "--antialias") {
      if (!whole(0, 1, arg == "--windowed" ? &options->windowed : &options->antiAlias))
        return false;
    } else if (arg == "--window") {
      options->windowed = 1;
    } else if (arg == "--fullscreen") {
      options->windowed = 0;
    } else if (arg == "--aa") {
      const std::string* v = value();
      if (v == nullptr) return false;
      if (*v != "on" && *v != "off") {
        *error = "--aa takes on or off, not '" + *v + "'";
        return false;
      }
      options->antiAlias = *v == "on" ? 1 : 0;
    } else if (arg == "--samples") {
      const std::string* v = value();
      if (v == nullptr) return false;
      if (*v != "2" && *v != "4" && *v != "8") {
        *error = "--samples takes 2, 4 or 8, not '" + *v + "'";
        return false;
      }
      options->samples = std::atoi(v->c_str());
    } else if (arg == "--device") {
      const std::string* v = value();
      if (v == nullptr) return false;
      if (*v != "cpu" && *v != "gl") {
        *error = "--device takes cpu or gl, not '" + *v + "'";
        return false;
      }
      options->device = *v == "gl" ? d3d9::DeviceKind::Gl : d3d9::DeviceKind::Cpu;
    } else if (arg == "--laps") {
      if (!whole(1, 100000, &options->laps)) return false;
    } else if (arg == "--frames") {
      if (!whole(1, 1000000000, &options->frames)) return false;
    } else if (arg == "--seconds") {
      if (!whole(0, 86400, &options->seconds)) return false;
    } else if (arg == "--threads") {
      if (!whole(1, 64, &options->threads)) return false;
    } else if (arg == "--fixed-step") {
      if (!whole(1, 100000, &options->fixedStepMs)) return false;
    } else if (arg == "--data") {
      const std::string* v = value();
      if (v == nullptr) return false;
      options->dataDir = *v;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--report") {
      const std::string* v = value();
      if (v == nullptr) return false;
      options->reportPath = *v;
      if (!CheckOutputFile("--report", &options->reportPath, error)) return false;
    } else if (arg == "--capture") {
      const std::string* v = value();
      if (v == nullptr) return false;
      const size_t colon = v->find(':');
      if (colon == std::string::npos) {
        options->captureDir = *v;
        if (!CheckOutputFolder("--capture", &options->captureDir, error)) return false;
        continue;
      }
      FrameCapture capture;
      long ms = 0;
      capture.path = v->substr(colon + 1);
      if (!ParseWhole(v->substr(0, colon), 0, 33500, &ms) || capture.path.empty()) {
        *error =
            "--capture takes MS:FILE.png with MS from 0 to 33500, or a folder, not '" + *v + "'";
        return false;
      }
      capture.ms = static_cast<int>(ms);
      if (!CheckOutputFile("--capture", &capture.path, error)) return false;
      options->captures.push_back(capture);
    } else if (arg == "--display") {
      options->headless = false;
    } else if (arg == "--sound") {
      options->sound = true;
    } else if (arg == "--profile") {
      options->profile = true;
    } else {
      *error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}
