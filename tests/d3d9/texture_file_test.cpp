// D3DXCreateTextureFromFileExA with the program's arguments: image formats,
// power-of-two sizes with the image unscaled in the corner, alpha of images
// without alpha, and the failures for missing, malformed and unsupported.
#include <SDL.h>
#include <SDL_image.h>
#include <d3dx9.h>

#include <fstream>
#include <memory>

#include "device_fixture.h"
#include "support/scratch.h"

namespace d3d9_test {
namespace {

// The test images: pixel (x, y) has Colour(x, y); the PNG also Alpha(x, y).
uint32_t Colour(int x, int y) {
  return static_cast<uint32_t>(0x10 + 40 * x) << 16 | static_cast<uint32_t>(0x20 + 50 * y) << 8 |
         static_cast<uint32_t>(0x30 + 7 * x * y);
}
uint32_t Alpha(int x, int y) {
  return (x + y) % 3 == 0 ? 0u : 0x80u + 20u * static_cast<uint32_t>(x);
}
uint32_t Opaque(int x, int y) { return 0xFF000000u | Colour(x, y); }

class TextureFileTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    scratch_ = std::make_unique<test_support::ScratchFolder>("morvane-d3dx");
    ASSERT_FALSE(scratch_->path().empty());
    ASSERT_EQ(CreateDevice(), D3D_OK);
  }
  void TearDown() override {
    scratch_.reset();
    DeviceTest::TearDown();
  }

  std::string Path(const std::string& name) const { return (scratch_->path() / name).string(); }

  std::string WriteBmp24(int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = static_cast<uint8_t*>(s->pixels) + y * s->pitch + x * 3;
        const uint32_t c = Colour(x, y);
        p[0] = static_cast<uint8_t>(c >> 16), p[1] = static_cast<uint8_t>(c >> 8),
        p[2] = static_cast<uint8_t>(c);
      }
    const std::string path = Path("image.bmp");
    EXPECT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
    return path;
  }

  std::string WritePng32(int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        static_cast<uint32_t*>(s->pixels)[y * (s->pitch / 4) + x] =
            Alpha(x, y) << 24 | Colour(x, y);
    const std::string path = Path("image.png");
    EXPECT_EQ(IMG_SavePNG(s, path.c_str()), 0);
    SDL_FreeSurface(s);
    return path;
  }

  // Uncompressed 24-bit TGA, rows top-down, written by hand.
  std::string WriteTga24(int w, int h) {
    std::vector<uint8_t> b = {
        0, 0,  2,   0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(w), 0, static_cast<uint8_t>(h),
        0, 24, 0x20};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t c = Colour(x, y);
        b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8)),
            b.push_back(static_cast<uint8_t>(c >> 16));
      }
    return WriteBytes("image.tga", b);
  }

  std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // The program's call.
  HRESULT Load(const std::string& path, IDirect3DTexture9** texture, D3DXIMAGE_INFO* info = nullptr,
               UINT size = 0, DWORD filter = D3DX_FILTER_NONE, UINT levels = 1,
               D3DFORMAT format = D3DFMT_A8R8G8B8, D3DCOLOR key = 0) {
    return D3DXCreateTextureFromFileExA(device_, path.c_str(), size, size, levels, 0, format,
                                        D3DPOOL_MANAGED, filter, D3DX_FILTER_NONE, key, info,
                                        nullptr, texture);
  }

  // Checks a loaded texture: sizeW x sizeH, one level, image(x, y) in the
  // top-left imageW x imageH texels and 0 elsewhere.
  void ExpectTexels(IDirect3DTexture9* t, UINT sizeW, UINT sizeH, int imageW, int imageH,
                    uint32_t (*image)(int, int)) {
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetLevelCount(), 1u);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(t->GetLevelDesc(0, &d), D3D_OK);
    ASSERT_EQ(d.Width, sizeW);
    ASSERT_EQ(d.Height, sizeH);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(t->LockRect(0, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
    int bad = 0;
    for (int y = 0; y < static_cast<int>(sizeH); ++y)
      for (int x = 0; x < static_cast<int>(sizeW); ++x) {
        const uint32_t got = static_cast<const uint32_t*>(r.pBits)[y * (r.Pitch / 4) + x];
        const uint32_t want = x < imageW && y < imageH ? image(x, y) : 0u;
        if (got != want && ++bad <= 5)
          ADD_FAILURE() << x << "," << y << ": " << std::hex << got << " want " << want;
      }
    t->UnlockRect(0);
  }

  std::unique_ptr<test_support::ScratchFolder> scratch_;
};

TEST_F(TextureFileTest, Bmp24ComesOutOpaqueInThePowerOfTwoCorner) {
  IDirect3DTexture9* t = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(Load(WriteBmp24(5, 3), &t, &info), D3D_OK);
  EXPECT_EQ(info.Width, 5u);
  EXPECT_EQ(info.Height, 3u);
  EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
  ExpectTexels(t, 8, 4, 5, 3, Opaque);
  t->Release();
}

TEST_F(TextureFileTest, PngKeepsItsAlphaAndTgaIsRead) {
  IDirect3DTexture9* t = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(Load(WritePng32(4, 6), &t, &info), D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
  ExpectTexels(t, 4, 8, 4, 6, [](int x, int y) { return Alpha(x, y) << 24 | Colour(x, y); });
  t->Release();
  ASSERT_EQ(Load(WriteTga24(3, 2), &t, &info), D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
  ExpectTexels(t, 4, 2, 3, 2, Opaque);
  t->Release();
}

TEST_F(TextureFileTest, SizeChoicesAndColourKey) {
  const std::string bmp = WriteBmp24(5, 3);
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(Load(bmp, &t, nullptr, D3DX_DEFAULT_NONPOW2), D3D_OK);
  ExpectTexels(t, 5, 3, 5, 3, Opaque);
  t->Release();
  // An explicit smaller size crops, unscaled.
  ASSERT_EQ(Load(bmp, &t, nullptr, 2), D3D_OK);
  ExpectTexels(t, 2, 2, 2, 2, Opaque);
  t->Release();
  // The key colour (alpha included) becomes transparent black.
  ASSERT_EQ(Load(bmp, &t, nullptr, 0, D3DX_FILTER_NONE, 1, D3DFMT_A8R8G8B8, Opaque(1, 1)), D3D_OK);
  ExpectTexels(t, 8, 4, 5, 3, [](int x, int y) { return x == 1 && y == 1 ? 0u : Opaque(x, y); });
  t->Release();
}

TEST_F(TextureFileTest, MissingMalformedAndUnsupportedFail) {
  const std::string bmp = WriteBmp24(4, 4);
  std::vector<uint8_t> truncated;
  {
    std::ifstream in(bmp, std::ios::binary);
    truncated.assign(std::istreambuf_iterator<char>(in), {});
  }
  truncated.resize(40);
  struct Case {
    const char* what;
    std::string path;
    DWORD filter;
    UINT levels;
    D3DFORMAT format;
    HRESULT expected;
  };
  const Case cases[] = {
      {"missing", Path("absent.bmp"), D3DX_FILTER_NONE, 1, D3DFMT_A8R8G8B8, D3DXERR_INVALIDDATA},
      {"text", WriteBytes("text.png", {'h', 'e', 'l', 'l', 'o'}), D3DX_FILTER_NONE, 1,
       D3DFMT_A8R8G8B8, D3DXERR_INVALIDDATA},
      {"empty", WriteBytes("empty.bmp", {}), D3DX_FILTER_NONE, 1, D3DFMT_A8R8G8B8,
       D3DXERR_INVALIDDATA},
      {"truncated", WriteBytes("cut.bmp", truncated), D3DX_FILTER_NONE, 1, D3DFMT_A8R8G8B8,
       D3DXERR_INVALIDDATA},
      {"scaling filter", bmp, D3DX_FILTER_LINEAR, 1, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
      {"default filter", bmp, D3DX_DEFAULT, 1, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
      {"mip chain", bmp, D3DX_FILTER_NONE, 0, D3DFMT_A8R8G8B8, D3DERR_NOTAVAILABLE},
      {"other format", bmp, D3DX_FILTER_NONE, 1, D3DFMT_R5G6B5, D3DERR_NOTAVAILABLE},
  };
  for (const Case& c : cases) {
    IDirect3DTexture9* t = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(Load(c.path, &t, nullptr, 0, c.filter, c.levels, c.format), c.expected) << c.what;
    EXPECT_EQ(t, nullptr) << c.what;
  }
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(
      D3DXCreateTextureFromFileExA(device_, nullptr, 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                   D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &t),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 2);
}

}  // namespace
}  // namespace d3d9_test
