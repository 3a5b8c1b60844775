// mkassets: the benchmark's demo data, made by code. Builds "BG.bmp",
// "Chip.bmp", "Scene.lmf", "BGM.wav" and the archive "DataB.pac" holding all
// four (the backdrop there as a raw texture), byte for byte the same on every run, build and
// machine (no clock, a seeded generator, deterministic arithmetic from dmath.h).
//
// Does not: read any input file, or check the scene against the loader (the
// tests do that).
// Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_MKASSETS_ASSETS_H
#define MORVANE_TOOLS_MKASSETS_ASSETS_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lmfdump/lmf_writer.h"
#include "tools/mkart/art.h"

namespace mkassets {

// Rectangles of "Chip.bmp" that the overlay cuts (left, top, right,
// bottom, right and bottom exclusive).
struct ChipRect {
  int left, top, right, bottom;
};
inline constexpr ChipRect kChipLogo{0, 0, 274, 77};
inline constexpr ChipRect kChipPanel{0, 78, 272, 172};
inline constexpr ChipRect kChipLabels{0, 172, 91, 230};
inline constexpr int kDigitLeft = 91;
inline constexpr int kDigitTop = 172;
inline constexpr int kDigitWidth = 14;
inline constexpr int kDigitHeight = 18;
inline constexpr int kChipWidth = 280;
inline constexpr int kChipHeight = 236;

inline constexpr int kBackdropWidth = 800;
inline constexpr int kBackdropHeight = 600;

// Music: a loop of 16 bars at 128 beats a minute, exactly 30 s.
inline constexpr uint32_t kSampleRate = 44100;
inline constexpr uint32_t kMusicFrames = kSampleRate * 30;

// The layers the benchmark draws, and the morph pair.
inline constexpr uint16_t kDrawnLayers[] = {0, 5, 9, 14, 17, 26, 36};
inline constexpr uint16_t kMorphBase = 6;
inline constexpr uint16_t kMorphTarget = 7;
inline constexpr uint16_t kLayerCount = 37;
inline constexpr int32_t kLapMs = 33500;

// Pictures.
mkart::Picture MakeBackdrop();
mkart::Picture MakeChip();
// The raw texture format: "TEYL", width, height, rows of B, G, R, A.
std::vector<uint8_t> EncodeRaw(const mkart::Picture& picture);
// A picture as the scene stores it (B, G, R, A bytes).
lmfw::PictureData ToPictureData(const mkart::Picture& picture);

// Music: interleaved 16-bit stereo frames, and the RIFF WAVE file.
std::vector<int16_t> MakeMusic();
std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& frames);

// The scene as data, and the file (the writer's chunks plus lights with
// inner chunks and a few chunks of no meaning that readers step over).
lmfw::SceneData MakeScene();
std::vector<uint8_t> EncodeScene(const lmfw::SceneData& scene);

struct SceneFigures {
  size_t layers = 0, meshes = 0, drawnMeshes = 0, trianglesDrawn = 0, verticesDrawn = 0;
  size_t bones = 0, motions = 0, keys = 0, textures = 0, surfaces = 0;
};
SceneFigures Measure(const lmfw::SceneData& scene);

struct AssetFile {
  std::string name;
  std::vector<uint8_t> bytes;
};
// The four files, in loading order, then "DataB.pac" holding them; its
// "BG.bmp" is the backdrop in the raw format (the only one the program reads
// from the archive), the others are the plain files' bytes. False with a
// message if the archive cannot be built.
bool BuildAll(std::vector<AssetFile>* files, SceneFigures* figures, std::string* error);

// Looking at the data: PNG files of the pictures and wire plots of the scene
// at a few times, written into `folder`.
bool WritePreviews(const std::string& folder, const lmfw::SceneData& scene, std::string* error);

}  // namespace mkassets

#endif  // MORVANE_TOOLS_MKASSETS_ASSETS_H
