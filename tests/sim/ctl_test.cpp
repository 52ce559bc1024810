// The control commands end to end: the real proe_sim binary started with its own
// TMPDIR and driven by `proe_sim ctl`. What an action does to a connected client
// (picks, notifications, faults, the session's end) is checked by the client tests.
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace {

class CtlTest : public ::testing::Test {
 protected:
  static tavtest::SimProcessOptions Options(const tavtest::TempDir& tmp) {
    tavtest::SimProcessOptions o;
    o.tmpdir = tmp.path();
    o.display = "ctltest";
    o.args = {"--search-path", tavtest::SampleModelsDir()};
    return o;
  }

  tavtest::TempDir tmp_;
  tavtest::SimProcess sim_{Options(tmp_)};
};

// One session through a run of actions: each prints what it did or why it could
// not, and exits 0 or 1.
TEST_F(CtlTest, ActionsReportTheSessionsState) {
  const std::string models = tavtest::SampleModelsDir();
  const std::string bad = tmp_.file("bad.prt.1");
  tavtest::WriteFile(bad, "{\n  \"format\": oops\n}\n");
  const struct {
    std::vector<std::string> args;
    int code;
    std::string output;  // a part of it
  } cases[] = {
      {{"status"}, 0, "display ctltest\n"},
      {{"status"}, 0, "current-model none\n"},
      {{"status"}, 0, "windows-ready yes\n"},
      {{"menubar"},
       0,
       "menu \"Tools\" name=Tools shown\n"
       "  button \"TVProAction1\" name=TVProAction1 command=1 shown available "
       "help=\"TVProAction1\"\n"
       "menu \"Windows\" name=Windows shown\n"},
      {{"open", "nosuch.prt"}, 1, "cannot open nosuch.prt"},
      {{"open", models + "plate.asm.1"},
       0,
       "opened PLATE.ASM window 1 " + models + "plate.asm.1\n"},
      {{"models"}, 0, "1 PLATE.ASM " + models + "plate.asm.1\n"},
      {{"models"}, 0, " BOLT.PRT " + models + "bolt.prt.1\n"},
      {{"status"}, 0, "current-model PLATE.ASM\n"},
      {{"new", "Widget", "prt"}, 0, "created WIDGET.PRT window 2\n"},
      {{"windows"}, 0, "window 1 PLATE.ASM\nwindow 2 WIDGET.PRT current active\n"},
      {{"new", "widget", "prt"}, 1, "PRO_TK_E_FOUND (-5)"},  // the name is taken
      {{"new", "widget", "asm"}, 0, "created WIDGET.ASM"},
      {{"new", "bad name", "prt"}, 1, "PRO_TK_INVALID_NAME (-22)"},
      {{"new", std::string(32, 'x'), "prt"}, 1, "PRO_TK_LINE_TOO_LONG (-6)"},
      {{"new", "x", "xyz"}, 1, "unknown model type xyz"},
      {{"pick", "TVProAction1"}, 0, "picked \"TVProAction1\" command 1 builtin\n"},
      {{"messages"}, 0, "TVProAction1\n"},
      {{"pick", "No Such Button"}, 1, "no shown button"},
      {{"dump", "bolt.prt"}, 0, "\"name\": \"BOLT\""},
      {{"dump", "nosuch.prt"}, 1, "no model nosuch.prt in memory"},
      {{"open", bad}, 1, "PRO_TK_INVALID_FILE (-16): not valid JSON at line 2, column 13\n"},
      // Usage errors exit 2 with one line: the action's own usage, or why.
      {{"fault", "ProMdlLoad", "oops"}, 2, "(CODE is a ProError value from 0 to -99, not oops)"},
      {{"fault", "ProMdlLaod", "-1"}, 2, "no toolkit function ProMdlLaod reaches the session"},
      {{"delay", "ProMdlLoad"}, 2, "proe_sim ctl: usage: delay FUNCTION MS"},
      {{"status", "now"}, 2, "proe_sim ctl: usage: status (proe_sim ctl --help)\n"},
      {{"frobnicate"}, 2, "usage: unknown action frobnicate"},
  };
  for (const auto& c : cases) {
    const tavtest::CtlResult r = sim_.Ctl(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[0] << ": " << r.output;
    EXPECT_NE(r.output.find(c.output), std::string::npos) << c.args[0] << ": " << r.output;
  }
}

// Where the session listens, and a directory that is not private, are the client's
// connect tests.
TEST_F(CtlTest, SessionIsAloneOnItsDisplay) {
  EXPECT_THROW(tavtest::SimProcess second(Options(tmp_)), std::runtime_error);
}

TEST_F(CtlTest, SigtermDeliversTerminate) {
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  ::kill(sim_.pid(), SIGTERM);
  protocol::Message ev;
  ASSERT_TRUE(client.NextEvent(&ev));
  EXPECT_EQ(ev.name, "terminate");
  EXPECT_NE(sim_.WaitExit(), -1);
}

}  // namespace
