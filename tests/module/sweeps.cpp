// The sweeps: every exported operation of swept_operations.h run again and again,
// with each of its toolkit calls in turn
// - failing, once with an error code and once with a machine fault (the session's
//   `fault call K` forms): the operation says so truthfully and leaves nothing
//   behind;
// - meeting a session that dies there (SIGKILL, `fault call K kill`): the call comes
//   back at once with a failure, the module's termination callback runs once, later
//   calls fail cleanly, and a new session can be joined.
// Built into module_sweep_tests, which translates machine faults: see
// tests/support/sanitizer_options.h.
#include <cstdio>
#include <sys/wait.h>

#include "port/files.h"
#include "src/tav_proecore.h"
#include "tests/module/swept_operations.h"
#include "tests/support/sanitizer_options.h"

namespace tavtest {
namespace {

using FaultSweepTest = SweptOperationTest;

TEST_P(FaultSweepTest, EachCallFailsInTurnAndNothingIsLost) {
  ASSERT_TRUE(StartAndConnect());
  const SweptOperation& op = operation();
  const bool menu_stays = std::string(op.name) == "CreateMenu";
  // A run without faults: what it produces, and what it leaves open.
  std::string reference;
  const long long calls = ReferenceRun(&reference);
  ASSERT_GE(calls, 0);
  const int descriptors = OpenDescriptors();
  const std::string update_bytes = ReadFile(update_db());

  int injected[2] = {0, 0};
  const char* const forms[2] = {"-1", "crash"};  // PRO_TK_GENERAL_ERROR, a machine fault
  for (int form = 0; form < 2; ++form) {
    for (int k = 1;; ++k) {
      SCOPED_TRACE(std::string("fault call ") + std::to_string(k) + " " + forms[form]);
      op.prepare(*this);
      ASSERT_FALSE(HasFatalFailure());
      const std::string untouched = op.untouched ? op.untouched(*this) : "";
      TakeCallCount();
      ASSERT_EQ(0, sim_->Ctl({"fault", "call", std::to_string(k), forms[form]}).code);
      Status() = 0;
      StatusText().clear();
      std::string produced;
      int result = -2;
      try {
        result = RunOperation(&produced);
      } catch (...) {
        ADD_FAILURE() << "a failure left the operation";
      }
      if (TakeCallCount() < k) {  // the operation made fewer calls: the sweep is done
        sim_->Ctl({"fault", "call", "off"});
        break;
      }
      ++injected[form];
      if (result == 0) {
        EXPECT_EQ(0, Status()) << Narrow(StatusText());
        // Only a menu that left entries out says so, and how many.
        EXPECT_EQ(menu_stays && produced != reference, !StatusText().empty());
        EXPECT_TRUE(SameSuccess(op, reference, produced));
      } else {
        EXPECT_EQ(-1, result);
        EXPECT_NE(0, Status());
        EXPECT_NE(L"", StatusText());
        if (op.untouched) {
          EXPECT_TRUE(produced == untouched || (op.failure_may_be_done && produced == reference))
              << "all or nothing:\n"
              << produced;
        }
      }
      EXPECT_TRUE(ModuleLockIsFree());
      EXPECT_EQ(result == 0 && menu_stays, !LabelFiles().empty());
      EXPECT_EQ(update_bytes, ReadFile(update_db())) << "UpdateTable only reads its file";
      EXPECT_TRUE(DatabaseIsFree(update_db()));
      if (port::FileExists(Wide(refresh_db()))) {
        EXPECT_TRUE(DatabaseIsFree(refresh_db()));
      }

      op.prepare(*this);
      Status() = 0;
      StatusText().clear();
      std::string again;
      EXPECT_EQ(0, RunOperation(&again)) << Narrow(StatusText());
      EXPECT_EQ(reference, again);
      EXPECT_EQ(descriptors, OpenDescriptors());
      if (HasFailure()) return;  // one broken step at a time
    }
  }
  std::printf("[  SWEEP   ] %s: %lld calls; %d error codes and %d machine faults injected\n",
              op.name, calls, injected[0], injected[1]);
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweepTest, ::testing::ValuesIn(SweptOperations()),
                         NameOf);

using KillSweepTest = SweptOperationTest;

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
