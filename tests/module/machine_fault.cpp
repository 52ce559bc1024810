// Machine faults raised inside toolkit calls (the session's "crash" fault) become
// the status of the operation that made them, wherever in it they happen, and the
// host goes on. Built as an executable of its own: see
// tests/support/sanitizer_options.h.
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "src/proe_menu_manager.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"
#include "tests/support/sanitizer_options.h"

namespace tavtest {
namespace {

::testing::AssertionResult IsAccessViolation(const std::wstring& status) {
  const std::wstring head = L"() error: EXCEPTION_ACCESS_VIOLATION\n address:\t0x";
  const std::wstring tail = L" code:\t\t3221225477\n";
  if (status.size() >= head.size() + 8 + tail.size() && status.rfind(head, 0) == 0 &&
      status.compare(status.size() - tail.size(), tail.size(), tail) == 0)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "status: " << Narrow(status);
}

// A fault at each toolkit call of each operation, loading and the window wait
// included, is the fault sweep's (sweeps.cpp); here the cases it cannot see.
using DisconnectFaultTest = ConnectedTest;

// Disconnect returns nothing and also runs from the destructor: a fault in its
// window refresh is kept in the status and the log, and the connection still ends.
TEST_F(DisconnectFaultTest, KeepsTheFaultAndStillEndsTheConnection) {
  Fault("ProWindowCurrentGet", "crash");
  const std::size_t mark = LogSize();
  command().Disconnect();
  EXPECT_TRUE(IsAccessViolation(command_.m_strStatus));
  EXPECT_FALSE(ProeCore::Instance()->IsConnected());
  const std::string line = "ProeAsynCommand::Disconnect: () error: EXCEPTION_ACCESS_VIOLATION ";
  bool logged = false;
  for (const std::string& l : LogLinesSince(mark)) logged |= l.rfind(line, 0) == 0;
  EXPECT_TRUE(logged);

  Connect();
  {
    TAVCAX::TAVPROE2::ProeAsynCommand other;
    Fault("ProWindowCurrentGet", "crash");
  }  // a fault thrown out of the destructor would end the process here
  EXPECT_FALSE(ProeCore::Instance()->IsConnected());
  Connect();
  EXPECT_EQ(0, Open(SamplePath("bolt.prt.1"))) << Narrow(command_.m_strStatus);
}

// Giving the default command back makes a remove call only when an access function
// was attached: the pending crash fires only then.
TEST_F(DisconnectFaultTest, RemovesNoAccessFunctionThatWasNeverAttached) {
  Fault("ProCmdAccessFuncRemove", "crash");
  command().Disconnect();
  EXPECT_EQ(L"", command_.m_strStatus);

  Connect();
  {
    port::Guard hold(ProeCore::Instance()->Lock());  // as menu construction holds it
    ProeMenuManager::Instance()->HideDefaultCommand();
  }
  command().Disconnect();
  EXPECT_TRUE(IsAccessViolation(command_.m_strStatus));
}

using ImportFaultTest = ConnectedTest;

// Inside a pass of the import, with the database open; the next update works.
TEST_F(ImportFaultTest, BecomesTheStatusOfTheUpdate) {
  ASSERT_EQ(0, Open(SamplePath("washer.prt.1")));
  TempDir dir;
  const std::wstring db = Wide(dir.file("x.db"));
  ASSERT_TRUE(ExecSql(dir.file("x.db"),
                      "create table RURO_2_feature (featId, featName, RURO_flag);"
                      "insert into RURO_2_feature values (7, 'RING_2', 2);"));
  Fault("ProModelitemNameSet", "crash");
  EXPECT_EQ(-1, command().UpdateTable(L"feature", db.c_str()));
  std::wstring status = command_.m_strStatus;
  const std::size_t restored = status.find(L" (model restored)");
  ASSERT_NE(std::wstring::npos, restored) << Narrow(status);
  EXPECT_TRUE(IsAccessViolation(status.erase(restored, 17)));
  EXPECT_FALSE(ProeCore::Instance()->Lock().OwnedByCurrentThread());
  EXPECT_EQ(0, command().UpdateTable(L"feature", db.c_str())) << Narrow(command_.m_strStatus);
}

// A host that set its own SIGSEGV action before loading the module keeps it: a
// fault inside an operation is still the operation's status, and the host's own
// fault afterwards reaches the host's handler, or kills it when its action is the
// default.
class GuestOfAHostTest : public ::testing::TestWithParam<const char*> {};

TEST_P(GuestOfAHostTest, HostKeepsItsCrashHandling) {
  const std::string mode = GetParam();
  SimProcessOptions options;
  options.tmpdir = ModuleTmpDir();
  options.display = "guest-" + std::to_string(::getpid());  // ASCII: the host widens bytes
  options.args = {"--search-path", SampleModelsDir()};
  SimProcess sim(options);
  ASSERT_EQ(0, sim.Ctl({"fault", "ProMdlLoad", "crash"}).code);

  const std::string command = std::string("exec '") + TAV_GUEST_HOST + "' " + mode + " '" +
                              options.display + "' '" + SamplePath("bolt.prt.1") + "' 2>&1";
  const auto [status, output] = RunShell(command);

  EXPECT_NE(std::string::npos,
            output.find("operation: -1 () error: EXCEPTION_ACCESS_VIOLATION\n address:\t0x"))
      << output;
  if (mode == "default") {
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << status << "\n" << output;
  } else {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status << "\n" << output;
    EXPECT_NE(std::string::npos, output.find("host handler: " + mode + "\n")) << output;
  }
}

INSTANTIATE_TEST_SUITE_P(HostActions, GuestOfAHostTest,
                         ::testing::Values("siginfo", "plain", "default"));

}  // namespace
}  // namespace tavtest
