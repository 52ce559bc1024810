// The session server over real sockets: a raw protocol client on a socketpair
// (SimHarness::Connect), and connections that misbehave. Several clients at once
// and a socket file left by a killed session are met end to end by the module's
// thread and kill-sweep tests.
#include <ProNotify.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/methods.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace {

namespace method = protocol::method;
using RawClient = tavtest::WireClient;

class ServerTest : public ::testing::Test {
 protected:
  tavtest::SimHarness sim_;
};

// Until a hello succeeds, ping fails and toolkit calls are out of context; then
// both work, and bye answers before closing.
TEST_F(ServerTest, HelloComesFirstAndByeClosesTheConnection) {
  RawClient c(sim_.Connect());
  EXPECT_EQ(c.Call<method::ping>().code, -1);
  EXPECT_EQ(c.Call<method::ProMdlCurrentGet>().code, -8);
  EXPECT_EQ(c.Hello("/nonexistent/text/dir").code, -15);
  EXPECT_EQ(c.Call<method::hello>(99, "", "", "", "", 1, "").code, -11)
      << "another protocol version";
  EXPECT_EQ(c.Call<method::ping>().code, -1);
  protocol::Message hello = c.Hello();
  ASSERT_EQ(hello.code, 0);
  const auto [handle] = protocol::OutsOf<method::hello>(hello);
  EXPECT_TRUE(handle.array_index != 0 || handle.auth_key != 0);
  EXPECT_EQ(c.Call<method::ping>().code, 0);
  // Requests no method of the wire fits get a code; the connection stays.
  EXPECT_EQ(c.CallUnchecked("ProMdlLoad", std::make_tuple("bolt.prt", -1)).code, -2);
  EXPECT_EQ(c.CallUnchecked("ProDimensionValueGet", std::make_tuple("not an item")).code, -2);
  EXPECT_EQ(c.CallUnchecked("ProNoSuchFunction", std::make_tuple()).code, -9);
  EXPECT_EQ(c.Call<method::bye>().code, 0);
  EXPECT_TRUE(c.SeesEndOfStream());
  // A session on its way out takes nobody new.
  RawClient late(sim_.Connect());
  sim_.server().dispatcher().Stop();
  EXPECT_EQ(late.Hello().code, -38);
}

// What a broken client may send; each closes its own connection and no other.
TEST_F(ServerTest, BrokenFramesCloseOnlyThatConnection) {
  const std::string reply = protocol::PackReply(1, 0, "");
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"undecodable", std::string("\0\0\0\3", 4) + "\xc1\xc1\xc1"},  // never MessagePack
      {"oversized", std::string("\x7f\xff\xff\xff", 4)},             // far above the limit
      {"a reply", std::string(3, '\0') + static_cast<char>(reply.size()) + reply},
  };
  RawClient good(sim_.Connect());
  ASSERT_EQ(good.Hello().code, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RawClient bad(sim_.Connect());
    ASSERT_EQ(::write(bad.fd(), c.bytes.data(), c.bytes.size()),
              static_cast<ssize_t>(c.bytes.size()));
    EXPECT_TRUE(bad.SeesEndOfStream());
    EXPECT_EQ(good.Call<method::ping>().code, 0);
  }
}

// A pick goes to the client that added the command, a notification to the one that
// asked for it, and the end of the session to everyone.
TEST_F(ServerTest, EventsGoToTheClientsTheyBelongTo) {
  tavtest::TempDir text;
  tavtest::WriteFile(text.file("labels.txt"), "Cap_0\nTav\n#\n#\nCap_1\nExport\n#\n#\n");
  RawClient a(sim_.Connect()), b(sim_.Connect());
  ASSERT_EQ(a.Hello(text.path()).code, 0);
  ASSERT_EQ(b.Hello().code, 0);
  ASSERT_EQ(
      a.Call<method::ProMenubarMenuAdd>("TavMenu", "Cap_0", std::nullopt, 1, "labels.txt").code, 0);
  const auto [cmd] = protocol::OutsOf<method::ProCmdActionAdd>(
      a.Call<method::ProCmdActionAdd>("Act", 12, 3, 1, 1));
  ASSERT_EQ(a.Call<method::ProMenubarmenuPushbuttonAdd>("TavMenu", "B1", "Cap_1", "Cap_1",
                                                        std::nullopt, 1, cmd, "labels.txt")
                .code,
            0);
  ASSERT_EQ(b.Call<method::ProNotificationSet>(static_cast<int>(PRO_FILE_OPEN_OK), 1).code, 0);
  EXPECT_EQ(b.Call<method::ProCmdAccessUpdate>(cmd, 0, 3).code, -2) << "not its command";
  ASSERT_EQ(sim_.Ctl({"pick", "Export"}).code, 0);
  ASSERT_EQ(sim_.Ctl({"new", "widget", "prt"}).code, 0);
  sim_.Shutdown();
  protocol::Message ev;
  ASSERT_TRUE(a.NextEvent(&ev));
  EXPECT_EQ(ev.name, "command");
  ASSERT_TRUE(b.NextEvent(&ev));
  EXPECT_EQ(ev.name, "notify");
  for (RawClient* c : {&a, &b}) {
    ASSERT_TRUE(c->NextEvent(&ev));
    EXPECT_EQ(ev.name, "terminate");
    EXPECT_EQ(protocol::Arg<int>(ev.body, 0), 1);
    EXPECT_TRUE(c->SeesEndOfStream());
  }
}

// A menu bar nested 20,000 deep is walked without recursion: a pick finds its
// bottom, and a tree too large for one reply frame is refused with a message.
TEST_F(ServerTest, MenubarOfAnyDepthIsWalkedAndAnOversizedReplyRefused) {
  sim_.server().dispatcher().WithLock([](sim::Store&, sim::Session& s) {
    std::string parent = "Tools";
    for (int i = 0; i < 20000; ++i) {
      std::string name = "Deep" + std::to_string(i);
      s.AddSubMenu(parent, name, "In", nullptr, false);
      parent = std::move(name);
    }
    return s.AddButton(parent, "Bottom", "Bottom", "", nullptr, false, sim::kBuiltinCommand);
  });
  RawClient c(sim_.Connect());
  const protocol::Message menubar = c.Call<method::ctl>(std::vector<std::string>{"menubar"});
  EXPECT_NE(menubar.code, 0);
  EXPECT_NE(std::get<0>(protocol::OutsOf<method::ctl>(menubar)).find("larger than one frame"),
            std::string::npos);
  const protocol::Message pick = c.Call<method::ctl>(std::vector<std::string>{"pick", "Bottom"});
  EXPECT_EQ(pick.code, 0) << std::get<0>(protocol::OutsOf<method::ctl>(pick));
}

TEST_F(ServerTest, ClientThatDisconnectsMidCallIsForgotten) {
  sim::ClientId id = 0;
  {
    RawClient c(sim_.Connect(&id));
    c.Hello();
    EXPECT_EQ(c.Call<method::ProCmdActionAdd>("GoneAct", 2, 3, 1, 1).code, 0);
    EXPECT_EQ(c.Call<method::ProNotificationSet>(18, 1).code, 0);
    EXPECT_EQ(sim_.Ctl({"delay", "ProMdlCurrentGet", "50"}).code, 0);
    // The request is in flight (delayed) when the client goes away.
    ASSERT_TRUE(
        protocol::WriteFrame(c.fd(), protocol::PackRequestOf<method::ProMdlCurrentGet>(99, {})));
  }
  // Another client can take the command name again once the first is forgotten:
  // wait for that by a call that is answered only after the delay has passed.
  RawClient other(sim_.Connect());
  other.Hello();
  EXPECT_EQ(sim_.Ctl({"delay", "ProMdlCurrentGet", "0"}).code, 0);
  bool forgotten = false;
  while (!forgotten) {
    forgotten = sim_.server().dispatcher().WithLock(
        [&](sim::Store&, sim::Session& s) { return s.FindClient(id) == nullptr; });
    if (!forgotten) std::this_thread::yield();
  }
  EXPECT_EQ(other.Call<method::ProCmdActionAdd>("GoneAct", 2, 3, 1, 1).code, 0);
}

}  // namespace
