// `ctl pick` by a path of labels, a label or a name, and the menu bar as `ctl
// menubar` shows it: help texts, and names with blanks in quotes.
#include <gtest/gtest.h>

#include "protocol/values.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace {

namespace method = protocol::method;

struct PickCase {
  std::string what;
  int code;
  std::string output;  // its start
};
class PickTest : public ::testing::TestWithParam<PickCase> {};

// A top menu holding a submenu with a button "Open" (command 3), then its own
// button "Open" (command 2).
TEST_P(PickTest, PicksTheOneShownButtonItNames) {
  tavtest::TempDir text;
  tavtest::WriteFile(
      text.file("l.txt"),
      "Top\nHost menu\n#\n#\nSub\nSub\n#\n#\nOpen\nOpen\n#\n#\nTip\nOpens it\n#\n#\n");
  tavtest::SimHarness sim;
  tavtest::WireClient client(sim.Connect());
  ASSERT_EQ(0, client.Hello(text.path()).code);
  client.Call<method::ProMenubarMenuAdd>("Host", "Top", "Windows", 0, "l.txt");
  client.Call<method::ProMenubarmenuMenuAdd>("Host", "Sub menu", "Sub", std::nullopt, 1, "l.txt");
  for (std::string parent : {"Host", "Sub menu"}) {
    auto add = client.Call<method::ProCmdActionAdd>(parent + "_Act", 12, 3, 1, 1);
    ASSERT_EQ(0, client
                     .Call<method::ProMenubarmenuPushbuttonAdd>(
                         parent, "B " + parent, "Open", "Tip", std::nullopt, 1,
                         protocol::Arg<int>(add.body, 0), "l.txt")
                     .code);
  }
  EXPECT_NE(std::string::npos,
            sim.Ctl({"menubar"})
                .output.find("  menu \"Sub\" name=\"Sub menu\" shown\n"
                             "    button \"Open\" name=\"B Sub menu\" command=3 shown "
                             "available help=\"Opens it\"\n"));
  const PickCase& c = GetParam();
  tavtest::CtlResult r = sim.Ctl({"pick", c.what});
  EXPECT_EQ(c.code, r.code);
  EXPECT_EQ(c.output, r.output.substr(0, c.output.size())) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, PickTest,
    ::testing::Values(PickCase{"Host menu/Sub/Open", 0, "picked \"Open\" command 3 client"},
                      PickCase{"Host menu/Open", 0, "picked \"Open\" command 2 client"},
                      PickCase{"B Sub menu", 0, "picked \"Open\" command 3 client"},
                      PickCase{"TVProAction1", 0, "picked \"TVProAction1\" command 1 builtin\n"},
                      PickCase{"Open", -2,
                               "2 shown buttons match \"Open\"; pick one by its path:\n"
                               "  Host menu/Sub/Open\n  Host menu/Open\n"},
                      PickCase{"Host menu/Sub", -4, "no shown button labelled or named"}));

}  // namespace
