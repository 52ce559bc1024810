// A session that stops answering (SIGSTOP) before or in the middle of an
// operation: the operation gives up once the client's request deadline passed,
// and fails cleanly; the termination callback ends the connection once;
// later calls fail at once; a new session can be joined.
#include <ProConst.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include <sqlite3.h>

#include "protocol/methods.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"
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

enum class Op {
  kGetName,
  kOpenFile,
  kCloseFile,
  kSaveFile,
  kGetDependencies,
  kRefreshTable,
  kUpdateTable,
  kCreateMenu,
  kDisconnect,
  kLoadApplication
};

struct StopCase {
  const char* name;
  Op op;
  const char* stop_at;  // the call the session stops in; "" stops it before the operation
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class StoppedSessionTest : public ConnectedTest, public ::testing::WithParamInterface<StopCase> {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    // A copy: the save that the stopped session finishes when it goes on lands beside it.
    WriteFile(dir_.file("bracket.prt.1"), ReadFile(SamplePath("bracket.prt.1")));
    ASSERT_EQ(0, Open(dir_.file("bracket.prt.1"))) << Narrow(command_.m_strStatus);
    db_ = Wide(NewDatabase());
    tkclient::TEST_SetRequestDeadline(kDeadline);
  }
  ~StoppedSessionTest() override {
    Resume();
    tkclient::TEST_SetRequestDeadline(std::chrono::seconds(30));
  }

  std::string NewDatabase() {
    const std::string file = dir_.file("exchange.db");
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    const std::string sql = ReadFile(TAV_SOURCE_DIR "/samples/exchange_schema.sql");
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
    sqlite3_close(db);
    return file;
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

  // Runs the operation; its result (0 for the operations that return nothing).
  int Run(Op op) {
    std::wstring text = L"(none)";
    void* reserved = nullptr;
    switch (op) {
      case Op::kGetName:
        command().GetCurrentMdlFullName(text);
        return text == L"(none)" ? -1 : 0;
      case Op::kOpenFile:
        return Open(SamplePath("plate.asm.1"));
      case Op::kCloseFile:
        return command().CloseFile(L"bracket.prt");
      case Op::kSaveFile:
        return command().SaveFile(text);
      case Op::kGetDependencies:
        return command().GetDependencies(text);
      case Op::kRefreshTable:
        return command().RefreshTable(L"feature,dimension", db_.c_str());
      case Op::kUpdateTable:
        return command().UpdateTable(L"dimension", db_.c_str());
      case Op::kCreateMenu:
        return command().CreateMenu(
            Wide(ReadFile(TAV_SOURCE_DIR "/samples/menus/pdm_menu.xml")).c_str());
      case Op::kDisconnect:
        command().Disconnect();
        return 0;
      case Op::kLoadApplication:
        return connector().LoadApplication(nullptr, Wide(display_).c_str(), nullptr, handle_,
                                           reserved);
    }
    return 0;
  }
  // The operation's status record says why it failed.
  bool StatusSet(Op op) const {
    if (op == Op::kLoadApplication) return connector_.m_nStatus != 0;
    if (op == Op::kGetName) return true;  // it has no status record
    return command_.m_nStatus != 0 && !command_.m_strStatus.empty();
  }

  TempDir dir_;
  std::wstring db_;
  std::thread watcher_;
  bool stopped_ = false;
};

TEST_P(StoppedSessionTest, GivesUpAfterTheDeadlineAndRecovers) {
  const StopCase c = GetParam();
  const std::size_t mark = LogSize();
  StopAt(c.stop_at);
  const auto t0 = SteadyClock::now();
  const int result = Run(c.op);
  const auto took = SteadyClock::now() - t0;
  if (watcher_.joinable()) watcher_.join();
  ASSERT_TRUE(stopped_) << "the session never received " << c.stop_at;
  if (c.op != Op::kDisconnect) {  // which returns nothing
    EXPECT_EQ(-1, result);
    EXPECT_TRUE(StatusSet(c.op));
  }
  EXPECT_GE(took, kDeadline);

  // The module lets go of the session: through the termination callback when the
  // connection broke under it, and directly when it was leaving or joining anew.
  EXPECT_TRUE(WaitUntil([] { return !ProeCore::Instance()->IsConnected(); }));
  EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));
  const std::vector<std::string> log = LogLinesSince(mark);
  const bool connected = c.op != Op::kDisconnect && c.op != Op::kLoadApplication;
  EXPECT_EQ(connected ? 1 : 0, std::count(log.begin(), log.end(), "ProeTermAction in, status=2"));

  // Later calls fail without asking the stopped session: one that asked would
  // wait out this deadline, far beyond the test's time-out.
  tkclient::TEST_SetRequestDeadline(std::chrono::hours(1));
  EXPECT_FALSE(command().ConnIsValid());
  EXPECT_EQ(-1, Open(SamplePath("bracket.prt.1")));
  EXPECT_EQ(L"Open File Error.", command_.m_strStatus);

  // A new session is joined as usual.
  Resume();
  sim_.reset();
  StartSession();
  Connect();
  EXPECT_EQ(0, Open(SamplePath("bracket.prt.1"))) << Narrow(command_.m_strStatus);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperation, StoppedSessionTest,
    ::testing::Values(StopCase{"GetCurrentMdlFullNameBefore", Op::kGetName, ""},
                      StopCase{"GetCurrentMdlFullName", Op::kGetName, "ProMdlDataGet"},
                      StopCase{"OpenFileBefore", Op::kOpenFile, ""},
                      StopCase{"OpenFileInWindowWait", Op::kOpenFile, "ProWindowCurrentGet"},
                      StopCase{"CloseFile", Op::kCloseFile, "ProMdlEraseAll"},
                      StopCase{"SaveFile", Op::kSaveFile, "ProMdlSave"},
                      StopCase{"GetDependencies", Op::kGetDependencies, "ProMdlDependenciesList"},
                      StopCase{"RefreshTable", Op::kRefreshTable, "ProFeatureDimensionVisit"},
                      StopCase{"UpdateTable", Op::kUpdateTable, "ProSolidRegenerate"},
                      StopCase{"CreateMenu", Op::kCreateMenu, "ProMenubarmenuPushbuttonAdd"},
                      StopCase{"Disconnect", Op::kDisconnect, "ProEngineerDisconnect"},
                      StopCase{"LoadApplicationBefore", Op::kLoadApplication, ""},
                      StopCase{"LoadApplication", Op::kLoadApplication, "ProEngineerConnect"}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tavtest
