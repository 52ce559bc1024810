// Every toolkit call of every exported operation fails in turn, once with an error
// code and once with a machine fault (the session's `fault call K` forms): the
// operation says so truthfully and leaves nothing behind. Built into
// module_fault_tests, which translates machine faults: see
// tests/support/sanitizer_options.h.
#include <cstdio>

#include "port/files.h"
#include "tests/module/swept_operations.h"

namespace tavtest {
namespace {

using FaultSweepTest = SweepTest;

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

}  // namespace
}  // namespace tavtest
