// The request dispatcher without sockets: requests are packed as a client would
// pack them, answered by a real store (over the sample models) and session, and
// the replies decoded again.
#include "sim/dispatcher.h"

#include <tuple>

#include <gtest/gtest.h>

#include "protocol/message.h"
#include "protocol/methods.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace {

namespace method = protocol::method;
using protocol::Arg;

constexpr sim::ClientId kModule = 1;
constexpr sim::ClientId kOther = 2;

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

  protocol::Message Handle(sim::ClientId client, const std::string& packed) {
    std::string why;
    protocol::Message request, reply;
    EXPECT_TRUE(protocol::Decode(packed, &request, &why));
    sim::Outcome o = dispatcher_.Handle(client, request);
    events_ = o.events;
    EXPECT_TRUE(protocol::Decode(o.reply, &reply, &why)) << why;
    EXPECT_EQ(reply.seq, seq_);
    return reply;
  }
  // Method M's request as a client packs it, from `client` or the module.
  template <class M, class... A>
  protocol::Message CallFrom(sim::ClientId client, const A&... args) {
    return Handle(client, protocol::PackRequestOf<M>(++seq_, typename M::Args(args...)));
  }
  template <class M, class... A>
  protocol::Message Call(const A&... args) {
    return CallFrom<M>(kModule, args...);
  }
  template <class M, class... A>
  int Code(const A&... args) {
    return Call<M>(args...).code;
  }
  // The first out of a call that must succeed.
  template <class M, class... A>
  auto Out(const A&... args) {
    protocol::Message r = Call<M>(args...);
    EXPECT_EQ(r.code, 0) << M::kName;
    return r.code == 0 ? std::get<0>(protocol::OutsOf<M>(r))
                       : std::tuple_element_t<0, typename M::Outs>();
  }
  // A request of a shape no method has.
  template <class A>
  int RawCode(const std::string& name, const A& args) {
    return Handle(kModule, protocol::PackRequest(++seq_, name, args)).code;
  }

  void Hello(sim::ClientId client = kModule, const std::string& text_dir = "") {
    ASSERT_EQ(CallFrom<method::hello>(client, 1, "", "", "me", text_dir, 42).code, 0);
  }

  std::uint64_t Load(const std::string& file) { return Out<method::ProMdlLoad>(file, -1, 0); }

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
  EXPECT_EQ(Call<method::hello>(1, "", "", "", "", 1).code, -48);
  Hello();
  Ctl({"fault", "ProWindowCurrentGet", "-33", "2"});
  EXPECT_EQ(Code<method::ProWindowCurrentGet>(), -33);
  EXPECT_EQ(Code<method::ProWindowCurrentGet>(), -33);
  EXPECT_EQ(Code<method::ProWindowCurrentGet>(), 0);
  Ctl({"fault", "ProMdlCurrentGet", "crash"});
  EXPECT_EQ(Call<method::ProMdlCurrentGet>().directive, "crash");
  EXPECT_EQ(Call<method::ProMdlCurrentGet>().directive, "");
}

TEST_F(DispatcherTest, RequestsItCannotServeGetTheirCodes) {
  EXPECT_EQ(Call<method::hello>(99, "", "", "", "", 1).code, -11);
  Hello();
  EXPECT_EQ(RawCode("ProMdlLoad", std::make_tuple(17, -1, 0)), -2);
  EXPECT_EQ(RawCode("ProMdlLoad", std::make_tuple("bolt.prt", -1)), -2);
  EXPECT_EQ(RawCode("ProDimensionValueGet", std::make_tuple("not an item")), -2);
  EXPECT_EQ(RawCode("ProNoSuchFunction", std::make_tuple()), -9);
  dispatcher_.Stop();
  EXPECT_EQ(CallFrom<method::hello>(kOther, 1, "", "", "", "", 1).code, -38);
}

// ---- Models and windows -------------------------------------------------------------------

TEST_F(DispatcherTest, EachDisplayedModelGetsItsOwnWindow) {
  Hello();
  std::uint64_t bracket = Load("bracket.prt"), bolt = Load("bolt.prt");
  Call<method::ProMdlDisplay>(bracket);
  Call<method::ProMdlDisplay>(bolt);
  int bolt_window = Out<method::ProMdlWindowGet>(bolt);
  EXPECT_NE(bolt_window, sim::kBaseWindow);
  EXPECT_EQ(Out<method::ProWindowCurrentGet>(), bolt_window);
  // Setting the current window does not change the current model; activating does.
  EXPECT_EQ(Code<method::ProWindowCurrentSet>(sim::kBaseWindow), 0);
  EXPECT_EQ(Out<method::ProMdlCurrentGet>(), bolt);
  EXPECT_EQ(Code<method::ProWindowActivate>(sim::kBaseWindow), 0);
  EXPECT_EQ(Out<method::ProMdlCurrentGet>(), bracket);
  EXPECT_EQ(Code<method::ProWindowActivate>(77), -2);
  EXPECT_EQ(Code<method::ProWindowMdlGet>(77), -2);
}

TEST_F(DispatcherTest, ClosingTheBaseWindowEmptiesIt) {
  Hello();
  std::uint64_t bracket = Load("bracket.prt");
  Call<method::ProMdlDisplay>(bracket);
  EXPECT_EQ(Code<method::ProWindowCurrentClose>(), 0);
  EXPECT_EQ(Out<method::ProWindowMdlGet>(sim::kBaseWindow), 0u);
  EXPECT_EQ(Code<method::ProMdlCurrentGet>(), -8);
  EXPECT_EQ(Code<method::ProMdlDisplay>(0), -4) << "redisplay with nothing current";
}

TEST_F(DispatcherTest, ErasingAModelClosesItsWindowAndRefusesAModelInUse) {
  Hello();
  std::uint64_t plate = Load("plate.asm");
  Call<method::ProMdlDisplay>(plate);
  EXPECT_EQ(Code<method::ProMdlEraseAll>(Out<method::ProMdlInit>("bolt", 2)), -39);
  EXPECT_EQ(Code<method::ProMdlEraseAll>(plate), 0);
  EXPECT_EQ(Code<method::ProMdlCurrentGet>(), -8);
  EXPECT_EQ(Code<method::ProSessionMdlList>(2), -4) << "the parts went with the assembly";
}

// ---- Messages -------------------------------------------------------------------------

TEST_F(DispatcherTest, MessageCodesFollowTheToolkit) {
  tavtest::WriteFile(text_.file("m.txt"),
                     "Short\nhello\n#\n#\nLong\n" + std::string(90, 'x') + "\n#\n#\n");
  Hello(kModule, text_.path());
  const method::Values none;
  EXPECT_EQ(Code<method::ProMessageDisplay>("nofile.txt", "Short", none), -4);
  EXPECT_EQ(Code<method::ProMessageDisplay>("m.txt", "Nokey", none), -28);
  EXPECT_EQ(Code<method::ProMessageDisplay>("m.txt", "Long", none), -32);
  ASSERT_EQ(session_.messages().size(), 1u);
  EXPECT_EQ(session_.messages()[0], std::string(80, 'x')) << "shown cut to the line";
  protocol::Message buf = Call<method::ProMessageToBuffer>("m.txt", "Long", none);
  EXPECT_EQ(buf.code, -32);
  EXPECT_EQ(std::get<0>(protocol::OutsOf<method::ProMessageToBuffer>(buf)), std::string(80, 'x'));
}

TEST_F(DispatcherTest, MessageFilesAreAlsoFoundInTheWorkingDirectory) {
  tavtest::WriteFile(work_.file("wd.txt"), "Key\nfrom the working dir\n#\n#\n");
  Hello();
  EXPECT_EQ(Out<method::ProMessageToBuffer>("wd.txt", "Key", method::Values()),
            "from the working dir");
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
  EXPECT_EQ(Code<method::ProMenubarMenuAdd>("TavMenu1", "Cap_0", "Windows", 0, "labels.txt"), 0);
  auto cmd = Out<method::ProCmdActionAdd>("TavButton1_Act", 12, 3, 1, 1);
  EXPECT_EQ(Code<method::ProMenubarmenuPushbuttonAdd>("TavMenu1", "Cap_1", "Cap_1", "Cap_1",
                                                      std::nullopt, 1, cmd, "labels.txt"),
            0);
  std::string bar = Menubar();
  EXPECT_NE(bar.find("menu \"Tav Menu\" name=TavMenu1"), std::string::npos) << bar;
  EXPECT_LT(bar.find("TavMenu1"), bar.find("name=Windows")) << "placed before Windows";
  EXPECT_NE(bar.find("  button \"Export\" name=Cap_1 command=" + std::to_string(cmd) +
                     " shown available"),
            std::string::npos)
      << bar;
  EXPECT_EQ(Code<method::ProMenubarMenuAdd>("TavMenu1", "Cap_0", "Windows", 0, "labels.txt"), -5)
      << "a name in use";
  EXPECT_EQ(Code<method::ProMenubarMenuAdd>("Other", "Missing", std::nullopt, 1, "labels.txt"),
            -28);
}

TEST_F(DispatcherMenuTest, RemovingAccessHidesTheBuiltInCommandUntilRemovedOrClientGone) {
  auto access = Out<method::ProCmdAccessFuncAdd>(sim::kBuiltinCommand, -1);
  EXPECT_NE(Menubar().find("name=TVProAction1 command=1 hidden removed"), std::string::npos);
  EXPECT_NE(dispatcher_.Control({"pick", "TVProAction1"}).code, 0);
  EXPECT_EQ(Code<method::ProCmdAccessFuncRemove>(sim::kBuiltinCommand, access), 0);
  EXPECT_NE(Menubar().find("name=TVProAction1 command=1 shown available"), std::string::npos);
  EXPECT_EQ(Code<method::ProCmdAccessFuncRemove>(sim::kBuiltinCommand, access), -1);

  Call<method::ProCmdAccessFuncAdd>(sim::kBuiltinCommand, -1);
  dispatcher_.Forget(kModule);
  EXPECT_NE(Menubar().find("name=TVProAction1 command=1 shown available"), std::string::npos);
}

TEST_F(DispatcherMenuTest, PickSendsTheCommandToTheClientThatRegisteredIt) {
  Call<method::ProMenubarMenuAdd>("TavMenu1", "Cap_0", std::nullopt, 1, "labels.txt");
  auto cmd = Out<method::ProCmdActionAdd>("Act1", 12, 3, 1, 1);
  Call<method::ProMenubarmenuPushbuttonAdd>("TavMenu1", "B1", "Cap_1", "Cap_1", std::nullopt, 1,
                                            cmd, "labels.txt");
  Ctl({"pick", "Export"});
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].to, kModule);
  protocol::Message ev = DecodeEvent(events_[0]);
  EXPECT_EQ(ev.name, "command");
  EXPECT_EQ(Arg<protocol::CommandId>(ev.body, 0), cmd);

  // The client reports its access function greyed the button out.
  EXPECT_EQ(Code<method::ProCmdAccessUpdate>(cmd, 0, 1), 0);
  sim::ControlResult refused = dispatcher_.Control({"pick", "Export"});
  EXPECT_NE(refused.code, 0);
  EXPECT_TRUE(refused.events.empty());
  EXPECT_EQ(CallFrom<method::ProCmdAccessUpdate>(kOther, cmd, 0, 3).code, -2) << "not its command";
}

TEST_F(DispatcherMenuTest, AClientThatComesBackTakesItsButtonsOver) {
  Call<method::ProMenubarMenuAdd>("TavMenu1", "Cap_0", std::nullopt, 1, "labels.txt");
  auto cmd = Out<method::ProCmdActionAdd>("Act1", 12, 3, 1, 1);
  Call<method::ProMenubarmenuPushbuttonAdd>("TavMenu1", "B1", "Cap_1", "Cap_1", std::nullopt, 1,
                                            cmd, "labels.txt");
  dispatcher_.Forget(kModule);
  EXPECT_NE(Menubar().find("name=B1 command=" + std::to_string(cmd) + " shown dead"),
            std::string::npos);
  EXPECT_NE(dispatcher_.Control({"pick", "Export"}).code, 0);

  Hello(kModule, text_.path());
  auto again = Out<method::ProCmdActionAdd>("Act1", 12, 3, 1, 1);
  EXPECT_NE(again, cmd);
  EXPECT_EQ(Code<method::ProMenubarmenuPushbuttonAdd>("TavMenu1", "B1", "Cap_1", "Cap_1",
                                                      std::nullopt, 1, again, "labels.txt"),
            0);
  EXPECT_EQ(dispatcher_.Control({"pick", "Export"}).code, 0);
}

TEST_F(DispatcherMenuTest, NewNotifiesTypeSubtypeAndNameThenCreatesTheModel) {
  EXPECT_EQ(CallFrom<method::ProNotificationSet>(kOther, 53, 1).code, 0);
  Ctl({"new", "widget", "prt"});
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].to, kOther);
  protocol::Message ev = DecodeEvent(events_[0]);
  auto args = Arg<std::tuple<int, int, std::string>>(ev.body, 1);
  EXPECT_EQ(args, std::make_tuple(2, 2, "WIDGET"));
  EXPECT_EQ(Code<method::ProMdlInit>("widget", 2), 0);
  EXPECT_EQ(Code<method::ProMdlCurrentGet>(), 0);
}

}  // namespace
