// mkassets OUTDIR [--preview DIR]: writes the demo data set into OUTDIR and
// prints what it made; with --preview also PNG pictures to look at.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "assets.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: mkassets OUTDIR [--preview DIR]\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  std::vector<mkassets::AssetFile> files;
  mkassets::SceneFigures f;
  std::string error;
  if (!mkassets::BuildAll(&files, &f, &error)) {
    std::fprintf(stderr, "mkassets: %s\n", error.c_str());
    return 1;
  }
  for (const auto& file : files) {
    const std::filesystem::path path = out / file.name;
    std::ofstream s(path, std::ios::binary | std::ios::trunc);
    s.write(reinterpret_cast<const char*>(file.bytes.data()),
            static_cast<std::streamsize>(file.bytes.size()));
    if (!s) {
      std::fprintf(stderr, "mkassets: cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  std::printf(
      "mkassets: %zu layers, %zu meshes (%zu drawn), %zu triangles and %zu vertices "
      "drawn per frame, %zu bones, %zu motions with %zu keys, %zu surfaces, %zu textures\n",
      f.layers, f.meshes, f.drawnMeshes, f.trianglesDrawn, f.verticesDrawn, f.bones, f.motions,
      f.keys, f.surfaces, f.textures);
  for (const auto& file : files)
    std::printf("mkassets: %-10s %9zu bytes\n", file.name.c_str(), file.bytes.size());
  if (argc == 4) {
    if (std::string(argv[2]) != "--preview") {
      std::fprintf(stderr, "usage: mkassets OUTDIR [--preview DIR]\n");
      return 2;
    }
    if (!mkassets::WritePreviews(argv[3], mkassets::MakeScene(), &error)) {
      std::fprintf(stderr, "mkassets: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}
