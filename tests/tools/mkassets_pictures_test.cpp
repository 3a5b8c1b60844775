// The two pictures: every rectangle the overlay cuts from Chip.bmp lies
// inside the image and shows something (alpha present, and edges that are
// smoothed through alpha); both files load as the program loads them.
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "data/archive.h"
#include "data/raw_texture.h"
#include "mkassets_test_util.h"
#include "support/scratch.h"
#include "support/test_device.h"
#include "tools/mkassets/assets.h"

namespace assets_test {
namespace {

struct Rect {
  std::string what;
  int left, top, right, bottom;
};

std::vector<Rect> OverlayRects() {
  using mkassets::kChipLabels;
  std::vector<Rect> r = {
      {"logo", mkassets::kChipLogo.left, mkassets::kChipLogo.top, mkassets::kChipLogo.right,
       mkassets::kChipLogo.bottom},
      {"panel", mkassets::kChipPanel.left, mkassets::kChipPanel.top, mkassets::kChipPanel.right,
       mkassets::kChipPanel.bottom},
      {"labels", kChipLabels.left, kChipLabels.top, kChipLabels.right, kChipLabels.bottom}};
  // The three label rows, 20 pixels apart, each as tall as a digit.
  const char* rows[3] = {"score label", "average label", "best label"};
  for (int i = 0; i < 3; ++i)
    r.push_back({rows[i], kChipLabels.left, kChipLabels.top + 20 * i, kChipLabels.right,
                 kChipLabels.top + 20 * i + 18});
  for (int d = 0; d < 10; ++d)
    r.push_back({"digit " + std::to_string(d), 91 + 14 * d, 172, 105 + 14 * d, 190});
  return r;
}

class ChipSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadBytes(DataPath("Chip.bmp"));
    ASSERT_GE(bytes_.size(), 12u);
    ASSERT_EQ(std::string(bytes_.begin(), bytes_.begin() + 4), "TEYL");
    width_ = static_cast<int>(U32At(bytes_, 4));
    height_ = static_cast<int>(U32At(bytes_, 8));
    ASSERT_EQ(bytes_.size(), 12u + 4u * static_cast<size_t>(width_) * height_);
  }
  uint8_t Alpha(int x, int y) const { return bytes_[12 + 4 * (size_t(y) * width_ + x) + 3]; }

  std::vector<uint8_t> bytes_;
  int width_ = 0, height_ = 0;
};

TEST_F(ChipSheet, EveryOverlayRectangleIsInsideAndShowsSomething) {
  for (const Rect& r : OverlayRects()) {
    SCOPED_TRACE(r.what);
    ASSERT_GE(r.left, 0);
    ASSERT_GE(r.top, 0);
    ASSERT_LE(r.right, width_);
    ASSERT_LE(r.bottom, height_);
    int shown = 0, partial = 0, opaque = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        shown += Alpha(x, y) >= 128;
        opaque += Alpha(x, y) == 255;
        partial += Alpha(x, y) > 0 && Alpha(x, y) < 255;
      }
    const int area = (r.right - r.left) * (r.bottom - r.top);
    EXPECT_GT(shown, area / 20) << "too little is drawn";
    EXPECT_GT(opaque, 0) << "nothing fully covered";
    EXPECT_GT(partial, 8) << "edges are not anti-aliased";
    EXPECT_LT(shown, area) << "a solid block";
  }
}

TEST_F(ChipSheet, DigitsDifferFromOneAnother) {
  std::vector<std::vector<uint8_t>> glyphs;
  for (int d = 0; d < 10; ++d) {
    std::vector<uint8_t> g;
    for (int y = 172; y < 190; ++y)
      for (int x = 91 + 14 * d; x < 105 + 14 * d; ++x) g.push_back(Alpha(x, y));
    for (const auto& other : glyphs) EXPECT_NE(g, other) << "digit " << d;
    glyphs.push_back(g);
  }
}

class PictureLoad : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(device_.Open("MorvaneDemoPictureTest")); }
  void TearDown() override {
    device_.Close();
    testing_hooks::ResetPlatform();  // windows, classes and the layer's own caches
  }
  test_support::TestDevice device_;
};

TEST_F(PictureLoad, BackdropDecodesTo800By600ThroughD3dx) {
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device_.device, DataPath("BG.bmp").string().c_str(), 0, 0,
                                         1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                         D3DX_FILTER_NONE, 0, &info, nullptr, &texture),
            D3D_OK);
  EXPECT_EQ(info.Width, 800u);
  EXPECT_EQ(info.Height, 600u);
  const auto bytes = ReadBytes(DataPath("BG.bmp"));
  ASSERT_GE(bytes.size(), 30u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(bytes[28], 24) << "24 bits a pixel";
  texture->Release();
}

TEST_F(PictureLoad, ChipLoadsAsARawTexture) {
  FILE* file = std::fopen(DataPath("Chip.bmp").string().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  IDirect3DTexture9* texture = nullptr;
  const auto read = [](void* d, uint32_t size, uint32_t count, void* f) {
    return static_cast<uint32_t>(std::fread(d, size, count, static_cast<FILE*>(f)));
  };
  EXPECT_EQ(LoadRawTexture(device_.device, &texture, read, file), 0);
  std::fclose(file);
  ASSERT_NE(texture, nullptr);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, RawTextureSide(mkassets::kChipWidth, mkassets::kChipHeight));
  texture->Release();
}

// With only the archive beside the program both textures still load: from
// the archive, where the program takes the raw format only.
TEST_F(PictureLoad, TexturesLoadFromTheArchiveAlone) {
  test_support::ScratchFolder folder("morvane-assets");
  ASSERT_FALSE(folder.path().empty());
  std::filesystem::copy_file(DataPath("DataB.pac"), folder.path() / "DataB.pac");
  ArchiveStartup(nullptr);
  ASSERT_NE(CurrentArchive(), nullptr);
  const std::pair<const char*, UINT> textures[] = {{"BG.bmp", 1024}, {"Chip.bmp", 512}};
  for (const auto& [name, side] : textures) {
    SCOPED_TRACE(name);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(LoadTexture(device_.device, &texture, name), 0);
    if (texture == nullptr) continue;
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, side);
    texture->Release();
  }
  ArchiveShutdown();
}

}  // namespace
}  // namespace assets_test
