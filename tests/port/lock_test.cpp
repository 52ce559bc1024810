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

  auto other_can_enter = [&] {
    bool entered = true;
    std::thread probe([&] {
      entered = section.TryEnter();
      if (entered) section.Leave();
    });
    probe.join();
    return entered;
  };
  EXPECT_FALSE(other_can_enter());

  // A thread waiting in Enter gets in only after the owner's last Leave, whenever
  // it happens to run.
  std::atomic<bool> released{false};
  bool entered_after_release = false;
  std::thread waiter([&] {
    port::Guard guard(section);
    entered_after_release = released.load();
    EXPECT_EQ(section.RecursionCount(), 1);
  });
  section.Leave();
  EXPECT_FALSE(other_can_enter());  // still held once
  EXPECT_TRUE(section.OwnedByCurrentThread());
  released = true;
  section.Leave();
  waiter.join();
  EXPECT_TRUE(entered_after_release);
  EXPECT_FALSE(section.OwnedByCurrentThread());
}

}  // namespace
