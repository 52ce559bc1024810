// Finding and joining a session by display, as an application does: the
// communication program check, the text directory, the short look-up, the
// hello time-out, and sessions that exit or die under a connected client. Uses
// real sockets under a private TMPDIR, the session server in-process, and the
// proe_sim binary. (A session still starting is joined by the module's start
// path, which retries until it listens: the module's connector and installed-host
// tests.)
#include <ProCore.h>
#include <ProMdl.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "protocol/session_path.h"
#include "protocol/session_route.h"
#include "tests/client/client_fixture.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"
#include "toolkit/client/test_hooks.h"

using namespace std::chrono_literals;

namespace clienttest {
namespace {

class ConnectTest : public ClientTest {
 protected:
  ProError Connect(const std::string& display, unsigned int timeout_sec = 5,
                   const char* text_dir = nullptr, ProProcessHandle* handle = nullptr) {
    return ProEngineerConnect(nullptr, const_cast<char*>(display.c_str()), nullptr,
                              const_cast<char*>(text_dir), PRO_B_FALSE, timeout_sec, nullptr,
                              handle ? handle : &handle_);
  }

  tavtest::TempDir tmp_;
  tavtest::ScopedEnv tmpdir_{"TMPDIR", tmp_.path().c_str()};
  tavtest::ScopedEnv exe_{"PRO_COMM_MSG_EXE", "/bin/true"};
  ProProcessHandle handle_{};
};

// (No communication program at all: the module's connector tests.)
TEST_F(ConnectTest, RefusesWithoutTheCommunicationProgramOrTextDirectory) {
  tavtest::WriteFile(tmp_.file("file"), "data");
  const struct {
    const char* exe;  // PRO_COMM_MSG_EXE
    std::string text_dir;
    ProError want;
  } cases[] = {
      {tmp_.file("file").c_str(), "", PRO_TK_CANT_MODIFY},  // not executable
      {tmp_.path().c_str(), "", PRO_TK_CANT_MODIFY},        // a directory
      {"/bin/true", tmp_.file("file"), PRO_TK_INVALID_DIR},
      {"/bin/true", tmp_.file("missing"), PRO_TK_INVALID_DIR},
  };
  for (const auto& c : cases) {
    tavtest::ScopedEnv exe("PRO_COMM_MSG_EXE", c.exe);
    EXPECT_EQ(Connect("d", 5, c.text_dir.empty() ? nullptr : c.text_dir.c_str()), c.want)
        << (c.exe ? c.exe : "unset") << " " << c.text_dir;
  }
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

// Every way of reaching a session: its Unix socket, its endpoint file, and its
// TCP address with the token in the environment.
class TransportTest : public ConnectTest, public ::testing::WithParamInterface<tavtest::Transport> {
 protected:
  // Serves `session` on the transport; the display a client names.
  std::string Serve(tavtest::SimHarness& session) {
    sim::ListenOptions how;
    how.address = tavtest::ListenAddressFor(GetParam());
    std::string why;
    EXPECT_TRUE(session.Listen(&why, how)) << why;
    route_ = tavtest::RouteTo(GetParam(), session.display(), session.server().address());
    return route_.display;
  }
  tavtest::SessionRoute route_;
};

TEST_P(TransportTest, JoinsTheSessionServingTheDisplay) {
  tavtest::SimHarness session;
  const std::string display = Serve(session);
  struct stat st;
  ASSERT_EQ(::stat(route_.file.c_str(), &st), 0) << route_.file;
  if (GetParam() != tavtest::Transport::kUnixSocket) {
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }

  ASSERT_EQ(Connect(display), PRO_TK_NO_ERROR);
  EXPECT_TRUE(handle_.array_index != 0 || handle_.auth_key != 0);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR);
  ProConnectionId id;
  EXPECT_EQ(ProEngineerConnectIdExtract(handle_, id), PRO_B_TRUE);
  EXPECT_NE(std::string(id).find(":netaddr:" + session.server().address()), std::string::npos)
      << id;

  ProProcessHandle second{};
  EXPECT_EQ(Connect(display, 5, nullptr, &second), PRO_TK_E_FOUND) << "one connection per process";
  EXPECT_EQ(second.array_index, 0);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR) << "the first one still serves";

  EXPECT_EQ(ProEngineerDisconnect(&handle_, 5), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
  EXPECT_EQ(ProEngineerConnectIdExtract(handle_, id), PRO_B_FALSE);
  EXPECT_EQ(Connect(display), PRO_TK_NO_ERROR) << "a new connection after leaving";
  session.Shutdown();
  EXPECT_NE(::stat(route_.file.c_str(), &st), 0) << "removed at the end";
}

TEST_P(TransportTest, SessionThatRefusesOrIgnoresTheHelloIsNotJoined) {
  tavtest::SimHarness session;
  const std::string display = Serve(session);
  handle_.array_index = 42;
  ASSERT_EQ(session.Ctl({"fault", "ProEngineerConnect", "-40"}).code, 0);
  EXPECT_EQ(Connect(display), PRO_TK_NO_LICENSE) << "the session's code passes on";
  ASSERT_EQ(session.Ctl({"delay", "hello", "20000"}).code, 0);
  tkclient::TEST_SetRequestDeadline(300ms);  // bounds the 1 s time-out given below
  EXPECT_EQ(Connect(display, 1), PRO_TK_E_BUSY);
  EXPECT_EQ(handle_.array_index, 42) << "the handle is written only on success";
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

// A session on TCP serves only clients that present its token: from the
// environment, or from its endpoint file copied under the name of the display.
TEST_F(ConnectTest, SessionOnTcpRefusesAHelloWithoutItsToken) {
  tavtest::SimHarness session;
  sim::ListenOptions how{"tcp:127.0.0.1:0"};
  ASSERT_TRUE(session.Listen(nullptr, how));
  const std::string display = session.server().address();
  protocol::Endpoint served;
  std::string why;
  ASSERT_TRUE(
      protocol::ReadEndpointFile(protocol::SessionEndpointPath(session.display()), &served, &why))
      << why;
  std::string wrong = served.token;
  wrong[0] = wrong[0] == '0' ? '1' : '0';
  const struct {
    const char* what;
    const char* env;     // TAVPROE2_SESSION_TOKEN
    std::string copied;  // an endpoint file named after the display, with this token
    ProError want;
  } cases[] = {
      {"no token", nullptr, "", PRO_TK_COMM_ERROR},
      {"a wrong token", wrong.c_str(), served.token, PRO_TK_COMM_ERROR},
      {"the token from the environment", served.token.c_str(), wrong, PRO_TK_NO_ERROR},
      {"the token of a copied endpoint file", nullptr, served.token, PRO_TK_NO_ERROR},
  };
  const std::string copy = protocol::SessionEndpointPath(display);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tavtest::ScopedEnv token(protocol::kSessionTokenVariable, c.env);
    ::unlink(copy.c_str());
    if (!c.copied.empty()) {
      ASSERT_TRUE(protocol::WriteEndpointFile(copy, {served.address, c.copied}, &why)) << why;
    }
    handle_.array_index = 42;
    EXPECT_EQ(Connect(display), c.want);
    EXPECT_EQ(ProEngineerStatusGet(),
              c.want == PRO_TK_NO_ERROR ? PRO_TK_NO_ERROR : PRO_TK_GENERAL_ERROR);
    EXPECT_EQ(handle_.array_index != 42, c.want == PRO_TK_NO_ERROR);
    if (c.want == PRO_TK_NO_ERROR) {
      EXPECT_EQ(ProEngineerDisconnect(&handle_, 5), PRO_TK_NO_ERROR);
    }
  }
}

// No session on the display: nothing there, or an endpoint file left by a killed
// session, naming a port nobody serves. A new session takes the display over.
TEST_F(ConnectTest, NoSessionOrAStaleEndpointFileIsNotExistAfterAShortLook) {
  protocol::Endpoint gone{{"127.0.0.1", 0}, std::string(2 * protocol::kSessionTokenBytes, 'a')};
  std::string why;
  ASSERT_TRUE(protocol::ListenTcp(gone.address, false, &gone.address, &why).valid()) << why;
  ASSERT_EQ(::mkdir(protocol::SessionDirectory().c_str(), 0700), 0);
  ASSERT_TRUE(protocol::WriteEndpointFile(protocol::SessionEndpointPath("stale"), gone, &why));
  handle_.array_index = 99;
  for (const std::string& display :
       {std::string("nobody"), std::string("stale"), protocol::FormatTcpAddress(gone.address)}) {
    EXPECT_EQ(Connect(display), PRO_TK_NOT_EXIST) << display;
  }
  EXPECT_EQ(handle_.array_index, 99);

  tavtest::SimHarness session("stale");
  ASSERT_TRUE(session.Listen(&why, {"tcp:127.0.0.1:0"})) << why;
  EXPECT_EQ(Connect("stale"), PRO_TK_NO_ERROR);
}

// The sockets' directory must be this user's alone. A live session whose directory
// was spoilt afterwards is not joined, and a new session does not listen there;
// neither side repairs the directory.
TEST_F(ConnectTest, BothSidesRefuseASessionDirectoryThatIsNotPrivate) {
  const std::string dir = protocol::SessionDirectory();
  const struct {
    const char* what;
    std::function<bool()> spoil;
  } cases[] = {
      {"mode 0711", [&] { return ::chmod(dir.c_str(), 0711) == 0; }},
      {"another user's",
       [&] { return ::getuid() == 0 && ::chown(dir.c_str(), 65534, 65534) == 0; }},
      {"a link to a private directory",
       [&] {
         return ::rename(dir.c_str(), (dir + ".real").c_str()) == 0 &&
                ::symlink((dir + ".real").c_str(), dir.c_str()) == 0;
       }},
  };
  for (const auto& c : cases)
    for (const sim::ListenOptions& how : {sim::ListenOptions{}, {"tcp:127.0.0.1:0"}}) {
      SCOPED_TRACE(std::string(c.what) + (how.address.empty() ? " (socket)" : " (endpoint file)"));
      tavtest::SimHarness live;
      ASSERT_TRUE(live.Listen(nullptr, how));
      if (!c.spoil()) {
        std::printf("skipped \"%s\": needs root\n", c.what);
        continue;
      }
      struct stat before;
      ASSERT_EQ(::lstat(dir.c_str(), &before), 0);
      EXPECT_EQ(Connect(live.display()), PRO_TK_CANT_ACCESS);
      EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);

      tavtest::SimHarness other;
      std::string why;
      EXPECT_FALSE(other.Listen(&why, how));
      EXPECT_EQ(why.rfind("refusing to listen: " + dir, 0), 0u) << why;
      struct stat after;
      ASSERT_EQ(::lstat(dir.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_uid, before.st_uid);

      live.Shutdown();
      std::filesystem::remove_all(dir);
      std::filesystem::remove_all(dir + ".real");
    }
}

// A proe_sim process on a display whose name holds a '/', blanks and non-ASCII
// letters: the client must look exactly where the simulator listens.
class ProcessSessionTest : public ConnectTest,
                           public ::testing::WithParamInterface<tavtest::Transport> {
 protected:
  void SetUp() override {
    ConnectTest::SetUp();
    tavtest::SimProcessOptions o;
    o.tmpdir = tmp_.path();
    o.display = kDisplay;
    o.listen = tavtest::ListenAddressFor(GetParam());
    o.args = {"--search-path", tavtest::SampleModelsDir()};
    session_ = std::make_unique<tavtest::SimProcess>(o);
    route_ = tavtest::RouteTo(GetParam(), kDisplay, session_->address());
    ASSERT_EQ(Connect(route_.display), PRO_TK_NO_ERROR);
  }
  static constexpr char kDisplay[] = "host:0/Konstruktion Träger";
  void TearDown() override {
    ConnectTest::TearDown();
    session_.reset();
  }
  std::unique_ptr<tavtest::SimProcess> session_;
  tavtest::SessionRoute route_;
};

TEST_P(ProcessSessionTest, ExitingSessionEndsNormallyOnce) {
  ASSERT_EQ(session_->Ctl({"exit"}).code, 0);
  const int status = session_->WaitExit();
  ASSERT_NE(status, -1);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  struct stat st;
  EXPECT_NE(::stat(route_.file.c_str(), &st), 0) << "socket or endpoint file removed";
  const tavtest::CtlResult gone = session_->Ctl({"status"});
  EXPECT_EQ(gone.code, 3);
  ProMdl mdl = nullptr;
  EXPECT_NE(gone.output.find("no session runs on display"), std::string::npos) << gone.output;
  EXPECT_EQ(ProMdlCurrentGet(&mdl), PRO_TK_COMM_ERROR);
  ProEventProcess();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"term 1"});
  EXPECT_EQ(ProMdlCurrentGet(&mdl), PRO_TK_COMM_ERROR);
}

TEST_P(ProcessSessionTest, ExampleProgramListsTheFeaturesOfAModel) {
  EXPECT_EQ(ProEngineerDisconnect(&handle_, 5), PRO_TK_NO_ERROR);
  const std::string cmd = std::string(TAV_BINARY_DIR) + "/bin/connect_and_list bracket.prt 0 '" +
                          route_.display + "' 2>&1";
  const auto [status, text] = tavtest::RunShell(cmd);
  EXPECT_EQ(status, 0) << text;
  EXPECT_NE(text.find("BRACKET.PRT.1"), std::string::npos) << text;
  EXPECT_NE(text.find("BASE_PLATE"), std::string::npos) << text;
  EXPECT_NE(text.find("CORNER_ROUND"), std::string::npos) << text;
}

TEST_F(ConnectTest, StartedSessionEndsWithoutTermination) {
  ASSERT_EQ(ProEngineerStart(const_cast<char*>(TAV_PROE_SIM), nullptr), PRO_TK_NO_ERROR);
  // The started session serves the default display. It is not our child: it ends
  // through the toolkit.
  const std::string socket = protocol::SessionDirectory() + "/default.sock";
  struct stat st;
  EXPECT_EQ(::stat(socket.c_str(), &st), 0);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProEngineerEnd(), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
  ProEventProcess();
  EXPECT_TRUE(rec_.Calls().empty()) << "the application ended it itself";
  EXPECT_EQ(ProEngineerStart(const_cast<char*>("/nonexistent/proe"), nullptr),
            PRO_TK_GENERAL_ERROR);
}

std::string ParamName(const ::testing::TestParamInfo<tavtest::Transport>& info) {
  return tavtest::TransportName(info.param);
}
INSTANTIATE_TEST_SUITE_P(Transports, TransportTest, ::testing::ValuesIn(tavtest::kTransports),
                         ParamName);
INSTANTIATE_TEST_SUITE_P(Transports, ProcessSessionTest, ::testing::ValuesIn(tavtest::kTransports),
                         ParamName);

}  // namespace
}  // namespace clienttest
