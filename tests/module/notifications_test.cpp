// Events that travel from the session to the host: the two model notifications
// through the event interface, and menu picks through IDispatch.
#include <ProCore.h>

#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

class NotificationTest : public ModuleTest {};

TEST_F(NotificationTest, NewModelReachesHostOnTheListenThread) {
  StartSession();
  FakeHost& host = host_;
  Connect(&host);
  ASSERT_EQ(0, sim_->Ctl({"new", "widget", "prt"}).code);
  ASSERT_TRUE(host.WaitForCalls("OnNewModel", 1));
  auto calls = host.Calls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(std::vector<std::wstring>{handle_}, calls[0].args);
  EXPECT_NE(std::this_thread::get_id(), calls[0].thread);
}

TEST_F(NotificationTest, OpenedModelReachesHostWithItsFullName) {
  StartSession();
  FakeHost& host = host_;
  Connect(&host);
  ASSERT_EQ(0, sim_->Ctl({"open", SamplePath("bracket.prt.1")}).code);
  ASSERT_TRUE(host.WaitForCalls("OnModelOpened", 1));
  auto calls = host.Calls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ((std::vector<std::wstring>{handle_, Wide(SamplePath("bracket.prt.1"))}), calls[0].args);
}

TEST_F(NotificationTest, HostWithoutEventInterfaceHearsNothing) {
  StartSession();
  FakeHost& host = plain_host_;
  Connect(&host);
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
  EXPECT_TRUE(host.Calls().empty());
  EXPECT_EQ(0, host.References());
}

TEST_F(NotificationTest, MenuPickLeavesTheLockWhileTheHostRunsAndPassesArgumentsInOrder) {
  FakeHost& host = host_;
  port::CriticalSection& lock = ProeCore::Instance()->Lock();
  bool held_during_call = true;
  host.on_pick = [&](const FakeHost::Call&) { held_during_call = lock.OwnedByCurrentThread(); };
  lock.Enter();
  NotifyMenuPick(&host, L"12 34", L"/models/bracket.prt.1", L"<mnu id=\"7\"/>");
  EXPECT_TRUE(lock.OwnedByCurrentThread());
  lock.Leave();
  EXPECT_FALSE(held_during_call);
  auto calls = host.Calls();
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ("FireClickMenu", calls[0].method);
  EXPECT_EQ((std::vector<std::wstring>{L"12 34", L"/models/bracket.prt.1", L"<mnu id=\"7\"/>"}),
            calls[0].args);
  EXPECT_EQ(0, host.References());
}

TEST_F(NotificationTest, MenuPickWithoutCurrentModelStillCallsTheHost) {
  FakeHost& host = host_;
  ProeCore::Instance()->Lock().Enter();
  NotifyMenuPick(&host, L"1 2", L"", L"<mnu/>");
  ProeCore::Instance()->Lock().Leave();
  ASSERT_EQ(1u, host.CountOf("FireClickMenu"));
  EXPECT_EQ(L"", host.Calls()[0].args[1]);
}

}  // namespace
}  // namespace tavtest
