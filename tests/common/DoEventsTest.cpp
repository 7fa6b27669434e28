#include <gtest/gtest.h>

#include <chrono>

#include "common/DoEvents.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

// Work that calls DoEvents after every small unit keeps reaching the pump on a
// real clock, although the clock is not read on every call.
TEST(DoEvents, ARealClockPumpIsReachedAgainAndAgainWhileWorkGoesOn) {
  test::TestMachine m;
  m.pump.step = 0;
  const auto start = std::chrono::steady_clock::now();
  long long calls = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(60)) {
    DoEvents();
    ++calls;
  }
  EXPECT_GE(m.pump.pumps, 4) << calls << " calls";
  EXPECT_LT(m.pump.pumps, calls);
}

TEST(DoEvents, AClockThatMovesEveryCallReachesThePumpEveryCall) {
  test::TestMachine m;
  m.pump.step = kPumpIntervalMs;
  const long long before = m.pump.pumps;
  for (int i = 0; i < 100; ++i) DoEvents();
  EXPECT_EQ(m.pump.pumps - before, 100);
}

}  // namespace
}  // namespace hm
