// Small data sets for start-up in a scratch working folder: the four files
// written with the project's own writers (raw textures, the LMF writer, a
// WAVE file, the pac writer), as plain files, as archive members, or both.
#ifndef MORVANE_TESTS_APP_DATA_SET_H
#define MORVANE_TESTS_APP_DATA_SET_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch.h"
#include "tests/sound/sound_test_util.h"
#include "tools/lmfdump/lmf_writer.h"
#include "tools/pac/pac_format.h"

namespace app_test {

using Bytes = std::vector<uint8_t>;

// A raw ("TEYL") texture of side x side texels of one colour.
inline Bytes RawTexture(int side, uint32_t argb) {
  Bytes b = {'T', 'E', 'Y', 'L'};
  player_test::Put32(&b, static_cast<uint32_t>(side));
  player_test::Put32(&b, static_cast<uint32_t>(side));
  for (int i = 0; i < side * side; ++i) player_test::Put32(&b, argb);
  return b;
}

// A scene of `layers` empty layers and, when fovY is not negative, one
// camera without a motion.
inline Bytes SceneFile(int layers, float fovY = 0.785398f) {
  lmfw::SceneData scene;
  for (int i = 0; i < layers; ++i) scene.layers.push_back(lmfw::LayerData{});
  if (fovY >= 0) scene.cameras.push_back(lmfw::CameraData{"camera", fovY, kNoMotion});
  return lmfw::WriteLmf(scene);
}

// Half a second of quiet CD-quality music.
inline Bytes MusicFile() { return player_test::Wave(player_test::kCd, Bytes(44100 * 2, 0)); }

struct DataSet {
  Bytes bg = RawTexture(16, 0xFF336699);
  Bytes chip = RawTexture(16, 0xFFFFFFFF);
  Bytes scene = SceneFile(2);
  Bytes music = MusicFile();
};

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
  player_test::WriteFile(path.string(), bytes);
}

// The named files of `set` as plain files in the working folder; an empty
// name list writes all four.
inline void WritePlain(const DataSet& set) {
  WriteBytes("BG.bmp", set.bg);
  WriteBytes("Chip.bmp", set.chip);
  WriteBytes("Scene.lmf", set.scene);
  WriteBytes("BGM.wav", set.music);
}

// "DataB.pac" holding the files of `set` whose bytes are not empty.
inline void WriteArchive(const DataSet& set) {
  std::vector<pac::MemoryMember> members;
  const std::pair<const char*, const Bytes*> files[] = {{"BG.bmp", &set.bg},
                                                        {"Chip.bmp", &set.chip},
                                                        {"Scene.lmf", &set.scene},
                                                        {"BGM.wav", &set.music}};
  for (const auto& [name, bytes] : files)
    if (!bytes->empty()) members.push_back({name, *bytes});
  Bytes archive;
  std::string error;
  ASSERT_TRUE(pac::BuildArchive(members, true, pac::DefaultKey(), &archive, &error)) << error;
  WriteBytes("DataB.pac", archive);
}

// Makes a fresh folder the working directory while it lives.
using test_support::ScratchFolder;

}  // namespace app_test

#endif  // MORVANE_TESTS_APP_DATA_SET_H
