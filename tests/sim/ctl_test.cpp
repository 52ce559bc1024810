// The control commands end to end: the real proe_sim binary started with its own
// TMPDIR, driven by `proe_sim ctl`, with a raw wire client connected where the
// session's side of an action must be seen.
#include <signal.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "protocol/values.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace {

namespace method = protocol::method;
using protocol::Arg;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CtlTest : public ::testing::Test {
 protected:
  static tavtest::SimProcessOptions Options(const tavtest::TempDir& tmp,
                                            std::vector<std::string> extra = {}) {
    tavtest::SimProcessOptions o;
    o.tmpdir = tmp.path();
    o.display = "ctltest";
    o.args = {"--search-path", tavtest::SampleModelsDir()};
    o.args.insert(o.args.end(), extra.begin(), extra.end());
    return o;
  }

  tavtest::TempDir tmp_;
  tavtest::SimProcess sim_{Options(tmp_)};
};

TEST_F(CtlTest, StatusNamesTheDisplayAndHasNoCurrentModelAtFirst) {
  tavtest::CtlResult r = sim_.Ctl({"status"});
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_TRUE(Contains(r.output, "display ctltest\n")) << r.output;
  EXPECT_TRUE(Contains(r.output, "current-model none\n")) << r.output;
  EXPECT_TRUE(Contains(r.output, "windows-ready yes\n")) << r.output;
  EXPECT_EQ(sim_.socket_path(),
            tmp_.path() + "proe-sim-" + std::to_string(::getuid()) + "/ctltest.sock");
  struct stat st;
  ASSERT_EQ(::stat((tmp_.path() + "proe-sim-" + std::to_string(::getuid())).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(CtlTest, OpenLoadsDisplaysAndListsTheModelWithItsFiles) {
  tavtest::CtlResult r = sim_.Ctl({"open", tavtest::SampleModelsDir() + "plate.asm.1"});
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(r.output, "opened PLATE.ASM window 1 " + tavtest::SampleModelsDir() + "plate.asm.1\n");
  EXPECT_EQ(sim_.Ctl({"windows"}).output, "window 1 PLATE.ASM current active\n");
  std::string models = sim_.Ctl({"models"}).output;
  EXPECT_TRUE(Contains(models, "1 PLATE.ASM " + tavtest::SampleModelsDir() + "plate.asm.1\n"))
      << models;
  EXPECT_TRUE(Contains(models, " BOLT.PRT " + tavtest::SampleModelsDir() + "bolt.prt.1\n"))
      << models;
  EXPECT_TRUE(Contains(sim_.Ctl({"status"}).output, "current-model PLATE.ASM\n"));
}

TEST_F(CtlTest, OpenOfAMissingFileFailsWithAReason) {
  tavtest::CtlResult r = sim_.Ctl({"open", "nosuch.prt"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Contains(r.output, "cannot open nosuch.prt")) << r.output;
}

TEST_F(CtlTest, OpenNotifiesAConnectedClientThatRegistered) {
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  ASSERT_EQ(client.Call<method::ProNotificationSet>(18, 1).code, 0);
  ASSERT_EQ(sim_.Ctl({"open", "bracket.prt"}).code, 0);
  protocol::Message ev;
  ASSERT_TRUE(client.NextEvent(&ev));
  EXPECT_EQ(ev.name, "notify");
  EXPECT_EQ(Arg<int>(ev.body, 0), 18);
  EXPECT_EQ(Arg<std::vector<protocol::Model>>(ev.body, 1)[0].name, "BRACKET");
  protocol::Message cur = client.Call<method::ProMdlCurrentGet>();
  EXPECT_EQ(cur.code, 0);
}

TEST_F(CtlTest, NewCreatesAnEmptyModelInANewWindow) {
  ASSERT_EQ(sim_.Ctl({"open", "bolt.prt"}).code, 0);
  tavtest::CtlResult r = sim_.Ctl({"new", "Widget", "prt"});
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(r.output, "created WIDGET.PRT window 2\n");
  EXPECT_EQ(sim_.Ctl({"windows"}).output,
            "window 1 BOLT.PRT\nwindow 2 WIDGET.PRT current active\n");
  EXPECT_NE(sim_.Ctl({"new", "widget", "prt"}).code, 0) << "the name is taken";
}

TEST_F(CtlTest, MenubarShowsTheTopMenusAndTheBuiltInCommand) {
  std::string bar = sim_.Ctl({"menubar"}).output;
  EXPECT_EQ(bar.find("menu \"File\" name=File shown\n"), 0u) << bar;
  EXPECT_TRUE(Contains(bar,
                       "menu \"Tools\" name=Tools shown\n"
                       "  button \"TVProAction1\" name=TVProAction1 command=1 shown available "
                       "help=\"TVProAction1\"\n"
                       "menu \"Windows\" name=Windows shown\n"))
      << bar;
  EXPECT_TRUE(Contains(bar, "menu \"Help\" name=Help shown\n"));
}

TEST_F(CtlTest, PickSendsTheCommandToItsClientAndRefusesUnknownLabels) {
  tavtest::TempDir text;
  tavtest::WriteFile(text.file("tav_labels.txt"), "Cap_0\nTav\n#\n#\nCap_1\nExport Data\n#\n#\n");
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello(text.path()).code, 0);
  ASSERT_EQ(
      client.Call<method::ProMenubarMenuAdd>("TavMenu1", "Cap_0", "Windows", 0, "tav_labels.txt")
          .code,
      0);
  protocol::Message add = client.Call<method::ProCmdActionAdd>("TavBtn_Act", 12, 3, 1, 1);
  ASSERT_EQ(add.code, 0);
  int cmd = Arg<int>(add.body, 0);
  ASSERT_EQ(client
                .Call<method::ProMenubarmenuPushbuttonAdd>("TavMenu1", "Cap_1", "Cap_1", "Cap_1",
                                                           std::nullopt, 1, cmd, "tav_labels.txt")
                .code,
            0);
  tavtest::CtlResult r = sim_.Ctl({"pick", "Export Data"});
  ASSERT_EQ(r.code, 0) << r.output;
  protocol::Message ev;
  ASSERT_TRUE(client.NextEvent(&ev));
  EXPECT_EQ(ev.name, "command");
  EXPECT_EQ(Arg<int>(ev.body, 0), cmd);

  tavtest::CtlResult missing = sim_.Ctl({"pick", "No Such Button"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(Contains(missing.output, "no shown button")) << missing.output;
}

TEST_F(CtlTest, PickOfTheBuiltInCommandShowsInTheMessageArea) {
  ASSERT_EQ(sim_.Ctl({"pick", "TVProAction1"}).code, 0);
  EXPECT_EQ(sim_.Ctl({"messages"}).output, "TVProAction1\n");
}

TEST_F(CtlTest, MessagesListTheMessageAreaOldestFirst) {
  tavtest::TempDir text;
  tavtest::WriteFile(text.file("m.txt"), "%CIOne\nfirst %0d\n#\n#\n%CWTwo\nsecond\n#\n#\n");
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello(text.path()).code, 0);
  ASSERT_EQ(client
                .Call<method::ProMessageDisplay>(
                    "m.txt", "One", method::Values{{protocol::MessageValue::kInteger, "", 1, 0}})
                .code,
            0);
  ASSERT_EQ(client.Call<method::ProMessageDisplay>("m.txt", "Two", method::Values{}).code, 0);
  EXPECT_EQ(sim_.Ctl({"messages"}).output, "first 1\nsecond\n");
}

TEST_F(CtlTest, DumpPrintsTheModelInFileFormat) {
  ASSERT_EQ(sim_.Ctl({"open", "bolt.prt"}).code, 0);
  tavtest::CtlResult r = sim_.Ctl({"dump", "bolt.prt"});
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_TRUE(Contains(r.output, "\"name\": \"BOLT\"")) << r.output;
  EXPECT_EQ(sim_.Ctl({"dump", "nosuch.prt"}).code, 1);
}

TEST_F(CtlTest, FaultMakesTheNextCallsOfAFunctionFail) {
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  tavtest::CtlResult r = sim_.Ctl({"fault", "ProMdlLoad", "-4"});
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(client.Call<method::ProMdlLoad>("bolt.prt", -1, 0).code, -4);
  EXPECT_EQ(client.Call<method::ProMdlLoad>("bolt.prt", -1, 0).code, 0);
  ASSERT_EQ(sim_.Ctl({"fault", "ProMdlLoad", "crash"}).code, 0);
  EXPECT_EQ(client.Call<method::ProMdlLoad>("bolt.prt", -1, 0).directive, "crash");
  EXPECT_EQ(sim_.Ctl({"fault", "ProMdlLoad", "oops"}).code, 1);
}

TEST_F(CtlTest, UnknownActionFailsWithUsage) {
  tavtest::CtlResult r = sim_.Ctl({"frobnicate"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Contains(r.output, "usage:")) << r.output;
}

TEST_F(CtlTest, ExitDeliversTerminateToConnectedClientsAndEndsTheProcess) {
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  tavtest::CtlResult r = sim_.Ctl({"exit"});
  ASSERT_EQ(r.code, 0) << r.output;
  protocol::Message ev;
  ASSERT_TRUE(client.NextEvent(&ev));
  EXPECT_EQ(ev.name, "terminate");
  EXPECT_EQ(Arg<int>(ev.body, 0), 1);
  EXPECT_TRUE(client.SeesEndOfStream());
  int status = sim_.WaitExit();
  ASSERT_NE(status, -1);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  struct stat st;
  EXPECT_NE(::stat(sim_.socket_path().c_str(), &st), 0) << "socket file removed";
  EXPECT_EQ(sim_.Ctl({"status"}).code, 3) << "no session any more";
}

TEST_F(CtlTest, SigtermAlsoDeliversTerminate) {
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  ::kill(sim_.pid(), SIGTERM);
  protocol::Message ev;
  ASSERT_TRUE(client.NextEvent(&ev));
  EXPECT_EQ(ev.name, "terminate");
  EXPECT_NE(sim_.WaitExit(), -1);
}

TEST_F(CtlTest, AKilledSessionSimplyDisappears) {
  tavtest::WireClient client(sim_.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  sim_.Kill();
  protocol::Message ev;
  EXPECT_FALSE(client.NextEvent(&ev)) << "no terminate event";
  EXPECT_EQ(sim_.Ctl({"status"}).code, 3);
}

TEST_F(CtlTest, ASecondSessionOnTheSameDisplayIsRefused) {
  EXPECT_THROW(tavtest::SimProcess second(Options(tmp_)), std::runtime_error);
  EXPECT_EQ(sim_.Ctl({"status"}).code, 0);
}

TEST(CtlStartTest, WindowDelayMeansNoCurrentWindowYet) {
  tavtest::TempDir tmp;
  tavtest::SimProcessOptions o;
  o.tmpdir = tmp.path();
  o.args = {"--window-delay", "3600000", "--load", tavtest::SampleModelsDir() + "bolt.prt"};
  tavtest::SimProcess sim(o);
  std::string status = sim.Ctl({"status"}).output;
  EXPECT_TRUE(Contains(status, "display default\n")) << status;
  EXPECT_TRUE(Contains(status, "windows-ready no\n")) << status;
  EXPECT_TRUE(Contains(status, "current-model none\n")) << status;
  tavtest::WireClient client(sim.ConnectRaw());
  ASSERT_EQ(client.Hello().code, 0);
  EXPECT_EQ(client.Call<method::ProWindowCurrentGet>().code, -1);
}

TEST(CtlStartTest, CtlWithoutASessionFails) {
  tavtest::TempDir tmp;
  tavtest::SimProcessOptions o;
  o.tmpdir = tmp.path();
  o.display = "nobody";
  // Start one on another display, so that only the display differs.
  tavtest::SimProcess sim(o);
  sim.Kill();
  tavtest::CtlResult r = sim.Ctl({"status"});
  EXPECT_EQ(r.code, 3);
  EXPECT_TRUE(Contains(r.output, "no session runs on display nobody")) << r.output;
}

}  // namespace
