// Frame comparison for tests: ARGB frames equal pixel for pixel, or two
// frames of the same drawing agreeing when enough pixels have every channel
// within a few levels. On a mismatch the frame got, the one expected and
// their difference are saved as PNG under $MORVANE_TEST_OUT (when set) so a
// failure can be looked at. Header-only; any thread.
#ifndef MORVANE_TESTS_SUPPORT_IMAGE_COMPARE_H
#define MORVANE_TESTS_SUPPORT_IMAGE_COMPARE_H

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

// Writes `pixels` (ARGB, `width` x `height`) as $MORVANE_TEST_OUT/name.png.
inline void SaveFrame(const std::vector<uint32_t>& pixels, int width, int height,
                      const std::string& name) {
  const char* dir = std::getenv("MORVANE_TEST_OUT");
  if (dir == nullptr || *dir == '\0' || pixels.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  std::vector<uint32_t> copy = pixels;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), width, height, 32, width * 4,
                                                      SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr) return;
  IMG_SavePNG(s, (std::filesystem::path(dir) / (name + ".png")).string().c_str());
  SDL_FreeSurface(s);
}

// "Suite.Test" of the running test, with '/' of parameterised names as '_'.
inline std::string TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

// Every channel of `got` within `tolerance` levels of `want`.
inline bool ChannelsWithin(uint32_t got, uint32_t want, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((got >> shift) & 0xFF),
              b = static_cast<int>((want >> shift) & 0xFF);
    if (a - b > tolerance || b - a > tolerance) return false;
  }
  return true;
}

// Saves `got`, `expected` and their difference (each colour channel's
// distance times `gain`, clamped) as name.got, name.expected and
// name.difference.
inline void SaveComparison(const std::vector<uint32_t>& got, const std::vector<uint32_t>& expected,
                           int width, int height, const std::string& name, int gain = 16) {
  std::vector<uint32_t> difference(std::min(got.size(), expected.size()));
  for (size_t i = 0; i < difference.size(); ++i) {
    uint32_t d = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = static_cast<int>((got[i] >> shift) & 0xFF);
      const int b = static_cast<int>((expected[i] >> shift) & 0xFF);
      d |= static_cast<uint32_t>(std::min(255, std::abs(a - b) * gain)) << shift;
    }
    difference[i] = d;
  }
  SaveFrame(got, width, height, name + ".got");
  SaveFrame(expected, width, height, name + ".expected");
  SaveFrame(difference, width, height, name + ".difference");
}

// Every pixel of `got` equal to `expected` (width x height); otherwise
// reports the count and the first five differences and saves the
// comparison as `name`.
inline ::testing::AssertionResult FramesEqual(const std::vector<uint32_t>& got,
                                              const std::vector<uint32_t>& expected, int width,
                                              int height, const std::string& name) {
  if (got.size() != expected.size()) return ::testing::AssertionFailure() << "size differs";
  int bad = 0;
  std::string report;
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] == expected[i]) continue;
    if (++bad <= 5) {
      char line[96];
      std::snprintf(line, sizeof line, "\n  (%zu, %zu): got %08X want %08X",
                    i % static_cast<size_t>(width), i / static_cast<size_t>(width), got[i],
                    expected[i]);
      report += line;
    }
  }
  if (bad == 0) return ::testing::AssertionSuccess();
  SaveComparison(got, expected, width, height, name);
  return ::testing::AssertionFailure() << bad << " pixels differ" << report;
}

// Two devices' frames of the same drawing: at least `fraction` of the pixels
// with every channel within `levels` (the rest may only differ on triangle
// edges, where two rasterisers round coverage differently). On a mismatch
// saves the comparison as `name`. `share`, when given, receives the share of
// close pixels.
inline ::testing::AssertionResult FramesAgree(const std::vector<uint32_t>& got,
                                              const std::vector<uint32_t>& expected, int width,
                                              int height, int levels, double fraction,
                                              const std::string& name, double* share = nullptr) {
  if (got.size() != expected.size() || got.empty() ||
      got.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    return ::testing::AssertionFailure() << "size differs";
  size_t close = 0;
  for (size_t i = 0; i < got.size(); ++i) close += ChannelsWithin(got[i], expected[i], levels);
  const double within = static_cast<double>(close) / static_cast<double>(got.size());
  if (share != nullptr) *share = within;
  if (within >= fraction) return ::testing::AssertionSuccess();
  SaveComparison(got, expected, width, height, name);
  return ::testing::AssertionFailure() << "only " << within * 100.0 << "% of pixels within "
                                       << levels << " levels (want " << fraction * 100.0 << "%)";
}

// A PNG file's pixels as ARGB; empty when it cannot be read.
inline std::vector<uint32_t> LoadPng(const std::string& path, int* width, int* height) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (loaded == nullptr) return {};
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (argb == nullptr) return {};
  *width = argb->w;
  *height = argb->h;
  std::vector<uint32_t> pixels(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
  for (int y = 0; y < argb->h; ++y) {
    const auto* row = reinterpret_cast<const uint8_t*>(argb->pixels) + y * argb->pitch;
    std::copy_n(reinterpret_cast<const uint32_t*>(row), argb->w,
                pixels.begin() + static_cast<std::ptrdiff_t>(y) * argb->w);
  }
  SDL_FreeSurface(argb);
  return pixels;
}

}  // namespace test_support

#endif  // MORVANE_TESTS_SUPPORT_IMAGE_COMPARE_H
