// Joining, starting and losing the CAD session through ProeAsynConnector.
#include <algorithm>
#include <regex>
#include <sys/stat.h>

#include "port/files.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

class ConnectorTest : public ModuleTest {
 protected:
  // A start command: a script that runs `body` (a shell line).
  std::string WriteScript(const std::string& name, const std::string& body) {
    std::string path = ModuleTmpDir() + name;
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }
  std::string StartSimScript() {
    std::string name = display_;
    std::replace(name.begin(), name.end(), '/', '_');
    return WriteScript("start " + name + ".sh",
                       std::string("exec '") + TAV_PROE_SIM + "' --display '" + display_ +
                           "' --search-path '" + SampleModelsDir() + "' >/dev/null 2>&1");
  }
  int Load(const std::string& start, std::wstring& handle) {
    void* reserved = reinterpret_cast<void*>(0x1234);
    int r = connector().LoadApplication(start.empty() ? nullptr : Wide(start).c_str(),
                                        Wide(display_).c_str(), nullptr, handle, reserved);
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), reserved);
    return r;
  }
  ~ConnectorTest() override {
    // A session the module started is not ours to kill by pid: leave it, then ask
    // it to go (an ended connection left to the client keeps its reader unjoined).
    if (sim_) return;
    command().Disconnect();
    CtlOn(display_, {"exit"});
  }
};

TEST_F(ConnectorTest, JoinsARunningSessionWithoutStartingOneAndAgain) {
  StartSession();
  std::size_t mark = LogSize();
  std::wstring handle = L"untouched";
  ASSERT_EQ(0, Load("", handle)) << Narrow(connector_.m_strStatus);
  EXPECT_EQ(0, connector_.m_nStatus);
  EXPECT_EQ(L"", connector_.m_strStatus);

  const std::string text = Narrow(handle);
  EXPECT_TRUE(std::regex_match(text, std::regex("-?[0-9]+ -?[0-9]+"))) << text;
  EXPECT_NE("0 0", text);
  EXPECT_EQ(handle, ProeCore::Instance()->HandleText());

  auto log = LogLinesSince(mark);
  EXPECT_TRUE(InOrder(log, {"proe exists. nStatus=0", "connect ok.", "after ProTermFuncSet.",
                            "after ProWindowCurrentActivateWaiting.", "after StartListenThread.",
                            "after GetHandleOfCaxApp, handle=" + text +
                                ", handle.size=" + std::to_string(text.size())}));
  EXPECT_FALSE(Contains(log, "proe not exists."));
  EXPECT_TRUE(Contains(Messages(), "TAV: connected."));

  // A second call leaves the first connection, and one listen thread runs.
  mark = LogSize();
  ASSERT_EQ(0, Load("", handle));
  EXPECT_TRUE(
      InOrder(LogLinesSince(mark),
              {"stoped listen thread, [ProeMenuManager::Disconnect()]",
               "after ProEngineerDisconnect, [ProeMenuManager::Disconnect()]", "connect ok."}));
  EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(1, 10000));
  EXPECT_EQ(1, ProeCore::Instance()->TEST_ListenThreadsRunning());
}

// The start command gets no arguments of the module's. (Finding a session on each
// transport is the client's connect tests'.)
TEST_F(ConnectorTest, StartsSessionWhenNoneRunsAndLogsEachStep) {
  const std::string script = StartSimScript();
  const std::string cwd = port::GetCurrentDirectory();
  std::size_t mark = LogSize();
  std::wstring handle;
  ASSERT_EQ(0, Load(script, handle)) << Narrow(connector_.m_strStatus);

  auto log = LogLinesSince(mark);
  ASSERT_TRUE(InOrder(log, {"proe not exists.", "StartProe \"" + script + "\"",
                            "ProeAsynConnector::StartProe in"}));
  std::string started;
  for (const std::string& line : log)
    if (line.rfind("hProIns=", 0) == 0) started = line;
  ASSERT_FALSE(started.empty());
  EXPECT_GT(std::stol(started.substr(8)), 32);
  EXPECT_TRUE(InOrder(log, {started, "after start proe, nStatus = 0", "connect ok."}));
  for (const std::string& line : log)
    EXPECT_TRUE(line.rfind("connectting", 0) != 0 ||
                std::regex_match(line, std::regex("connectting to proe\\. nStatus=-?[0-9]+")))
        << line;
  EXPECT_EQ(cwd, port::GetCurrentDirectory());

  // The session runs in the temporary directory, where the message file is.
  CtlResult status = CtlOn(display_, {"status"});
  std::string tmp = ModuleTmpDir();
  tmp.pop_back();
  EXPECT_NE(std::string::npos, status.output.find("working-dir " + tmp)) << status.output;
}

TEST_F(ConnectorTest, GivesUpFortySecondsAfterTheCallWhenTheStartedSessionNeverAnswers) {
  const std::string script = WriteScript("never.sh", "exit 0");
  const auto t0 = clock_.Seconds();
  std::wstring handle = L"untouched";
  EXPECT_EQ(-1, Load(script, handle));
  EXPECT_GE(clock_.Seconds() - t0, 40);
  EXPECT_TRUE(connector_.m_nStatus == PRO_TK_NOT_EXIST ||
              connector_.m_nStatus == PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(L"connect proe error\u00a1\u00a3(" + std::to_wstring(connector_.m_nStatus) + L")",
            connector_.m_strStatus);
  EXPECT_EQ(L"untouched", handle);
}

TEST_F(ConnectorTest, ReportsStartCommandsThatCannotRunAndAMissingCommunicationProgram) {
  const std::string cwd = port::GetCurrentDirectory();
  std::wstring handle = L"untouched";

  EXPECT_EQ(-1, Load("", handle));
  EXPECT_EQ(-1, connector_.m_nStatus);
  EXPECT_EQ(L"Proe execution path not found.", connector_.m_strStatus);

  // Any failure to start it reads so (the kinds of failure are the shell's tests').
  const std::string missing = ModuleTmpDir() + "no_such_cad";
  EXPECT_EQ(-1, Load(missing, handle));
  EXPECT_EQ(-1, connector_.m_nStatus);
  EXPECT_EQ(L"start proe failed. " + Wide(missing), connector_.m_strStatus);
  EXPECT_EQ(cwd, port::GetCurrentDirectory());
  EXPECT_EQ(L"untouched", handle);

  // The toolkit's communication program is checked before anything else.
  ScopedEnv unset("PRO_COMM_MSG_EXE", nullptr);
  EXPECT_EQ(-1, Load("", handle));
  EXPECT_EQ(-48, connector_.m_nStatus);
  EXPECT_EQ(
      L"connect proe error\u00a1\u00a3(-48)have not set the environment variable "
      L"PRO_COMM_MSG_EXE,or pro_comm_msg.exe path error.",
      connector_.m_strStatus);
}

TEST_F(ConnectorTest, WaitsTwentySecondsForAWindowThenConnectsAnyway) {
  StartSession({"--window-delay", "600000"});
  std::wstring handle;
  ASSERT_EQ(0, Load("", handle)) << Narrow(connector_.m_strStatus);
  EXPECT_EQ(std::vector<unsigned>(20, 1000), clock_.TakePauses(std::this_thread::get_id()));
}

// The user closing the session ends the connection through the termination
// callback, without a disconnect request (the toolkit client sends none on an
// ended connection either), and a new LoadApplication works again. (A session that
// dies at any call is the kill sweep's; the end of a session on each transport, the
// client's.)
TEST_F(ConnectorTest, TheUserClosingTheSessionEndsTheConnectionAndAllowsReconnecting) {
  StartSession();
  std::wstring handle;
  ASSERT_EQ(0, Load("", handle));
  std::size_t mark = LogSize();
  ASSERT_EQ(0, sim_->Ctl({"exit"}).code);
  const std::string last = "after init, [ProeMenuManager::Disconnect()]";
  ASSERT_TRUE(WaitUntil([&] { return Contains(LogLinesSince(mark), last); }));
  EXPECT_TRUE(InOrder(
      LogLinesSince(mark),
      {"ProeTermAction in, status=1", "stoped listen thread, [ProeMenuManager::Disconnect()]",
       "after ProEngineerDisconnect, [ProeMenuManager::Disconnect()]", last}));
  EXPECT_FALSE(ProeCore::Instance()->IsConnected());
  EXPECT_EQ(L"", ProeCore::Instance()->HandleText());
  EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));

  EXPECT_FALSE(command().ConnIsValid());
  EXPECT_EQ(-1, command().OpenFile(Wide(SamplePath("bracket.prt.1")).c_str()));
  EXPECT_EQ(L"Open File Error.", command_.m_strStatus);
  // Nothing is left to disconnect.
  mark = LogSize();
  command().Disconnect();
  EXPECT_FALSE(
      Contains(LogLinesSince(mark), "stoped listen thread, [ProeMenuManager::Disconnect()]"));

  sim_.reset();
  StartSession();
  ASSERT_EQ(0, Load("", handle)) << Narrow(connector_.m_strStatus);
  EXPECT_EQ(0, command().OpenFile(Wide(SamplePath("bracket.prt.1")).c_str()));
}

}  // namespace
}  // namespace tavtest
