// Choosing the pixel rows' SIMD level: detection agrees with the CPU's own
// flags, MORVANE_SIMD=sse2 keeps the SSE2 rows, a level the CPU lacks is
// refused, and the name follows the level. (That both levels draw the same
// pixels is in fast_routines_test.cpp lane by lane, and in the equivalence
// tests, which ctest also runs with MORVANE_SIMD=sse2.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "raster/shade_row.h"
#include "raster/simd.h"

namespace {

using raster::Simd;

// Whether the kernel lists `flag` among the first processor's flags.
bool CpuinfoHasFlag(const std::string& flag) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("flags", 0) != 0) continue;
    std::istringstream words(line.substr(line.find(':') + 1));
    std::string word;
    while (words >> word)
      if (word == flag) return true;
    return false;
  }
  return false;
}

class SimdChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = raster::PixelSimd();
    const char* env = std::getenv("MORVANE_SIMD");
    if (env != nullptr) env_ = env;
    hadEnv_ = env != nullptr;
  }
  void TearDown() override {
    if (hadEnv_)
      setenv("MORVANE_SIMD", env_.c_str(), 1);
    else
      unsetenv("MORVANE_SIMD");
    raster::SetPixelSimd(before_);
  }
  // The level chosen afresh, as at start-up, with the environment as it is.
  static Simd ChooseAgain() {
    raster::g_pixelSimd.store(raster::kSimdUnchosen);
    return raster::PixelSimd();
  }

  Simd before_ = Simd::kSse2;
  std::string env_;
  bool hadEnv_ = false;
};

TEST_F(SimdChoice, DetectionAgreesWithTheKernelsCpuFlags) {
  EXPECT_TRUE(raster::CpuSupports(Simd::kSse2));
  EXPECT_EQ(raster::CpuSupports(Simd::kAvx2), CpuinfoHasFlag("avx2"));
  unsetenv("MORVANE_SIMD");
  EXPECT_EQ(ChooseAgain(), CpuinfoHasFlag("avx2") ? Simd::kAvx2 : Simd::kSse2);
}

TEST_F(SimdChoice, EnvironmentKeepsSse2AndOtherValuesAreIgnored) {
  setenv("MORVANE_SIMD", "sse2", 1);
  EXPECT_EQ(ChooseAgain(), Simd::kSse2);
  EXPECT_STREQ(raster::PixelSimdName(), "SSE2 pixel rows");
  const Simd detected = raster::CpuSupports(Simd::kAvx2) ? Simd::kAvx2 : Simd::kSse2;
  for (const char* other : {"", "avx2", "SSE", "sse2 "}) {
    setenv("MORVANE_SIMD", other, 1);
    EXPECT_EQ(ChooseAgain(), detected) << "'" << other << "'";
  }
}

// The run under ctest's Sse2/ entry (MORVANE_SIMD=sse2 from the start)
// really draws with the SSE2 rows; otherwise the detected level is used.
TEST_F(SimdChoice, LevelInUseFollowsTheEnvironmentFromTheStart) {
  const bool forced = hadEnv_ && env_ == "sse2";
  const Simd want = forced || !raster::CpuSupports(Simd::kAvx2) ? Simd::kSse2 : Simd::kAvx2;
  EXPECT_EQ(before_, want);
}

TEST_F(SimdChoice, SettingALevelTheCpuLacksChangesNothing) {
  ASSERT_TRUE(raster::SetPixelSimd(Simd::kSse2));
  EXPECT_EQ(raster::PixelSimd(), Simd::kSse2);
  EXPECT_STREQ(raster::PixelSimdName(), "SSE2 pixel rows");
  const bool avx2 = raster::CpuSupports(Simd::kAvx2);
  EXPECT_EQ(raster::SetPixelSimd(Simd::kAvx2), avx2);
  EXPECT_EQ(raster::PixelSimd(), avx2 ? Simd::kAvx2 : Simd::kSse2);
  EXPECT_STREQ(raster::PixelSimdName(), avx2 ? "AVX2 pixel rows" : "SSE2 pixel rows");
}

}  // namespace
