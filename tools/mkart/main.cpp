// mkart <out-dir> [--font path] [--png]
// Writes splash.bmp and main.ico into out-dir; with --png also splash.png,
// icon32.png and icon16.png for a person to look at.
#include "art.h"

#include <cstdio>
#include <fstream>

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir;
  std::string font = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
  bool png = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--png") {
      png = true;
    } else if (arg == "--font" && i + 1 < argc) {
      font = argv[++i];
    } else if (outDir.empty() && !arg.empty() && arg[0] != '-') {
      outDir = arg;
    } else {
      std::fprintf(stderr, "usage: mkart <out-dir> [--font path] [--png]\n");
      return 2;
    }
  }
  if (outDir.empty()) {
    std::fprintf(stderr, "usage: mkart <out-dir> [--font path] [--png]\n");
    return 2;
  }
  mkart::Picture splash(320, 240);
  if (!mkart::MakeSplash(font, &splash)) return 1;
  const std::vector<mkart::Picture> icons = {mkart::MakeEmblem(32), mkart::MakeEmblem(16)};
  if (!WriteFile(outDir + "/splash.bmp", mkart::EncodeBmp(splash)) ||
      !WriteFile(outDir + "/main.ico", mkart::EncodeIco(icons))) {
    std::fprintf(stderr, "mkart: cannot write into %s\n", outDir.c_str());
    return 1;
  }
  if (png && !(mkart::SavePng(splash, outDir + "/splash.png") &&
               mkart::SavePng(icons[0], outDir + "/icon32.png") &&
               mkart::SavePng(icons[1], outDir + "/icon16.png"))) {
    std::fprintf(stderr, "mkart: cannot write PNG copies\n");
    return 1;
  }
  return 0;
}
