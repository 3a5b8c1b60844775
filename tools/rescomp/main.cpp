// rescomp <script.rc> <out.cpp> [-I dir]...
#include "rescomp.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  std::vector<std::string> includeDirs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-I" && i + 1 < argc) {
      includeDirs.push_back(argv[++i]);
    } else if (arg.rfind("-I", 0) == 0 && arg.size() > 2) {
      includeDirs.push_back(arg.substr(2));
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "rescomp: unknown option %s\n", arg.c_str());
      return 2;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "usage: rescomp <script.rc> <out.cpp> [-I dir]...\n");
    return 2;
  }
  const std::string& script = positional[0];
  const std::string& output = positional[1];
  std::ifstream in(script, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "rescomp: cannot open %s\n", script.c_str());
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string source;
  try {
    source = rescomp::EmitCpp(rescomp::Compile(text, script, includeDirs),
                              std::filesystem::path(script).filename().string());
  } catch (const rescomp::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  // Write to a temporary and rename, so a failed run never leaves a
  // half-written source that the build would take as up to date.
  const std::string temp = output + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << source;
    if (!out) {
      std::fprintf(stderr, "rescomp: cannot write %s\n", temp.c_str());
      return 1;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, output, ec);
  if (ec) {
    std::fprintf(stderr, "rescomp: cannot write %s: %s\n", output.c_str(), ec.message().c_str());
    return 1;
  }
  return 0;
}
