// The menu manager's part of Disconnect: the session's default command given back,
// the current window refreshed, the label files deleted.
#include <ProWindows.h>

#include "port/files.h"
#include "src/proe_menu_manager.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

struct RefreshCase {
  bool menus_built;    // the default command was hidden
  bool model_unknown;  // the session names no model for the current window
  std::vector<std::string> windows;
};
class DefaultCommandTest : public ConnectedTest, public ::testing::WithParamInterface<RefreshCase> {
 protected:
  bool DefaultCommandShown() {
    for (const std::string& line : Lines(sim_->Ctl({"menubar"}).output))
      if (line.find("name=TVProAction1 ") != std::string::npos)
        return line.find(" shown ") != std::string::npos;
    return false;
  }
};

TEST_P(DefaultCommandTest, DisconnectGivesItBackAndActivatesTheCurrentWindow) {
  const RefreshCase& c = GetParam();
  ASSERT_EQ(0, Open(SamplePath("bolt.prt.1")));    // window 1
  ASSERT_EQ(0, Open(SamplePath("washer.prt.1")));  // window 2, current and active
  if (c.menus_built) {
    port::Guard hold(ProeCore::Instance()->Lock());  // as menu construction holds it
    ProeMenuManager::Instance()->HideDefaultCommand();
  }
  EXPECT_EQ(!c.menus_built, DefaultCommandShown());
  ASSERT_EQ(PRO_TK_NO_ERROR, ProWindowCurrentSet(1));
  if (c.model_unknown) Fault("ProWindowMdlGet", "-1");
  command().Disconnect();
  EXPECT_TRUE(DefaultCommandShown());
  EXPECT_EQ(c.windows, Lines(sim_->Ctl({"windows"}).output));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, DefaultCommandTest,
    ::testing::Values(
        RefreshCase{false, false, {"window 1 BOLT.PRT current active", "window 2 WASHER.PRT"}},
        RefreshCase{true, false, {"window 1 BOLT.PRT current active", "window 2 WASHER.PRT"}},
        // A window without a model is closed (the base window: emptied) first.
        RefreshCase{false, true, {"window 1 empty current active", "window 2 WASHER.PRT"}}));

// The list of label files is kept, so a second reset deletes (and logs) them again;
// the files are gone by then, and that is no failure.
TEST_F(ModuleTest, EveryResetDeletesAndLogsTheLabelFiles) {
  std::vector<std::string> paths;
  for (const char* name : {"TxMsgFile1_2.txt", "TxMsgFile2_2.txt"}) {
    paths.push_back(ModuleTmpDir() + name);
    WriteFile(paths.back(), "label\r\n");
    ProeMenuManager::Instance()->AddLabelFile(Wide(name));
  }
  const std::size_t mark = LogSize();
  command().Disconnect();
  EXPECT_FALSE(port::FileExists(paths[0]) || port::FileExists(paths[1]));
  command().Disconnect();
  EXPECT_EQ((std::vector<std::string>{paths[0], paths[1], paths[0], paths[1]}),
            LogLinesSince(mark));
  EXPECT_EQ(0, command_.m_nStatus);
}

}  // namespace
}  // namespace tavtest
