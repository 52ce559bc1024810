// The client against a session peer played by hand: the handshake, replies
// and deadlines, events, termination, and what a broken session sends.
#include <ProCore.h>
#include <ProDimension.h>
#include <ProMdl.h>
#include <ProNotify.h>
#include <ProSolid.h>
#include <ProUICmd.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/methods.h"
#include "tests/client/client_fixture.h"
#include "tests/client/fake_session.h"
#include "tests/client/fault_catcher.h"
#include "toolkit/client/wide_text.h"

using namespace std::chrono_literals;

namespace clienttest {
namespace {


int OnCommand(uiCmdCmdId id, uiCmdValue* value, void* push) {
  g_rec->Add("command " + std::to_string(reinterpret_cast<std::uintptr_t>(id)) +
             (value == nullptr && push == nullptr ? " null-args" : " with-args"));
  return 0;
}

ProError OnFileOpenOk(ProMdlType type, int subtype, ProName name) {
  g_rec->Add("new " + std::to_string(static_cast<int>(type)) + " " + std::to_string(subtype) + " " +
             tkclient::ToUtf8(name));
  return PRO_TK_NO_ERROR;
}

ProError OnRetrievePost(ProModel* model) {
  g_rec->Add("opened " + tkclient::ToUtf8(model->name) + "." + tkclient::ToUtf8(model->type));
  return PRO_TK_NO_ERROR;
}

int ThrowingCommand(uiCmdCmdId, uiCmdValue*, void*) { throw std::runtime_error("boom"); }

std::atomic<int> g_access_state{ACCESS_AVAILABLE};
uiCmdAccessState CurrentAccess(uiCmdAccessMode) {
  return static_cast<uiCmdAccessState>(g_access_state.load());
}

class BrokenSessionTest : public ClientTest {
 protected:
  // Attaches, then lets `session_side` play the session on its own thread.
  void Attach() { ASSERT_EQ(session_.Attach(&handle_), PRO_TK_NO_ERROR); }

  // A call that needs a round trip; -11 once the connection has ended.
  ProError SomeCall() {
    ProMdl mdl = nullptr;
    return ProMdlCurrentGet(&mdl);
  }

  // Registers a command through the fake session and returns its id.
  uiCmdCmdId AddCommand(const char* name, uiCmdCmdActFn fn, uiCmdAccessFn access,
                        std::uint64_t id) {
    std::thread peer([&] {
      auto m = session_.Expect("ProCmdActionAdd");
      session_.Reply(m, 0, id);
    });
    uiCmdCmdId cmd = nullptr;
    EXPECT_EQ(ProCmdActionAdd(const_cast<char*>(name), fn, uiProeImmediate, access, PRO_B_TRUE,
                              PRO_B_TRUE, &cmd),
              PRO_TK_NO_ERROR);
    peer.join();
    return cmd;
  }

  void SetNotification(ProNotifyType type, ProFunction fn) {
    std::thread peer([&] {
      auto m = session_.Expect("ProNotificationSet");
      EXPECT_EQ(protocol::Arg<int>(m.body, 0), static_cast<int>(type));
      EXPECT_EQ(protocol::Arg<int>(m.body, 1), 1);
      session_.Reply(m, 0);
    });
    EXPECT_EQ(ProNotificationSet(type, fn), PRO_TK_NO_ERROR);
    peer.join();
  }

  FakeSession session_;
  ProProcessHandle handle_{};
};

template <class F>
ProFunction AsNotify(F f) {
  return reinterpret_cast<ProFunction>(reinterpret_cast<void (*)()>(f));
}

TEST_F(BrokenSessionTest, HelloCarriesVersionAndTextDirectory) {
  std::thread peer([&] {
    auto m = session_.Expect("hello");
    const auto [version, session_id, display, user, text_path, pid] =
        protocol::ArgsOf<protocol::method::hello>(m);
    EXPECT_EQ(version, protocol::kProtocolVersion);
    EXPECT_EQ(session_id + "|" + display + "|" + user + "|" + text_path, "|disp||/some/text");
    EXPECT_GT(pid, 0);
    session_.Reply(m, 0, protocol::ProcessHandle{0, 5});
  });
  EXPECT_EQ(tkclient::TEST_AttachStream(session_.TakeClientFd(), "disp", "/some/text", 0, &handle_),
            PRO_TK_NO_ERROR);
  peer.join();
  EXPECT_EQ(handle_.array_index, 0);
  EXPECT_EQ(handle_.auth_key, 5);
}

TEST_F(BrokenSessionTest, SessionNotAnsweringHelloGivesBusy) {
  tkclient::TEST_SetRequestDeadline(100ms);
  handle_.array_index = 42;
  EXPECT_EQ(tkclient::TEST_AttachStream(session_.TakeClientFd(), "", nullptr, 0, &handle_),
            PRO_TK_E_BUSY);
  EXPECT_EQ(handle_.array_index, 42) << "handle written on failure";
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

TEST_F(BrokenSessionTest, SessionRefusingHelloPassesItsCodeOn) {
  std::thread peer([&] { session_.Reply(session_.Expect("hello"), PRO_TK_E_BUSY); });
  EXPECT_EQ(tkclient::TEST_AttachStream(session_.TakeClientFd(), "", nullptr, 0, &handle_),
            PRO_TK_E_BUSY);
  peer.join();
}

TEST_F(BrokenSessionTest, AllZeroProcessHandleIsRefused) {
  EXPECT_EQ(session_.Attach(&handle_, 0, 0), PRO_TK_COMM_ERROR);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

TEST_F(BrokenSessionTest, SecondConnectionWhileConnectedIsRefused) {
  Attach();
  FakeSession other;
  ProProcessHandle h2{};
  std::thread peer([&] {
    protocol::Message m;
    if (other.Read(&m)) other.Reply(m, 0, std::vector<int>{1, 1});
  });
  EXPECT_EQ(tkclient::TEST_AttachStream(other.TakeClientFd(), "", nullptr, 0, &h2), PRO_TK_E_FOUND);
  peer.join();
  std::thread ping([&] { session_.Reply(session_.Expect("ping"), 0); });
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR) << "the first connection still serves";
  ping.join();
}

TEST_F(BrokenSessionTest, FailedCallOrWrongShapedReplyLeavesOutArgumentsUntouched) {
  Attach();
  std::thread peer([&] {
    session_.Reply(session_.Expect("ProDimensionValueGet"), PRO_TK_E_NOT_FOUND);
    session_.Reply(session_.Expect("ProMdlTypeGet"), PRO_TK_BAD_INPUTS);
    session_.Reply(session_.Expect("ProDimensionValueGet"), 0, "text");
  });
  ProDimension dim{PRO_DIMENSION, 1, reinterpret_cast<ProMdl>(3)};
  double value = 123.0;
  EXPECT_EQ(ProDimensionValueGet(&dim, &value), PRO_TK_E_NOT_FOUND);
  EXPECT_EQ(value, 123.0);
  ProMdlType type = PRO_MDL_PART;
  EXPECT_EQ(ProMdlTypeGet(reinterpret_cast<ProMdl>(3), &type), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(type, PRO_MDL_UNUSED) << "published: the type reads unused on failure";
  EXPECT_EQ(ProDimensionValueGet(&dim, &value), PRO_TK_COMM_ERROR);
  EXPECT_EQ(value, 123.0);
  peer.join();
}

TEST_F(BrokenSessionTest, NullRequiredPointersFailWithoutARoundTrip) {
  Attach();
  // The session never answers: a call that went out would wait, then fail -11.
  tkclient::TEST_SetRequestDeadline(5000ms);
  ProDimension dim{PRO_DIMENSION, 1, reinterpret_cast<ProMdl>(3)};
  ProMdlType type = PRO_MDL_PART;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ProDimensionValueGet(&dim, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProDimensionValueGet(nullptr, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProMdlCurrentGet(nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProMdlTypeGet(nullptr, &type), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(type, PRO_MDL_UNUSED);
  EXPECT_EQ(ProMdlLoad(nullptr, PRO_MDL_PART, PRO_B_FALSE, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProSolidFeatVisit(nullptr, nullptr, nullptr, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProEngineerDisconnect(nullptr, 1), PRO_TK_BAD_INPUTS);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
}

TEST_F(BrokenSessionTest, RequestWithoutAnswerFailsAtItsDeadlineAndEndsTheConnection) {
  Attach();
  tkclient::TEST_SetRequestDeadline(100ms);
  protocol::Message m;
  std::thread peer([&] { session_.Read(&m); });  // reads, never answers
  EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
  peer.join();
  EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR) << "later calls fail at once";
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
  ProEventProcess();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"term 2"});
}

// What a broken session may send in place of a reply; each ends the connection
// abnormally, once, and later calls fail at once.
TEST_F(BrokenSessionTest, BrokenFramesEndTheConnectionAbnormally) {
  const struct {
    const char* what;
    std::string bytes;
    bool close_after;
  } cases[] = {
      {"malformed", std::string("\0\0\0\3", 4) + "\xc1\xc1\xc1", false},  // never MessagePack
      {"unknown message", std::string("\0\0\0\2", 4) + "\x91\x07", false},    // [7]
      {"oversized", std::string("\xff\xff\xff\xff", 4) + "xxxx", false},      // never read
      {"cut short", std::string("\0\0\0\x20", 4) + "abc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tkclient::TEST_ResetClient();
    ProTermFuncSet(OnTerm);
    rec_.calls.clear();
    FakeSession session;
    ASSERT_EQ(session.Attach(&handle_), PRO_TK_NO_ERROR);
    std::thread peer([&] {
      session.Expect("ProMdlCurrentGet");
      session.SendRaw(c.bytes);
      if (c.close_after) session.Close();
    });
    EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
    peer.join();
    EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
    ProEventProcess();
    ProEventProcess();
    EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"term 2"});
  }
}

TEST_F(BrokenSessionTest, ConnectionClosedWithoutGoodbyeRunsAbnormalTerminationOnce) {
  Attach();
  session_.Close();
  // The reader notices the end on its own; the pending call finds out at once.
  EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
  EXPECT_TRUE(rec_.Calls().empty()) << "termination runs only inside ProEventProcess";
  ProEventProcess();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"term 2"});
}

TEST_F(BrokenSessionTest, TerminateThenCloseRunsNormalExitOnceAfterEarlierEvents) {
  Attach();
  AddCommand("cmd", OnCommand, nullptr, 5);
  session_.Event("command", std::uint64_t{5});
  session_.Event("terminate", static_cast<int>(PROTERM_EXIT));
  session_.Close();
  // Nothing runs until the application asks; then everything, in order.
  EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
  ProEventProcess();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), (std::vector<std::string>{"command 5 null-args", "term 1"}));
  EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

TEST_F(BrokenSessionTest, EventsRunInOrderOnTheProcessingThreadWithTheirArguments) {
  Attach();
  AddCommand("cmd", OnCommand, nullptr, 11);
  SetNotification(PRO_FILE_OPEN_OK, AsNotify(OnFileOpenOk));
  SetNotification(PRO_MDL_RETRIEVE_POST, AsNotify(OnRetrievePost));
  session_.Event("notify", static_cast<int>(PRO_FILE_OPEN_OK),
                 std::make_tuple(static_cast<int>(PRO_MDL_PART), 2, std::string("NEU_TEIL")));
  session_.Event("command", std::uint64_t{11});
  session_.Event("notify", static_cast<int>(PRO_MDL_RETRIEVE_POST),
                 std::make_tuple(protocol::Model{"BRACKET", "PRT"}));
  session_.Event("command", std::uint64_t{999});  // nobody's command: ignored
  // Wait until the reader has queued them: a ping answered after the events
  // were written proves they have been read.
  std::thread ping([&] { session_.Reply(session_.Expect("ping"), 0); });
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR);
  ping.join();
  EXPECT_TRUE(rec_.Calls().empty());
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), (std::vector<std::string>{"new 2 2 NEU_TEIL", "command 11 null-args",
                                                    "opened BRACKET.PRT"}));
  for (auto id : rec_.threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(BrokenSessionTest, CallbackExceptionIsLoggedAndDoesNotEscape) {
  Attach();
  AddCommand("bad", ThrowingCommand, nullptr, 3);
  AddCommand("good", OnCommand, nullptr, 4);
  session_.Event("command", std::uint64_t{3});
  session_.Event("command", std::uint64_t{4});
  std::thread ping([&] { session_.Reply(session_.Expect("ping"), 0); });
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR);
  ping.join();
  testing::internal::CaptureStderr();
  ProEventProcess();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("toolkit client: callback raised: boom"), std::string::npos) << err;
  EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"command 4 null-args"});
}

TEST_F(BrokenSessionTest, AccessStateChangesAreReportedAtEventProcessing) {
  Attach();
  g_access_state = ACCESS_UNAVAILABLE;
  std::thread add([&] {
    auto m = session_.Expect("ProCmdActionAdd");
    EXPECT_EQ(protocol::Arg<std::string>(m.body, 0), "guarded");
    EXPECT_EQ(protocol::Arg<int>(m.body, 2), ACCESS_UNAVAILABLE);
    session_.Reply(m, 0, std::uint64_t{21});
  });
  uiCmdCmdId cmd = nullptr;
  ASSERT_EQ(ProCmdActionAdd(const_cast<char*>("guarded"), OnCommand, uiProeImmediate, CurrentAccess,
                            PRO_B_TRUE, PRO_B_TRUE, &cmd),
            PRO_TK_NO_ERROR);
  add.join();
  ProEventProcess();  // unchanged: nothing sent (a request would block here)
  g_access_state = ACCESS_AVAILABLE;
  std::thread update([&] {
    auto m = session_.Expect("ProCmdAccessUpdate");
    EXPECT_EQ(protocol::Arg<std::uint64_t>(m.body, 0), 21u);
    EXPECT_EQ(protocol::Arg<std::uint64_t>(m.body, 1), 0u);
    EXPECT_EQ(protocol::Arg<int>(m.body, 2), ACCESS_AVAILABLE);
    session_.Reply(m, 0);
  });
  ProEventProcess();
  update.join();
  g_access_state = ACCESS_UNAVAILABLE;
}

TEST_F(BrokenSessionTest, CrashDirectiveRaisesAMachineFaultInTheCallingThread) {
  SKIP_WHERE_FAULTS_CANNOT_UNWIND();
  Attach();
  std::thread peer([&] {
    session_.ReplyWithDirective(session_.Expect("ProMdlCurrentGet"), "crash");
    session_.Reply(session_.Expect("ProMdlCurrentGet"), 0, std::uint64_t{4});
  });
  {
    FaultCatcher catcher;
    try {
      SomeCall();
      ADD_FAILURE() << "the call returned";
    } catch (const MachineFault& fault) {
      EXPECT_EQ(fault.address, reinterpret_cast<void*>(0x10));
    }
  }
  // The fault released everything: the next call goes through.
  ProMdl mdl = nullptr;
  EXPECT_EQ(ProMdlCurrentGet(&mdl), PRO_TK_NO_ERROR);
  EXPECT_EQ(mdl, reinterpret_cast<ProMdl>(4));
  peer.join();
}

TEST_F(BrokenSessionTest, TwoThreadsNeverInterleaveOnTheWire) {
  Attach();
  // The session answers ProMdlInit with a handle derived from the name; a
  // mixed-up reply or a torn frame would show as a wrong handle or a -11.
  SessionThread peer(&session_, [](FakeSession& s, const protocol::Message& m) {
    const auto name = protocol::Arg<std::string>(m.body, 0);
    s.Reply(m, 0, static_cast<std::uint64_t>(std::stoul(name.substr(1))));
  });
  std::atomic<int> wrong{0};
  auto worker = [&](int base) {
    for (int i = 0; i < 300; ++i) {
      const int n = base + i;
      std::wstring name = L"M" + std::to_wstring(n);
      ProMdl mdl = nullptr;
      if (ProMdlInit(name.data(), PRO_MDL_PART, &mdl) != PRO_TK_NO_ERROR ||
          mdl != reinterpret_cast<ProMdl>(static_cast<std::uintptr_t>(n)))
        ++wrong;
    }
  };
  std::thread a(worker, 1000);
  std::thread b(worker, 5000);
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
  session_.Close();
}

TEST_F(BrokenSessionTest, DisconnectSaysGoodbyeAndInvalidatesTheHandle) {
  Attach();
  std::thread peer([&] { session_.Reply(session_.Expect("bye"), 0); });
  ProProcessHandle wrong{1, 2};
  EXPECT_EQ(ProEngineerDisconnect(&wrong, 1), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProEngineerDisconnect(&handle_, 1), PRO_TK_NO_ERROR);
  peer.join();
  EXPECT_EQ(ProEngineerDisconnect(&handle_, 1), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(SomeCall(), PRO_TK_COMM_ERROR);
  ProEventProcess();
  EXPECT_TRUE(rec_.Calls().empty()) << "leaving is not a termination";
}

TEST_F(BrokenSessionTest, DisconnectWaitsNoLongerThanItsTimeout) {
  Attach();
  tkclient::TEST_SetRequestDeadline(150ms);
  protocol::Message m;
  std::thread peer([&] { session_.Read(&m); });  // never answers bye
  EXPECT_EQ(ProEngineerDisconnect(&handle_, 1), PRO_TK_COMM_ERROR);
  peer.join();
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

}  // namespace
}  // namespace clienttest
