// The two model notifications that travel from the session to the host through
// its event interface. Menu picks reaching FireClickMenu are the menu tests'.
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

}  // namespace
}  // namespace tavtest
