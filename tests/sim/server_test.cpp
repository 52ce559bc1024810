// The session server over real sockets: a raw protocol client on a socketpair
// (SimHarness::Connect) or on the display's socket, several clients at once, and
// connections that misbehave.
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
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
  EXPECT_EQ(c.Call<method::ping>().code, -1);
  protocol::Message hello = c.Hello();
  ASSERT_EQ(hello.code, 0);
  const auto [handle] = protocol::OutsOf<method::hello>(hello);
  EXPECT_TRUE(handle.array_index != 0 || handle.auth_key != 0);
  EXPECT_EQ(c.Call<method::ping>().code, 0);
  EXPECT_EQ(c.Call<method::bye>().code, 0);
  EXPECT_TRUE(c.SeesEndOfStream());
}

TEST_F(ServerTest, UndecodableFrameClosesOnlyThatConnection) {
  RawClient good(sim_.Connect());
  RawClient bad(sim_.Connect());
  good.Hello();
  const std::string garbage = "\xc1\xc1\xc1";  // 0xc1 is never valid MessagePack
  ASSERT_TRUE(protocol::WriteFrame(bad.fd(), garbage));
  EXPECT_TRUE(bad.SeesEndOfStream());
  EXPECT_EQ(good.Call<method::ping>().code, 0);
}

TEST_F(ServerTest, OversizedFrameClosesOnlyThatConnection) {
  RawClient good(sim_.Connect());
  RawClient bad(sim_.Connect());
  good.Hello();
  const unsigned char head[4] = {0x7f, 0xff, 0xff, 0xff};  // far above the frame limit
  ASSERT_EQ(::write(bad.fd(), head, 4), 4);
  EXPECT_TRUE(bad.SeesEndOfStream());
  EXPECT_EQ(good.Call<method::ping>().code, 0);
}

TEST_F(ServerTest, AReplyOrEventFromTheClientIsProtocolAbuse) {
  RawClient bad(sim_.Connect());
  ASSERT_TRUE(protocol::WriteFrame(bad.fd(), protocol::PackReply(1, 0, "")));
  EXPECT_TRUE(bad.SeesEndOfStream());
}

TEST_F(ServerTest, ServesSeveralClientsFromSeveralThreads) {
  constexpr int kClients = 6;
  std::vector<std::thread> threads;
  std::vector<int> failures(kClients, 0);
  for (int i = 0; i < kClients; ++i) {
    int fd = sim_.Connect();
    threads.emplace_back([fd, i, &failures] {
      RawClient c(fd);
      if (c.Hello().code != 0) ++failures[i];
      for (int k = 0; k < 50; ++k) {
        if (c.Call<method::ping>().code != 0) ++failures[i];
        if (c.Call<method::ProWindowCurrentGet>().code != 0) ++failures[i];
      }
      if (c.Call<method::bye>().code != 0) ++failures[i];
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < kClients; ++i) EXPECT_EQ(failures[i], 0) << "client " << i;
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

TEST_F(ServerTest, ShutdownSendsTerminateToEveryClient) {
  RawClient a(sim_.Connect());
  RawClient b(sim_.Connect());
  a.Hello();
  b.Hello();
  sim_.Shutdown();
  for (RawClient* c : {&a, &b}) {
    protocol::Message ev;
    ASSERT_TRUE(c->NextEvent(&ev));
    EXPECT_EQ(ev.name, "terminate");
    EXPECT_EQ(protocol::Arg<int>(ev.body, 0), 1);
    EXPECT_TRUE(c->SeesEndOfStream());
  }
}

TEST_F(ServerTest, ListensOnTheDisplaySocketAndRefusesASecondSession) {
  tavtest::TempDir tmp;
  tavtest::ScopedEnv env("TMPDIR", tmp.path().c_str());
  tavtest::SimHarness first;
  std::string error;
  ASSERT_TRUE(first.Listen(&error)) << error;
  const std::string path = first.server().socket_path();
  EXPECT_EQ(path, tmp.path() + "proe-sim-" + std::to_string(::getuid()) + "/" + first.display() +
                      ".sock");
  tavtest::SimHarnessOptions same;
  same.display = first.display();
  tavtest::SimHarness second(same);
  EXPECT_FALSE(second.Listen(&error));
  EXPECT_NE(error.find("already served"), std::string::npos) << error;
}

TEST_F(ServerTest, ReplacesAStaleSocketFile) {
  tavtest::TempDir tmp;
  tavtest::ScopedEnv env("TMPDIR", tmp.path().c_str());
  std::string path;
  {
    tavtest::SimHarnessOptions o;
    o.display = "stale";
    tavtest::SimHarness first(o);
    ASSERT_TRUE(first.Listen());
    path = first.server().socket_path();
  }
  // Leave a socket file behind that nobody answers.
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(fd);
  tavtest::SimHarnessOptions o;
  o.display = "stale";
  tavtest::SimHarness second(o);
  std::string error;
  EXPECT_TRUE(second.Listen(&error)) << error;
}

}  // namespace
