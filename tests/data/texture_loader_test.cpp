// LoadTexture: a raw file on disk, then D3DX on the same name, then a raw
// archive member, and the open-error message with the name when all fail.
#include <d3d9.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <filesystem>

#include "platform/testing.h"
#include "tests/data/archive_test_util.h"
#include "tests/data/texture_test_util.h"

namespace {

using data_test::Pattern;
using data_test::Put32;
using data_test::RawHeader;
using data_test::WriteFile;

// A raw file of width x height pattern pixels; `pixels` receives them.
std::vector<uint8_t> RawFile(int32_t width, int32_t height, uint32_t seed,
                             std::vector<uint8_t>* pixels = nullptr) {
  std::vector<uint8_t> image = Pattern(static_cast<size_t>(width) * height * 4, seed);
  std::vector<uint8_t> bytes = RawHeader(width, height);
  bytes.insert(bytes.end(), image.begin(), image.end());
  if (pixels) *pixels = image;
  return bytes;
}

// A bottom-up 24-bit BMP; rgb holds the rows from the top, 3 bytes a pixel.
std::vector<uint8_t> Bmp24(int32_t width, int32_t height, const std::vector<uint8_t>& rgb) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> bytes = {'B', 'M'};
  Put32(&bytes, 54 + imageSize);
  Put32(&bytes, 0);
  Put32(&bytes, 54);
  Put32(&bytes, 40);
  Put32(&bytes, static_cast<uint32_t>(width));
  Put32(&bytes, static_cast<uint32_t>(height));
  Put32(&bytes, 1 | (24 << 16));  // planes, bits per pixel
  Put32(&bytes, 0);               // BI_RGB
  Put32(&bytes, imageSize);
  Put32(&bytes, 2835);
  Put32(&bytes, 2835);
  Put32(&bytes, 0);
  Put32(&bytes, 0);
  for (int32_t y = height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      bytes.insert(bytes.end(), {p[2], p[1], p[0]});
    }
    bytes.resize(bytes.size() + (stride - static_cast<uint32_t>(width) * 3), 0);
  }
  return bytes;
}

// Whether this process holds `file` open.
bool IsOpen(const std::filesystem::path& file) {
  const auto target = std::filesystem::weakly_canonical(file);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == target) return true;
  }
  return false;
}

class TextureLoaderTest : public data_test::ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    testing_hooks::ResetPlatform();
    testing_hooks::SetMessageBoxAutoAnswer(true);
    testing_hooks::ClearMessageBoxes();
    ASSERT_NO_FATAL_FAILURE(device.Open("TextureLoaderTest"));
    device_ = device.device;
  }
  void TearDown() override {
    device.Close();
    testing_hooks::ClearMessageBoxes();
    testing_hooks::ResetPlatform();
    ScratchDirTest::TearDown();
  }

  // Loads `name`, expects success and a side x side texture, returns it.
  IDirect3DTexture9* Load(const char* name, UINT width, UINT height) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(LoadTexture(device_, &texture, name), 0);
    if (texture == nullptr) {
      ADD_FAILURE() << "no texture";
      return nullptr;
    }
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, width);
    EXPECT_EQ(desc.Height, height);
    return texture;
  }

  // The top-left width x height texels as bytes, row after row.
  static std::vector<uint8_t> TopLeft(IDirect3DTexture9* texture, int32_t width, int32_t height) {
    std::vector<uint8_t> out;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    if (locked.pBits == nullptr) return out;
    for (int32_t y = 0; y < height; ++y) {
      const auto* row =
          static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
      out.insert(out.end(), row, row + static_cast<size_t>(width) * 4);
    }
    texture->UnlockRect(0);
    return out;
  }

  test_support::TestDevice device;
  IDirect3DDevice9* device_ = nullptr;
};

TEST_F(TextureLoaderTest, ARawFileOnDiskWinsOverTheArchive) {
  std::vector<uint8_t> disk;
  WriteFile("BG.bmp", RawFile(640, 480, 1, &disk));
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive({{"BG.bmp", RawFile(2, 2, 2)}}, false));
  IDirect3DTexture9* texture = Load("BG.bmp", 1024, 1024);
  ASSERT_NE(texture, nullptr);
  EXPECT_TRUE(TopLeft(texture, 640, 480) == disk);
  texture->Release();
  EXPECT_FALSE(IsOpen("BG.bmp"));
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(TextureLoaderTest, AnOrdinaryImageOnDiskGoesThroughD3DXBeforeTheArchive) {
  const std::vector<uint8_t> rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  WriteFile("Chip.bmp", Bmp24(3, 2, rgb));
  ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive({{"Chip.bmp", RawFile(1, 1, 3)}}, false));

  // 3 x 2 rounded up to 4 x 2, alpha 255, the fourth column transparent black.
  IDirect3DTexture9* texture = Load("Chip.bmp", 4, 2);
  ASSERT_NE(texture, nullptr);
  std::vector<uint8_t> expected;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (x == 3) {
        expected.insert(expected.end(), {0, 0, 0, 0});
        continue;
      }
      const uint8_t* p = &rgb[(y * 3 + x) * 3];
      expected.insert(expected.end(), {p[2], p[1], p[0], 0xFF});
    }
  }
  EXPECT_TRUE(TopLeft(texture, 4, 2) == expected);
  texture->Release();
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(TextureLoaderTest, ArchiveMembersAreReadWhenDiskHasNoUsableFile) {
  std::vector<uint8_t> chip, bg;
  const std::vector<pac::MemoryMember> members = {{"BG.bmp", RawFile(2, 3, 4, &bg)},
                                                  {"tex\\Chip.bmp", RawFile(300, 200, 5, &chip)}};
  // On disk BG.bmp is neither raw nor an image D3DX reads.
  WriteFile("BG.bmp", Pattern(100, 6));
  for (bool scramble : {false, true}) {
    SCOPED_TRACE(scramble);
    ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive(members, scramble));

    IDirect3DTexture9* texture = Load("tex/Chip.bmp", 512, 512);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(TopLeft(texture, 300, 200) == chip);
    texture->Release();

    texture = Load("bg.BMP", 4, 4);  // not on disk under this name: the archive's
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(TopLeft(texture, 2, 3) == bg);
    texture->Release();

    texture = Load("BG.bmp", 4, 4);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(TopLeft(texture, 2, 3) == bg);
    texture->Release();
    ArchiveShutdown();
  }
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(TextureLoaderTest, WhenAllThreeFailTheMessageNamesTheFile) {
  std::vector<uint8_t> zeroWidth = RawHeader(0, 4);
  zeroWidth.resize(zeroWidth.size() + 64, 0x77);
  std::vector<uint8_t> badMagic = RawFile(4, 4, 7);
  badMagic[3] = 'X';
  std::vector<uint8_t> negativeHeight = RawHeader(4, -4);
  negativeHeight.resize(negativeHeight.size() + 64, 0x77);
  const struct {
    const char* what;
    std::vector<uint8_t> disk;  // empty: no file on disk
    bool archive;
    std::vector<pac::MemoryMember> members;
  } cases[] = {
      {"nowhere, no archive", {}, false, {}},
      {"not in the archive", {}, true, {{"Other.bmp", RawFile(1, 1, 8)}}},
      {"garbage on disk, zero-width member", Pattern(40, 9), true, {{"BG.bmp", zeroWidth}}},
      {"negative height on disk, member with a wrong magic",
       negativeHeight,
       true,
       {{"BG.bmp", badMagic}}},
      {"too wide for the device on disk, empty member", RawHeader(8193, 1), true, {{"BG.bmp", {}}}},
      {"header cut short on disk, no archive", {'T', 'E', 'Y', 'L', 1, 0}, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove("BG.bmp");
    std::filesystem::remove(kArchiveFileName);
    if (!c.disk.empty()) WriteFile("BG.bmp", c.disk);
    if (c.archive) {
      ASSERT_NO_FATAL_FAILURE(data_test::StartWithArchive(c.members, true));
    } else {
      ASSERT_EQ(ArchiveStartup(device.window), 0);  // enables the message without an archive
      ASSERT_EQ(CurrentArchive(), nullptr);
    }
    testing_hooks::ClearMessageBoxes();

    auto* texture = reinterpret_cast<IDirect3DTexture9*>(this);  // must be overwritten
    EXPECT_EQ(LoadTexture(device_, &texture, "BG.bmp"), -1);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), device.baseline);
    EXPECT_FALSE(IsOpen("BG.bmp"));
    ASSERT_EQ(testing_hooks::MessageBoxes().size(), 1u);
    EXPECT_EQ(testing_hooks::Cp932ToUtf8(testing_hooks::MessageBoxes()[0].text),
              "ファイルのオープンに失敗しました\n\"BG.bmp\"");
    EXPECT_EQ(testing_hooks::MessageBoxes()[0].caption, "Error!!");
    ArchiveShutdown();
  }
}

}  // namespace
