// The menu manager's part of Disconnect: the current window refreshed, the label
// files deleted. (The session's default command given back is the menu tests'.)
#include <ProWindows.h>

#include "port/files.h"
#include "src/proe_menu_manager.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

struct RefreshCase {
  bool model_unknown;  // the session names no model for the current window
  std::vector<std::string> windows;
};
class WindowRefreshTest : public ConnectedTest,
                          public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(WindowRefreshTest, DisconnectActivatesTheCurrentWindow) {
  const RefreshCase& c = GetParam();
  ASSERT_EQ(0, Open(SamplePath("bolt.prt.1")));    // window 1
  ASSERT_EQ(0, Open(SamplePath("washer.prt.1")));  // window 2, current and active
  ASSERT_EQ(PRO_TK_NO_ERROR, ProWindowCurrentSet(1));
  if (c.model_unknown) Fault("ProWindowMdlGet", "-1");
  command().Disconnect();
  EXPECT_EQ(c.windows, Lines(sim_->Ctl({"windows"}).output));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowRefreshTest,
    ::testing::Values(RefreshCase{false,
                                  {"window 1 BOLT.PRT current active", "window 2 WASHER.PRT"}},
                      // A window without a model is closed (the base window: emptied) first.
                      RefreshCase{true, {"window 1 empty current active", "window 2 WASHER.PRT"}}));

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
