// tavhost as its users run it: the binary with a script in a directory holding
// copies of the samples, against a proe_sim of the test's own.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <future>
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

class TavhostTest : public ::testing::Test {
 protected:
  TavhostTest() {
    const fs::path samples = fs::path(TAV_SOURCE_DIR) / "samples";
    for (const char* name : {"models", "menus", "exchange_schema.sql", "demo.tav"})
      fs::copy(samples / name, dir_.file(name), fs::copy_options::recursive);
    static std::atomic<int> counter{0};
    display_ = "tavhost " + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    sim_ = std::make_unique<SimProcess>(
        SimProcessOptions{dir_.path(), display_, {"--search-path", dir_.file("models")}, ""});
  }

  // Runs tavhost in the directory with `script` (or none) and `options`; runs of
  // different `name`s may go at the same time.
  HostRun Tavhost(const std::string& script, const std::vector<std::string>& options = {},
                  const std::string& name = "script") {
    WriteFile(dir_.file(name + ".tav"), script);
    std::string command =
        "cd " + ShellQuoted(dir_.path()) + " && TMPDIR=" + ShellQuoted(dir_.path()) +
        " PATH=" + ShellQuoted(std::string(TAV_BINARY_DIR) + "/bin:" + std::getenv("PATH")) + " " +
        ShellQuoted(TAVHOST) + " --display " + ShellQuoted(display_);
    for (const std::string& option : options) command += " " + ShellQuoted(option);
    command += " " + name + ".tav >" + name + ".out 2>" + name + ".err </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir_.file(name + ".out")),
            ReadFile(dir_.file(name + ".err"))};
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
  EXPECT_TRUE(HasAll(run.out,
                     {"name ASM_TOP -> MOUNT_PLANE", "value 20 -> 25, tolerance +0/-0 -> +0.2/-0.1",
                      "\"TV-2041\" -> \"TV-2042\"", "deleted (was \"Mounting plate assembly\")",
                      "added: \"J. Meier\" (text)", "+ BOLT_PITCH = d1 - d0",
                      "BOLT_PITCH   80.0000000000", "saved as " + dir_.file("models/plate.asm.2"),
                      "<mnu id=\"1\" caption=\"Check In\" command=\"checkin\"/>"}));
  EXPECT_TRUE(fs::exists(dir_.file("models/plate.asm.2")));
}

// What a script sees of each command: exit status, standard output and error.
struct CommandCase {
  const char* name;
  std::string script;
  int exit;
  std::vector<std::string> out, err;
  const char* absent;  // must not be printed ("" for nothing)
  std::vector<std::string> options;
};
CommandCase Case(const char* name, std::string script, int exit, std::vector<std::string> out,
                 std::vector<std::string> err, const char* absent = "",
                 std::vector<std::string> options = {}) {
  return {name,   std::move(script), exit, std::move(out), std::move(err),
          absent, std::move(options)};
}

TEST_F(TavhostTest, CommandsReportTheirResultsAndStatus) {
  const std::vector<CommandCase> cases = {
      Case("session commands",
           "connect\nopen models/plate.asm.1\ncurrent\ndeps\nsave\nclose\ndisconnect\n", 0,
           {"opened " + dir_.file("models/plate.asm.1"), dir_.file("models/fastener.asm.1"),
            "saved as " + dir_.file("models/plate.asm.2"), "closed ", "disconnected"},
           {}),
      Case("a failing command stops the script", "connect\nopen nothing.prt\ncurrent\n", 1, {},
           {"line 2: open failed: status -1: Open File Error."}, "no current model"),
      Case("usage errors name their line; the worst status is the exit status",
           "bogus\nopen\nexport features x.db\nstep it's \"fine\nwait-pick 99999999999999999999\n"
           "current\nsql q.db \"select 1\n\nhelp\n",
           2, {"== 1. it's \"fine"},
           {"line 1: unknown command 'bogus'", "line 2: usage: open PATH",
            "line 3: unknown kind 'features'", "line 5: usage: wait-pick [SECONDS]",
            "line 6: current failed: status -1: not connected to a CAD session: run connect first",
            "line 7: the \" quote opened on line 7, column 10 is never closed"},
           "connect", {"--keep-going"}),
      Case("an unknown option", "", 2, {}, {"unknown option --bogus"}, "", {"--bogus"}),
      Case("no pick arrives", "connect\nwait-pick 0\n", 1, {}, {"no menu pick within 0 seconds"}),
      Case("a pick arrives",
           "connect\nmenu menus/pdm_menu.xml\nshell proe_sim ctl --display "
           "\"$TAVHOST_DISPLAY\" pick 'PDM/Documents/Drawings/出图'\nwait-pick\n",
           0, {"<mnu id=\"6\" caption=\"出图\" command=\"plot\"/>"}, {}),
      Case("names of columns and tables, checks and shell steps fail their line",
           "sql x.db --file exchange_schema.sql\n"
           "show x.db feature --columns featId,featNmae\n"
           "check x.db 'select \"featNmae\" from RURO_2_feature'\n"
           "sql y.db \"create table t (a); insert into t values (1), (2)\"\nshow y.db\n"
           "check y.db \"select a from t\" 1 3\nshell exit 3\n",
           1, {"2 rows changed"},
           {"line 2: show failed: status -1: no column featNmae in RURO_2_feature",
            "line 3: check failed: status -1: x.db: no such column: featNmae",
            "line 5: show failed: status -1: y.db has none of the exchange tables",
            "line 6: check failed: status -1: expected 1, 3, found 1, 2",
            "line 7: shell failed: status 3"},
           "", {"--keep-going"}),
      Case("a second export of a model is refused",
           "connect\nopen models/bolt.prt.1\nsql x.db --file exchange_schema.sql\n"
           "export parameter x.db\nexport parameter x.db --append\nexport all x.db\n",
           1,
           {"exported BOLT.PRT into x.db: 6 parameters\n"
            "exported BOLT.PRT into x.db: 6 parameters\n"},
           {"line 6: export failed: status -1: x.db already holds rows of BOLT.PRT"}),
      Case("cells are shown escaped and cut",
           "sql cells.db \"create table t (a, b); insert into t values "
           "(replace(hex(zeroblob(40)), '00', 'xy') || 'END', 'a' || char(10) || 'b')\"\n"
           "show cells.db t\n",
           0, {"  " + std::string(28, '-') + std::string(32, '-') + "  ---", "x...  a\\nb\n"}, {},
           "END"),
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

// A script's relative paths and shell steps mean its own directory, and shell
// steps find the programs built with tavhost without a PATH that names them.
TEST_F(TavhostTest, ScriptWorksInItsOwnDirectory) {
  fs::create_directory(dir_.file("sub"));
  WriteFile(dir_.file("sub/s.tav"),
            "sql x.db 'create table t (a)'\nshell test -f x.db && command -v proe_sim\n");
  const std::string command = "cd " + ShellQuoted(dir_.path()) +
                              " && TMPDIR=" + ShellQuoted(dir_.path()) + " PATH=/usr/bin:/bin " +
                              ShellQuoted(TAVHOST) + " sub/s.tav >out.txt 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(dir_.file("out.txt"));
  EXPECT_TRUE(HasAll(ReadFile(dir_.file("out.txt")),
                     {fs::canonical(std::string(TAV_BINARY_DIR) + "/bin/proe_sim").string()}));
}

// (A feature renamed, a row added or deleted: the demo's diff.)
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
sql x.db "update RURO_2_dimension set dimValue = 30, RURO_flag = 2 where dimSymbol = 'd0'"
sql x.db "update RURO_2_parameter set paramValue = 'TV-5', RURO_flag = 2
          where ownerId = 0 and paramName = 'PROJECT'"
sql x.db "update RURO_2_relation set RURO_flag = 3 where relation like 'd1%'"
shell proe_sim ctl --display "$TAVHOST_DISPLAY" dump PLATE.ASM >before.txt && cp x.db x.before
diff x.db
shell proe_sim ctl --display "$TAVHOST_DISPLAY" dump PLATE.ASM >after.txt
)");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_TRUE(HasAll(
      run.out,
      {"value 22 -> 30", "\"TV-3000\" -> \"TV-5\"", "2 lines -> 1 line", "- d1 = d0 + 80",
       "conflicts:", "changed since the export: value 20 -> 22",
       "changed since the export: \"TV-2041\" -> \"TV-3000\"",
       "3 changes, 2 conflicts; nothing was written", "nothing is applied if any row fails"}));
  EXPECT_NE(ReadFile(dir_.file("before.txt")), "");
  EXPECT_EQ(ReadFile(dir_.file("before.txt")), ReadFile(dir_.file("after.txt")));
  EXPECT_EQ(ReadFile(dir_.file("x.before")), ReadFile(dir_.file("x.db")));
}

// The diff's verdict on edited rows against the import's on the same rows: every
// row the import fails at is a conflict of the diff, with the import's code.
TEST_F(TavhostTest, DiffPredictsEveryFailureOfTheImport) {
  const std::string x80 = "replace(hex(zeroblob(40)), '00', 'xx')";  // 80 letters
  // Rows of `table` where `where` holds, flagged `flag` after `set`; a new parameter.
  const auto edit = [](int flag, const char* table, const std::string& set,
                       const std::string& where) {
    return "update RURO_2_" + std::string(table) + " set " + set + (set.empty() ? "" : ", ") +
           "RURO_flag = " + std::to_string(flag) + " where " + where;
  };
  const auto add = [](const std::string& values) {
    return "insert into RURO_2_parameter (paramName, paramValType, paramValue, RURO_flag) "
           "values (" +
           values + ", 1)";
  };
  const struct {
    const char* name;
    std::string edit;
    int code;  // what the import fails with; 0: it succeeds
    const char* model = "plate.asm";
  } cases[] = {
      {"a NULL feature name", edit(2, "feature", "featName = NULL", "featId = 3"), -22},
      {"a blank in a feature name", edit(2, "feature", "featName = 'TOP PLANE'", "featId = 3"),
       -22},
      {"a feature name of 32 letters",
       edit(2, "feature", "featName = substr(" + x80 + ", 1, 32)", "featId = 3"), -22},
      {"a feature name taken", edit(2, "feature", "featName = 'asm_right'", "featId = 3"), -5},
      {"a feature gone", edit(2, "feature", "featId = 99", "featId = 3"), -23},
      {"a dimension symbol taken", edit(2, "dimension", "dimSymbol = 'D1'", "dimId = 0"), -12},
      {"a dimension symbol refused", edit(2, "dimension", "dimSymbol = '1x'", "dimId = 0"), -2},
      {"a text value of 80 letters",
       edit(2, "parameter", "paramValue = " + x80, "paramName = 'PROJECT'"), -6},
      {"another value type", edit(2, "parameter", "paramValType = 50", "paramName = 'PROJECT'"),
       -2},
      {"an integer out of range",
       edit(2, "parameter", "paramValue = '99999999999'", "paramName = 'BOLT_COUNT'"), -2},
      {"a deleted parameter that is not there",
       edit(3, "parameter", "paramName = 'NOPE'", "paramName = 'PROJECT'"), -4},
      {"a model placed twice, its parameter deleted through both components",
       edit(3, "parameter", "", "ownerName = 'BOLT.PRT' and paramName = 'DESCRIPTION'"), -4},
      {"a NULL new parameter", "insert into RURO_2_parameter (RURO_flag) values (1)", -2},
      {"a new parameter name of 40 letters", add("substr(" + x80 + ", 1, 40), 51, 'x'"), -22},
      {"a new parameter named like a dimension", add("'d7', 52, '1'"), -22},
      {"a new parameter the model has", add("'project', 51, 'x'"), -5},
      {"a relation owner gone",
       "insert into RURO_2_relation (ownerId, ownerType, relation, RURO_flag) "
       "values (99, 3, 'd0 = 1', 1)",
       -23},
      {"edits that apply, one of them changing nothing",
       edit(2, "feature", "", "featId = 1") + ";" +
           edit(2, "feature", "featName = 'top'", "featId = 3") + ";" +
           edit(3, "parameter", "", "ownerId = 0 and paramName = 'DESCRIPTION'") + ";" +
           add("'DESCRIPTION', 52, ' 7mm'"),
       0},
      {"a drawing's feature row", edit(2, "feature", "", "rowid = 1"), -18, "plate.drw"},
  };
  // Each case in a database of its own, four at a time: the edits that fail change
  // nothing that another case reads. The session has one current model, so the
  // last two (one that applies, one on another model) run after them, alone.
  const auto run_case = [&](std::size_t n) {
    const std::string name = "c" + std::to_string(n), db = name + ".db";
    return Tavhost("connect\nopen models/" + std::string(cases[n].model) + ".1\nsql " + db +
                       " --file exchange_schema.sql\nexport all " + db + "\nsql " + db + " \"" +
                       cases[n].edit + "\"\ndiff " + db + "\nimport all " + db + "\n",
                   {"--json"}, name);
  };
  const std::size_t count = sizeof cases / sizeof *cases;
  std::vector<std::future<HostRun>> failing;
  const std::size_t together = count - 2;
  // Seventeen hosts at once on one session outwait their deadlines on a loaded machine.
  const auto start_until = [&](std::size_t end) {
    while (failing.size() < std::min(end, together))
      failing.push_back(std::async(std::launch::async, run_case, failing.size()));
  };
  for (std::size_t n = 0; n < count; ++n) {
    const auto& c = cases[n];
    SCOPED_TRACE(c.name);
    start_until(n + 4);
    const HostRun run = n < together ? failing[n].get() : run_case(n);
    nlohmann::json diff, import;
    std::size_t start = 0;
    for (std::size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
      const nlohmann::json result = nlohmann::json::parse(run.out.substr(start, end - start));
      if (result["command"] == "diff") diff = result;
      if (result["command"] == "import") import = result;
    }
    ASSERT_TRUE(diff.is_object() && import.is_object()) << run.out << run.err;
    std::vector<int> codes;
    for (const nlohmann::json& conflict : diff["conflicts"])
      if (conflict["code"] != 0) codes.push_back(conflict["code"]);
    EXPECT_EQ(import["ok"], c.code == 0) << import.dump();
    EXPECT_EQ(import["line"], 7);
    std::string model = c.model;
    for (char& ch : model) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(import["model"], model);
    EXPECT_EQ(diff["import_fails"], c.code != 0) << diff.dump();
    if (c.code == 0) {
      int changing = 0;
      for (const nlohmann::json& change : diff["changes"]) changing += change["unchanged"] ? 0 : 1;
      EXPECT_EQ(changing, 3) << diff.dump();
      continue;
    }
    EXPECT_EQ(codes, std::vector<int>{c.code}) << diff.dump();
    EXPECT_TRUE(import["status"].is_number() && import["message"].is_string()) << import.dump();
    // The import's own words name the code the diff predicted.
    const std::string text = diff["conflicts"].back()["text"];
    const std::string name = text.substr(text.rfind(' ') + 1);
    EXPECT_NE(import["message"].get<std::string>().find(name), std::string::npos)
        << text << " / " << import.dump();
  }
}

}  // namespace
}  // namespace tavtest
