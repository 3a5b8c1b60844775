// One frame of the run and the lap's counters, on the virtual clock, checked
// on the quads the frame draws.
#include <cmath>
#include <string>

#include "frame_rig.h"
#include "support/heap_in_use.h"

namespace app_test {
namespace {

class FrameTest : public FrameRig {
 protected:
  FrameTest() : FrameRig(16) {}
};

// The fade quad's alpha at each elapsed time of the lap; -1: no fade quad.
// In: trunc(255 - t/1000*255); out: trunc((t-32500)/1000*255), at most 255.
TEST_F(FrameTest, FadeAlphaFollowsTheLapTimeline) {
  const struct {
    int32_t elapsed;
    int alpha;
  } cases[] = {
      {0, 255},   {1, 254},   {996, 1},   {997, 0},     {999, 0},     {1000, -1},   {32500, -1},
      {32501, 0}, {32503, 0}, {32504, 1}, {33000, 127}, {33499, 254}, {33500, 255}, {40000, 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.elapsed);
    FrameAt(c.elapsed);
    const auto quads = FullScreenQuads();
    // The background always; the fade quad last of all, black.
    ASSERT_EQ(quads.size(), c.alpha < 0 ? 1u : 2u);
    EXPECT_EQ(quads[0].v[0].diffuse, 0xFFFFFFFFu);
    if (c.alpha < 0) continue;
    EXPECT_EQ(quads[1].v[0].diffuse, static_cast<D3DCOLOR>(c.alpha) << 24);
    EXPECT_EQ(recorder_->quads.back().v[0].diffuse, quads[1].v[0].diffuse);
  }
}

TEST_F(FrameTest, ScoreCountsFramesOfTheLap) {
  Frames(1, 0);
  EXPECT_EQ(app_.frameCount, 1);
  EXPECT_EQ(app_.score, 2);  // trunc(100000 / 33500)
  Frames(334, 16);
  EXPECT_EQ(app_.score, 1000);  // 335 x 100000 / 33500 exactly
  EXPECT_EQ(app_.lapCount, 0);
}

// A lap of 2010 frames (60 per second for 33.5 s): 2009 frames inside the
// lap, then one at its end.
void RunLap(FrameRig* rig, BenchmarkApp* app, int frames) {
  for (int i = 0; i < frames - 1; ++i) {
    testing_hooks::AdvanceClock(i == 0 ? 0 : 16);
    RenderFrame(app);
  }
  app->lapStart = timeGetTime() - 33500;
  RenderFrame(app);
  (void)rig;
}

TEST_F(FrameTest, LapEndFoldsTheScoreAndStartsTheNextLap) {
  RunLap(this, &app_, 2010);
  EXPECT_EQ(app_.score, 6000);
  EXPECT_EQ(app_.lapCount, 1);
  EXPECT_EQ(app_.averageScore, 6000);
  EXPECT_EQ(app_.bestScore, 6000);
  EXPECT_EQ(app_.scoreTotal, 6000);
  EXPECT_EQ(app_.frameCount, 0);
  EXPECT_EQ(app_.lapStart, timeGetTime());  // the next lap starts now

  // The next frame is the next lap's first: fade-in fully black, score 2.
  recorder_->Forget();
  RenderFrame(&app_);
  EXPECT_EQ(app_.score, 2);
  ASSERT_EQ(FullScreenQuads().size(), 2u);
  EXPECT_EQ(FullScreenQuads()[1].v[0].diffuse, 0xFF000000u);

  RunLap(this, &app_, 2010);  // with the frame above, 2011 frames: 6002
  EXPECT_EQ(app_.averageScore, 6001);
  EXPECT_EQ(app_.bestScore, 6002);
  RunLap(this, &app_, 2010);  // 6000: 18002 / 3 truncates to 6000
  EXPECT_EQ(app_.averageScore, 6000);
  EXPECT_EQ(app_.bestScore, 6002);
  EXPECT_EQ(app_.lapCount, 3);
}

TEST_F(FrameTest, TheLapsLastFrameStillShowsTheOldAverageAndBest) {
  RunLap(this, &app_, 2010);
  // Second lap, 1000 frames; its last frame draws before the fold.
  for (int i = 0; i < 999; ++i) {
    testing_hooks::AdvanceClock(20);
    RenderFrame(&app_);
  }
  app_.lapStart = timeGetTime() - 33500;
  recorder_->Forget();
  RenderFrame(&app_);
  EXPECT_EQ(Row(11.0f), "2985");  // trunc(1000 x 100000 / 33500)
  EXPECT_EQ(Row(31.0f), "6000");
  EXPECT_EQ(Row(51.0f), "6000");
  EXPECT_EQ(app_.averageScore, (6000 + 2985) / 2);
  recorder_->Forget();
  RenderFrame(&app_);
  EXPECT_EQ(Row(31.0f), "4492");
  EXPECT_EQ(Row(51.0f), "6000");
}

TEST_F(FrameTest, NumberRowsShowTheLowSixDigitsRightAligned) {
  // Average and best rows, whose values only the lap end changes.
  for (int v = 100; v <= 1000; v += 100) {
    app_.averageScore = v;
    app_.bestScore = v;
    FrameAt(5000);
    EXPECT_EQ(Row(31.0f), std::to_string(v));
    EXPECT_EQ(Row(51.0f), std::to_string(v));
  }
  const struct {
    int32_t value;
    const char* shown;
  } cases[] = {{0, "0"}, {7, "7"}, {1000000, "0"}, {1234567, "234567"}, {999999, "999999"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    app_.averageScore = c.value;
    app_.bestScore = c.value;
    FrameAt(5000);
    EXPECT_EQ(Row(31.0f), c.shown);
    EXPECT_EQ(Row(51.0f), c.shown);
  }
}

TEST_F(FrameTest, ScoreRowHasNoZeroFallback) {
  // Frame counts that make the score 1,000,000 and 1,234,567.
  app_.frameCount = 335000 - 1;
  FrameAt(5000);
  EXPECT_EQ(app_.score, 1000000);
  EXPECT_EQ(Row(11.0f), "");
  app_.frameCount = 413580 - 1;
  FrameAt(5000);
  EXPECT_EQ(app_.score, 1234567);
  EXPECT_EQ(Row(11.0f), "234567");
  // Before the first lap ends, average and best show a single 0.
  EXPECT_EQ(Row(31.0f), "0");
  EXPECT_EQ(Row(51.0f), "0");
}

TEST_F(FrameTest, OverlayDrawsTheThreeSpritesFromTheSheetAtTheirPlaces) {
  FrameAt(5000);
  const struct {
    float x, y, w, h;
    int left, top;
  } sprites[] = {{8, 8, 274, 77, 0, 0}, {519, 498, 272, 94, 0, 78}, {609, 12, 91, 58, 0, 172}};
  for (const auto& s : sprites) {
    bool found = false;
    for (const RecordedQuad& q : recorder_->quads) {
      if (q.texture != app_.chipTexture || q.v[0].x != s.x || q.v[0].y != s.y) continue;
      found = true;
      EXPECT_EQ(q.v[2].x - q.v[0].x, s.w);
      EXPECT_EQ(q.v[2].y - q.v[0].y, s.h);
      EXPECT_FLOAT_EQ(q.v[0].u, (s.left + 0.5f) / 512.0f);
      EXPECT_FLOAT_EQ(q.v[0].v, (s.top + 0.5f) / 256.0f);
    }
    EXPECT_TRUE(found) << s.x << "," << s.y;
  }
}

TEST_F(FrameTest, EscEndsTheRunAfterTheFramesPresent) {
  EXPECT_EQ(FrameAt(5000), 1);
  testing_hooks::SetKeyDown(VK_ESCAPE, true);
  EXPECT_EQ(FrameAt(5000), 0);
  EXPECT_EQ(recorder_->presents, 1);
}

// 100 laps of 2 frames each (17 s steps): the heap in use after lap 100 is
// what it was after lap 10 (the first laps may still grow the device's
// batch buffers to their working size).
TEST_F(FrameTest, HundredLapsKeepMemoryConstant) {
  size_t afterTen = 0;
  while (app_.lapCount < 100) {
    const int laps = app_.lapCount;
    testing_hooks::AdvanceClock(17000);
    recorder_->Forget();  // the record keeps its capacity: no test-side growth
    RenderFrame(&app_);
    if (app_.lapCount != laps && app_.lapCount == 10) afterTen = test_support::HeapInUse();
  }
  EXPECT_GT(afterTen, 0u);
  EXPECT_EQ(test_support::HeapInUse(), afterTen);
  EXPECT_EQ(app_.bestScore, 5);  // 2 frames: trunc(2 x 100000 / 33500)
}

TEST(DecimalDigitTest, PicksEachDigitExactly) {
  EXPECT_EQ(DecimalDigit(0, 987654321u), 0u);
  EXPECT_EQ(DecimalDigit(1, 987654321u), 1u);
  EXPECT_EQ(DecimalDigit(6, 987654321u), 6u);
  EXPECT_EQ(DecimalDigit(10, 4000000000u), 4u);
  EXPECT_EQ(DecimalDigit(11, 4000000000u), 0u);
  EXPECT_EQ(DecimalDigit(3, 100u), 1u);
  EXPECT_EQ(DecimalDigit(2, 100u), 0u);
}

// ---- DrawSprite -----------------------------------------------------------

using SpriteTest = FrameRig;

TEST_F(SpriteTest, NullTextureDrawsNothing) {
  RECT r = {0, 0, 4, 4};
  EXPECT_EQ(DrawSprite(&r, 0xFFFFFFFF, recorder_, nullptr, 1, 0.0f, 0.0f), 0);
  EXPECT_TRUE(recorder_->quads.empty());
}

TEST_F(SpriteTest, EachTexelBecomesOnePixel) {
  testing_hooks::CapturePresentedFrames(true);
  real_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  real_->BeginScene();
  const RECT source = {91, 172, 161, 230};  // 70 by 58 texels of the sheet
  EXPECT_EQ(DrawSprite(&source, 0xFFFFFFFF, recorder_, app_.chipTexture, 1, 300.0f, 200.0f), 1);
  real_->EndScene();
  real_->Present(nullptr, nullptr, nullptr, nullptr);
  int w = 0, h = 0;
  const auto frame = testing_hooks::LastPresentedFrame(&w, &h);
  ASSERT_EQ(w, kFrameWidth);
  ASSERT_EQ(h, kFrameHeight);
  int wrong = 0;
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      const bool inside = x >= 300 && x < 370 && y >= 200 && y < 258;
      const uint32_t want =
          inside ? (ChipTexel(91 + x - 300, 172 + y - 200) | 0xFF000000u) : 0xFF000000u;
      if ((frame[static_cast<size_t>(y) * kFrameWidth + x] | 0xFF000000u) != want) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}

// ---- Morph pulse ------------------------------------------------------------

TEST(MorphPulseTest, IdleDrawsOnlyEvery300ms) {
  BenchmarkApp app;
  app.pulseStamp = 1000;
  EXPECT_EQ(UpdateMorphPulse(&app, 1299), 0.0f);
  EXPECT_EQ(app.pulseStamp, 1000u);  // no draw yet
  EXPECT_EQ(app.pulseState, 1);
  EXPECT_EQ(UpdateMorphPulse(&app, 1300), 0.0f);
  EXPECT_EQ(app.pulseStamp, 1300u);
}

TEST(MorphPulseTest, RisesAndFallsOver300msEach) {
  BenchmarkApp app;
  uint32_t now = 0;
  // Idle steps until a draw starts a pulse (a chance of 10 in 100 each).
  int steps = 0;
  while (app.pulseState == 1 && steps < 10000) {
    now += 300;
    UpdateMorphPulse(&app, now);
    ++steps;
  }
  ASSERT_EQ(app.pulseState, 2);
  EXPECT_EQ(app.pulseStamp, now);
  EXPECT_FLOAT_EQ(UpdateMorphPulse(&app, now + 150), 0.5f);
  EXPECT_EQ(UpdateMorphPulse(&app, now + 300), 1.0f);
  EXPECT_EQ(app.pulseState, 3);
  now += 300;
  EXPECT_FLOAT_EQ(UpdateMorphPulse(&app, now + 150), 0.5f);
  EXPECT_EQ(UpdateMorphPulse(&app, now + 300), 0.0f);
  EXPECT_EQ(app.pulseState, 1);
  EXPECT_EQ(app.pulseStamp, now + 300);
}

TEST(MorphPulseTest, UnknownStateReturnsZeroAndChangesNothing) {
  BenchmarkApp app;
  app.pulseState = 7;
  app.pulseStamp = 10;
  EXPECT_EQ(UpdateMorphPulse(&app, 100000), 0.0f);
  EXPECT_EQ(app.pulseState, 7);
  EXPECT_EQ(app.pulseStamp, 10u);
}

}  // namespace
}  // namespace app_test
