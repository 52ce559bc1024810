#pragma once
// The world of the module tests. main() gives the whole test process one fresh
// temporary directory (TMPDIR: the module's log, its message file, the sessions'
// sockets) and a communication program for the toolkit client, before the module's
// singletons exist. ModuleTest starts a real proe_sim on a display of its own and
// runs the module's waits on a fast clock.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "port/clock.h"
#include "tavproe2/ProeAsynCommand.h"
#include "tavproe2/ProeAsynConnector.h"
#include "tests/support/fake_host.h"
#include "tests/support/sim_harness.h"

namespace tavtest {

const std::string& ModuleTmpDir();
std::string SamplePath(const std::string& file);  // samples/models/<file>
std::string UniqueDisplay();

// The module's log, and the lines appended since a mark.
std::size_t LogSize();
std::vector<std::string> LogLinesSince(std::size_t mark);
// True when `expected` appear in `lines` in this order (others may come between).
::testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                   const std::vector<std::string>& expected);
bool Contains(const std::vector<std::string>& lines, const std::string& line);

// Polls `done` until it holds or ten seconds pass (real time).
bool WaitUntil(const std::function<bool()>& done);

std::vector<std::string> Lines(const std::string& text);
std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

// What an operation may leave behind in the test process: open descriptors, and
// the label files of a menu in the module's temporary directory.
int OpenDescriptors();
std::vector<std::string> LabelFiles();
// True when another thread can take the module-wide lock within five seconds
// (a leaked lock would block every later operation).
bool ModuleLockIsFree();

// Runs `proe_sim ctl --display D ARGS` for a session this test did not start.
CtlResult CtlOn(const std::string& display, const std::vector<std::string>& args);

// Runs `sql` on the SQLite database `file`; false (with a test failure) when SQLite
// refuses it.
bool ExecSql(const std::string& file, const std::string& sql);
// Makes `file` a new exchange database: the tables of samples/exchange_schema.sql,
// then `sql`.
bool NewExchangeDatabase(const std::string& file, const std::string& sql = "");
// The rows of the exchange table RURO_2_<kind> in insertion order, each its
// columns joined by '|' (reals with every digit, NULL as "NULL"); none when the
// file or table is missing. `rowids` receives the rowid of each row.
std::vector<std::string> TableRows(const std::string& file, const std::string& kind,
                                   std::vector<long long>* rowids = nullptr);

// The fixture's clock: virtual time as on a port::FastClock. It also keeps the
// pauses each thread took, and can hold every sleeper at the start of its pause
// (the listen thread pauses between its rounds, outside the module-wide lock).
class TestClock : public port::Clock {
 public:
  explicit TestClock(double scale) : fast_(scale) {}
  void Sleep(unsigned milliseconds) override;
  std::int64_t Seconds() override { return fast_.Seconds(); }
  std::int64_t Milliseconds() override { return fast_.Milliseconds(); }

  // The pauses (milliseconds) `thread` took since the last call for it.
  std::vector<unsigned> TakePauses(std::thread::id thread);
  // Holds sleepers from now until Release; true once one waits (real time).
  bool HoldSleeper();
  void Release();

 private:
  port::FastClock fast_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::thread::id, std::vector<unsigned>> pauses_;
  bool held_ = false;
  int waiting_ = 0;
};

class ModuleTest : public ::testing::Test {
 protected:
  // Virtual time runs this many times faster than real time.
  static constexpr double kClockScale = 100.0;

  ModuleTest();
  ~ModuleTest() override;

  // Starts proe_sim on display_ with the sample models on its search path.
  void StartSession(const std::vector<std::string>& extra_args = {});
  // LoadApplication with no start command; asserts success.
  void Connect(IDispatch* host = nullptr);
  std::vector<std::string> Messages() const;  // the session's message area
  int ModelsInSession() const;
  // The session's calls since the last time (`ctl stats reset`).
  long long TakeCallCount() const;

  TAVCAX::TAVPROE2::IProeAsynConnector& connector() { return connector_; }
  TAVCAX::TAVPROE2::IProeAsynCommand& command() { return command_; }

  TestClock clock_{kClockScale};
  port::ScopedClock use_clock_{clock_};
  std::string display_ = UniqueDisplay();
  std::unique_ptr<SimProcess> sim_;
  // Hosts outlive the module objects below: the module keeps references to them
  // until the command object's destructor disconnects.
  FakeHost host_;
  FakeHost plain_host_{/*implements_events=*/false};
  TAVCAX::TAVPROE2::ProeAsynConnector connector_;
  TAVCAX::TAVPROE2::ProeAsynCommand command_;
  std::wstring handle_;
};

// A module joined to a running session before each test.
class ConnectedTest : public ModuleTest {
 protected:
  void SetUp() override {
    StartSession();
    Connect();
  }
  // The next call of `function` fails with `code` ("crash": a machine fault).
  void Fault(const std::string& function, const std::string& code) {
    ASSERT_EQ(0, sim_->Ctl({"fault", function, code}).code);
  }
  int Open(const std::string& path) { return command().OpenFile(Wide(path).c_str()); }
  // The current model's full name, or "(none)".
  std::wstring CurrentName() {
    std::wstring name = L"(none)";
    command().GetCurrentMdlFullName(name);
    return name;
  }
};

}  // namespace tavtest
