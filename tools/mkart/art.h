// mkart: the program's artwork made by code, so the build needs no image
// files and every run writes the same bytes. Pictures are computed in
// floating point and rounded once when stored.
#ifndef MORVANE_TOOLS_MKART_ART_H
#define MORVANE_TOOLS_MKART_ART_H

#include <cstdint>
#include <string>
#include <vector>

namespace mkart {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

// Straight (not premultiplied) colour plus coverage, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> colour;
  std::vector<double> alpha;
  Picture(int w, int h) : width(w), height(h), colour(size_t(w) * h), alpha(size_t(w) * h, 1.0) {}
  Rgb& at(int x, int y) { return colour[size_t(y) * width + x]; }
  double& alphaAt(int x, int y) { return alpha[size_t(y) * width + x]; }
};

uint8_t ToByte(double v);

// The 320x240 splash: a ray-traced scene with the title. False (with a
// message on stderr) if the font cannot be loaded.
bool MakeSplash(const std::string& fontPath, Picture* out);

// The emblem at size x size, with coverage in alpha.
Picture MakeEmblem(int size);

// A 24-bit bottom-up .bmp of the picture (alpha ignored).
std::vector<uint8_t> EncodeBmp(const Picture& p);

// An .ico holding each picture as an 8-bit image (its own 256-colour
// palette, AND mask set where alpha < 0.5).
std::vector<uint8_t> EncodeIco(const std::vector<Picture>& images);

// Median-cut palette of at most 256 colours and each pixel's index;
// transparent pixels get index 0 and are left out of the palette choice.
struct Indexed {
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint8_t> index;
};
Indexed Quantise(const Picture& p);

// Writes the picture as PNG through SDL_image (for looking at it).
bool SavePng(const Picture& p, const std::string& path);

}  // namespace mkart

#endif  // MORVANE_TOOLS_MKART_ART_H
