#include "port/clock.h"

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using RealClock = std::chrono::steady_clock;

TEST(FastClockTest, LongWaitPassesQuicklyButMeasuresInVirtualTime) {
  port::FastClock clock(1000.0);
  const auto real_start = RealClock::now();
  const std::int64_t seconds_start = clock.Seconds();
  const std::int64_t ms_start = clock.Milliseconds();
  clock.Sleep(40000);
  EXPECT_GE(clock.Milliseconds() - ms_start, 40000);
  EXPECT_GE(clock.Seconds() - seconds_start, 39);  // whole seconds may straddle
  EXPECT_LT(RealClock::now() - real_start, std::chrono::seconds(5));
}

TEST(FastClockTest, ManyThreadsSleepAtOnce) {
  port::FastClock clock(1000.0);
  port::ScopedClock installed(clock);
  std::vector<std::thread> threads;
  std::vector<std::int64_t> elapsed(4);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::int64_t start = port::NowMilliseconds();
      for (int i = 0; i < 20; ++i) port::Sleep(1000);
      elapsed[t] = port::NowMilliseconds() - start;
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::int64_t e : elapsed) EXPECT_GE(e, 20000);
}

TEST(SystemClockTest, SecondsFollowWallClock) {
  port::SystemClock clock;
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  EXPECT_LE(std::abs(clock.Seconds() - now), 1);
  const std::int64_t a = clock.Milliseconds();
  clock.Sleep(1);
  EXPECT_GE(clock.Milliseconds(), a + 1);
}

}  // namespace
