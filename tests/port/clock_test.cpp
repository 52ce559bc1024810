#include "port/clock.h"

#include <chrono>

#include <gtest/gtest.h>

namespace {

TEST(FastClockTest, LongWaitPassesQuicklyButMeasuresInVirtualTime) {
  port::FastClock clock(1000.0);
  port::ScopedClock installed(clock);
  const auto real_start = std::chrono::steady_clock::now();
  const std::int64_t seconds_start = port::NowSeconds();
  const std::int64_t ms_start = port::NowMilliseconds();
  port::Sleep(40000);
  EXPECT_GE(port::NowMilliseconds() - ms_start, 40000);
  EXPECT_GE(port::NowSeconds() - seconds_start, 39);  // whole seconds may straddle
  EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::seconds(5));
}

}  // namespace
