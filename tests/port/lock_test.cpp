#include "port/lock.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace {

TEST(CriticalSectionTest, OwnerReentersAndCountsEntries) {
  port::CriticalSection section;
  section.Enter();
  section.Enter();
  EXPECT_TRUE(section.TryEnter());
  EXPECT_TRUE(section.OwnedByCurrentThread());
  EXPECT_EQ(section.RecursionCount(), 3);
  section.Leave();
  section.Leave();
  EXPECT_TRUE(section.OwnedByCurrentThread());
  section.Leave();
  EXPECT_FALSE(section.OwnedByCurrentThread());
  EXPECT_EQ(section.RecursionCount(), 0);
}

TEST(CriticalSectionTest, OtherThreadIsExcludedUntilLastLeave) {
  port::CriticalSection section;
  section.Enter();
  section.Enter();

  bool other_could_enter = true;
  std::thread probe([&] { other_could_enter = section.TryEnter(); });
  probe.join();
  EXPECT_FALSE(other_could_enter);

  // A waiting thread gets in only after the owner's last Leave.
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    port::Guard guard(section);
    entered = true;
    EXPECT_EQ(section.RecursionCount(), 1);
  });
  section.Leave();
  // Still held once: the waiter must not have got in.
  EXPECT_FALSE(entered.load());
  EXPECT_TRUE(section.OwnedByCurrentThread());
  section.Leave();
  waiter.join();
  EXPECT_TRUE(entered.load());
  EXPECT_FALSE(section.OwnedByCurrentThread());
}

}  // namespace
