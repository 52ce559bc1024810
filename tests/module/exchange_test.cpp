// The exchange database with a real proe_sim and SQLite files made from
// samples/exchange_schema.sql. The export: expected rows come from the model files as
// the simulator's store reads them. The import: the host's round trip, checked against
// a reference of what its edits mean, and the rules of flags, failures and value texts.
#include <ProDimension.h>
#include <ProFeatType.h>
#include <ProMdl.h>
#include <algorithm>
#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include <sqlite3.h>

#include "port/files.h"
#include "sim/model_file.h"
#include "sim/store.h"
#include "src/ProMdlToDb.h"
#include "tests/module/module_env.h"

// glibc's setlocale keeps 63 bytes of its LOCPATH list for good (the locale test
// below): not this program's leak.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace tavtest {
namespace {

const char* const kKinds[] = {"feature", "dimension", "parameter", "relation"};
using Rows = std::vector<std::string>;  // a row is its columns joined by '|'
using Tables = std::array<Rows, 4>;     // in the order of kKinds

std::string Text(const std::string& text) { return text; }
std::string Text(int value) { return std::to_string(value); }
std::string Text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}
// An exported row: the columns, then RURO_flag 0.
template <typename... T>
std::string Row(const T&... columns) {
  return ((Text(columns) + "|") + ... + std::string("0"));
}

// Appends the rows of one export of the model file `path` (its model has the item id
// `model_id`; the models it uses are found beside it, then among the samples): its own
// parameters and relations, then, solid after solid, each feature that did not fail,
// its dimensions (once per solid, unknown types left out), its relations and the
// parameters of a component's model.
void AddExpectedRows(const std::string& path, int model_id, Tables& rows) {
  sim::Store store(sim::StoreOptions{ModuleTmpDir(), {SampleModelsDir()}});
  int handle = 0;
  EXPECT_EQ(PRO_TK_NO_ERROR, store.Load(path, PRO_MDL_UNUSED, &handle));
  const sim::Model& model = *store.Find(handle);
  const auto find = [&](const std::string& name, int type) {
    store.Init(name, type, &handle);
    return store.Find(handle);
  };
  const auto add_parameters = [&](const sim::Model& owner, int id, const std::string& name,
                                  const std::string& type) {
    for (const sim::Parameter& p : owner.params) {
      char real[400];
      std::snprintf(real, sizeof real, "%.10f", p.value.d);
      const std::string value = p.value.type == PRO_PARAM_DOUBLE   ? real
                                : p.value.type == PRO_PARAM_STRING ? p.value.s
                                                                   : Text(p.value.i);
      rows[2].push_back(Row(id, name, type, p.name, p.value.type, value,
                            p.units.empty() ? "NULL" : p.units, "NULL"));
    }
  };
  const std::string type = sim::ModelTypeText(model.type);
  add_parameters(model, 0, model.name + "." + type, type);
  for (const std::string& line : model.relations.value_or(sim::RelationSet{}))
    rows[3].push_back(Row(model_id, model.type, line));
  std::vector<const sim::Model*> solids = {&model};
  if (model.type == PRO_MDL_DRAWING) solids.clear();
  for (const sim::ModelRef& ref : model.solids) solids.push_back(find(ref.name, ref.type));
  int index = 0;
  for (const sim::Model* solid : solids) {
    std::set<int> written;
    for (const sim::Feature& f : solid->features) {
      if (f.failed) continue;
      std::string name = f.name.empty() ? "---" : f.name;
      if (f.name.empty() && f.type == PRO_FEAT_COMPONENT)
        name = f.comp_name + (f.comp_type == PRO_MDL_ASSEMBLY ? ".ASM" : ".PRT");
      rows[0].push_back(Row(f.id, name, f.type_name, f.subtype, f.status, f.ncseq, f.incomplete,
                            f.read_only, f.pattern_status, f.group_status, f.grppattern_status,
                            index++));
      for (int id : f.dims) {
        const sim::Dimension& d =
            *std::find_if(solid->dimensions.begin(), solid->dimensions.end(),
                          [&](const sim::Dimension& x) { return x.id == id; });
        if (d.dim_type == PRODIMTYPE_UNKNOWN || !written.insert(id).second) continue;
        // A reference dimension has no tolerance type: its query fails and gives 0.
        rows[1].push_back(Row(id, f.id, d.symbol, d.value, d.dim_type, d.reference ? 0 : d.tol_type,
                              d.upper, d.lower, d.rel_driven));
      }
      for (const std::string& line : f.relations.value_or(sim::RelationSet{}))
        rows[3].push_back(Row(f.id, PRO_FEATURE, line));
      if (f.type == PRO_FEAT_COMPONENT)
        add_parameters(*find(f.comp_name, f.comp_type), f.id, name, f.type_name);
    }
  }
}

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts(1);
  for (char c : text) c == at ? parts.emplace_back() : parts.back() += c;
  return parts;
}

class ExportTest : public ConnectedTest {
 protected:
  // A new database file with the tables of samples/exchange_schema.sql, less `drop`.
  std::string NewDatabase(const std::string& drop = "") {
    const std::string file = dir_.file("exchange.db");
    NewExchangeDatabase(file, drop.empty() ? "" : "drop table RURO_2_" + drop + ";");
    return file;
  }
  TempDir dir_;
};

class SampleExportTest : public ExportTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SampleExportTest, WritesEveryItemOfTheModelOnEachRefresh) {
  ASSERT_EQ(0, Open(SamplePath(GetParam())));
  ProMdl model = nullptr;
  ProModelitem item = {};
  ASSERT_EQ(PRO_TK_NO_ERROR, ProMdlCurrentGet(&model));
  ASSERT_EQ(PRO_TK_NO_ERROR, ProMdlToModelitem(model, &item));
  const std::string db = NewDatabase();
  clock_.TakePauses(std::this_thread::get_id());
  // Whatever the order of the kinds; a second refresh appends the rows again.
  for (int k = 0; k < 2; ++k)
    ASSERT_EQ(0, command().RefreshTable(L"relation,parameter,dimension,feature", Wide(db).c_str()))
        << Narrow(command_.m_strStatus);
  EXPECT_EQ(std::vector<unsigned>({1000, 1000}), clock_.TakePauses(std::this_thread::get_id()));
  EXPECT_TRUE(Contains(Messages(), "TAV: refreshed tabled ok."));
  Tables expected;
  for (int k = 0; k < 2; ++k) AddExpectedRows(SamplePath(GetParam()), item.id, expected);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(expected[t], TableRows(db, kKinds[t])) << kKinds[t];
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleExportTest,
                         ::testing::Values("flange.prt.1", "mount.asm.1", "plate.asm.1",
                                           "plate.drw.1"));

TEST_F(ExportTest, WithoutAModelLeavesNoFile) {
  const std::string db = dir_.file("exchange.db");
  EXPECT_EQ(-1, command().RefreshTable(L"feature", Wide(db).c_str()));
  EXPECT_EQ(L"has not active document.", command_.m_strStatus);
  EXPECT_FALSE(port::FileExists(db));
  ASSERT_EQ(0, Open(SamplePath("bracket.prt.1")));
  EXPECT_EQ(-1, command().RefreshTable(L"feature", L"")) << "an empty path names no file";
  EXPECT_EQ(L"db file not exists.", command_.m_strStatus);
}

// The export is all or nothing: the first failure of any requested kind is the
// call's status, and no row of the call stays in the file. Setup: a fault for
// `proe_sim ctl fault`, a table missing from the file ("no feature"), a CHECK
// constraint on the relation lines ("check"),
// or a lock that another connection holds ("locked", waited for 60 s on the fast
// clock). Rows: how many each table holds afterwards, in the order of kKinds.
struct FailureCase {
  const char* model;
  const wchar_t* kinds;
  const char* setup;
  int result;
  int code;
  const wchar_t* message;
  const char* rows;
};

const wchar_t* const kAll = L"feature,dimension,parameter,relation";
const FailureCase kFailureCases[] = {
    // Every toolkit call failing in turn, and the session killed at each, are the
    // sweeps' (tests/module/sweeps.cpp).
    {"washer.prt.1", kAll, "ProMdlTypeGet -2", -2, -2, L"():PRO_TK_BAD_INPUTS", "0 0 0 0"},
    // A drawing's solid whose features cannot be listed has none.
    {"plate.drw.1", L"feature", "ProSolidFeatstatusGet -1", 0, 0, L"", "11 0 0 0"},
    // A model without parameters writes none, and that is no failure.
    {"spacer.prt.1", L"parameter", "", 0, 0, L"", "0 0 0 0"},
    {"plate.asm.1", kAll, "check", -1, -1,
     L"CHECK constraint failed: relation not like 'd1%' (SQLITE_CONSTRAINT[19])", "0 0 0 0"},
    {"plate.asm.1", kAll, "locked", -1, -1, L"database is locked (SQLITE_BUSY[5])", "0 0 0 0"},
    // The relations run after the features whatever the order of the tokens.
    {"washer.prt.1", L"relation,feature", "no feature", -1, -1,
     L"no such table: RURO_2_feature (SQLITE_ERROR[1])", "0 0 0 0"},
    // Tokens count only when written exactly so.
    {"washer.prt.1", L",Feature, feature,parameter ,bogus,,dimension", "", 0, 0, L"", "0 3 0 0"},
};

class ExportFailureTest : public ExportTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ExportFailureTest, ReportsTheFirstFailureAndLeavesNoRowOfTheCall) {
  const FailureCase& c = GetParam();
  ASSERT_EQ(0, Open(SamplePath(c.model)));
  const std::vector<std::string> setup = Split(c.setup, ' ');
  const std::string db = NewDatabase(setup[0] == "no" ? setup[1] : "");
  sqlite3* lock = nullptr;
  sqlite3_open(db.c_str(), &lock);
  if (setup[0] == "check")
    sqlite3_exec(lock,
                 "drop table RURO_2_relation; create table RURO_2_relation (ownerId, ownerType, "
                 "relation check (relation not like 'd1%'), RURO_flag)",
                 nullptr, nullptr, nullptr);
  if (setup[0] == "locked") sqlite3_exec(lock, "begin exclusive", nullptr, nullptr, nullptr);
  if (setup[0] != "no" && setup[0] != "check" && setup[0] != "locked" && !setup[0].empty()) {
    std::vector<std::string> fault = {"fault"};
    fault.insert(fault.end(), setup.begin(), setup.end());
    ASSERT_EQ(0, sim_->Ctl(fault).code);
  }
  {
    ProMdlToDb exporter;
    EXPECT_EQ(c.result, exporter.ExportModel(c.kinds, Wide(db)));
    EXPECT_EQ(c.code, exporter.m_nStatus);
    EXPECT_EQ(c.message, exporter.m_strStatus);
  }
  sqlite3_close(lock);  // a held exclusive lock ends with its connection
  std::string rows;
  for (const char* kind : kKinds)
    rows += (rows.empty() ? "" : " ") + Text(static_cast<int>(TableRows(db, kind).size()));
  EXPECT_EQ(c.rows, rows);
}

INSTANTIATE_TEST_SUITE_P(Steps, ExportFailureTest, ::testing::ValuesIn(kFailureCases));

// ---- The import ------------------------------------------------------------------

std::string Quote(const std::string& text) {
  std::string quoted;
  for (char c : text) quoted += c == '\'' ? "''" : std::string(1, c);
  return "'" + quoted + "'";
}
// Relation lines keep their order within an owner; other rows are compared as sets.
Tables Sorted(Tables tables) {
  const auto owner = [](const std::string& row) {
    return row.substr(0, row.find('|', row.find('|') + 1));
  };
  for (int t = 0; t < 3; ++t) std::sort(tables[t].begin(), tables[t].end());
  std::stable_sort(tables[3].begin(), tables[3].end(),
                   [&](const std::string& a, const std::string& b) { return owner(a) < owner(b); });
  return tables;
}

// The host's side of the round trip: the file it edits, and the reference of what the
// model holds after UpdateTable, as the rows a refresh of it then writes (by rowid;
// rows the host adds get keys above every rowid, in the order added).
class ImportTest : public ExportTest {
 protected:
  // Opens a sample, or a model written from `text`, and refreshes a new database.
  void Start(const std::string& file, const std::string& text = "") {
    file_ = file, model_ = sim::ToUpper(file.substr(0, file.rfind('.')));
    std::string path = SamplePath(file);
    if (!text.empty()) WriteFile(path = dir_.file(file), text);
    ASSERT_EQ(0, Open(path));
    ProMdl model = nullptr;
    ASSERT_EQ(PRO_TK_NO_ERROR, ProMdlCurrentGet(&model));
    ASSERT_EQ(PRO_TK_NO_ERROR, ProMdlToModelitem(model, &item_));
    db_ = NewDatabase();
    Refresh();
  }
  // As a host refreshes: empties the tables and exports; the rows become the reference.
  void Refresh() {
    for (const char* kind : kKinds) Sql(std::string("delete from RURO_2_") + kind);
    ASSERT_EQ(0, command().RefreshTable(kAll, Wide(db_).c_str())) << Narrow(command_.m_strStatus);
    for (int t = 0; t < 4; ++t) {
      std::vector<long long> rowids;
      const Rows rows = TableRows(db_, kKinds[t], &rowids);
      want_[t].clear();
      for (std::size_t i = 0; i < rows.size(); ++i) want_[t][rowids[i]] = Split(rows[i], '|');
      for (auto& entry : want_[t]) entry.second.pop_back();  // RURO_flag
    }
    gone_.clear(), relations_before_ = want_[3];
  }
  void Sql(const std::string& sql) {
    ExecSql(db_, sql);
    steps_ += sql + "\n";
  }
  // UpdateTable, which leaves the file as it was, byte for byte.
  int Update(const wchar_t* kinds = kAll) {
    const std::string before = ReadFile(db_);
    const int result = command().UpdateTable(kinds, Wide(db_).c_str());
    EXPECT_EQ(before, ReadFile(db_));
    return result;
  }
  // Sets columns (by their place in the table, as SQL) and the flag of a row, and what
  // that means: the values a refresh then gives, or with flag 3 a parameter deleted and
  // a relation line left out.
  struct Change {
    int column;
    std::string sql, value;
  };
  void Edit(int t, long long rowid, int flag, const std::vector<Change>& changes) {
    static const char* const columns[4] = {
        "featId featName", "dimId featId dimSymbol dimValue a b upperLimit lowerLimit",
        "a b c d e paramValue", "a b relation"};
    std::string sql = std::string("update RURO_2_") + kKinds[t] + " set ";
    for (const Change& c : changes) {
      sql += Split(columns[t], ' ')[c.column] + "=" + c.sql + ",";
      want_[t][rowid][c.column] = c.value;
    }
    Sql(sql + "RURO_flag=" + Text(flag) + " where rowid=" + std::to_string(rowid));
    if (flag == 3 && t == 2) want_[t].erase(rowid);
    if (flag == 3 && t == 3) gone_.insert(rowid);
  }
  long long Insert(int t, const std::string& values) {
    Sql(std::string("insert into RURO_2_") + kKinds[t] + " values (" + values + ")");
    return 1000000 + ++inserted_;
  }
  // `text` as the host writes it, `value` as the model then holds it. The owner columns
  // do not matter: new parameters go on the model.
  void AddParameter(const std::string& name, int type, const std::string& text,
                    const std::string& value) {
    want_[2][Insert(2, "13, 'X', 'COMPONENT', " + Quote(name) + ", " + Text(type) + ", " +
                           Quote(text) + ", NULL, 'by the host', 1")] = {
        "0", model_, model_.substr(model_.find('.') + 1), name, Text(type), value, "NULL", "NULL"};
  }
  // A line of the model's own set is found by its type alone, whatever its id.
  void AddRelation(int owner_id, int type, const std::string& line) {
    want_[3][Insert(3, Text(owner_id) + ", " + Text(type) + ", " + Quote(line) + ", 1")] = {
        Text(type == item_.type ? item_.id : owner_id), Text(type), line};
  }
  // An owner whose relation rows are all flagged 3 keeps the relations it had.
  Tables Wanted() const {
    const auto owner = [](const std::vector<std::string>& row) { return row[0] + "|" + row[1]; };
    const auto joined = [](const std::vector<std::string>& row) {
      std::string text;
      for (const std::string& column : row) text += column + "|";
      return text + "0";
    };
    Tables tables;
    std::set<std::string> rewritten;
    for (int t = 0; t < 4; ++t)
      for (const auto& [key, row] : want_[t])
        if (t < 3 || !gone_.count(key)) tables[t].push_back(joined(row));
    for (const auto& [key, row] : want_[3])
      if (!gone_.count(key)) rewritten.insert(owner(row));
    for (const auto& [key, row] : relations_before_)
      if (!rewritten.count(owner(row))) tables[3].push_back(joined(row));
    return Sorted(tables);
  }
  // The rows an export of the session's models writes, from `proe_sim ctl dump`.
  Tables FromModel() {
    TempDir dump;
    for (const std::string& line : Lines(sim_->Ctl({"models"}).output)) {
      const std::string name = Split(line, ' ')[1];
      WriteFile(dump.file(sim::ToLower(name) + ".1"), sim_->Ctl({"dump", name}).output);
    }
    Tables tables;
    AddExpectedRows(dump.file(file_), item_.id, tables);
    return Sorted(tables);
  }
  // After UpdateTable: the model, and then the next refresh, hold what the reference says.
  void ExpectWanted(const std::string& when) {
    const Tables want = Wanted();
    ASSERT_EQ(want, FromModel()) << when << steps_;
    Refresh();
    Tables exported;
    for (int t = 0; t < 4; ++t) exported[t] = TableRows(db_, kKinds[t]);
    ASSERT_EQ(want, Sorted(exported)) << when << steps_;
  }

  std::string db_, file_, model_, steps_;
  ProModelitem item_ = {};
  int inserted_ = 0;
  std::array<std::map<long long, std::vector<std::string>>, 4> want_;
  std::set<long long> gone_;                                        // relation rows flagged 3
  std::map<long long, std::vector<std::string>> relations_before_;  // as refreshed
};

// A value text of `type` as a host may write it, and the value the model then holds,
// by the C library's own conversions.
std::pair<std::string, std::string> RandomValue(int type, std::mt19937& random) {
  const char* const forms[] = {"%d",   " %d",  "+%d",   "%dmm",  "x%d", "%d.%d",
                               "%de1", "--%d", "%d,%d", "65536", ""};
  char text[64], real[64];
  const int n = static_cast<int>(random() % 20001) - 10000;
  std::snprintf(text, sizeof text, forms[random() % 11], n, std::abs(n) % 100);
  const long integer = std::strtol(text, nullptr, 10);
  std::snprintf(real, sizeof real, "%.10f", std::strtod(text, nullptr));
  if (type == PRO_PARAM_STRING)
    return {std::string("wert ä'") + text, std::string("wert ä'") + text};
  if (type == PRO_PARAM_BOOLEAN) return {text, Text((integer & 0xFFFF) != 0)};
  return {text, type == PRO_PARAM_DOUBLE ? real : Text(static_cast<int>(integer))};
}

// Random edits of every kind, as a host makes them, to fastener.asm.1 (the model's own
// parameters and those of its components' models, which are each placed once), applied to
// the file and to the reference, round after round.
TEST_F(ImportTest, BringsRandomEditsIntoTheModelRoundAfterRound) {
  Start("fastener.asm.1");
  std::mt19937 random(20240611);
  for (int round = 0, fresh = 0; round < 40; ++round) {
    steps_.clear();
    std::vector<std::string> deleted;
    const auto pick = [&](int t) {  // a row from before this round, not flagged 3
      std::vector<long long> rows;
      for (const auto& entry : want_[t])
        if (entry.first < 1000000 && !gone_.count(entry.first)) rows.push_back(entry.first);
      return rows.empty() ? 0 : rows[random() % rows.size()];
    };
    for (int k = 1 + random() % 6; k > 0; --k) {
      const std::string n = Text(++fresh), line = "/* " + n + " */";
      const int kind = random() % 8, type = 50 + random() % 5;
      const long long r = pick("01222333"[kind] - '0');
      if (kind == 0) {  // a component's parameter rows then carry its new name
        Edit(0, r, 2, {{1, Quote("F" + n), "F" + n}});
        for (auto& row : want_[2])
          if (row.second[0] == want_[0][r][0]) row.second[1] = "F" + n;
      }
      if (kind == 1 && r) {
        const std::string value = Text((1 + random() % 4096) / 64.0),
                          upper = Text((random() % 64) / 256.0);
        Edit(1, r, 2,
             {{2, Quote("len_" + n), "len_" + n},
              {3, value, value},
              {6, upper, upper},
              {7, "0.5", "0.5"}});
      }
      if (kind == 2 && r) {
        const auto [text, value] = RandomValue(std::stoi(want_[2][r][4]), random);
        Edit(2, r, 2, {{5, Quote(text), value}});
      }
      if (kind == 3 && r && want_[2][r][3] != "LÄNGE") {  // a relation of TRÄGER uses it
        if (want_[2][r][0] == "0") deleted.push_back(want_[2][r][3]);
        Edit(2, r, 3, {});
      }
      if (kind == 4) {  // a new parameter, or one of the model's deleted this round again
        const auto [text, value] = RandomValue(type, random);
        AddParameter(deleted.empty() ? "NEW_" + n : deleted.back(), type, text, value);
        if (!deleted.empty()) deleted.pop_back();
      }
      // A relation line changed without a flag counts too: its owner's set is rewritten.
      if (kind == 5 && r) Edit(3, r, random() % 2 * 2, {{2, Quote(line), line}});
      if (kind == 6 && r) Edit(3, r, 3, {});
      if (kind == 7) {  // to the model's set by either id, or a feature's; created if need be
        const bool model = random() % 3 == 0;
        AddRelation(
            model ? static_cast<int>(random() % 2) * item_.id : std::stoi(want_[0][pick(0)][0]),
            model ? item_.type : PRO_FEATURE, line);
      }
    }
    ASSERT_EQ(0, Update()) << "round " << round << ": " << Narrow(command_.m_strStatus) << "\n"
                           << steps_;
    ASSERT_NO_FATAL_FAILURE(ExpectWanted("round " + Text(round) + ", after:\n"));
  }
}

// A part whose relation drives d1, stored out of date: a regeneration shows as d1 = 2 * d0.
class ProbeTest : public ImportTest {
 protected:
  void SetUp() override {
    ImportTest::SetUp();
    Start("probe.prt.1", R"({"format": "tavproe-model", "name": "PROBE",
      "parameters": [{"name": "NOTE", "value": "x"}, {"name": "COUNT", "value": 1}],
      "relations": ["d1 = d0 * 2"], "features": [
        {"id": 1, "name": "BASE", "dimensions": [{"id": 0, "value": 10}, {"id": 1, "value": 5}]},
        {"id": 2, "name": "CUT", "dimensions": [{"id": 2, "value": 5}], "relations": ["/* cut */"]}]})");
  }
  // Feature names | dimensions | parameters | the model's relations | CUT's relations.
  std::string State() {
    sim::Model m;
    EXPECT_TRUE(sim::ModelFromText(sim_->Ctl({"dump", "PROBE.PRT"}).output, &m, nullptr));
    std::string state = m.features[0].name + " " + m.features[1].name + " |";
    for (const sim::Dimension& d : m.dimensions) state += " " + d.symbol + "=" + Text(d.value);
    state += " |";
    for (const sim::Parameter& p : m.params)
      state += " " + p.name + "=" +
               (p.value.type == PRO_PARAM_STRING ? p.value.s : Text(p.value.d + p.value.i));
    for (const auto& set : {m.relations, m.features[1].relations}) {
      state += " |";
      for (const std::string& line : set.value_or(sim::RelationSet{})) state += " " + line + ";";
    }
    return state;
  }
};

// `sql` edits the file as a host would ("not a database" overwrites it); `fault` makes
// a toolkit call fail.
struct ProbeCase {
  const wchar_t* kinds;
  std::string sql;
  const char* fault;
  int result;
  const wchar_t* message;
  std::string state;
};
void PrintTo(const ProbeCase& c, std::ostream* out) { *out << Narrow(c.kinds) << ": " << c.sql; }

std::string Set(const std::string& table, const std::string& set, const std::string& where) {
  return "update RURO_2_" + table + " set " + set + ", RURO_flag=2 where " + where + ";";
}
std::string Create(const std::string& name, int type, const std::string& text) {
  return "insert into RURO_2_parameter (paramName, paramValType, paramValue, RURO_flag) values ('" +
         name + "', " + Text(type) + ", " + Quote(text) + ", 1);";
}
const std::string kRename = Set("feature", "featName='APPLIED'", "featId=1");
const std::string kD0 = Set("dimension", "dimValue=30", "dimId=0");
const std::string kModelLine = Set("relation", "relation='d1 = d0 * 3'", "ownerType=2");
const std::string kInitial =
    "BASE CUT | d0=10 d1=5 d2=5 | NOTE=x COUNT=1 | d1 = d0 * 2; | /* cut */;";
const std::string kRegenerated =
    "BASE CUT | d0=10 d1=20 d2=5 | NOTE=x COUNT=1 | d1 = d0 * 2; | /* cut */;";
const std::string kRenamed =
    "APPLIED CUT | d0=30 d1=5 d2=5 | NOTE=x COUNT=1 | d1 = d0 * 2; | /* cut */;";
const std::string kLong(32, 'L');

const ProbeCase kProbeCases[] = {
    // No pass runs without a kind named exactly so; the part is still regenerated.
    {L"", "not a database", nullptr, 0, L"", kRegenerated},
    {L"Feature, dimension,parameter ,relation,", kRename + kD0, nullptr, 0, L"", kRegenerated},
    // Feature and dimension rows flagged 0, 1 and 3 change nothing; a driven dimension
    // is skipped; a refused tolerance (not finite) is ignored.
    {kAll,
     "update RURO_2_feature set featName='X', RURO_flag=2*featId-1; insert into RURO_2_feature "
     "(featId, featName) "
     "values (1, 'Y'); update RURO_2_dimension set dimValue=99, RURO_flag=3 where dimId=0;" +
         Set("dimension", "dimValue=999", "dimId=1") +
         Set("dimension", "upperLimit=1e999", "dimId=2"),
     nullptr, 0, L"", kRegenerated},
    // Relation rows 0, 3, 2, 1 of the model (by any id) give three lines; an owner whose
    // rows are all flagged 3 keeps its relations. A parameter is deleted and created
    // again under its name, on the model whatever the owner columns say.
    {kAll,
     "insert into RURO_2_relation values (0, 2, '/* 3 */', 3), (0, 2, '/* 2 */', 2), (7, 2, '/* 1 "
     "*/', 1);"
     "update RURO_2_relation set RURO_flag=3 where ownerType=3; update RURO_2_parameter set "
     "RURO_flag=3 "
     "where paramName='NOTE'; insert into RURO_2_parameter values (2, 'CUT', 'CUT', 'NOTE', 52, "
     "'5', NULL, NULL, 1);",
     nullptr, 0, L"",
     "BASE CUT | d0=10 d1=20 d2=5 | COUNT=1 NOTE=5 | d1 = d0 * 2; /* 2 */; /* 1 */; | /* cut */;"},
    // Value texts the random round trip does not write; 79 characters fit a value, 80 do not.
    {L"parameter",
     Create("H", 50, "0x10") + Create("N", 50, "nan") + Create("P", 50, "+.5") +
         Create("E", 52, "") + Create("T", 51, std::string(79, 'z')),
     nullptr, 0, L"",
     "BASE CUT | d0=10 d1=20 d2=5 | NOTE=x COUNT=1 H=0 N=0 P=0.5 E=0 T=" + std::string(79, 'z') +
         " | d1 = d0 * 2; | /* cut */;"},
    // The first failure ends the update and every change of the call is put back;
    // the part, stored out of date, is regenerated when something was put back.
    {kAll, Set("parameter", "paramValue='" + std::string(80, 'v') + "'", "paramName='NOTE'"),
     nullptr, -6, L"():PRO_TK_LINE_TOO_LONG (model restored)", kInitial},
    {kAll, Set("parameter", "paramValue='2147483648'", "paramName='COUNT'"), nullptr, -2,
     L"():PRO_TK_BAD_INPUTS (model restored)", kInitial},
    // The passes run in their fixed order.
    {L"relation,feature",
     kModelLine + "insert into RURO_2_feature (featId, featName, RURO_flag) values (99, '" + kLong +
         "', 2);",
     nullptr, -23, L"():PRO_TK_NOT_EXIST (model restored)", kInitial},
    {kAll, "drop table RURO_2_relation;" + kRename + kD0, nullptr, -1,
     L"no such table: RURO_2_relation (SQLITE_ERROR[1]) (model restored)", kRegenerated},
    {kAll, "not a database", nullptr, -1,
     L"file is not a database (SQLITE_NOTADB[26]) (model restored)", kInitial},
    {kAll,
     Set("feature", "featName='" + kLong.substr(1) + "'", "featId=1") +
         Set("feature", "featName='" + kLong + "'", "featId=2"),
     nullptr, -22, L"():PRO_TK_INVALID_NAME (model restored)", kRegenerated},
    // The model's type with an id other than 0 names no component (CUT is feature 2).
    {kAll, Set("parameter", "ownerId=2, paramValue='y'", "paramName='NOTE'"), nullptr, -23,
     L"():PRO_TK_NOT_EXIST (model restored)", kInitial},
    {kAll, "", "ProMdlCurrentGet -8", -8, L"():PRO_TK_BAD_CONTEXT", kInitial},
};

class ProbeCaseTest : public ProbeTest, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeCaseTest, AppliesAllOrReportsTheFirstFailure) {
  const ProbeCase& c = GetParam();
  c.sql == "not a database" ? WriteFile(db_, c.sql) : Sql(c.sql);
  if (c.fault) Fault(Split(c.fault, ' ')[0], Split(c.fault, ' ')[1]);
  const auto shown = [&] {  // only a successful update says so
    const std::vector<std::string> lines = Messages();
    return std::count(lines.begin(), lines.end(), "TAV: refreshed tabled ok.");
  };
  const auto before = shown();
  EXPECT_EQ(c.result ? -1 : 0, Update(c.kinds));
  EXPECT_EQ(before + (c.result ? 0 : 1), shown());
  EXPECT_EQ(c.result, command_.m_nStatus);
  EXPECT_EQ(c.message, command_.m_strStatus);
  EXPECT_EQ(c.state, State());
}

INSTANTIATE_TEST_SUITE_P(Rules, ProbeCaseTest, ::testing::ValuesIn(kProbeCases));

// An import that fails after changes of every kind (at its last parameter row, at a
// relation line the session rejects, at the regeneration) puts back every change it
// made; failures within the feature pass are the probe rows', and every toolkit call
// failing in turn is the fault sweep's (tests/module/sweeps.cpp). The model is the
// model before the call (its dump, parameters in name order: one deleted and put
// back comes last) and the file is unchanged.
struct RestoreCase {
  const char* name;
  std::string sql;
  int code;
};
void PrintTo(const RestoreCase& c, std::ostream* out) { *out << c.name; }

const std::string kEveryKind =
    kRename + kD0 + Set("parameter", "paramValue='y'", "paramName='NOTE'") +
    "update RURO_2_parameter set RURO_flag=3 where paramName='COUNT';" + Create("NEW", 52, "7") +
    kModelLine + Set("relation", "relation='/* cut 2 */'", "ownerType=3");
const RestoreCase kRestoreCases[] = {
    {"parameter", kEveryKind + Create("NOTE", 51, "z"), -5},
    {"relation syntax", kEveryKind + "insert into RURO_2_relation values (2, 3, 'd1 = = 2', 1);",
     -1},
    {"regeneration", kEveryKind + "insert into RURO_2_relation values (0, 2, 'd2 = d0 / 0', 1);",
     -1},
};

class RestoreTest : public ProbeTest, public ::testing::WithParamInterface<RestoreCase> {
 protected:
  std::string Dump() {
    sim::Model m;
    EXPECT_TRUE(sim::ModelFromText(sim_->Ctl({"dump", "PROBE.PRT"}).output, &m, nullptr));
    std::sort(m.params.begin(), m.params.end(),
              [](const sim::Parameter& a, const sim::Parameter& b) { return a.name < b.name; });
    return sim::ModelToText(m);
  }
};

TEST_P(RestoreTest, PutsEveryChangeBackWhenAnyRowFails) {
  ASSERT_EQ(0, Update(L"")) << "regenerated, the part is up to date";
  const std::string before = Dump();
  Sql(GetParam().sql);
  EXPECT_EQ(-1, Update());
  EXPECT_EQ(GetParam().code, command_.m_nStatus);
  const std::wstring restored = L" (model restored)";
  EXPECT_EQ(restored, command_.m_strStatus.substr(command_.m_strStatus.size() - restored.size()))
      << Narrow(command_.m_strStatus);
  EXPECT_EQ(before, Dump());
}

INSTANTIATE_TEST_SUITE_P(Failures, RestoreTest, ::testing::ValuesIn(kRestoreCases));

// Text and numbers go in as values: a relation line of any length with apostrophes,
// and reals in a host whose locale writes a decimal comma, come back as they were.
TEST_F(ImportTest, KeepsLongLinesAndRealsWhateverTheHostsLocale) {
  TempDir locales;
  if (std::system(
          ("localedef -i de_DE -f UTF-8 " + locales.file("de_DE.UTF-8") + " >/dev/null 2>&1")
              .c_str()) > 1)  // 1: warnings only
    GTEST_SKIP() << "localedef cannot make a de_DE locale here";
  setenv("LOCPATH", locales.file("").c_str(), 1);
  ASSERT_NE(nullptr, std::setlocale(LC_ALL, "de_DE.UTF-8"));
  char comma[8];
  std::snprintf(comma, sizeof comma, "%.1f", 2.5);
  ASSERT_STREQ("2,5", comma);
  std::string line = "/*";
  while (line.size() < 4990) line += " it's the host's line";
  line += " */";
  Start("locale.prt.1", R"({"format": "tavproe-model", "name": "LOCALE",
    "parameters": [{"name": "R", "type": "double", "value": 2.4}], "relations": [")" +
                            line + R"("], "features": [{"id": 1, "name": "BASE",
    "dimensions": [{"id": 0, "value": 2.4}, {"id": 1, "value": 0.30000000000000004}]}]})");
  std::setlocale(LC_ALL, "C");  // for this test's own number texts
  const Tables exported = {TableRows(db_, "feature"), TableRows(db_, "dimension"),
                           TableRows(db_, "parameter"), TableRows(db_, "relation")};
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ(Row(0, "LOCALE.PRT", "PRT", "R", PRO_PARAM_DOUBLE, "2.4000000000", "NULL", "NULL"),
            exported[2].at(0));
  EXPECT_EQ(Row(item_.id, PRO_PART, line), exported[3].at(0));
  for (const char* kind : kKinds) Sql(std::string("update RURO_2_") + kind + " set RURO_flag=2");
  ASSERT_EQ(0, Update()) << Narrow(command_.m_strStatus);
  Refresh();
  std::setlocale(LC_ALL, "C");
  for (int t = 0; t < 4; ++t) EXPECT_EQ(exported[t], TableRows(db_, kKinds[t])) << kKinds[t];
}

// A drawing takes the rows of its own parameters and relations and is not
// regenerated; a flagged row of anything else fails the call before any change.
TEST_F(ImportTest, AppliesADrawingsOwnRowsAndRefusesOthers) {
  Start("plate.drw.1");
  const std::string before = sim_->Ctl({"dump", "PLATE.DRW"}).output;
  Sql(Set("parameter", "paramValue='2'", "paramName='SCALE'") +
      "update RURO_2_dimension set RURO_flag=2 where rowid=1;");
  EXPECT_EQ(-1, Update());
  EXPECT_EQ(-18, command_.m_nStatus);
  EXPECT_EQ(before, sim_->Ctl({"dump", "PLATE.DRW"}).output);
  Sql("update RURO_2_dimension set RURO_flag=0;" + Create("NEW", 51, "x") +
      "insert into RURO_2_relation values (0, 4, 'SHEETS = 3', 1);");
  ASSERT_EQ(0, Update()) << Narrow(command_.m_strStatus);
  sim::Model m;
  ASSERT_TRUE(sim::ModelFromText(sim_->Ctl({"dump", "PLATE.DRW"}).output, &m, nullptr));
  std::string params;
  for (const sim::Parameter& p : m.params) params += p.name + " ";
  EXPECT_EQ("DRAWN_BY SHEETS SCALE NEW ", params);
  EXPECT_EQ(2.0, m.params[2].value.d);
  EXPECT_EQ(sim::RelationSet{"SHEETS = 3"}, m.relations.value_or(sim::RelationSet{}));
}

// A flagged reference dimension's row (tolerance type 0) is skipped and logged.
TEST_F(ImportTest, SkipsAReferenceDimensionsRow) {
  Start("bracket.prt.1");
  const std::size_t mark = LogSize();
  Sql("update RURO_2_dimension set RURO_flag=2");
  ASSERT_EQ(0, Update(L"dimension")) << Narrow(command_.m_strStatus);
  EXPECT_TRUE(Contains(LogLinesSince(mark),
                       "ProDbToMdl: dimension 16 is a reference dimension; its row is skipped"));
}

TEST_F(ProbeTest, RefusesADatabaseThatDoesNotExistWithoutCreatingIt) {
  const std::wstring missing = Wide(dir_.file("missing.db"));
  EXPECT_EQ(-1, command().UpdateTable(kAll, missing.c_str()));
  EXPECT_EQ(L"db file not exists.", command_.m_strStatus);
  EXPECT_FALSE(port::FileExists(missing));
  EXPECT_EQ(kInitial, State());
}

}  // namespace
}  // namespace tavtest
