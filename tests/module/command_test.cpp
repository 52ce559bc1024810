// The command object's file operations against a real session; failures of the
// session are injected with `proe_sim ctl fault`.
#include "port/files.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

using CommandTest = ConnectedTest;

TEST_F(CommandTest, OpenFileShowsTheModelAndMakesItCurrent) {
  const std::string path = SamplePath("bracket.prt.1");
  ASSERT_EQ(0, Open(path)) << Narrow(command_.m_strStatus);
  EXPECT_EQ(Wide(path), CurrentName());
  EXPECT_TRUE(InOrder(Messages(),
                      {"TAV: prepare open file " + path + ".", "TAV: opened file " + path + "."}));
  // Opening it again shows the same model again.
  ASSERT_EQ(0, Open(path));
  EXPECT_EQ(1, ModelsInSession());
}

TEST_F(CommandTest, OpenFileRefusesAPathTooLongForTheToolkit) {
  // 259 characters fit the toolkit's path buffer with its terminator; 260 do not,
  // and a cut path could name another file, so nothing is loaded.
  auto path_of = [](std::size_t length) {
    const std::string dir = ModuleTmpDir();
    const std::string sub = dir + std::string(length - dir.size() - 11, 'x');
    port::CreateDirectory(sub);
    WriteFile(sub + "/bolt.prt.1", ReadFile(SamplePath("bolt.prt.1")));
    return sub + "/bolt.prt.1";
  };
  const std::string fits = path_of(259), too_long = path_of(260);
  ASSERT_EQ(260u, too_long.size());
  EXPECT_EQ(-1, Open(too_long));
  EXPECT_EQ(L"Open File Error.", command_.m_strStatus);
  EXPECT_EQ(0, ModelsInSession());
  EXPECT_EQ(0, Open(fits)) << Narrow(command_.m_strStatus);
}

// After OpenFile's lock: up to six tries for the current window, a one-second pause
// after each that finds none, none after a broken connection (-11); also when the
// file did not open.
struct WaitCase {
  const char* file;
  const char* window_code;  // what ProWindowCurrentGet answers meanwhile
  int result;
  std::size_t pauses;
};
class WindowWaitTest : public ConnectedTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(WindowWaitTest, PausesASecondAfterEachTryThatFindsNoWindow) {
  const WaitCase& c = GetParam();
  ASSERT_EQ(0, sim_->Ctl({"fault", "ProWindowCurrentGet", c.window_code, "10"}).code);
  clock_.TakePauses(std::this_thread::get_id());
  EXPECT_EQ(c.result, Open(SamplePath(c.file)));
  EXPECT_EQ(std::vector<unsigned>(c.pauses, 1000), clock_.TakePauses(std::this_thread::get_id()));
}

INSTANTIATE_TEST_SUITE_P(Tries, WindowWaitTest,
                         ::testing::Values(WaitCase{"bolt.prt.1", "-1", 0, 6},
                                           WaitCase{"missing.prt.1", "-1", -1, 6},
                                           WaitCase{"bolt.prt.1", "-11", 0, 0}));

// (Each toolkit call of OpenFile failing in turn is the fault sweep's.)
TEST_F(CommandTest, OpenFileFailsForAMissingFileOrAnotherOfTheNameInSession) {
  EXPECT_EQ(-1, Open(SamplePath("missing.prt.1")));
  EXPECT_EQ(-1, command_.m_nStatus);
  EXPECT_EQ(L"Open File Error.", command_.m_strStatus);
  // The next operation starts from a clean status.
  EXPECT_EQ(0, Open(SamplePath("bolt.prt.1")));
  EXPECT_EQ(0, command_.m_nStatus);
  EXPECT_EQ(L"", command_.m_strStatus);
  // With BOLT in session, a path that names no file, or another revision of it,
  // is not answered with the model in session.
  const std::string other = ModuleTmpDir() + "/bolt.prt.7";
  WriteFile(other, ReadFile(SamplePath("bolt.prt.1")));
  const std::pair<std::string, std::wstring> refused[] = {
      {"/no/such/dir/bolt.prt.1", L"Open File Error."},
      {other, L"Open File Error. " + Wide(SamplePath("bolt.prt.1")) + L" is in session, not " +
                  Wide(other)},
      {SamplePath("bolt.prt.2"), L"Open File Error."},
  };
  for (const auto& [path, message] : refused) {
    EXPECT_EQ(-1, Open(path)) << path;
    EXPECT_EQ(message, command_.m_strStatus);
  }
  EXPECT_EQ(Wide(SamplePath("bolt.prt.1")), CurrentName());
  EXPECT_EQ(1, ModelsInSession());
}

TEST_F(CommandTest, CloseAndSaveNeedACurrentModelAndReportRefusals) {
  std::wstring saved = L"stale";
  EXPECT_EQ(-1, command().CloseFile(L"anything.prt"));
  EXPECT_EQ(L"has not active document.", command_.m_strStatus);
  EXPECT_EQ(-1, command().SaveFile(saved));
  EXPECT_EQ(L"has not active document.", command_.m_strStatus);
  EXPECT_EQ(L"", saved);

  ASSERT_EQ(0, Open(SamplePath("bolt.prt.1")));
  Fault("ProMdlSave", "-17");
  saved = L"stale";
  EXPECT_EQ(-1, command().SaveFile(saved));
  EXPECT_EQ(L"save file failed.", command_.m_strStatus);
  EXPECT_EQ(L"", saved);
  Fault("ProMdlEraseAll", "-39");
  EXPECT_EQ(-1, command().CloseFile(L"bolt.prt"));
  EXPECT_EQ(-1, command_.m_nStatus);
  EXPECT_EQ(L"close file failed.", command_.m_strStatus);
  // Neither these nor Disconnect touch the status.
  std::wstring name;
  command().GetCurrentMdlFullName(name);
  EXPECT_TRUE(command().ConnIsValid());
  command().Disconnect();
  EXPECT_EQ(L"close file failed.", command_.m_strStatus);
}

TEST_F(CommandTest, CloseFileActsOnTheCurrentModelWhateverItsArgumentSays) {
  ASSERT_EQ(0, Open(SamplePath("washer.prt.1")));
  ASSERT_EQ(0, command().CloseFile(L"some_other.prt")) << Narrow(command_.m_strStatus);
  EXPECT_TRUE(InOrder(Messages(), {"TAV: prepare close file some_other.prt.",
                                   "TAV: closed file " + SamplePath("washer.prt.1") + "."}));
  EXPECT_EQ(0, ModelsInSession());
  EXPECT_EQ(L"(none)", CurrentName());
}

TEST_F(CommandTest, SaveFileReturnsTheNewVersionWhichExistsOnDisk) {
  TempDir dir;
  WriteFile(dir.file("bolt.prt.1"), ReadFile(SamplePath("bolt.prt.1")));
  ASSERT_EQ(0, Open(dir.file("bolt.prt.1")));
  std::wstring saved = L"stale";
  ASSERT_EQ(0, command().SaveFile(saved)) << Narrow(command_.m_strStatus);
  EXPECT_EQ(Wide(dir.file("bolt.prt.2")), saved);
  EXPECT_TRUE(port::FileExists(saved));
  EXPECT_TRUE(Contains(Messages(), "TAV: saved file " + dir.file("bolt.prt.2") + "."));
}

TEST_F(CommandTest, DestroyingACommandObjectDisconnects) {
  { TAVCAX::TAVPROE2::ProeAsynCommand other; }
  EXPECT_FALSE(ProeCore::Instance()->IsConnected());
  EXPECT_FALSE(command().ConnIsValid());
  EXPECT_TRUE(Contains(Messages(), "TAV: disconnect."));
}

}  // namespace
}  // namespace tavtest
