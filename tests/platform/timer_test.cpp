// timeGetTime, GetTickCount and Sleep under the virtual clock.
#include <mmsystem.h>
#include <testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class VirtualClock : public ::testing::Test {
 protected:
  void TearDown() override { testing_hooks::UseRealClock(); }
};

TEST_F(VirtualClock, FollowsAdvanceAndSleep) {
  testing_hooks::UseVirtualClock(1000);
  EXPECT_TRUE(testing_hooks::VirtualClockOn());
  EXPECT_EQ(timeGetTime(), 1000u);
  testing_hooks::AdvanceClock(250);
  EXPECT_EQ(timeGetTime(), 1250u);
  Sleep(100);
  EXPECT_EQ(timeGetTime(), 1350u);
  EXPECT_EQ(GetTickCount(), 1350u);
  Sleep(0);
  EXPECT_EQ(timeGetTime(), 1350u);
  testing_hooks::UseVirtualClock(5);
  EXPECT_EQ(timeGetTime(), 5u);
}

TEST_F(VirtualClock, DifferencesSurviveTheWrap) {
  struct Case {
    DWORD start;
    DWORD step;
  };
  const Case cases[] = {{0xFFFFFFF0u, 0x20u}, {0xFFFFFFFFu, 1u}, {0x80000000u, 0x90000000u}};
  for (const Case& c : cases) {
    testing_hooks::UseVirtualClock(c.start);
    const DWORD before = timeGetTime();
    testing_hooks::AdvanceClock(c.step / 2);
    Sleep(c.step - c.step / 2);
    const DWORD after = timeGetTime();
    EXPECT_EQ(after - before, c.step) << c.start;
    EXPECT_EQ(after, static_cast<DWORD>(c.start + c.step)) << c.start;
  }
}

TEST_F(VirtualClock, SleepsFromManyThreadsAllCount) {
  testing_hooks::UseVirtualClock(0);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([] {
      for (int n = 0; n < 250; ++n) Sleep(2);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(timeGetTime(), 2000u);
}

TEST_F(VirtualClock, RealClockResumesAndNeverStartsAtZero) {
  testing_hooks::UseVirtualClock(0);
  testing_hooks::UseRealClock();
  EXPECT_FALSE(testing_hooks::VirtualClockOn());
  const DWORD a = timeGetTime();
  const DWORD b = timeGetTime();
  EXPECT_GE(a, 0x10000u);         // the count starts well above zero
  EXPECT_LT(b - a, 0x80000000u);  // never runs backwards
}

TEST(TimerPeriod, AcceptsOnlyNonzeroPeriods) {
  EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_NE(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_NE(timeEndPeriod(0), static_cast<MMRESULT>(TIMERR_NOERROR));
}

}  // namespace
