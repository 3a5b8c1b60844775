// The raw texture format read from memory: the square side, the image in the
// top-left texels at the locked pitch, and malformed files failing cleanly.
#include <d3d9.h>
#include <windows.h>

#include <climits>
#include <cstring>

#include "platform/testing.h"
#include "tests/data/data_test_util.h"
#include "tests/data/texture_test_util.h"

namespace {

using data_test::Put32;
using data_test::RawHeader;

// A source over bytes in memory.
struct MemorySource {
  std::vector<uint8_t> bytes;
  size_t position = 0;
};

uint32_t MemoryRead(void* destination, uint32_t size, uint32_t count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  const size_t left = source->bytes.size() - source->position;
  const size_t n = std::min<size_t>(left, static_cast<size_t>(size) * count);
  if (n > 0) std::memcpy(destination, source->bytes.data() + source->position, n);
  source->position += n;
  return static_cast<uint32_t>(n);
}

class RawTextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_hooks::ResetPlatform();
    ASSERT_NO_FATAL_FAILURE(device.Open("RawTextureTest"));
    device_ = device.device;
  }
  void TearDown() override {
    device.Close();
    testing_hooks::ResetPlatform();
  }

  test_support::TestDevice device;
  IDirect3DDevice9* device_ = nullptr;
};

TEST(RawTextureSideTest, SmallestPowerOfTwoNotBelowTheLargerSide) {
  const struct {
    int32_t width, height;
    uint32_t side;
  } cases[] = {
      {1, 1, 1},
      {2, 1, 2},
      {3, 1, 4},
      {300, 200, 512},
      {200, 300, 512},
      {512, 7, 512},
      {513, 7, 1024},
      {640, 480, 1024},
      {256, 256, 256},
      {1, 8192, 8192},
      {8193, 1, 16384},
      {1 << 29, 1, 1u << 29},  // log(2^29) / log(2) is not 29 in double precision
      {(1 << 16) + 1, 1, 1u << 17},
      {INT32_MAX, 1, 1u << 31},  // still fits 32 bits; the device refuses it
      // No size.
      {0, 0, 0},
      {0, 5, 0},
      {5, 0, 0},
      {-1, 5, 0},
      {5, -1, 0},
      {INT32_MIN, INT32_MIN, 0},
      {INT32_MIN, 4, 0},
      // Single precision cannot tell these from the power below; the side
      // would be narrower than the image.
      {(1 << 24) + 1, 1, 0},
      {1, (1 << 30) + 1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RawTextureSide(c.width, c.height), c.side) << c.width << " x " << c.height;
  }
}

TEST_F(RawTextureTest, ImageFillsTheTopLeftTexelsAtThePitch) {
  const struct {
    int32_t width, height;
    uint32_t side;
    bool pitchPastRow;  // so that rows must start at the pitch, not after the row
  } cases[] = {{640, 480, 1024, true},
               {256, 256, 256, false},
               {1, 1, 1, true},
               {300, 200, 512, true},
               {3, 5, 8, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    const std::vector<uint8_t> pixels =
        data_test::Pattern(static_cast<size_t>(c.width) * c.height * 4, c.width);
    MemorySource source{RawHeader(c.width, c.height)};
    source.bytes.insert(source.bytes.end(), pixels.begin(), pixels.end());

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(LoadRawTexture(device_, &texture, MemoryRead, &source), 0);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, c.side);
    EXPECT_EQ(desc.Height, c.side);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(locked.Pitch > c.width * 4, c.pitchPastRow);
    const auto* base = static_cast<const uint8_t*>(locked.pBits);
    size_t wrong = 0;
    for (uint32_t y = 0; y < c.side; ++y) {
      const uint8_t* row = base + static_cast<size_t>(y) * locked.Pitch;
      for (uint32_t x = 0; x < c.side; ++x) {
        uint8_t expected[4] = {0, 0, 0, 0};  // texels outside the image stay as created
        if (x < static_cast<uint32_t>(c.width) && y < static_cast<uint32_t>(c.height)) {
          std::memcpy(expected, pixels.data() + (static_cast<size_t>(y) * c.width + x) * 4, 4);
        }
        if (std::memcmp(row + x * 4, expected, 4) != 0) {
          if (++wrong <= 3) ADD_FAILURE() << "texel (" << x << ", " << y << ")";
        }
      }
    }
    EXPECT_EQ(wrong, 0u);
    texture->UnlockRect(0);
    EXPECT_EQ(source.position, source.bytes.size());
    texture->Release();
  }
}

TEST_F(RawTextureTest, AShortFileKeepsTheRowsItCannotFill) {
  // 4 x 4 promised, one row and a half given.
  MemorySource source{RawHeader(4, 4)};
  const std::vector<uint8_t> given = data_test::Pattern(24, 9);
  source.bytes.insert(source.bytes.end(), given.begin(), given.end());
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(LoadRawTexture(device_, &texture, MemoryRead, &source), 0);
  ASSERT_NE(texture, nullptr);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const auto* bits = static_cast<const uint8_t*>(locked.pBits);
  EXPECT_EQ(std::memcmp(bits, given.data(), 16), 0);
  EXPECT_EQ(std::memcmp(bits + locked.Pitch, given.data() + 16, 8), 0);
  const std::vector<uint8_t> zeros(8, 0);
  EXPECT_EQ(std::memcmp(bits + locked.Pitch + 8, zeros.data(), 8), 0);
  texture->UnlockRect(0);
  texture->Release();
}

TEST_F(RawTextureTest, MalformedFilesFailWithNoTexture) {
  auto withPixels = [](int32_t width, int32_t height, size_t pixelBytes) {
    std::vector<uint8_t> bytes = RawHeader(width, height);
    bytes.resize(bytes.size() + pixelBytes, 0x5A);
    return bytes;
  };
  const struct {
    const char* what;
    RawTextureError reason;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", RawTextureError::kBadMagic, {}},
      {"magic cut short", RawTextureError::kBadMagic, {'T', 'E', 'Y'}},
      {"wrong magic",
       RawTextureError::kBadMagic,
       {'T', 'E', 'Y', 'X', 1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4}},
      {"lower-case magic",
       RawTextureError::kBadMagic,
       {'t', 'e', 'y', 'l', 1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4}},
      {"magic only", RawTextureError::kNoSize, {'T', 'E', 'Y', 'L'}},
      {"no height", RawTextureError::kNoSize, {'T', 'E', 'Y', 'L', 4, 0, 0, 0}},
      // A size field cut short fails instead of reading as a size.
      {"width cut short", RawTextureError::kNoSize, {'T', 'E', 'Y', 'L', 1, 0}},
      {"height cut to one byte", RawTextureError::kNoSize, {'T', 'E', 'Y', 'L', 1, 0, 0, 0, 1}},
      {"height cut to two bytes",
       RawTextureError::kNoSize,
       {'T', 'E', 'Y', 'L', 0, 0x10, 0, 0, 0, 0x10}},
      {"height cut to three bytes",
       RawTextureError::kNoSize,
       {'T', 'E', 'Y', 'L', 2, 0, 0, 0, 2, 0, 0}},
      {"zero width", RawTextureError::kBadSize, withPixels(0, 4, 64)},
      {"zero height", RawTextureError::kBadSize, withPixels(4, 0, 64)},
      {"zero both", RawTextureError::kBadSize, withPixels(0, 0, 0)},
      {"negative width", RawTextureError::kBadSize, withPixels(-4, 4, 64)},
      {"negative height", RawTextureError::kBadSize, withPixels(4, -1, 64)},
      {"most negative", RawTextureError::kBadSize, withPixels(INT32_MIN, INT32_MIN, 64)},
      {"wider than the device", RawTextureError::kDevice, withPixels(8193, 1, 64)},
      {"taller than the device", RawTextureError::kDevice, withPixels(1, 100000, 64)},
      {"side of 2^31", RawTextureError::kDevice, withPixels(INT32_MAX, 1, 64)},
      {"both at the limit", RawTextureError::kDevice, withPixels(INT32_MAX, INT32_MAX, 64)},
      {"side below the image", RawTextureError::kBadSize, withPixels((1 << 24) + 1, 2, 64)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemorySource source{c.bytes};
    auto* texture = reinterpret_cast<IDirect3DTexture9*>(&source);  // must be overwritten
    EXPECT_EQ(LoadRawTexture(device_, &texture, MemoryRead, &source), -1);
    EXPECT_EQ(RawTextureLastError(), c.reason);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), device.baseline);
  }
}

}  // namespace
