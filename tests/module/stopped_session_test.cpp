// A session that stops answering (SIGSTOP) before or in the middle of an
// operation of the sweeps' table (one of each kind: a model operation, the two
// exchange directions, the menus, leaving, joining): the operation gives up once the client's
// request deadline passed, and fails cleanly; the termination callback ends the
// connection once; later calls fail at once; a new session can be joined and the
// operation works there.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include "protocol/methods.h"
#include "src/tav_proecore.h"
#include "tests/module/swept_operations.h"
#include "toolkit/client/test_hooks.h"

namespace tavtest {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// The client's request deadline in these tests. How long giving up takes is
// measured in bench/, not here.
constexpr milliseconds kDeadline{1000};
// How long the session holds the call it is stopped in: long enough for the
// test to stop it first, short enough that only the stop makes the call fail.
constexpr int kHoldMs = 400;

struct StopCase {
  const char* operation;  // in the sweeps' table
  const char* stop_at;    // the call the session stops in; "" stops it before the operation
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.operation << " " << c.stop_at; }

class StoppedSessionTest : public SweepTest, public ::testing::WithParamInterface<StopCase> {
 protected:
  StoppedSessionTest() { operation_ = &SweptOperationNamed(GetParam().operation); }
  ~StoppedSessionTest() override {
    Resume();
    tkclient::TEST_SetRequestDeadline(std::chrono::seconds(30));
  }

  // Stops the session now, or once it has received a call of `function`; that
  // call is held kHoldMs first, so the session stops before answering it.
  void StopAt(const std::string& function) {
    if (function.empty()) return Stop();
    ASSERT_EQ(0, sim_->Ctl({"delay", function, std::to_string(kHoldMs)}).code);
    auto control = std::make_shared<WireClient>(sim_->ConnectRaw());
    ASSERT_EQ(
        0, control->Call<protocol::method::ctl>(std::vector<std::string>{"stats", "reset"}).code);
    watcher_ = std::thread([this, control, function] {
      const bool seen = WaitUntil([&] {
        const protocol::Message reply =
            control->Call<protocol::method::ctl>(std::vector<std::string>{"stats"});
        std::istringstream lines(std::get<0>(protocol::OutsOf<protocol::method::ctl>(reply)));
        for (std::string name, count; lines >> name >> count;)
          if (name == function) return true;
        return false;
      });
      if (seen) Stop();
    });
  }
  // kill() only sends the signal: the stop is waited for, so that no call is
  // answered after it.
  void Stop() {
    ::kill(sim_->pid(), SIGSTOP);
    const std::string stat = "/proc/" + std::to_string(sim_->pid()) + "/stat";
    stopped_ = WaitUntil([&] {
      const std::string text = ReadFile(stat);
      const std::size_t paren = text.rfind(')');
      return paren != std::string::npos && text.compare(paren, 4, ") T ") == 0;
    });
  }
  // Lets the stopped session go on, then ends it.
  void Resume() {
    if (watcher_.joinable()) watcher_.join();
    if (!stopped_) return;
    ::kill(sim_->pid(), SIGCONT);
    sim_->Kill();
    stopped_ = false;
  }

  std::thread watcher_;
  bool stopped_ = false;
};

TEST_P(StoppedSessionTest, GivesUpAfterTheDeadlineAndRecovers) {
  const StopCase c = GetParam();
  const std::string name = operation().name;
  ASSERT_TRUE(StartAndConnect());
  operation().prepare(*this);
  ASSERT_FALSE(HasFatalFailure());
  tkclient::TEST_SetRequestDeadline(kDeadline);
  const std::size_t mark = LogSize();
  StopAt(c.stop_at);
  const auto t0 = SteadyClock::now();
  std::string produced;
  describe_sessions = false;
  const int result = RunOperation(&produced);
  const auto took = SteadyClock::now() - t0;
  describe_sessions = true;
  if (watcher_.joinable()) watcher_.join();
  ASSERT_TRUE(stopped_) << "the session never received " << c.stop_at;
  if (name != "Disconnect") {  // which returns nothing
    EXPECT_EQ(-1, result);
    EXPECT_NE(0, Status());
    EXPECT_NE(L"", StatusText());
  }
  EXPECT_GE(took, kDeadline);

  // The module lets go of the session: through the termination callback when the
  // connection broke under it, and directly when it was leaving or joining anew.
  EXPECT_TRUE(WaitUntil([] { return !ProeCore::Instance()->IsConnected(); }));
  EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));
  const std::vector<std::string> log = LogLinesSince(mark);
  const bool connected = name != "Disconnect" && name != "LoadApplication";
  EXPECT_EQ(connected ? 1 : 0, std::count(log.begin(), log.end(), "ProeTermAction in, status=2"));

  // Later calls fail without asking the stopped session: one that asked would
  // wait out this deadline, far beyond the test's time-out.
  tkclient::TEST_SetRequestDeadline(std::chrono::hours(1));
  EXPECT_FALSE(command().ConnIsValid());
  EXPECT_EQ(-1, command().OpenFile(Wide(models_.file("bolt.prt.1")).c_str()));
  EXPECT_EQ(L"Open File Error.", command_.m_strStatus);

  // A new session is joined as usual, and the operation works there.
  Resume();
  ASSERT_TRUE(StartAndConnect());
  operation().prepare(*this);
  Status() = 0;
  StatusText().clear();
  EXPECT_EQ(0, RunOperation(&produced)) << Narrow(StatusText());
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, StoppedSessionTest,
                         ::testing::Values(StopCase{"OpenFile", "ProWindowCurrentGet"},
                                           StopCase{"RefreshTable", "ProFeatureDimensionVisit"},
                                           StopCase{"UpdateTable", "ProSolidRegenerate"},
                                           StopCase{"CreateMenu", "ProMenubarmenuPushbuttonAdd"},
                                           StopCase{"Disconnect", "ProEngineerDisconnect"},
                                           StopCase{"LoadApplication", ""},
                                           StopCase{"LoadApplication", "ProEngineerConnect"}),
                         [](const ::testing::TestParamInfo<StopCase>& info) {
                           return std::string(info.param.operation) +
                                  (*info.param.stop_at ? "In" : "Before") + info.param.stop_at;
                         });

}  // namespace
}  // namespace tavtest
