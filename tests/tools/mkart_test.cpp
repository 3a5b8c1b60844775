// The artwork generator: same bytes on every run, files the resource
// compiler and the platform's decoders accept, a picture that is not flat,
// and an icon palette that stays close to the drawn colours.
#include "art.h"
#include "rescomp.h"

#include <windows.h>

#include "win32/resource_registry.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace {

constexpr const char* kFont = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

uint32_t PixelAt(SDL_Surface* s, int x, int y) {
  return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) +
                                           size_t(y) * s->pitch)[x];
}

// Where a person can look at the pictures (set by CTest).
void SaveForViewing(const mkart::Picture& p, const std::string& name) {
  const char* dir = std::getenv("MORVANE_TEST_OUT");
  if (dir == nullptr) return;
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(mkart::SavePng(p, std::string(dir) + "/" + name)) << name;
}

TEST(Mkart, SplashIsDeterministicAndDecodes) {
  mkart::Picture a(320, 240), b(320, 240);
  ASSERT_TRUE(mkart::MakeSplash(kFont, &a));
  ASSERT_TRUE(mkart::MakeSplash(kFont, &b));
  const std::vector<uint8_t> bmp = mkart::EncodeBmp(a);
  EXPECT_EQ(bmp, mkart::EncodeBmp(b));
  EXPECT_EQ(bmp.size(), 14u + 40 + 320 * 240 * 3);
  SaveForViewing(a, "splash.png");

  const std::vector<uint8_t> dib = rescomp::PackedDibFromBmp(bmp);
  SDL_Surface* s = win32::DecodePackedDib(dib.data(), dib.size());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->w, 320);
  EXPECT_EQ(s->h, 240);
  // The decoded top-left pixel is the picture's top-left pixel.
  const mkart::Rgb& c = a.at(0, 0);
  EXPECT_EQ(PixelAt(s, 0, 0), 0xFF000000u | uint32_t(mkart::ToByte(c.r)) << 16 |
                                  uint32_t(mkart::ToByte(c.g)) << 8 | mkart::ToByte(c.b));
  std::set<uint32_t> colours;
  for (int y = 0; y < s->h; ++y) {
    for (int x = 0; x < s->w; ++x) colours.insert(PixelAt(s, x, y));
  }
  EXPECT_GT(colours.size(), 2000u);  // a shaded scene, not a few flat fills
  SDL_FreeSurface(s);
}

TEST(Mkart, MissingFontFails) {
  mkart::Picture p(320, 240);
  EXPECT_FALSE(mkart::MakeSplash("/nonexistent/font.ttf", &p));
}

TEST(Mkart, IconPaletteIsSmallAndFaithful) {
  for (int size : {32, 16}) {
    const mkart::Picture p = mkart::MakeEmblem(size);
    SaveForViewing(p, "icon" + std::to_string(size) + ".png");
    const mkart::Indexed q = mkart::Quantise(p);
    ASSERT_EQ(q.palette.size(), 256u);
    EXPECT_EQ(q.palette[0], 0u);  // reserved for masked pixels
    double error = 0;
    int opaque = 0;
    for (size_t i = 0; i < q.index.size(); ++i) {
      if (p.alpha[i] < 0.5) {
        EXPECT_EQ(q.index[i], 0) << i;
        continue;
      }
      ASSERT_NE(q.index[i], 0) << i;
      const uint32_t pc = q.palette[q.index[i]];
      const mkart::Rgb& c = p.colour[i];
      error += std::abs(int(mkart::ToByte(c.r)) - int(pc >> 16 & 0xFF)) +
               std::abs(int(mkart::ToByte(c.g)) - int(pc >> 8 & 0xFF)) +
               std::abs(int(mkart::ToByte(c.b)) - int(pc & 0xFF));
      ++opaque;
    }
    ASSERT_GT(opaque, size * size / 2);
    EXPECT_LT(error / opaque, 6.0) << size;  // mean error per pixel over three channels
  }
}

TEST(Mkart, IconFileRoundTripsThroughTheCompilerAndDecoder) {
  const std::vector<mkart::Picture> pictures = {mkart::MakeEmblem(32), mkart::MakeEmblem(16)};
  const std::vector<uint8_t> ico = mkart::EncodeIco(pictures);
  EXPECT_EQ(ico, mkart::EncodeIco({mkart::MakeEmblem(32), mkart::MakeEmblem(16)}));

  uint16_t nextId = 4000;
  static rescomp::IconResources icon = rescomp::IconFromIco(ico, &nextId);
  ASSERT_EQ(icon.images.size(), 2u);
  static win32::ModuleResource table[3];
  for (int i = 0; i < 2; ++i) {
    table[i] = {{nullptr, 3},
                {nullptr, icon.ids[size_t(i)]},
                icon.images[size_t(i)].data(),
                icon.images[size_t(i)].size()};
  }
  table[2] = {{nullptr, 14}, {"MKARTICON", 0}, icon.group.data(), icon.group.size()};
  win32::RegisterModuleResources(table, 3);

  for (size_t k = 0; k < 2; ++k) {
    const mkart::Picture& p = pictures[k];
    const mkart::Indexed q = mkart::Quantise(p);
    SDL_Surface* s = win32::LoadIconSurface("MKARTICON", p.width);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->w, p.width);
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        const size_t i = size_t(y) * p.width + x;
        const uint32_t expected =
            p.alpha[i] < 0.5 ? 0x00000000u : 0xFF000000u | q.palette[q.index[i]];
        ASSERT_EQ(PixelAt(s, x, y), expected) << p.width << " at " << x << "," << y;
      }
    }
    SDL_FreeSurface(s);
  }
}

}  // namespace
