// The host's menus in a real session: label file and menu bar, picks reaching
// FireClickMenu, calls back from its handler, failures, life until Disconnect.
#include <ProCore.h>
#include <ProToolkitErrors.h>
#include <algorithm>
#include <cerrno>
#include <future>
#include <tuple>

#include "port/files.h"
#include "protocol/methods.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

std::string SampleMenu() { return ReadFile(TAV_SOURCE_DIR "/samples/menus/pdm_menu.xml"); }

class MenuTest : public ModuleTest {
 protected:
  void SetUp() override { StartSession(); }
  int Create(const std::string& xml) { return command().CreateMenu(Wide(xml).c_str()); }
  std::string Menubar() { return sim_->Ctl({"menubar"}).output; }
  bool DefaultCommandShown() { return Menubar().find("TVProAction1 command=1 shown") != kNone; }
  static constexpr std::size_t kNone = std::string::npos;
  CtlResult Pick(const std::string& button) { return sim_->Ctl({"pick", button}); }
  // The module's buttons that show in the menu bar, by name.
  static std::vector<std::string> ShownButtons(const std::string& menubar) {
    std::vector<std::string> names;
    for (const std::string& line : Lines(menubar)) {
      const std::size_t at = line.find(" name=MorvelCap_");
      if (at != std::string::npos && line.find(" shown available ") != std::string::npos)
        names.push_back(line.substr(at + 6, line.find(' ', at + 6) - at - 6));
    }
    return names;
  }
  // The entry (its XML) that a pick of each shown button hands to the host.
  std::vector<std::wstring> PickAll() {
    std::vector<std::wstring> entries;
    for (const std::string& name : ShownButtons(Menubar())) {
      const std::size_t done = host_.CountOf("FireClickMenu");
      EXPECT_EQ(0, Pick(name).code) << name;
      if (!host_.WaitForCalls("FireClickMenu", done + 1)) {
        ADD_FAILURE() << "the pick of " << name << " never reached the host";
        continue;
      }
      entries.push_back(host_.Calls().back().args.at(2));
    }
    return entries;
  }
};

TEST_F(MenuTest, BuildsTheLabelFileAndTheMenusBeforeWindows) {
  Connect(&host_);
  ASSERT_EQ(0, Create(SampleMenu())) << Narrow(command_.m_strStatus);
  std::string labels;  // every entry but id -1; a repeated caption keeps its last key
  int n = 0;
  for (const char* caption : {"PDM", "Check In", "Check Out", "Documents", "Open", "Prüfen",
                              "Drawings", "Open", "出图", "Administration", "About PDM"})
    labels += "MorvelCap_" + std::to_string(n++) + "\r\n" + caption + "\r\n#\r\n#\r\n";
  EXPECT_EQ(labels, ReadFile(ModuleTmpDir() + "TxMsgFile1_2.txt"));
  EXPECT_NE(kNone, Menubar().find(R"(menu "PDM" name=MorvelMenu1 shown
  button "Check In" name=MorvelCap_1 command=2 shown available help="Check In"
  button "Check Out" name=MorvelCap_2 command=3 shown available help="Check Out"
  menu "Documents" name="MorvelMenu  2" shown
    button "Open" name=MorvelCap_7 command=4 shown available help="Open"
    button "Prüfen" name=MorvelCap_5 command=5 shown available help="Prüfen"
    menu "Drawings" name="MorvelMenu  3" shown
      button "Open" name=MorvelCap_7 command=6 shown available help="Open"
      button "出图" name=MorvelCap_8 command=7 shown available help="出图"
  button "About PDM" name=MorvelCap_10 command=8 shown available help="About PDM"
menu "Windows" name=Windows shown
)")) << Menubar();
  EXPECT_FALSE(DefaultCommandShown());
  EXPECT_EQ(1, Pick("Open").code) << "two buttons share the label";
}

struct PickCase {
  std::string button, open_first, xml;
};
using DocumentCase = std::pair<std::string, std::vector<PickCase>>;  // document, picks
class MenuPickTest : public MenuTest, public ::testing::WithParamInterface<DocumentCase> {};

TEST_P(MenuPickTest, EachPickSendsHandleModelAndEntry) {
  Connect(&host_);
  ASSERT_EQ(0, Create(GetParam().first)) << Narrow(command_.m_strStatus);
  const long references = host_.References();
  for (const PickCase& c : GetParam().second) {
    if (!c.open_first.empty()) sim_->Ctl({"open", SamplePath(c.open_first)});
    const std::size_t done = host_.CountOf("FireClickMenu");
    ASSERT_EQ(0, Pick(c.button).code) << c.button;
    ASSERT_TRUE(host_.WaitForCalls("FireClickMenu", done + 1)) << c.button;
    const std::wstring model = c.open_first.empty() ? L"" : Wide(SamplePath(c.open_first));
    EXPECT_EQ((std::vector<std::wstring>{handle_, model, Wide(c.xml)}), host_.Calls().back().args);
  }
  // The module lets go of the host after its handler returned.
  EXPECT_TRUE(WaitUntil([&] { return host_.References() == references; }))
      << host_.References() << " references instead of " << references;
}

std::string Utf16Declared() {  // as .NET hosts declare the text they hand over
  std::string text = SampleMenu();
  return text.replace(text.find("UTF-8"), 5, "utf-16");
}

// Entries `levels` deep, with a button at the bottom.
std::string Nested(int levels) {
  std::string in, out;
  for (int i = 0; i < levels; ++i) in += "<mnu id='-2' caption='In'>", out += "</mnu>";
  return "<mnus caption='Deep'>" + in + "<mnu id='4' caption='Bottom'/>" + out + "</mnus>";
}

INSTANTIATE_TEST_SUITE_P(
    Documents, MenuPickTest,
    ::testing::Values(
        DocumentCase{
            SampleMenu(),
            {{"PDM/Check In", "", R"(<mnu id="1" caption="Check In" command="checkin"/>)"},
             {"PDM/Documents/Open", "",
              R"(<mnu id="3" caption="Open" command="open" scope="part"/>)"},
             {"PDM/Documents/Drawings/Open", "",
              R"(<mnu id="5" caption="Open" command="open" scope="drawing"/>)"},
             {"Prüfen", "", R"(<mnu id="4" caption="Prüfen" command="review"/>)"},
             {"出图", "", R"(<mnu id="6" caption="出图" command="plot"/>)"},
             {"About PDM", "bolt.prt.1", R"(<mnu id=" 8 " caption="About PDM" command="about">
    <link href="https://pdm.example.com/help"/>
  </mnu>)"}}},
        DocumentCase{Nested(31), {{"Bottom", "", R"(<mnu id="4" caption="Bottom"/>)"}}}));

// An entry the lookup cannot find again (its id written "07") shows message 5220
// instead of reaching the host. (Without the host's event interface nothing reaches
// it: one check in host delivery serves picks and notifications, and the
// notification tests hold it.)
TEST_F(MenuTest, APickOfAnEntryNotFoundAgainSendsNothing) {
  Connect(&host_);
  ASSERT_EQ(0, Create("<mnus caption='M'><mnu id='07' caption='Seven'/></mnus>"));
  const std::size_t mark = LogSize();
  ASSERT_EQ(0, Pick("Seven").code);
  EXPECT_TRUE(command().ConnIsValid());  // after a round trip the pick is queued: run it
  port::Guard hold(ProeCore::Instance()->Lock());
  ProEventProcess();
  EXPECT_TRUE(Contains(LogLinesSince(mark), "menu not exists."));
  EXPECT_EQ(0u, host_.CountOf("FireClickMenu"));
}

// The lock is really left around the host's handler: a host that hands the pick to
// a thread of its own and waits for it there gets its calls answered.
class MenuCallbackTest : public MenuTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MenuCallbackTest, TheHostMayCallTheModuleFromItsHandler) {
  std::wstring name = L"(none)";
  std::promise<void> handled;
  std::future<void> done = handled.get_future();
  host_.on_pick = [&](const FakeHost::Call&) {
    auto work = [&] {
      command().OpenFile(Wide(SamplePath("bolt.prt.1")).c_str());
      command().GetCurrentMdlFullName(name);
    };
    GetParam() ? std::thread(work).join() : work();
    handled.set_value();
  };
  // Set up first: the construction's lock orders it before the listen thread's rounds.
  Connect(&host_);
  ASSERT_EQ(0, Create(SampleMenu()));
  ASSERT_EQ(0, Pick("Check In").code);
  ASSERT_EQ(std::future_status::ready, done.wait_for(std::chrono::seconds(10)));
  EXPECT_EQ(Wide(SamplePath("bolt.prt.1")), name);
}
INSTANTIATE_TEST_SUITE_P(SameOrOtherThread, MenuCallbackTest, ::testing::Bool());

constexpr char kWrongRoot[] =
    "Menu document refused: its root element must be mnus, without a namespace. \n";

std::string Entries(int n) {
  std::string text = "<mnus caption='Many'>";
  for (int i = 0; i < n; ++i) text += "<mnu id='" + std::to_string(i) + "' caption='E'/>";
  return text + "</mnus>";
}

// Failed constructions add no menu and leave TVProAction1 shown; a good one stays
// until Disconnect (label files gone) and a new LoadApplication lets another build.
TEST_F(MenuTest, FailuresThenMenusUntilDisconnectThenNewMenus) {
  Connect(&host_);
  ASSERT_TRUE(port::CreateDirectory(ModuleTmpDir() + "TxMsgFile1_2.txt"));  // blocks the first
  for (const auto& [document, code, message] :
       std::vector<std::tuple<std::string, int, std::string>>{
           {"<mnus caption='x'><mnu></mnus>", 1, "Document not parsed successfully. \n"},
           {"<!DOCTYPE m [<!ENTITY a 'a'>]><mnus/>", 1, "Document not parsed successfully. \n"},
           {"<notmnus caption='x'/>", 1, kWrongRoot},
           {"<mnus xmlns='urn:pdm' caption='x'><mnu id='1' caption='A'/></mnus>", 1, kWrongRoot},
           {Nested(32), 1, "Menu document refused: entries nested deeper than 32 levels. \n"},
           {Entries(10001), 1, "Menu document refused: more than 10000 entries. \n"},
           {SampleMenu(), EISDIR, "Is a directory"}}) {
    EXPECT_EQ(-1, Create(document));
    EXPECT_EQ(code, command_.m_nStatus);
    EXPECT_EQ(Wide(message), command_.m_strStatus);
    EXPECT_TRUE(DefaultCommandShown());
    EXPECT_EQ(kNone, Menubar().find("MorvelMenu1"));
  }

  const std::string sync = "<mnus caption='Other'><mnu id='9' caption='Sync'/></mnus>";
  ASSERT_EQ(0, Create(Utf16Declared()));
  const std::string bar = Menubar();
  EXPECT_EQ(0, Create(sync));
  EXPECT_EQ(bar, Menubar());
  EXPECT_FALSE(DefaultCommandShown());
  command().Disconnect();
  EXPECT_TRUE(DefaultCommandShown());
  EXPECT_FALSE(port::FileExists(ModuleTmpDir() + "TxMsgFile2_2.txt"));

  Connect(&host_);
  ASSERT_EQ(0, Create(sync));
  EXPECT_FALSE(DefaultCommandShown());
  ASSERT_EQ(0, Pick("Sync").code);
  ASSERT_TRUE(host_.WaitForCalls("FireClickMenu", 1));
  EXPECT_EQ(L"<mnu id=\"9\" caption=\"Sync\"/>", host_.Calls().back().args.at(2));
}

const char kThree[] =
    "<mnus caption='M'><mnu id='1' caption='One'/>"
    "<mnu id='-2' caption='Sub'><mnu id='2' caption='Two'/></mnu><mnu id='3' caption='Three'/>"
    "</mnus>";
const wchar_t kOne[] = LR"(<mnu id="1" caption="One"/>)";
const wchar_t kTwo[] = LR"(<mnu id="2" caption="Two"/>)";
const wchar_t kThreeEntry[] = LR"(<mnu id="3" caption="Three"/>)";

struct RefusalCase {
  std::string name, xml;
  std::string refused;  // the toolkit function the session refuses once, or ""
  int left_out;
  std::vector<std::wstring> picked;  // what the picks of the shown buttons send
};
class MenuRefusalTest : public MenuTest, public ::testing::WithParamInterface<RefusalCase> {};

// An entry the session refuses is left out (a submenu with its entries), logged,
// and counted in the status; everything else is built and answers its pick. Which
// captions the session refuses is its message file's tests'; each toolkit call of
// the construction failing in turn, the fault sweep's.
TEST_P(MenuRefusalTest, LeavesOutWhatTheSessionRefusesAndBuildsTheRest) {
  const RefusalCase& c = GetParam();
  Connect(&host_);
  if (!c.refused.empty()) {
    ASSERT_EQ(0, sim_->Ctl({"fault", c.refused, "-1"}).code);
  }
  const std::size_t mark = LogSize();
  ASSERT_EQ(0, Create(c.xml)) << Narrow(command_.m_strStatus);
  EXPECT_EQ(0, command_.m_nStatus);
  const std::wstring counted =
      std::to_wstring(c.left_out) + L" menu entries left out; the log names them.";
  EXPECT_EQ(c.left_out == 0 ? L"" : counted, command_.m_strStatus);
  const std::vector<std::string> log = LogLinesSince(mark);
  EXPECT_EQ(c.left_out > 0, std::any_of(log.begin(), log.end(), [](const std::string& line) {
              return line.rfind("menu entry id=", 0) == 0;
            }));
  EXPECT_EQ(c.refused == "ProCmdAccessFuncAdd", DefaultCommandShown());
  EXPECT_EQ(c.picked, PickAll()) << Menubar();
}

// Three buttons, the second with `caption`.
std::string Flat(const std::string& caption) {
  return "<mnus caption='M'><mnu id='1' caption='One'/><mnu id='2' caption='" + caption +
         "'/><mnu id='3' caption='Three'/></mnus>";
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, MenuRefusalTest,
    ::testing::Values(
        RefusalCase{"CaptionWithAnArgument", Flat("Save %0w"), "", 1, {kOne, kThreeEntry}},
        RefusalCase{"RepeatedCaption", Flat("One"), "", 1, {kOne, kThreeEntry}},
        RefusalCase{"Submenu", kThree, "ProMenubarmenuMenuAdd", 2, {kOne, kThreeEntry}},
        RefusalCase{"Button", kThree, "ProMenubarmenuPushbuttonAdd", 1, {kTwo, kThreeEntry}},
        RefusalCase{"Hide", kThree, "ProCmdAccessFuncAdd", 0, {kOne, kTwo, kThreeEntry}}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// A construction that the session broke off half way (here: a submenu add that
// reports a lost connection) fails; a retry, with the same document or another,
// maps the buttons already there, and every button that shows answers its pick.
class MenuRetryTest : public MenuTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MenuRetryTest, EveryShownButtonAnswersAfterARetry) {
  Connect(&host_);
  ASSERT_EQ(0, sim_->Ctl({"fault", "ProMenubarmenuMenuAdd", "-11"}).code);
  ASSERT_EQ(-1, Create(kThree));
  EXPECT_EQ(PRO_TK_COMM_ERROR, command_.m_nStatus);
  ASSERT_EQ(std::vector<std::string>{"MorvelCap_1"}, ShownButtons(Menubar()));

  const bool same = GetParam();
  const std::string corrected =
      "<mnus caption='M'><mnu id='1' caption='Uno' scope='all'/><mnu id='-2' caption='Sub'>"
      "<mnu id='2' caption='Two'/></mnu><mnu id='4' caption='Four'/></mnus>";
  ASSERT_EQ(0, Create(same ? kThree : corrected)) << Narrow(command_.m_strStatus);
  EXPECT_EQ(L"", command_.m_strStatus);
  const std::vector<std::wstring> expected =
      same ? std::vector<std::wstring>{kOne, kTwo, kThreeEntry}
           : std::vector<std::wstring>{LR"(<mnu id="1" caption="Uno" scope="all"/>)", kTwo,
                                       LR"(<mnu id="4" caption="Four"/>)"};
  EXPECT_EQ(expected, PickAll()) << Menubar();
}
INSTANTIATE_TEST_SUITE_P(SameOrCorrected, MenuRetryTest, ::testing::Bool());

// Another host still joined to the session holds the actions: the menu built last
// takes them over, and its host gets the picks.
TEST_F(MenuTest, TakesOverTheActionsOfAnotherConnection) {
  WireClient other(sim_->ConnectRaw());
  ASSERT_EQ(0, other.Hello().code);
  for (const char* action : {"MorvelButton1_Act", "MorvelButton2_Act", "MorvelButton3_Act"})
    ASSERT_EQ(0, other.Call<protocol::method::ProCmdActionAdd>(action, 12, 3, 1, 1).code);
  Connect(&host_);
  const std::size_t mark = LogSize();
  ASSERT_EQ(0, Create(kThree)) << Narrow(command_.m_strStatus);
  EXPECT_TRUE(Contains(LogLinesSince(mark), "took over 3 menu actions of another connection"));
  EXPECT_EQ((std::vector<std::wstring>{kOne, kTwo, kThreeEntry}), PickAll()) << Menubar();
}

}  // namespace
}  // namespace tavtest
