// The client against a session peer played by hand, for what the real session
// never does: answers late, wrongly or not at all, broken frames, unknown or
// throwing commands, and replies that two threads could mix up. A request never
// answered is the module's stopped-session tests (a real session under SIGSTOP).
#include <ProCore.h>
#include <ProDimension.h>
#include <ProMdl.h>
#include <ProSolid.h>
#include <ProUICmd.h>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/values.h"
#include "tests/client/client_fixture.h"

using namespace std::chrono_literals;

namespace clienttest {
namespace {

// The session peer, played by hand over a socket pair: it reads the client's
// requests and writes replies, events or broken frames, from one thread at a time.
class FakeSession {
 public:
  FakeSession() {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
      throw std::runtime_error("socketpair failed");
    client_fd_ = base::UniqueFd(sv[0]);
    fd_ = base::UniqueFd(sv[1]);
  }

  // Attaches the client, answering its hello with the given handle words.
  ProError Attach(ProProcessHandle* handle, int word1 = 7, int word2 = 9) {
    std::thread hello([&] {
      protocol::Message m;
      if (Read(&m) && m.name == "hello") Reply(m, 0, protocol::ProcessHandle{word1, word2});
    });
    const ProError e = tkclient::TEST_AttachStream(client_fd_.release(), "", nullptr, 0, handle);
    hello.join();
    return e;
  }
  // False when the client closed or sent garbage.
  bool Read(protocol::Message* request) {
    std::string payload, error;
    return protocol::ReadFrame(fd_.get(), &payload) == protocol::FrameStatus::kOk &&
           protocol::Decode(payload, request, &error);
  }
  protocol::Message Expect(const std::string& name) {
    protocol::Message m;
    EXPECT_TRUE(Read(&m)) << "expected request " << name;
    EXPECT_EQ(m.name, name);
    return m;
  }
  template <class... O>
  void Reply(const protocol::Message& request, int code, const O&... outs) {
    protocol::WriteFrame(fd_.get(),
                         protocol::PackReply(request.seq, code, "", std::make_tuple(outs...)));
  }
  template <class... A>
  void Event(const std::string& name, const A&... args) {
    protocol::WriteFrame(fd_.get(), protocol::PackEvent(name, args...));
  }
  void SendRaw(const std::string& bytes) {
    static_cast<void>(::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL));
  }
  // shutdown() rather than close(): the client sees the same end of stream.
  void Close() { ::shutdown(fd_.get(), SHUT_RDWR); }

 private:
  base::UniqueFd fd_, client_fd_;
};

int OnCommand(uiCmdCmdId id, uiCmdValue* value, void* push) {
  g_rec->Add("command " + std::to_string(reinterpret_cast<std::uintptr_t>(id)) +
             (value == nullptr && push == nullptr ? " null-args" : " with-args"));
  return 0;
}

int ThrowingCommand(uiCmdCmdId, uiCmdValue*, void*) { throw std::runtime_error("boom"); }

class BrokenSessionTest : public ClientTest {
 protected:
  void Attach() { ASSERT_EQ(session_.Attach(&handle_), PRO_TK_NO_ERROR); }

  // Registers a command that the fake session numbers `id`.
  void AddCommand(const char* name, uiCmdCmdActFn fn, std::uint64_t id) {
    std::thread peer([&] {
      auto m = session_.Expect("ProCmdActionAdd");
      session_.Reply(m, 0, id);
    });
    uiCmdCmdId cmd = nullptr;
    EXPECT_EQ(ProCmdActionAdd(const_cast<char*>(name), fn, uiProeImmediate, nullptr, PRO_B_TRUE,
                              PRO_B_TRUE, &cmd),
              PRO_TK_NO_ERROR);
    peer.join();
  }

  FakeSession session_;
  ProProcessHandle handle_{};
};

TEST_F(BrokenSessionTest, AllZeroProcessHandleIsRefused) {
  EXPECT_EQ(session_.Attach(&handle_, 0, 0), PRO_TK_COMM_ERROR);
  EXPECT_EQ(ProEngineerStatusGet(), PRO_TK_GENERAL_ERROR);
}

TEST_F(BrokenSessionTest, WrongShapedReplyIsACommErrorAndLeavesTheOutArgumentAlone) {
  Attach();
  std::thread peer([&] { session_.Reply(session_.Expect("ProDimensionValueGet"), 0, "text"); });
  ProDimension dim{PRO_DIMENSION, 1, reinterpret_cast<ProMdl>(3)};
  double value = 123.0;
  EXPECT_EQ(ProDimensionValueGet(&dim, &value), PRO_TK_COMM_ERROR);
  EXPECT_EQ(value, 123.0);
  peer.join();
}

TEST_F(BrokenSessionTest, NullRequiredPointersFailWithoutARoundTrip) {
  Attach();
  // The session never answers: a call that went out would fail -11 at once.
  tkclient::TEST_SetRequestDeadline(100ms);
  ProDimension dim{PRO_DIMENSION, 1, reinterpret_cast<ProMdl>(3)};
  ProMdlType type = PRO_MDL_PART;
  EXPECT_EQ(ProDimensionValueGet(&dim, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProDimensionValueGet(nullptr, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProMdlCurrentGet(nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProMdlTypeGet(nullptr, &type), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(type, PRO_MDL_UNUSED);
  EXPECT_EQ(ProMdlLoad(nullptr, PRO_MDL_PART, PRO_B_FALSE, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProSolidFeatVisit(nullptr, nullptr, nullptr, nullptr), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProEngineerDisconnect(nullptr, 1), PRO_TK_BAD_INPUTS);
}

// What a broken session may send in place of a reply; each ends the connection
// abnormally, once, and later calls fail at once.
TEST_F(BrokenSessionTest, BrokenFramesEndTheConnectionAbnormally) {
  const struct {
    const char* what;
    std::string bytes;
    bool close_after;
  } cases[] = {
      {"malformed", std::string("\0\0\0\3", 4) + "\xc1\xc1\xc1", false},    // never MessagePack
      {"unknown message", std::string("\0\0\0\2", 4) + "\x91\x07", false},  // [7]
      {"oversized", std::string("\xff\xff\xff\xff", 4) + "xxxx", false},    // never read
      {"empty", std::string(4, '\0'), false},
      {"cut short", std::string("\0\0\0\x20", 4) + "abc", true},
      {"closed without goodbye", "", true},
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
    ProMdl mdl = nullptr;  // a call that needs a round trip
    EXPECT_EQ(ProMdlCurrentGet(&mdl), PRO_TK_COMM_ERROR);
    peer.join();
    EXPECT_EQ(ProMdlCurrentGet(&mdl), PRO_TK_COMM_ERROR);
    EXPECT_TRUE(rec_.Calls().empty()) << "termination runs only inside ProEventProcess";
    ProEventProcess();
    ProEventProcess();
    EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"term 2"});
  }
}

TEST_F(BrokenSessionTest, UnknownOrThrowingCommandsDoNotStopTheOthers) {
  Attach();
  AddCommand("bad", ThrowingCommand, 3);
  AddCommand("good", OnCommand, 4);
  session_.Event("command", std::uint64_t{999});  // nobody's command: ignored
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

TEST_F(BrokenSessionTest, TwoThreadsNeverInterleaveOnTheWire) {
  Attach();
  // The session answers ProMdlInit with a handle derived from the name; a
  // mixed-up reply or a torn frame would show as a wrong handle or a -11.
  std::thread peer([&] {
    protocol::Message m;
    while (session_.Read(&m))
      session_.Reply(m, 0, std::stoull(protocol::Arg<std::string>(m.body, 0).substr(1)));
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
  peer.join();
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
