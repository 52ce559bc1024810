// The export into real SQLite files made from samples/exchange_schema.sql, with the
// models in a real proe_sim. The rows an export must give are worked out from the
// model files as the simulator's store reads them, never from the export's output.
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

std::string Real(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string Joined(const std::vector<std::string>& columns) {
  std::string row;
  for (std::size_t i = 0; i < columns.size(); ++i) row += (i ? "|" : "") + columns[i];
  return row;
}

// A table as SQLite gives it back, in insertion order; empty when it is missing.
Rows Read(const std::string& file, const std::string& kind) {
  sqlite3* db = nullptr;
  sqlite3_stmt* query = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_prepare_v2(db, ("select * from RURO_2_" + kind + " order by rowid").c_str(), -1, &query,
                     nullptr);
  Rows rows;
  while (sqlite3_step(query) == SQLITE_ROW) {
    std::vector<std::string> columns;
    for (int i = 0; i < sqlite3_column_count(query); ++i) {
      const int type = sqlite3_column_type(query, i);
      columns.push_back(type == SQLITE_NULL ? "NULL"
                        : type == SQLITE_FLOAT
                            ? Real(sqlite3_column_double(query, i))
                            : reinterpret_cast<const char*>(sqlite3_column_text(query, i)));
    }
    rows.push_back(Joined(columns));
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return rows;
}

std::string ParameterRow(const std::string& owner_id, const std::string& owner_name,
                         const std::string& owner_type, const sim::Parameter& p) {
  char real[400];
  std::snprintf(real, sizeof real, "%.10f", p.value.d);
  const std::string value = p.value.type == PRO_PARAM_DOUBLE   ? real
                            : p.value.type == PRO_PARAM_STRING ? p.value.s
                                                               : std::to_string(p.value.i);
  return Joined({owner_id, owner_name, owner_type, p.name, std::to_string(p.value.type), value,
                 p.units.empty() ? "NULL" : p.units, "NULL", "0"});
}

// The rows of one export of `file`, whose model has the item id `model_id` in the
// session: its own parameters and relations, then, solid after solid, the features
// that did not fail, their dimensions (once per solid, unknown types left out),
// their relations and the parameters of the components' models.
Tables ExpectedRows(const std::string& file, int model_id) {
  sim::Store store(sim::StoreOptions{ModuleTmpDir(), {SampleModelsDir()}});
  int handle = 0;
  EXPECT_EQ(PRO_TK_NO_ERROR, store.Load(SamplePath(file), PRO_MDL_UNUSED, &handle));
  const sim::Model& model = *store.Find(handle);
  const auto find = [&](const std::string& name, int type) {
    store.Init(name, type, &handle);
    return store.Find(handle);
  };
  std::vector<const sim::Model*> solids = {&model};
  if (model.type == PRO_MDL_DRAWING) solids.clear();
  for (const sim::ModelRef& ref : model.solids) solids.push_back(find(ref.name, ref.type));
  Tables rows;
  const std::string type = sim::ModelTypeText(model.type);
  for (const sim::Parameter& p : model.params)
    rows[2].push_back(ParameterRow("0", model.name + "." + type, type, p));
  for (const std::string& line : model.relations.value_or(sim::RelationSet{}))
    rows[3].push_back(Joined({std::to_string(model_id), std::to_string(model.type), line, "0"}));
  int index = 0;
  for (const sim::Model* solid : solids) {
    std::set<int> written;
    for (const sim::Feature& f : solid->features) {
      if (f.failed) continue;
      const std::string id = std::to_string(f.id);
      std::string name = f.name.empty() ? "---" : f.name;
      if (f.name.empty() && f.type == PRO_FEAT_COMPONENT)
        name = f.comp_name + (f.comp_type == PRO_MDL_ASSEMBLY ? ".ASM" : ".PRT");
      rows[0].push_back(Joined({id, name, f.type_name, f.subtype, std::to_string(f.status),
                                std::to_string(f.ncseq), std::to_string(f.incomplete),
                                std::to_string(f.read_only), std::to_string(f.pattern_status),
                                std::to_string(f.group_status), std::to_string(f.grppattern_status),
                                std::to_string(index++), "0"}));
      for (int dim_id : f.dims) {
        const sim::Dimension& d =
            *std::find_if(solid->dimensions.begin(), solid->dimensions.end(),
                          [&](const sim::Dimension& x) { return x.id == dim_id; });
        if (d.dim_type == PRODIMTYPE_UNKNOWN || !written.insert(d.id).second) continue;
        // A reference dimension has no tolerance type: its query fails and gives 0.
        rows[1].push_back(
            Joined({std::to_string(d.id), id, d.symbol, Real(d.value), std::to_string(d.dim_type),
                    std::to_string(d.reference ? 0 : d.tol_type), Real(d.upper), Real(d.lower),
                    std::to_string(d.rel_driven), "0"}));
      }
      for (const std::string& line : f.relations.value_or(sim::RelationSet{}))
        rows[3].push_back(Joined({id, std::to_string(PRO_FEATURE), line, "0"}));
      if (f.type != PRO_FEAT_COMPONENT) continue;
      for (const sim::Parameter& p : find(f.comp_name, f.comp_type)->params)
        rows[2].push_back(ParameterRow(id, name, f.type_name, p));
    }
  }
  return rows;
}

class ExportTest : public ConnectedTest {
 protected:
  // A new database file with the tables of samples/exchange_schema.sql, less `drop`.
  std::string NewDatabase(const std::string& drop = "") {
    const std::string file = dir_.file("exchange" + std::to_string(++databases_) + ".db");
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    const std::string sql = ReadFile(std::string(TAV_SOURCE_DIR) + "/samples/exchange_schema.sql") +
                            (drop.empty() ? "" : "drop table RURO_2_" + drop + ";");
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
    sqlite3_close(db);
    return file;
  }
  int Refresh(const wchar_t* kinds, const std::string& db) {
    return command().RefreshTable(kinds, Wide(db).c_str());
  }
  TempDir dir_;
  int databases_ = 0;
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
    ASSERT_EQ(0, Refresh(L"relation,parameter,dimension,feature", db))
        << Narrow(command_.m_strStatus);
  EXPECT_EQ(std::vector<unsigned>({1000, 1000}), clock_.TakePauses(std::this_thread::get_id()));
  EXPECT_TRUE(Contains(Messages(), "TAV: refreshed tabled ok."));
  const Tables expected = ExpectedRows(GetParam(), item.id);
  for (int t = 0; t < 4; ++t) {
    Rows twice = expected[t];
    twice.insert(twice.end(), expected[t].begin(), expected[t].end());
    EXPECT_EQ(twice, Read(db, kKinds[t])) << kKinds[t];
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleExportTest,
                         ::testing::Values("flange.prt.1", "mount.asm.1", "plate.asm.1",
                                           "plate.drw.1"));

TEST_F(ExportTest, NeitherAMissingModelNorAMissingDirectoryLeavesAFile) {
  const std::string db = dir_.file("exchange.db"), nowhere = dir_.file("missing/exchange.db");
  EXPECT_EQ(-1, Refresh(L"feature", db));
  EXPECT_EQ(L"has not active document.", command_.m_strStatus);
  ASSERT_EQ(0, Open(SamplePath("washer.prt.1")));
  const std::size_t mark = LogSize();
  EXPECT_EQ(-1, Refresh(L"feature", nowhere));
  EXPECT_EQ(-1, command_.m_nStatus);
  EXPECT_EQ(L"Unexpected error.\n", command_.m_strStatus);
  EXPECT_TRUE(Contains(LogLinesSince(mark),
                       "ProMdlToDb: SQLITE_CANTOPEN[14]: unable to open database file"));
  EXPECT_FALSE(port::FileExists(db));
  EXPECT_FALSE(port::FileExists(nowhere));
}

// The status rules of the export's steps, with failures injected into the session
// (`proe_sim ctl fault`) or a table missing from the file. Rows: how many each table
// holds afterwards, in the order of kKinds.
struct FailureCase {
  const char* model;
  const wchar_t* kinds;
  const char* fault;  // function and code, or ""
  const char* drop;   // a table left out of the file, or ""
  int result;
  int code;
  const wchar_t* message;
  const char* rows;
};

class ExportFailureTest : public ExportTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ExportFailureTest, RecordsTheStatusAndKeepsTheRowsBeforeIt) {
  const FailureCase& c = GetParam();
  std::string path = SamplePath(c.model);
  if (std::string(c.model) == "longrel.prt.1") {
    // A relation line of 1021 characters fits the insert with its quotes; one more
    // ends the owner's relations, and the later owners are not reached.
    path = dir_.file(c.model);
    WriteFile(path, R"({"format": "tavproe-model", "relations": ["/* first", "/*)" +
                        std::string(1019, 'x') + R"(", "/*)" + std::string(1020, 'y') +
                        R"(", "/* after"], "features": [{"relations": ["/* feature"]}]})");
  }
  ASSERT_EQ(0, Open(path));
  const std::string db = NewDatabase(c.drop);
  const std::string fault = c.fault;
  if (!fault.empty()) Fault(fault.substr(0, fault.find(' ')), fault.substr(fault.find(' ') + 1));
  {
    ProMdlToDb exporter;
    EXPECT_EQ(c.result, exporter.ExportModel(c.kinds, Wide(db)));
    EXPECT_EQ(c.code, exporter.m_nStatus);
    EXPECT_EQ(c.message, exporter.m_strStatus);
  }
  std::string rows;
  for (const char* kind : kKinds)
    rows += (rows.empty() ? "" : " ") + std::to_string(Read(db, kind).size());
  EXPECT_EQ(c.rows, rows);
}

constexpr const wchar_t* kAll = L"feature,dimension,parameter,relation";

INSTANTIATE_TEST_SUITE_P(
    Steps, ExportFailureTest,
    ::testing::Values(FailureCase{"washer.prt.1", kAll, "ProMdlTypeGet -2", "", -2, -2,
                                  L"():PRO_TK_BAD_INPUTS", "0 0 0 0"},
                      FailureCase{"washer.prt.1", kAll, "ProSolidFeatstatusGet -1", "", -1, -1,
                                  L"():PRO_TK_GENERAL_ERROR", "0 0 0 0"},
                      FailureCase{"washer.prt.1", kAll, "ProSolidFailedFeatsList -2", "", -2, -2,
                                  L"():PRO_TK_BAD_INPUTS", "0 0 0 0"},
                      // A drawing's solid whose features cannot be listed has none; the status
                      // then holds what naming the last feature recorded.
                      FailureCase{"plate.drw.1", L"feature", "ProSolidFeatstatusGet -1", "", 0, 0,
                                  L"():PRO_TK_NO_ERROR", "11 0 0 0"},
                      FailureCase{"washer.prt.1", L"feature", "ProModelitemNameGet -2", "", -1, -2,
                                  L"():PRO_TK_BAD_INPUTS", "0 0 0 0"},
                      FailureCase{"bracket.prt.1", L"feature", "ProFeatureTypeGet -2", "", -1, 0,
                                  L"", "0 0 0 0"},
                      FailureCase{"washer.prt.1", L"feature", "ProFeatureTypenameGet -1", "", -1,
                                  -1, L"():PRO_TK_GENERAL_ERROR", "0 0 0 0"},
                      FailureCase{"washer.prt.1", L"dimension", "ProFeatureDimensionVisit -1", "",
                                  0, -1, L"():PRO_TK_GENERAL_ERROR", "0 0 0 0"},
                      FailureCase{"washer.prt.1", L"parameter", "ProMdlToModelitem -2", "", 0, -2,
                                  L"():PRO_TK_BAD_INPUTS", "0 0 0 0"},
                      FailureCase{"washer.prt.1", L"parameter", "ProParameterVisit -1", "", 0, -1,
                                  L"():PRO_TK_GENERAL_ERROR", "0 0 0 0"},
                      FailureCase{"spacer.prt.1", L"parameter", "", "", 0, -4,
                                  L"():PRO_TK_E_NOT_FOUND", "0 0 0 0"},
                      // The assembly's own three parameters; the first component stops the rest.
                      FailureCase{"plate.asm.1", L"parameter", "ProFeatureTypenameGet -1", "", 0,
                                  -1, L"():PRO_TK_GENERAL_ERROR", "0 0 3 0"},
                      FailureCase{"bolt.prt.1", L"relation", "ProRelsetRelationsGet -1", "", 0, -1,
                                  L"():PRO_TK_GENERAL_ERROR", "0 0 0 0"},
                      FailureCase{"longrel.prt.1", L"relation", "", "", 0, -1,
                                  L"() error: string too long\n", "0 0 0 2"},
                      FailureCase{"washer.prt.1", L"feature", "", "feature", -1, -1,
                                  L"Unexpected error.\n", "0 0 0 0"},
                      FailureCase{"washer.prt.1", L"dimension", "", "dimension", 0, -1,
                                  L"Unexpected error.\n", "0 0 0 0"},
                      // The relations run after the features whatever the order of the tokens.
                      FailureCase{"washer.prt.1", L"relation,feature", "", "feature", -1, 0,
                                  L"():PRO_TK_NO_ERROR", "0 0 0 0"},
                      // Tokens count only when written exactly so.
                      FailureCase{"washer.prt.1", L",Feature, feature,parameter ,bogus,,dimension",
                                  "", "", 0, 0, L"", "0 3 0 0"},
                      FailureCase{"washer.prt.1", L"", "", "", 0, 0, L"", "0 0 0 0"}));

}  // namespace
}  // namespace tavtest
