// The export into SQLite files made from samples/exchange_schema.sql, with a real proe_sim.
// Expected rows come from the model files as the simulator's store reads them.
#include <ProDimension.h>
#include <ProFeatType.h>
#include <ProMdl.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

#include <sqlite3.h>

#include "port/files.h"
#include "sim/store.h"
#include "src/ProMdlToDb.h"
#include "tests/module/module_env.h"

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

// A table as SQLite gives it back, in insertion order; empty when it is missing.
Rows Read(const std::string& file, const std::string& kind) {
  sqlite3* db = nullptr;
  sqlite3_stmt* query = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_prepare_v2(db, ("select * from RURO_2_" + kind).c_str(), -1, &query, nullptr);
  Rows rows;
  while (sqlite3_step(query) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(query); ++i) {
      const int type = sqlite3_column_type(query, i);
      row +=
          std::string(i ? "|" : "") +
          (type == SQLITE_NULL    ? "NULL"
           : type == SQLITE_FLOAT ? Text(sqlite3_column_double(query, i))
                                  : reinterpret_cast<const char*>(sqlite3_column_text(query, i)));
    }
    rows.push_back(row);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return rows;
}

// Appends the rows of one export of `file` (its model has the item id `model_id`): its own
// parameters and relations, then, solid after solid, each feature that did not fail,
// its dimensions (once per solid, unknown types left out), its relations and the
// parameters of a component's model.
void AddExpectedRows(const std::string& file, int model_id, Tables& rows) {
  sim::Store store(sim::StoreOptions{ModuleTmpDir(), {SampleModelsDir()}});
  int handle = 0;
  EXPECT_EQ(PRO_TK_NO_ERROR, store.Load(SamplePath(file), PRO_MDL_UNUSED, &handle));
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

class ExportTest : public ConnectedTest {
 protected:
  // A new database file with the tables of samples/exchange_schema.sql, less `drop`.
  std::string NewDatabase(const std::string& drop = "") {
    const std::string file = dir_.file("exchange.db");
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    const std::string sql = ReadFile(std::string(TAV_SOURCE_DIR) + "/samples/exchange_schema.sql") +
                            (drop.empty() ? "" : "drop table RURO_2_" + drop + ";");
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
    sqlite3_close(db);
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
  for (int k = 0; k < 2; ++k) AddExpectedRows(GetParam(), item.id, expected);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(expected[t], Read(db, kKinds[t])) << kKinds[t];
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

// The status rules of the export's steps. Setup: a fault for `proe_sim ctl fault`, a
// table missing from the file ("no feature"), or its directory ("no directory").
// Rows: how many each table holds afterwards, in the order of kKinds.
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
    {"washer.prt.1", kAll, "ProMdlTypeGet -2", -2, -2, L"():PRO_TK_BAD_INPUTS", "0 0 0 0"},
    {"washer.prt.1", kAll, "ProSolidFeatstatusGet -1", -1, -1, L"():PRO_TK_GENERAL_ERROR",
     "0 0 0 0"},
    // A drawing's solid whose features cannot be listed has none.
    {"plate.drw.1", L"feature", "ProSolidFeatstatusGet -1", 0, 0, L"():PRO_TK_NO_ERROR",
     "11 0 0 0"},
    {"washer.prt.1", L"feature", "ProModelitemNameGet -2", -1, -2, L"():PRO_TK_BAD_INPUTS",
     "0 0 0 0"},
    {"bracket.prt.1", L"feature", "ProFeatureTypeGet -2", -1, 0, L"", "0 0 0 0"},
    {"washer.prt.1", L"feature", "ProFeatureTypenameGet -1", -1, -1, L"():PRO_TK_GENERAL_ERROR",
     "0 0 0 0"},
    {"washer.prt.1", L"dimension", "ProFeatureDimensionVisit -1", 0, -1, L"():PRO_TK_GENERAL_ERROR",
     "0 0 0 0"},
    {"spacer.prt.1", L"parameter", "", 0, -4, L"():PRO_TK_E_NOT_FOUND", "0 0 0 0"},
    // The assembly's own three parameters; the first component stops the rest.
    {"plate.asm.1", L"parameter", "ProFeatureTypenameGet -1", 0, -1, L"():PRO_TK_GENERAL_ERROR",
     "0 0 3 0"},
    {"bolt.prt.1", L"relation", "ProRelsetRelationsGet -1", 0, -1, L"():PRO_TK_GENERAL_ERROR",
     "0 0 0 0"},
    {"longrel.prt.1", L"relation", "", 0, -1, L"() error: string too long\n", "0 0 0 2"},
    {"washer.prt.1", L"feature", "no directory", -1, -1, L"Unexpected error.\n", "0 0 0 0"},
    {"washer.prt.1", L"feature", "no feature", -1, -1, L"Unexpected error.\n", "0 0 0 0"},
    {"washer.prt.1", L"dimension", "no dimension", 0, -1, L"Unexpected error.\n", "0 0 0 0"},
    // The relations run after the features whatever the order of the tokens.
    {"washer.prt.1", L"relation,feature", "no feature", -1, 0, L"():PRO_TK_NO_ERROR", "0 0 0 0"},
    // Tokens count only when written exactly so.
    {"washer.prt.1", L",Feature, feature,parameter ,bogus,,dimension", "", 0, 0, L"", "0 3 0 0"},
};

class ExportFailureTest : public ExportTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ExportFailureTest, RecordsTheStatusAndKeepsTheRowsBeforeIt) {
  const FailureCase& c = GetParam();
  std::string path = SamplePath(c.model);
  if (std::string(c.model) == "longrel.prt.1") {
    // 1021 characters fit an insert with their quotes; 1022 end the relation export.
    path = dir_.file(c.model);
    WriteFile(path, R"({"format": "tavproe-model", "relations": ["/* first", "/*)" +
                        std::string(1019, 'x') + R"(", "/*)" + std::string(1020, 'y') +
                        R"(", "/* after"], "features": [{"relations": ["/* feature"]}]})");
  }
  ASSERT_EQ(0, Open(path));
  const std::string setup = c.setup, head = setup.substr(0, setup.find(' '));
  const std::string arg = setup.empty() ? "" : setup.substr(head.size() + 1);
  std::string db = NewDatabase(head == "no" && arg != "directory" ? arg : "");
  if (arg == "directory") db = dir_.file("missing/exchange.db");
  if (head != "no" && !setup.empty()) Fault(head, arg);
  {
    ProMdlToDb exporter;
    EXPECT_EQ(c.result, exporter.ExportModel(c.kinds, Wide(db)));
    EXPECT_EQ(c.code, exporter.m_nStatus);
    EXPECT_EQ(c.message, exporter.m_strStatus);
  }
  std::string rows;
  for (const char* kind : kKinds)
    rows += (rows.empty() ? "" : " ") + Text(static_cast<int>(Read(db, kind).size()));
  EXPECT_EQ(c.rows, rows);
}

INSTANTIATE_TEST_SUITE_P(Steps, ExportFailureTest, ::testing::ValuesIn(kFailureCases));

}  // namespace
}  // namespace tavtest
