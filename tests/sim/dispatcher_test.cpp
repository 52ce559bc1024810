// The request dispatcher without sockets: requests are packed as a client would
// pack them, answered by a real store (over the sample models) and session, and
// the replies decoded again.
#include "sim/dispatcher.h"

#include <tuple>

#include <gtest/gtest.h>

#include "protocol/message.h"
#include "protocol/values.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace {

using protocol::Arg;

constexpr sim::ClientId kModule = 1;
constexpr sim::ClientId kOther = 2;
const msgpack::type::nil_t kNil;

class DispatcherTest : public ::testing::Test {
 protected:
  DispatcherTest()
      : store_(sim::StoreOptions{work_.path(), {tavtest::SampleModelsDir()}}),
        session_(Options()),
        dispatcher_(store_, session_) {}

  sim::SessionOptions Options() {
    sim::SessionOptions o;
    o.working_dir = work_.path();
    o.search_path = {tavtest::SampleModelsDir()};
    return o;
  }

  template <class... A>
  protocol::Message Call(sim::ClientId client, const std::string& name, const A&... args) {
    std::string why;
    protocol::Message request;
    EXPECT_TRUE(protocol::Decode(protocol::PackRequest(++seq_, name, args...), &request, &why));
    sim::Outcome o = dispatcher_.Handle(client, request);
    events_ = o.events;
    protocol::Message reply;
    EXPECT_TRUE(protocol::Decode(o.reply, &reply, &why)) << why;
    EXPECT_EQ(reply.seq, seq_);
    return reply;
  }
  template <class... A>
  protocol::Message Call(const std::string& name, const A&... args) {
    return Call(kModule, name, args...);
  }
  template <class... A>
  int Code(const std::string& name, const A&... args) {
    return Call(kModule, name, args...).code;
  }

  void Hello(sim::ClientId client = kModule, const std::string& text_dir = "") {
    ASSERT_EQ(Call(client, "hello", 1, std::string(), std::string("me"), text_dir, 42).code, 0);
  }

  std::uint64_t Load(const std::string& file) {
    protocol::Message r = Call("ProMdlLoad", file, -1, 0);
    EXPECT_EQ(r.code, 0) << file;
    return r.code == 0 ? Arg<std::uint64_t>(r.body, 0) : 0;
  }

  std::string Ctl(std::vector<std::string> args) {
    sim::ControlResult r = dispatcher_.Control(args);
    EXPECT_EQ(r.code, 0) << r.text;
    events_ = r.events;
    return r.text;
  }

  tavtest::TempDir work_;
  tavtest::TempDir text_;
  sim::Store store_;
  sim::Session session_;
  sim::Dispatcher dispatcher_;
  std::vector<sim::Event> events_;
  std::uint64_t seq_ = 0;
};

protocol::Message DecodeEvent(const sim::Event& e) {
  protocol::Message m;
  std::string why;
  EXPECT_TRUE(protocol::Decode(e.payload, &m, &why)) << why;
  EXPECT_EQ(m.kind, protocol::Kind::kEvent);
  return m;
}

// ---- Requests in general ----------------------------------------------------------------

TEST_F(DispatcherTest, InjectedFaultsFailTheNextCallsThenExpire) {
  Ctl({"fault", "ProEngineerConnect", "-48"});
  EXPECT_EQ(Call("hello", 1, std::string(), std::string(), std::string(), 1).code, -48);
  Hello();
  Ctl({"fault", "ProWindowCurrentGet", "-33", "2"});
  EXPECT_EQ(Code("ProWindowCurrentGet"), -33);
  EXPECT_EQ(Code("ProWindowCurrentGet"), -33);
  EXPECT_EQ(Code("ProWindowCurrentGet"), 0);
  Ctl({"fault", "ProMdlCurrentGet", "crash"});
  EXPECT_EQ(Call("ProMdlCurrentGet").directive, "crash");
  EXPECT_EQ(Call("ProMdlCurrentGet").directive, "");
}

TEST_F(DispatcherTest, RequestsItCannotServeGetTheirCodes) {
  EXPECT_EQ(Call("hello", 99, std::string(), std::string(), std::string(), 1).code, -11);
  Hello();
  EXPECT_EQ(Code("ProMdlLoad", 17, -1, 0), -2);
  EXPECT_EQ(Code("ProMdlLoad"), -2);
  EXPECT_EQ(Code("ProDimensionValueGet", std::string("not an item")), -2);
  EXPECT_EQ(Code("ProNoSuchFunction"), -9);
  dispatcher_.Stop();
  EXPECT_EQ(Call(kOther, "hello", 1, std::string(), std::string(), std::string(), 1).code, -38);
}

// ---- Models and windows -------------------------------------------------------------------

TEST_F(DispatcherTest, EachDisplayedModelGetsItsOwnWindow) {
  Hello();
  std::uint64_t bracket = Load("bracket.prt"), bolt = Load("bolt.prt");
  Call("ProMdlDisplay", bracket);
  Call("ProMdlDisplay", bolt);
  int bolt_window = Arg<int>(Call("ProMdlWindowGet", bolt).body, 0);
  EXPECT_NE(bolt_window, sim::kBaseWindow);
  EXPECT_EQ(Arg<int>(Call("ProWindowCurrentGet").body, 0), bolt_window);
  // Setting the current window does not change the current model; activating does.
  EXPECT_EQ(Code("ProWindowCurrentSet", sim::kBaseWindow), 0);
  EXPECT_EQ(Arg<std::uint64_t>(Call("ProMdlCurrentGet").body, 0), bolt);
  EXPECT_EQ(Code("ProWindowActivate", sim::kBaseWindow), 0);
  EXPECT_EQ(Arg<std::uint64_t>(Call("ProMdlCurrentGet").body, 0), bracket);
  EXPECT_EQ(Code("ProWindowActivate", 77), -2);
  EXPECT_EQ(Code("ProWindowMdlGet", 77), -2);
}

TEST_F(DispatcherTest, ClosingTheBaseWindowEmptiesIt) {
  Hello();
  std::uint64_t bracket = Load("bracket.prt");
  Call("ProMdlDisplay", bracket);
  EXPECT_EQ(Code("ProWindowCurrentClose"), 0);
  protocol::Message w = Call("ProWindowMdlGet", sim::kBaseWindow);
  ASSERT_EQ(w.code, 0);
  EXPECT_EQ(Arg<std::uint64_t>(w.body, 0), 0u);
  EXPECT_EQ(Code("ProMdlCurrentGet"), -8);
  EXPECT_EQ(Code("ProMdlDisplay", kNil), -4) << "redisplay with nothing current";
}

TEST_F(DispatcherTest, ErasingAModelClosesItsWindowAndRefusesAModelInUse) {
  Hello();
  std::uint64_t plate = Load("plate.asm");
  Call("ProMdlDisplay", plate);
  protocol::Message bolt = Call("ProMdlInit", std::string("bolt"), 2);
  ASSERT_EQ(bolt.code, 0);
  EXPECT_EQ(Code("ProMdlEraseAll", Arg<std::uint64_t>(bolt.body, 0)), -39);
  EXPECT_EQ(Code("ProMdlEraseAll", plate), 0);
  EXPECT_EQ(Code("ProMdlCurrentGet"), -8);
  EXPECT_EQ(Code("ProSessionMdlList", 2), -4) << "the parts went with the assembly";
}

// ---- Messages -------------------------------------------------------------------------

TEST_F(DispatcherTest, MessageCodesFollowTheToolkit) {
  tavtest::WriteFile(text_.file("m.txt"),
                     "Short\nhello\n#\n#\nLong\n" + std::string(90, 'x') + "\n#\n#\n");
  Hello(kModule, text_.path());
  auto none = std::make_tuple();
  EXPECT_EQ(Code("ProMessageDisplay", std::string("nofile.txt"), std::string("Short"), none), -4);
  EXPECT_EQ(Code("ProMessageDisplay", std::string("m.txt"), std::string("Nokey"), none), -28);
  EXPECT_EQ(Code("ProMessageDisplay", std::string("m.txt"), std::string("Long"), none), -32);
  ASSERT_EQ(session_.messages().size(), 1u);
  EXPECT_EQ(session_.messages()[0], std::string(80, 'x')) << "shown cut to the line";
  protocol::Message buf =
      Call("ProMessageToBuffer", std::string("m.txt"), std::string("Long"), none);
  EXPECT_EQ(buf.code, -32);
  EXPECT_EQ(Arg<std::string>(buf.body, 0), std::string(80, 'x'));
}

TEST_F(DispatcherTest, MessageFilesAreAlsoFoundInTheWorkingDirectory) {
  tavtest::WriteFile(work_.file("wd.txt"), "Key\nfrom the working dir\n#\n#\n");
  Hello();
  protocol::Message r =
      Call("ProMessageToBuffer", std::string("wd.txt"), std::string("Key"), std::make_tuple());
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(Arg<std::string>(r.body, 0), "from the working dir");
}

TEST_F(DispatcherTest, ArgTypesListOneLetterPerPosition) {
  tavtest::WriteFile(text_.file("t.txt"), "K\n%1d of %0w at %2f|||%3s\n#\n#\n");
  Hello(kModule, text_.path());
  protocol::Message r = Call("ProMessageArgTypes", std::string("t.txt"), std::string("K"));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(Arg<std::string>(r.body, 0), "wdf");
}

// ---- Menus, commands and notifications --------------------------------------------------

class DispatcherMenuTest : public DispatcherTest {
 protected:
  void SetUp() override {
    tavtest::WriteFile(text_.file("labels.txt"), "Cap_0\nTav Menu\n#\n#\nCap_1\nExport\n#\n#\n");
    Hello(kModule, text_.path());
    Hello(kOther);
  }
  std::string Menubar() { return Ctl({"menubar"}); }
};

TEST_F(DispatcherMenuTest, ButtonsShowTheirResolvedLabels) {
  EXPECT_EQ(Code("ProMenubarMenuAdd", std::string("TavMenu1"), std::string("Cap_0"),
                 std::string("Windows"), 0, std::string("labels.txt")),
            0);
  protocol::Message add = Call("ProCmdActionAdd", std::string("TavButton1_Act"), 12, 3, 1, 1);
  ASSERT_EQ(add.code, 0);
  int cmd = Arg<int>(add.body, 0);
  EXPECT_EQ(
      Code("ProMenubarmenuPushbuttonAdd", std::string("TavMenu1"), std::string("Cap_1"),
           std::string("Cap_1"), std::string("Cap_1"), kNil, 1, cmd, std::string("labels.txt")),
      0);
  std::string bar = Menubar();
  EXPECT_NE(bar.find("menu \"Tav Menu\" name=TavMenu1"), std::string::npos) << bar;
  EXPECT_LT(bar.find("TavMenu1"), bar.find("name=Windows")) << "placed before Windows";
  EXPECT_NE(bar.find("  button \"Export\" name=Cap_1 command=" + std::to_string(cmd) +
                     " shown available"),
            std::string::npos)
      << bar;
  EXPECT_EQ(Code("ProMenubarMenuAdd", std::string("TavMenu1"), std::string("Cap_0"),
                 std::string("Windows"), 0, std::string("labels.txt")),
            -5)
      << "a name in use";
  EXPECT_EQ(Code("ProMenubarMenuAdd", std::string("Other"), std::string("Missing"), kNil, 1,
                 std::string("labels.txt")),
            -28);
}

TEST_F(DispatcherMenuTest, RemovingAccessHidesTheBuiltInCommandUntilRemovedOrClientGone) {
  protocol::Message acc = Call("ProCmdAccessFuncAdd", sim::kBuiltinCommand, -1);
  ASSERT_EQ(acc.code, 0);
  int access = Arg<int>(acc.body, 0);
  EXPECT_NE(Menubar().find("name=TVProAction1 command=1 hidden removed"), std::string::npos);
  EXPECT_NE(dispatcher_.Control({"pick", "TVProAction1"}).code, 0);
  EXPECT_EQ(Code("ProCmdAccessFuncRemove", sim::kBuiltinCommand, access), 0);
  EXPECT_NE(Menubar().find("name=TVProAction1 command=1 shown available"), std::string::npos);
  EXPECT_EQ(Code("ProCmdAccessFuncRemove", sim::kBuiltinCommand, access), -1);

  Call("ProCmdAccessFuncAdd", sim::kBuiltinCommand, -1);
  dispatcher_.Forget(kModule);
  EXPECT_NE(Menubar().find("name=TVProAction1 command=1 shown available"), std::string::npos);
}

TEST_F(DispatcherMenuTest, PickSendsTheCommandToTheClientThatRegisteredIt) {
  Call("ProMenubarMenuAdd", std::string("TavMenu1"), std::string("Cap_0"), kNil, 1,
       std::string("labels.txt"));
  int cmd = Arg<int>(Call("ProCmdActionAdd", std::string("Act1"), 12, 3, 1, 1).body, 0);
  Call("ProMenubarmenuPushbuttonAdd", std::string("TavMenu1"), std::string("B1"),
       std::string("Cap_1"), std::string("Cap_1"), kNil, 1, cmd, std::string("labels.txt"));
  Ctl({"pick", "Export"});
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].to, kModule);
  protocol::Message ev = DecodeEvent(events_[0]);
  EXPECT_EQ(ev.name, "command");
  EXPECT_EQ(Arg<int>(ev.body, 0), cmd);

  // The client reports its access function greyed the button out.
  EXPECT_EQ(Code("ProCmdAccessUpdate", cmd, 0, 1), 0);
  sim::ControlResult refused = dispatcher_.Control({"pick", "Export"});
  EXPECT_NE(refused.code, 0);
  EXPECT_TRUE(refused.events.empty());
  EXPECT_EQ(Call(kOther, "ProCmdAccessUpdate", cmd, 0, 3).code, -2) << "not its command";
}

TEST_F(DispatcherMenuTest, AClientThatComesBackTakesItsButtonsOver) {
  Call("ProMenubarMenuAdd", std::string("TavMenu1"), std::string("Cap_0"), kNil, 1,
       std::string("labels.txt"));
  int cmd = Arg<int>(Call("ProCmdActionAdd", std::string("Act1"), 12, 3, 1, 1).body, 0);
  Call("ProMenubarmenuPushbuttonAdd", std::string("TavMenu1"), std::string("B1"),
       std::string("Cap_1"), std::string("Cap_1"), kNil, 1, cmd, std::string("labels.txt"));
  dispatcher_.Forget(kModule);
  EXPECT_NE(Menubar().find("name=B1 command=" + std::to_string(cmd) + " shown dead"),
            std::string::npos);
  EXPECT_NE(dispatcher_.Control({"pick", "Export"}).code, 0);

  Hello(kModule, text_.path());
  int again = Arg<int>(Call("ProCmdActionAdd", std::string("Act1"), 12, 3, 1, 1).body, 0);
  EXPECT_NE(again, cmd);
  EXPECT_EQ(
      Code("ProMenubarmenuPushbuttonAdd", std::string("TavMenu1"), std::string("B1"),
           std::string("Cap_1"), std::string("Cap_1"), kNil, 1, again, std::string("labels.txt")),
      0);
  EXPECT_EQ(dispatcher_.Control({"pick", "Export"}).code, 0);
}

TEST_F(DispatcherMenuTest, NewNotifiesTypeSubtypeAndNameThenCreatesTheModel) {
  EXPECT_EQ(Call(kOther, "ProNotificationSet", 53, 1).code, 0);
  Ctl({"new", "widget", "prt"});
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].to, kOther);
  protocol::Message ev = DecodeEvent(events_[0]);
  auto args = Arg<std::tuple<int, int, std::string>>(ev.body, 1);
  EXPECT_EQ(args, std::make_tuple(2, 2, std::string("WIDGET")));
  EXPECT_EQ(Code("ProMdlInit", std::string("widget"), 2), 0);
  EXPECT_EQ(Code("ProMdlCurrentGet"), 0);
}

}  // namespace
