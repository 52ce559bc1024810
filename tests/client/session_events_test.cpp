// Events, callbacks, threads, injected faults and the session's end, with the
// real session server: picks, notifications, access functions, messages and
// menus as the user sees them.
#include <ProCore.h>
#include <ProMdl.h>
#include <ProMenuBar.h>
#include <ProMessage.h>
#include <ProNotify.h>
#include <ProUICmd.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/client/client_fixture.h"
#include "toolkit/client/wide_text.h"

namespace clienttest {
namespace {

std::atomic<int> g_access{ACCESS_AVAILABLE};
ProFileName g_msg_file = L"tavclient.txt";

int OnRun(uiCmdCmdId, uiCmdValue*, void*) {
  g_rec->Add("run");
  return 0;
}

uiCmdAccessState Access(uiCmdAccessMode) { return static_cast<uiCmdAccessState>(g_access.load()); }

ProError OnNew(ProMdlType type, int subtype, ProName name) {
  g_rec->Add("new " + std::to_string(static_cast<int>(type)) + " " + std::to_string(subtype) + " " +
             tkclient::ToUtf8(name));
  return PRO_TK_NO_ERROR;
}

ProError OnOpened(ProModel* model) {
  g_rec->Add("opened " + tkclient::ToUtf8(model->name) + "." + tkclient::ToUtf8(model->type));
  return PRO_TK_NO_ERROR;
}

template <class F>
ProFunction AsNotify(F f) {
  return reinterpret_cast<ProFunction>(reinterpret_cast<void (*)()>(f));
}

class SessionEventsTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    g_access = ACCESS_AVAILABLE;
  }

  // A "Tav Tools" menu (placed before Help) with a "Run Tav" button bound to a new
  // command.
  uiCmdCmdId AddButton(uiCmdCmdActFn action, uiCmdAccessFn access = nullptr, bool menu = true) {
    uiCmdCmdId cmd = nullptr;
    EXPECT_EQ(
        ProCmdActionAdd(C("TavRun"), action, uiProeImmediate, access, PRO_B_TRUE, PRO_B_TRUE, &cmd),
        PRO_TK_NO_ERROR);
    const ProError menu_added =
        menu ? ProMenubarMenuAdd(C("TavMenu"), C("TAV Menu"), C("Help"), PRO_B_FALSE, g_msg_file)
             : PRO_TK_NO_ERROR;
    EXPECT_EQ(menu_added, PRO_TK_NO_ERROR);
    EXPECT_EQ(ProMenubarmenuPushbuttonAdd(C("TavMenu"), C("TavRunBtn"), C("TAV Run"), C("TAV Run"),
                                          nullptr, PRO_B_TRUE, cmd, g_msg_file),
              PRO_TK_NO_ERROR);
    return cmd;
  }
  static char* C(const char* text) { return const_cast<char*>(text); }
};

TEST_F(SessionEventsTest, PickedButtonRunsItsActionInsideEventProcessing) {
  AddButton(OnRun);
  const std::string bar = Ctl({"menubar"});
  EXPECT_LT(bar.find("menu \"Tav Tools\" name=TavMenu"), bar.find("name=Help")) << bar;
  EXPECT_NE(bar.find("  button \"Run Tav\" name=TavRunBtn"), std::string::npos) << bar;
  EXPECT_EQ(ProMenubarMenuAdd(C("TavMenu"), C("TAV Menu"), nullptr, PRO_B_TRUE, g_msg_file),
            PRO_TK_E_FOUND);
  EXPECT_EQ(ProMenubarMenuAdd(C("Other"), C("TAV Missing"), nullptr, PRO_B_TRUE, g_msg_file),
            PRO_TK_MSG_NOT_FOUND);
  Ctl({"pick", "Run Tav"});
  Ctl({"pick", "Run Tav"});
  Barrier();
  EXPECT_TRUE(rec_.Calls().empty());
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), (std::vector<std::string>{"run", "run"}));
  EXPECT_EQ(rec_.threads[0], std::this_thread::get_id());
}

TEST_F(SessionEventsTest, NotificationsArriveWithTheirArgumentsInOrder) {
  ASSERT_EQ(ProNotificationSet(PRO_FILE_OPEN_OK, AsNotify(OnNew)), PRO_TK_NO_ERROR);
  ASSERT_EQ(ProNotificationSet(PRO_MDL_RETRIEVE_POST, AsNotify(OnOpened)), PRO_TK_NO_ERROR);
  AddButton(OnRun);
  Ctl({"open", tavtest::SampleModelsDir() + "bolt.prt.1"});
  Ctl({"pick", "Run Tav"});
  Ctl({"new", "gehaeuse", "prt"});
  Barrier();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), (std::vector<std::string>{"opened BOLT.PRT", "run", "new 2 2 GEHAEUSE"}));
  ASSERT_EQ(ProNotificationUnset(PRO_MDL_RETRIEVE_POST), PRO_TK_NO_ERROR);
  Ctl({"open", tavtest::SampleModelsDir() + "washer.prt.1"});
  Barrier();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls().size(), 3u) << "unset: no more calls";
}

TEST_F(SessionEventsTest, AccessFunctionsDecideWhatTheMenuBarShowsAndCommandsAreFound) {
  g_access = ACCESS_UNAVAILABLE;
  uiCmdCmdId cmd = AddButton(OnRun, Access);
  EXPECT_NE(Ctl({"menubar"}).find("unavailable"), std::string::npos) << Ctl({"menubar"});
  EXPECT_NE(harness_->Ctl({"pick", "Run Tav"}).code, 0) << "an unavailable button cannot be picked";
  g_access = ACCESS_AVAILABLE;
  ProEventProcess();  // re-evaluates and reports
  EXPECT_EQ(harness_->Ctl({"pick", "Run Tav"}).code, 0) << Ctl({"menubar"});
  Barrier();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"run"});
  uiCmdCmdId found = nullptr, again = nullptr;
  EXPECT_EQ(ProCmdCmdIdFind(C("TavRun"), &found), PRO_TK_NO_ERROR);
  EXPECT_EQ(found, cmd);
  EXPECT_EQ(
      ProCmdActionAdd(C("TavRun"), OnRun, uiProeImmediate, nullptr, PRO_B_TRUE, PRO_B_TRUE, &again),
      PRO_TK_E_FOUND);
  EXPECT_EQ(again, nullptr);

  // A further access function can hide a command, the session's own too (found by
  // its name), until it is removed.
  uiCmdCmdId own = nullptr;
  ASSERT_EQ(ProCmdCmdIdFind(C("TVProAction1"), &own), PRO_TK_NO_ERROR);
  for (uiCmdCmdId hidden : {cmd, own}) {
    uiCmdAccessId hide = nullptr;
    ASSERT_EQ(ProCmdAccessFuncAdd(
                  hidden, [](uiCmdAccessMode) { return ACCESS_REMOVE; }, &hide),
              PRO_TK_NO_ERROR);
    const std::string id = std::to_string(reinterpret_cast<std::uintptr_t>(hidden));
    EXPECT_NE(Ctl({"menubar"}).find("command=" + id + " hidden removed"), std::string::npos);
    ASSERT_EQ(ProCmdAccessFuncRemove(hidden, hide), PRO_TK_NO_ERROR);
    EXPECT_EQ(ProCmdAccessFuncRemove(hidden, hide), PRO_TK_GENERAL_ERROR);
  }
  EXPECT_EQ(Ctl({"menubar"}).find("hidden"), std::string::npos);
}

// Where message files are looked for and what a missing key gives: the session's
// message file tests.
TEST_F(SessionEventsTest, MessagesAreFormattedFromTheApplicationsFile) {
  wchar_t who[] = L"W\u00fcrth";
  int parts = 12;
  double mm = 7.5;
  EXPECT_EQ(ProMessageDisplay(g_msg_file, "USER Greeting", who, &parts, &mm), PRO_TK_NO_ERROR);
  EXPECT_NE(Ctl({"messages"}).find("Hello W\xc3\xbcrth: 12 parts, 7.5"), std::string::npos)
      << Ctl({"messages"});
  ProLine line;
  EXPECT_EQ(ProMessageToBuffer(line, g_msg_file, "USER Greeting", who, &parts, &mm),
            PRO_TK_NO_ERROR);
  EXPECT_EQ(std::wstring(line).rfind(L"Hello W\u00fcrth: 12 parts, 7.5", 0), 0u);
  // A position the format skips still takes its pointer.
  const double skipped = 1.0;
  const int five = 5;
  EXPECT_EQ(ProMessageToBuffer(line, g_msg_file, "USER Gap", who, &skipped, &five),
            PRO_TK_NO_ERROR);
  EXPECT_STREQ(line, L"W\u00fcrth then 5");
  // A text too long for the line is shown and returned cut to it, between letters.
  const std::wstring eighty(80, L'\u00e4');
  EXPECT_EQ(ProMessageToBuffer(line, g_msg_file, "USER Long"), PRO_TK_MSG_TOO_LONG);
  EXPECT_EQ(line, eighty);
  EXPECT_EQ(ProMessageDisplay(g_msg_file, "USER Long"), PRO_TK_MSG_TOO_LONG);
  const std::string shown = Ctl({"messages"});
  const std::size_t cut = shown.find(tkclient::ToUtf8(eighty) + "\n");
  EXPECT_NE(cut, std::string::npos) << shown;
  EXPECT_LT(shown.find("Hello W\xc3\xbcrth"), cut) << "oldest first";
  ProMessageClear();
}

TEST_F(SessionEventsTest, AClientThatComesBackTakesItsButtonsOver) {
  AddButton(OnRun);
  ProProcessHandle wrong{1, 2};
  EXPECT_EQ(ProEngineerDisconnect(&wrong, 5), PRO_TK_BAD_INPUTS);
  EXPECT_EQ(ProEngineerDisconnect(&handle_, 5), PRO_TK_NO_ERROR);
  EXPECT_EQ(ProEngineerDisconnect(&handle_, 5), PRO_TK_BAD_INPUTS) << "the handle is spent";
  EXPECT_NE(Ctl({"menubar"}).find("name=TavRunBtn command=2 shown dead"), std::string::npos);
  EXPECT_NE(harness_->Ctl({"pick", "Run Tav"}).code, 0);
  ProEventProcess();
  EXPECT_TRUE(rec_.Calls().empty()) << "leaving is not a termination";

  ASSERT_EQ(
      tkclient::TEST_AttachStream(harness_->Connect(), "", text_dir_.path().c_str(), 0, &handle_),
      PRO_TK_NO_ERROR);
  AddButton(OnRun, nullptr, /*menu=*/false);  // the menu stayed
  Ctl({"pick", "Run Tav"});
  Barrier();
  ProEventProcess();
  EXPECT_EQ(rec_.Calls(), std::vector<std::string>{"run"});
}

}  // namespace
}  // namespace clienttest
