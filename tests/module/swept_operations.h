#pragma once
// The exported operations as the fault and kill sweeps run them, again and again
// against one session (and the stopped-session tests once each): each brings the module and the
// session to where it starts (joined, a small assembly current, an exchange database, a menu), runs
// the operation, and describes what it produced, so that a run that met a fault
// and still reported success can be compared with a run without faults.
//
// The models are copies of the samples in a directory of the test's own (saves
// write new versions there).
#include <string>
#include <vector>

#include "tests/module/module_env.h"

namespace tavtest {

class SweepTest;

struct SweptOperation {
  const char* name;
  // Brings the module and the session to where the operation starts.
  void (*prepare)(SweepTest& test);
  // Runs it: 0 or -1 as it returned (for Disconnect and GetCurrentMdlFullName,
  // which return nothing, -1 when they left a failure in the status record), and
  // what it produced.
  int (*run)(SweepTest& test, std::string* produced);
  // The status record it reports in.
  int& (*status)(SweepTest& test);
  std::wstring& (*text)(SweepTest& test);
  // Whether a success may have produced less than a run without faults: only the
  // items that were listed, in their order (the dependencies leave out models
  // whose look-up fails).
  bool may_leave_out = false;
  // For the exchange, which is all or nothing: what `run` would describe before
  // the operation runs (after prepare), which a failed run must leave as it was.
  std::string (*untouched)(SweepTest& test) = nullptr;
  // Whether a failure may also have left all of it done: the update's changes live in
  // the session, and its last calls (the message, the session's status) follow them.
  bool failure_may_be_done = false;
};

// Whether what a successful run produced is what a run without faults produced
// (or, when the operation may leave items out, some of its '|'-separated items).
::testing::AssertionResult SameSuccess(const SweptOperation& operation,
                                       const std::string& reference, const std::string& produced);

// The table, for ::testing::ValuesIn.
std::vector<const SweptOperation*> SweptOperations();
std::string NameOf(const ::testing::TestParamInfo<const SweptOperation*>& info);

// A session with the sweeps' models and databases, and one operation of the table
// to run there: the sweeps' (TEST_P over SweptOperations()) and the stopped-session
// tests'.
class SweepTest : public ModuleTest {
 public:
  SweepTest();
  const SweptOperation& operation() const { return *operation_; }

  // For the operations' table.
  using ModuleTest::command;
  using ModuleTest::command_;
  using ModuleTest::connector;
  using ModuleTest::connector_;
  using ModuleTest::display_;
  using ModuleTest::host_;
  using ModuleTest::sim_;

  // Starts a session and joins it; false (with a test failure) when that fails.
  bool StartAndConnect();
  // Joins the session unless joined, and makes the assembly current (its highest
  // version: SaveFile writes new ones).
  void OpenAssembly();
  void Reconnect();

  int RunOperation(std::string* produced) { return operation().run(*this, produced); }
  // Prepares and runs the operation without a fault: what it produced goes to
  // `reference`; returns how many toolkit calls it made, or -1 (with a test
  // failure) when even that run fails.
  long long ReferenceRun(std::string* reference);
  int& Status() { return operation().status(*this); }
  std::wstring& StatusText() { return operation().text(*this); }

  // What `proe_sim ctl ARGS` prints; "" while describe_sessions is false (a stopped
  // session would never answer).
  std::string Ctl(const std::vector<std::string>& args) const {
    return describe_sessions ? sim_->Ctl(args).output : "";
  }
  bool describe_sessions = true;
  // The exchange database that RefreshTable fills (made empty by each prepare) and
  // the one UpdateTable reads (made once, with the host's edits).
  const std::string& refresh_db() const { return refresh_db_; }
  const std::string& update_db() const { return update_db_; }
  void NewRefreshDatabase();
  // Whether the database file is a valid one that nobody holds open: its
  // integrity check passes and a new connection takes an exclusive lock.
  static ::testing::AssertionResult DatabaseIsFree(const std::string& file);

  const SweptOperation* operation_ = nullptr;
  TempDir models_;
  TempDir data_;
  std::string refresh_db_;
  std::string update_db_;
};

class SweptOperationTest : public SweepTest,
                           public ::testing::WithParamInterface<const SweptOperation*> {
 public:
  SweptOperationTest() { operation_ = GetParam(); }
};

// The operation of the table with this name.
const SweptOperation& SweptOperationNamed(const std::string& name);

}  // namespace tavtest
