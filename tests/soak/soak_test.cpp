// The soak run: the whole program on the demo data set for a thousand laps,
// its memory checked between lap 10 and the last.
#include <filesystem>
#include <string>

#include "app/app_fixture.h"
#include "app/data_set.h"
#include "support/heap_in_use.h"

namespace {

constexpr int kLaps = 1000;
// Each frame is one fixed step after the one before, the lap start counting
// as the one before. A step past the 33.5-s lap makes every frame a lap's
// last (the fade-out, the score fold, the animation's end and restart): the
// most laps for the frames an AddressSanitizer build can afford, about 0.2 s
// of CPU each without anti-aliasing.
constexpr DWORD kStepMs = 34000;
constexpr int kFramesPerLap = 1;

class SoakTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // The shipped form: the archive alone, so the music streams from one of
    // its members on its own thread while the frames run.
    std::filesystem::copy_file(std::filesystem::path(MORVANE_DATA_DIR) / "DataB.pac",
                               folder_.path() / "DataB.pac");
    // Only the frames move the clock; the music thread keeps real time.
    testing_hooks::SetSleepAdvancesClock(false);
  }
  void TearDown() override {
    testing_hooks::SetSleepAdvancesClock(true);
    AppTest::TearDown();
  }
  app_test::ScratchFolder folder_;
};

// The heap in use after lap 1,000 is what it was after lap 100, and at most
// a one-time growth above lap 10's: the first laps grow working buffers to
// their size (the renderer's tile bins keep the largest size a frame
// needed: with the demo data lap 33 fills one tile further than any before
// and its bin doubles, 8 KiB, once), after that nothing a frame, a lap end
// or the music's refills do may keep memory. A leak of even 66 bytes a lap
// would pass the bound on lap 10.
TEST_F(SoakTest, ThousandLapsKeepMemoryConstant) {
  testing_hooks::SetIdleHandler([](HWND active) {
    if (active == nullptr || GetDlgItem(active, kIdOk) == nullptr) return;
    ClickControl(GetDlgItem(active, kIdAntiAliasOff));
    ClickControl(GetDlgItem(active, kIdOk));
  });
  BenchmarkApp app;
  int seenLaps = 0, seenFrames = 0, frames = 0;
  bool stepped = false;
  size_t afterTen = 0, afterHundred = 0, afterAll = 0;
  // Between passes of the program's own loop: a pass either dispatched a
  // message or drew a frame, and only a drawn frame earns the next step.
  testing_hooks::SetPeekHandler([&]() {
    if (app.lapStart == 0 || afterAll != 0) return;  // start-up not done, or done
    if (app.frameCount != seenFrames || app.lapCount != seenLaps) {
      ++frames;
      stepped = false;
    }
    seenFrames = app.frameCount;
    if (app.lapCount != seenLaps) {
      seenLaps = app.lapCount;
      if (seenLaps == 10) afterTen = test_support::HeapInUse();
      if (seenLaps == 100) afterHundred = test_support::HeapInUse();
      if (seenLaps == kLaps) {
        afterAll = test_support::HeapInUse();
        PostMessageA(app.window, WM_CLOSE, 0, 0);  // ends the loop before another frame
        return;
      }
    }
    if (!stepped) testing_hooks::AdvanceClock(kStepMs);
    stepped = true;
  });
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
  EXPECT_EQ(app.lapCount, kLaps);
  EXPECT_EQ(frames, kLaps * kFramesPerLap);
  EXPECT_EQ(app.bestScore, 2);  // trunc(1 x 100000 / 33500)
  EXPECT_GT(afterTen, 0u);
  EXPECT_EQ(afterAll, afterHundred);
  EXPECT_GE(afterAll, afterTen);
  EXPECT_LE(afterAll - afterTen, size_t{64} << 10);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

}  // namespace
