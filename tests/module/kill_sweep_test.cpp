// The session dies (SIGKILL, the session's `fault call K kill`) at each toolkit
// call of each exported operation in turn: the call comes back at once with a
// failure, the module's termination callback runs once, later calls fail
// cleanly, and a new session can be joined.
#include <cstdio>
#include <sys/wait.h>

#include "src/tav_proecore.h"
#include "tests/module/swept_operations.h"

namespace tavtest {
namespace {

using KillSweepTest = SweepTest;

int TerminationsSince(std::size_t mark) {
  int count = 0;
  for (const std::string& line : LogLinesSince(mark))
    count += line.rfind("ProeTermAction in", 0) == 0;
  return count;
}

TEST_P(KillSweepTest, TheSessionDiesAtEachCallInTurn) {
  ASSERT_TRUE(StartAndConnect());
  const SweptOperation& op = operation();
  const bool leaving = std::string(op.name) == "Disconnect";
  std::string reference;
  const long long calls = ReferenceRun(&reference);
  ASSERT_GE(calls, 0);

  for (long long k = 1; k <= calls; ++k) {
    SCOPED_TRACE("fault call " + std::to_string(k) + " kill");
    if (k > 1) {
      ASSERT_TRUE(StartAndConnect());  // a new session works
    }
    op.prepare(*this);
    ASSERT_FALSE(HasFatalFailure());
    const std::size_t mark = LogSize();
    ASSERT_EQ(0, sim_->Ctl({"fault", "call", std::to_string(k), "kill"}).code);
    const bool joined = ProeCore::Instance()->IsConnected();

    std::string produced;
    const int result = RunOperation(&produced);
    const int wait_status = sim_->WaitExit();
    ASSERT_TRUE(wait_status != -1 && WIFSIGNALED(wait_status))
        << "the operation made fewer calls than before";
    if (!leaving) {
      EXPECT_EQ(-1, result);
      EXPECT_NE(0, Status());
      EXPECT_NE(L"", StatusText());
    }
    // No rows of a refresh stay (a model being updated went with the session).
    if (std::string(op.name) == "RefreshTable") {
      EXPECT_EQ("", produced) << "no rows of the call";
    }
    // The listen thread runs the termination callback, which ends it.
    EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));
    // Joining or leaving, the module may end the connection itself first.
    if (joined && !leaving) {
      EXPECT_EQ(1, TerminationsSince(mark));
    } else {
      EXPECT_LE(TerminationsSince(mark), 1);
    }
    EXPECT_FALSE(ProeCore::Instance()->IsConnected());
    EXPECT_TRUE(ModuleLockIsFree());

    EXPECT_EQ(-1, command().OpenFile(Wide(models_.file("bolt.prt.1")).c_str()));
    EXPECT_NE(L"", command_.m_strStatus);
    const int later = RunOperation(&produced);
    if (!leaving) {
      EXPECT_EQ(-1, later) << "after the session died";
    }
    if (HasFailure()) return;
  }
  ASSERT_TRUE(StartAndConnect());  // and after the last kill, too
  std::printf("[  SWEEP   ] %s: the session killed at each of its %lld calls\n", op.name, calls);
}

INSTANTIATE_TEST_SUITE_P(Operations, KillSweepTest, ::testing::ValuesIn(SweptOperations()), NameOf);

}  // namespace
}  // namespace tavtest
