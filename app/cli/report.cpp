// The HTML report: one self-contained page (inline SVG plots, captured
// frames as data URIs, no scripts, no network).
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/app.h"
#include "app/cli/run_state.h"

namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 |
                       static_cast<uint8_t>(bytes[i + 1]) << 8 | static_cast<uint8_t>(bytes[i + 2]);
    for (int k = 18; k >= 0; k -= 6) out += kDigits[(v >> k) & 63];
  }
  if (i < bytes.size()) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

constexpr int kPlotW = 760, kPlotH = 180;

// Frame time over the lap, one point per frame.
void FramePlot(std::ostringstream& h, const LapRecord& lap) {
  const double top = std::max(1.0, *std::max_element(lap.frameMs.begin(), lap.frameMs.end()));
  h << "<svg width=\"" << kPlotW << "\" height=\"" << kPlotH + 20
    << "\" role=\"img\"><rect width=\"100%\" height=\"" << kPlotH
    << "\" fill=\"#f6f6f6\"/><polyline fill=\"none\" stroke=\"#2060a0\" points=\"";
  const size_t n = lap.frameMs.size();
  for (size_t i = 0; i < n; ++i) {
    const double x = n > 1 ? static_cast<double>(i) * (kPlotW - 1) / (n - 1) : 0;
    const double y = kPlotH - lap.frameMs[i] / top * (kPlotH - 4);
    h << static_cast<int>(x) << ',' << static_cast<int>(y) << ' ';
  }
  h << "\"/><text x=\"2\" y=\"" << kPlotH + 15 << "\" font-size=\"12\">frame 1 to " << n
    << "; top of plot " << top << " ms</text></svg>\n";
}

// Frame-time histogram of the whole run in 40 bins.
void Histogram(std::ostringstream& h, const RunResults& run) {
  std::vector<double> all;
  for (const LapRecord& lap : run.laps)
    all.insert(all.end(), lap.frameMs.begin(), lap.frameMs.end());
  if (all.empty()) return;
  const double top = std::max(1.0, *std::max_element(all.begin(), all.end()));
  constexpr int kBins = 40;
  int bins[kBins] = {};
  for (double v : all) bins[std::min(kBins - 1, static_cast<int>(v / top * kBins))]++;
  const int most = *std::max_element(bins, bins + kBins);
  h << "<svg width=\"" << kPlotW << "\" height=\"" << kPlotH + 20 << "\" role=\"img\">";
  for (int b = 0; b < kBins; ++b) {
    const int bh = most ? bins[b] * (kPlotH - 4) / most : 0;
    h << "<rect x=\"" << b * kPlotW / kBins << "\" y=\"" << kPlotH - bh << "\" width=\""
      << kPlotW / kBins - 2 << "\" height=\"" << bh << "\" fill=\"#a04020\"/>";
  }
  h << "<text x=\"2\" y=\"" << kPlotH + 15 << "\" font-size=\"12\">0 to " << top
    << " ms per frame, " << all.size() << " frames</text></svg>\n";
}

}  // namespace

bool WriteHtmlReport(const RunResults& run, std::string* error) {
  const SystemFacts& f = run.facts;
  std::ostringstream h;
  h << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
       "<title>Morvane Bench report</title><style>body{font-family:sans-serif;margin:2em}"
       "table{border-collapse:collapse}td,th{border:1px solid #999;padding:2px 8px;"
       "text-align:right}</style></head><body>\n<h1>Morvane Bench report</h1>\n";
  h << "<h2>Summary</h2>\n<table><tr><th>average</th><th>best</th><th>stability</th>"
       "<th>laps</th><th>clock</th></tr><tr><td>"
    << run.averageScore << "</td><td>" << run.bestScore << "</td><td>" << Stability(run)
    << "</td><td>" << run.laps.size() << "</td><td>"
    << (run.options.fixedStepMs > 0
            ? "virtual, " + std::to_string(run.options.fixedStepMs) + " ms per frame"
            : std::string("real"))
    << "</td></tr></table>\n";
  h << "<h2>Laps</h2>\n<table><tr><th>lap</th><th>score</th><th>frames</th><th>fps</th>"
       "<th>p50 ms</th><th>p95 ms</th><th>p99 ms</th><th>max ms</th><th>1% low fps</th></tr>\n";
  for (const LapRecord& lap : run.laps) {
    const LapFigures g = FiguresOf(lap);
    h << "<tr><td>" << lap.number << (lap.partial ? " (partial)" : "") << "</td><td>" << lap.score
      << "</td><td>" << g.frames << "</td><td>" << g.fps << "</td><td>" << g.p50 << "</td><td>"
      << g.p95 << "</td><td>" << g.p99 << "</td><td>" << g.max << "</td><td>" << g.low1
      << "</td></tr>\n";
  }
  h << "</table>\n<h2>Frame times</h2>\n";
  for (const LapRecord& lap : run.laps) {
    if (lap.frameMs.empty()) continue;
    h << "<h3>Lap " << lap.number << (lap.partial ? " (partial)" : "") << "</h3>\n";
    FramePlot(h, lap);
  }
  h << "<h2>Histogram</h2>\n";
  Histogram(h, run);
  h << "<h2>System</h2>\n<table>"
    << "<tr><th>CPU</th><td>" << Escape(f.cpu) << "</td></tr>"
    << "<tr><th>cores used</th><td>" << f.coresUsed << "</td></tr>"
    << "<tr><th>SIMD</th><td>" << Escape(f.simd) << "</td></tr>"
    << "<tr><th>device</th><td>" << Escape(f.device) << "</td></tr>"
    << "<tr><th>renderer</th><td>" << Escape(f.renderer) << "</td></tr>"
    << "<tr><th>renderer version</th><td>" << Escape(f.rendererVersion) << "</td></tr>"
    << "<tr><th>multisample</th><td>" << f.multisample << "</td></tr>"
    << "<tr><th>mode</th><td>" << (f.fullScreen ? "full screen" : "window") << "</td></tr>"
    << "<tr><th>version</th><td>" << Escape(f.version) << " (" << Escape(f.buildType)
    << ")</td></tr><tr><th>options</th><td>";
  for (const std::string& a : run.args) h << Escape(a) << ' ';
  h << "</td></tr></table>\n";
  if (!run.capturedPngs.empty()) h << "<h2>Captured frames</h2>\n";
  for (const std::string& path : run.capturedPngs) {
    std::ifstream in(path, std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    h << "<figure><img alt=\"frame\" width=\"" << kFrameWidth << "\" height=\"" << kFrameHeight
      << "\" src=\"data:image/png;base64," << Base64(png) << "\"><figcaption>" << Escape(path)
      << "</figcaption></figure>\n";
  }
  h << "</body></html>\n";
  std::ofstream out(run.options.reportPath, std::ios::binary);
  out << h.str();
  out.close();
  if (!out) {
    *error = run.options.reportPath + ": the file could not be written";
    return false;
  }
  return true;
}
