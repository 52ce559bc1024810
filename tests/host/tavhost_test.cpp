// tavhost as its users run it: the binary with a script in a directory holding
// copies of the samples, against a proe_sim of the test's own.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace tavtest {
namespace {

namespace fs = std::filesystem;

struct HostRun {
  int exit = -1;
  std::string out, err;
};

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class TavhostTest : public ::testing::Test {
 protected:
  TavhostTest() {
    const fs::path samples = fs::path(TAV_SOURCE_DIR) / "samples";
    for (const char* name : {"models", "menus", "exchange_schema.sql", "demo.tav"})
      fs::copy(samples / name, dir_.file(name), fs::copy_options::recursive);
    static std::atomic<int> counter{0};
    display_ = "tavhost " + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    sim_ = std::make_unique<SimProcess>(SimProcessOptions{
        dir_.path(), display_, {"--search-path", dir_.file("models")}, "", 20000, ""});
  }

  // Runs tavhost in the directory with `script` (or none) and `options`.
  HostRun Tavhost(const std::string& script, const std::vector<std::string>& options = {}) {
    WriteFile(dir_.file("script.tav"), script);
    std::string command =
        "cd " + ShellQuoted(dir_.path()) + " && TMPDIR=" + ShellQuoted(dir_.path()) +
        " PATH=" + ShellQuoted(std::string(TAV_BINARY_DIR) + "/bin:" + std::getenv("PATH")) + " " +
        ShellQuoted(TAVHOST) + " --display " + ShellQuoted(display_);
    for (const std::string& option : options) command += " " + ShellQuoted(option);
    command += " script.tav >out.txt 2>err.txt </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir_.file("out.txt")),
            ReadFile(dir_.file("err.txt"))};
  }

  TempDir dir_;
  std::string display_;
  std::unique_ptr<SimProcess> sim_;
};

::testing::AssertionResult HasAll(const std::string& text, const std::vector<std::string>& parts) {
  for (const std::string& part : parts)
    if (text.find(part) == std::string::npos)
      return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
  return ::testing::AssertionSuccess();
}

TEST_F(TavhostTest, DemoScriptCarriesTheEditsIntoTheModel) {
  const HostRun run = Tavhost(ReadFile(dir_.file("demo.tav")), {"--echo"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_TRUE(HasAll(run.out, {
                                  "name ASM_TOP -> MOUNT_PLANE",
                                  "value 20 -> 25, tolerance +0/-0 -> +0.2/-0.1",
                                  "\"TV-2041\" -> \"TV-2042\"",
                                  "deleted (was \"Mounting plate assembly\")",
                                  "added: \"J. Meier\" (text)",
                                  "+ BOLT_PITCH = d1 - d0",
                                  "BOLT_PITCH   80.0000000000",
                                  "saved as " + dir_.file("models/plate.asm.2"),
                                  "<mnu id=\"1\" caption=\"Check In\" command=\"checkin\"/>",
                              }));
  EXPECT_TRUE(fs::exists(dir_.file("models/plate.asm.2")));
}

// What a script sees of each command: exit status, standard output and error.
struct CommandCase {
  const char* name;
  std::vector<std::string> options;
  const char* script;
  int exit;
  std::vector<std::string> out, err;
  const char* absent;  // must not be printed ("" for nothing)
};

TEST_F(TavhostTest, CommandsReportTheirResultsAndStatus) {
  const std::vector<CommandCase> cases = {
      {"session commands",
       {},
       "connect\nopen models/plate.asm.1\ncurrent\ndeps\nsave\nclose\ndisconnect\n",
       0,
       {"opened " + dir_.file("models/plate.asm.1"), dir_.file("models/fastener.asm.1"),
        "saved as " + dir_.file("models/plate.asm.2"), "closed ", "disconnected"},
       {},
       ""},
      {"a failing command stops the script",
       {},
       "connect\nopen nothing.prt\ncurrent\n",
       1,
       {},
       {"line 2: open failed: status -1: Open File Error."},
       "no current model"},
      {"--keep-going runs the rest",
       {"--keep-going"},
       "connect\nopen nothing.prt\ncurrent\n",
       1,
       {"no current model"},
       {"Open File Error."},
       ""},
      {"an unknown command is a usage error",
       {},
       "bogus\nhelp\n",
       2,
       {},
       {"line 1: unknown command 'bogus'"},
       "connect"},
      {"wrong arguments", {}, "open\n", 2, {}, {"usage: open PATH"}, ""},
      {"an unknown option", {"--bogus"}, "", 2, {}, {"unknown option --bogus"}, ""},
      {"unknown kinds",
       {},
       "connect\nexport features x.db\n",
       2,
       {},
       {"unknown kind 'features'"},
       ""},
      {"commands that need the session", {}, "current\n", 1, {}, {"run connect first"}, ""},
      {"no pick arrives",
       {},
       "connect\nwait-pick 0\n",
       1,
       {},
       {"no menu pick within 0 seconds"},
       ""},
      {"a pick arrives",
       {},
       "connect\nmenu menus/pdm_menu.xml\n"
       "shell proe_sim ctl --display \"$TAVHOST_DISPLAY\" pick 'PDM/Documents/Drawings/出图'\n"
       "wait-pick\n",
       0,
       {"<mnu id=\"6\" caption=\"出图\" command=\"plot\"/>"},
       {},
       ""},
      {"a shell step that fails", {}, "shell exit 3\nhelp\n", 1, {}, {"status 3"}, "connect"},
      {"a check that does not hold",
       {},
       "sql x.db \"create table t (a); insert into t values (1), (2)\"\n"
       "check x.db \"select a from t\" 1 3\n",
       1,
       {"2 rows changed"},
       {"expected 1, 3, found 1, 2"},
       ""},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    const HostRun run = Tavhost(c.script, c.options);
    EXPECT_EQ(run.exit, c.exit) << run.out << run.err;
    EXPECT_TRUE(HasAll(run.out, c.out));
    EXPECT_TRUE(HasAll(run.err, c.err));
    if (*c.absent) {
      EXPECT_EQ(run.out.find(c.absent), std::string::npos) << run.out;
    }
  }
}

TEST_F(TavhostTest, JsonGivesOneObjectPerResult) {
  const HostRun run =
      Tavhost("connect\nopen models/bolt.prt.1\ndeps\nopen nothing.prt\n", {"--json"});
  EXPECT_EQ(run.exit, 1);
  std::vector<nlohmann::json> results;
  std::size_t start = 0;
  for (std::size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
    results.push_back(nlohmann::json::parse(run.out.substr(start, end - start)));
  ASSERT_EQ(results.size(), 4u) << run.out;
  EXPECT_EQ(results[0]["command"], "connect");
  EXPECT_EQ(results[1]["model"], dir_.file("models/bolt.prt.1"));
  EXPECT_EQ(results[2]["dependencies"], nlohmann::json::array());
  EXPECT_EQ(results[3]["ok"], false);
  EXPECT_EQ(results[3]["status"], -1);
  EXPECT_EQ(results[3]["message"], "Open File Error.");
  EXPECT_EQ(results[3]["line"], 4);
}

TEST_F(TavhostTest, DiffShowsChangesAndConflictsAndWritesNothing) {
  // Another version of the assembly, with a dimension and a parameter changed
  // after the host exported the first.
  std::string changed = ReadFile(dir_.file("models/plate.asm.1"));
  changed.replace(changed.find("\"value\": 20.0"), 13, "\"value\": 22.0");
  changed.replace(changed.find("TV-2041"), 7, "TV-3000");
  fs::create_directory(dir_.file("changed"));
  WriteFile(dir_.file("changed/plate.asm.1"), changed);

  const HostRun run = Tavhost(R"(connect
open models/plate.asm.1
sql x.db --file exchange_schema.sql
export all x.db
close
shell proe_sim ctl --display "$TAVHOST_DISPLAY" open changed/plate.asm.1
sql x.db "update RURO_2_feature set featName = 'TOP', RURO_flag = 2 where featId = 3"
sql x.db "update RURO_2_dimension set dimValue = 30, RURO_flag = 2 where dimSymbol = 'd0'"
sql x.db "update RURO_2_parameter set paramValue = 'TV-5', RURO_flag = 2
          where ownerId = 0 and paramName = 'PROJECT'"
sql x.db "update RURO_2_relation set RURO_flag = 3 where relation like 'd1%'"
shell proe_sim ctl --display "$TAVHOST_DISPLAY" dump PLATE.ASM >before.txt && cp x.db x.before
diff x.db
shell proe_sim ctl --display "$TAVHOST_DISPLAY" dump PLATE.ASM >after.txt
)");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_TRUE(HasAll(run.out, {
                                  "name ASM_TOP -> TOP",
                                  "value 22 -> 30",
                                  "\"TV-3000\" -> \"TV-5\"",
                                  "2 lines -> 1 line",
                                  "- d1 = d0 + 80",
                                  "conflicts:",
                                  "changed since the export: value 20 -> 22",
                                  "changed since the export: \"TV-2041\" -> \"TV-3000\"",
                                  "4 changes, 2 conflicts; nothing was written",
                              }));
  EXPECT_NE(ReadFile(dir_.file("before.txt")), "");
  EXPECT_EQ(ReadFile(dir_.file("before.txt")), ReadFile(dir_.file("after.txt")));
  EXPECT_EQ(ReadFile(dir_.file("x.before")), ReadFile(dir_.file("x.db")));
}

}  // namespace
}  // namespace tavtest
