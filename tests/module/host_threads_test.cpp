// The host calling operations from its own thread while the listen thread runs
// the session's events into the host.
#include <thread>

#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

class HostThreadsTest : public ModuleTest {};

// Thousands of calls against a stream of events, for the thread sanitizer to watch.
TEST_F(HostThreadsTest, OperationsInterleaveWithEventsWithoutRaces) {
  StartSession();
  Connect(&host_);
  ASSERT_EQ(0, command().OpenFile(Wide(SamplePath("plate.asm.1")).c_str()));

  constexpr int kOpens = 10;
  std::thread user([&] {
    for (int i = 0; i < kOpens; ++i)
      sim_->Ctl({"open", SamplePath(i % 2 ? "bolt.prt.1" : "plate.asm.1")});
  });
  int failures = 0;
  for (int i = 0; i < 2000; ++i) {
    std::wstring name, deps;
    command().GetCurrentMdlFullName(name);
    failures += !command().ConnIsValid();
    failures += command().GetDependencies(deps) != 0;
  }
  user.join();
  EXPECT_EQ(0, failures) << Narrow(command_.m_strStatus);
  EXPECT_TRUE(host_.WaitForCalls("OnModelOpened", kOpens));
  for (const FakeHost::Call& call : host_.Calls()) EXPECT_EQ(handle_, call.args.at(0));
}

// A model operation holds the module-wide lock for its whole body, and the listen
// thread holds it around event processing: a notification that arrives while
// GetDependencies waits for the session reaches the host only after the call.
TEST_F(HostThreadsTest, NotificationDuringAnOperationReachesTheHostAfterIt) {
  SimHarness session(display_);
  ASSERT_TRUE(session.Listen());
  Connect(&host_);
  ASSERT_EQ(0, command().OpenFile(Wide(SamplePath("plate.asm.1")).c_str()));
  // The listen thread waits between rounds, outside the lock, until released; the
  // operation waits in the session until the delays are stopped.
  ASSERT_TRUE(clock_.HoldSleeper());
  ASSERT_EQ(0, session.Ctl({"delay", "ProMdlDependenciesList", "600000"}).code);
  std::wstring list;
  std::thread host_thread([&] { command().GetDependencies(list); });
  port::CriticalSection& lock = ProeCore::Instance()->Lock();
  const bool inside = WaitUntil([&] {
    if (!lock.TryEnter()) return true;  // held, and not by the waiting listen thread
    lock.Leave();
    return false;
  });
  session.Ctl({"new", "widget", "prt"});  // its notification calls the host at once
  clock_.Release();
  EXPECT_FALSE(host_.WaitForCalls("OnNewModel", 1, 300));
  session.server().dispatcher().Stop();
  host_thread.join();
  EXPECT_TRUE(inside);
  EXPECT_TRUE(host_.WaitForCalls("OnNewModel", 1));
  command().Disconnect();
}

}  // namespace
}  // namespace tavtest
