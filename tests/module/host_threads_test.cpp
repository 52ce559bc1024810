// The host calling operations from its own thread while the listen thread runs
// the session's events into the host: thousands of calls, for the thread
// sanitizer to watch.
#include <thread>

#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

class HostThreadsTest : public ModuleTest {};

TEST_F(HostThreadsTest, OperationsInterleaveWithEventsWithoutRaces) {
  StartSession();
  FakeHost& host = host_;
  Connect(&host);
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
  EXPECT_TRUE(host.WaitForCalls("OnModelOpened", kOpens));
  for (const FakeHost::Call& call : host.Calls()) EXPECT_EQ(handle_, call.args.at(0));
}

}  // namespace
}  // namespace tavtest
