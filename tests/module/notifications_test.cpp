// Events that travel from the session to the host: the two model notifications
// through the event interface, and menu picks through IDispatch.
#include <ProCore.h>

#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

class NotificationTest : public ModuleTest {};

TEST_F(NotificationTest, NewAndOpenedModelsReachTheHostOnTheListenThread) {
  StartSession();
  Connect(&host_);
  ASSERT_EQ(0, sim_->Ctl({"new", "widget", "prt"}).code);
  ASSERT_TRUE(host_.WaitForCalls("OnNewModel", 1));
  ASSERT_EQ(0, sim_->Ctl({"open", SamplePath("bracket.prt.1")}).code);
  ASSERT_TRUE(host_.WaitForCalls("OnModelOpened", 1));
  const auto calls = host_.Calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(std::vector<std::wstring>{handle_}, calls[0].args);
  EXPECT_EQ((std::vector<std::wstring>{handle_, Wide(SamplePath("bracket.prt.1"))}), calls[1].args);
  EXPECT_NE(std::this_thread::get_id(), calls[0].thread);
}

// A failing host call is logged by the module; the listen thread goes on.
TEST_F(NotificationTest, FailedHostCallsAreLoggedAndLaterEventsStillArrive) {
  host_.event_result = E_FAIL;
  StartSession();
  Connect(&host_);
  const std::size_t mark = LogSize();
  ASSERT_EQ(0, sim_->Ctl({"new", "widget", "prt"}).code);
  ASSERT_EQ(0, sim_->Ctl({"open", SamplePath("bracket.prt.1")}).code);
  ASSERT_TRUE(host_.WaitForCalls("OnModelOpened", 1));
  EXPECT_TRUE(WaitUntil([&] {
    return InOrder(LogLinesSince(mark),
                   {"File > New: () error: the host's OnNewModel failed (0x80004005)",
                    "File > Open: () error: the host's OnModelOpened failed (0x80004005)"});
  }));
}

TEST_F(NotificationTest, HostWithoutEventInterfaceHearsNothing) {
  StartSession();
  Connect(&plain_host_);
  ASSERT_EQ(0, sim_->Ctl({"new", "widget", "prt"}).code);
  ASSERT_EQ(0, sim_->Ctl({"open", SamplePath("bolt.prt.1")}).code);
  // The session writes events before its later replies on the same connection, so
  // after one round trip anything it sent is queued; run the queue here and now.
  EXPECT_TRUE(command().ConnIsValid());
  {
    port::Guard hold(ProeCore::Instance()->Lock());
    ProEventProcess();
  }
  command().Disconnect();
  EXPECT_TRUE(plain_host_.Calls().empty());
  EXPECT_EQ(0, plain_host_.References());
}

TEST_F(NotificationTest, MenuPickLeavesTheLockWhileTheHostRunsAndPassesArgumentsInOrder) {
  port::CriticalSection& lock = ProeCore::Instance()->Lock();
  bool held_during_call = true;
  host_.on_pick = [&](const FakeHost::Call&) { held_during_call = lock.OwnedByCurrentThread(); };
  lock.Enter();
  NotifyMenuPick(&host_, L"12 34", L"/models/bracket.prt.1", L"<mnu id=\"7\"/>");
  NotifyMenuPick(&host_, L"12 34", L"", L"<mnu/>");  // no current model: still called
  EXPECT_TRUE(lock.OwnedByCurrentThread());
  lock.Leave();
  EXPECT_FALSE(held_during_call);
  const auto calls = host_.Calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ("FireClickMenu", calls[0].method);
  EXPECT_EQ((std::vector<std::wstring>{L"12 34", L"/models/bracket.prt.1", L"<mnu id=\"7\"/>"}),
            calls[0].args);
  EXPECT_EQ((std::vector<std::wstring>{L"12 34", L"", L"<mnu/>"}), calls[1].args);
  EXPECT_EQ(0, host_.References());
}

}  // namespace
}  // namespace tavtest
