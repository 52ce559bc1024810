// The exchange database: RefreshTable of generated parts of 1,000 to 100,000
// dimensions (ten per feature), and UpdateTable of 1,000 and 10,000 flagged rows,
// half dimensions, half parameters. The export's closing one-second pause passes
// at once on a PauseFreeClock. The floor of each is its round trips plus bare
// SQLite doing its rows (bench/bare_sqlite.h).
#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "base/utf.h"
#include "bench/bare_sqlite.h"
#include "bench/bench_env.h"

namespace tavbench {
namespace {

const wchar_t kAllKinds[] = L"feature,dimension,parameter,relation";

// A generated part, written once per run.
const std::string& Part(int features, int params, int relations) {
  static std::map<std::string, std::string> files;
  const std::string name = "p" + std::to_string(features) + "_" + std::to_string(params) + "_" +
                           std::to_string(relations);
  std::string& file = files[name];
  if (file.empty())
    file = Generate({"part", WorkDir() + "parts", name, "--features", std::to_string(features),
                     "--dims", "10", "--params", std::to_string(params), "--relations",
                     std::to_string(relations)})
               .front();
  return file;
}

// The bare-SQLite floor is taken this many times in each repetition, the
// fastest kept, so that one unlucky moment does not lower the ratio.
constexpr int kFloorTries = 3;

void TimeRefreshTable(benchmark::State& state, int dims, const std::string& db) {
  PauseFreeClock clock;
  long host_peak_kb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    NewExchangeDatabase(db);
    state.ResumeTiming();
    PeakRssProbe probe;
    if (Command().RefreshTable(kAllKinds, base::Utf8ToWide(db).c_str()) != 0) {
      state.SkipWithError("RefreshTable failed");
      break;
    }
    host_peak_kb = std::max(host_peak_kb, probe.GrowthKb());
  }
  if (static_cast<long long>(clock.TakeSkippedMs()) != 1000LL * state.iterations())
    state.SkipWithError("the export paused other than once for a second");
  const long long calls = TakeCallCount();
  const std::vector<TableRows> rows = ReadExchangeRows(db);
  if (std::none_of(rows.begin(), rows.end(), [&](const TableRows& t) {
        return t.table == "RURO_2_dimension" && static_cast<int>(t.rows.size()) == dims;
      }))
    state.SkipWithError("the export did not write every dimension");
  long long sqlite_ns = 0;
  for (int k = 0; k < kFloorTries; ++k) {
    const std::string bare = WorkDir() + "bare.db";
    NewExchangeDatabase(bare);
    const long long ns = TimeBareInsert(rows, bare);
    sqlite_ns = k == 0 ? ns : std::min(sqlite_ns, ns);
  }
  state.counters["floor_calls"] =
      static_cast<double>(calls) / static_cast<double>(state.iterations());
  state.counters["floor_sqlite_ns"] = static_cast<double>(sqlite_ns);
  state.counters["rows"] = static_cast<double>(RowCount(rows));
  // Bound into one prepared insert a table, like the floor's bare SQLite.
  state.counters["target"] = 1.15;
  state.counters["size"] = dims;
  state.counters["host_peak_kb"] = static_cast<double>(host_peak_kb);
}

void RefreshTable(benchmark::State& state) {
  const int dims = static_cast<int>(state.range(0));
  const std::string db = WorkDir() + "export.db";
  // Any failure of the session, the module or SQLite ends the benchmark with its
  // message, never the run.
  try {
    Command();
    Ctl({"open", Part(dims / 10, 20, 20)});
    TakeCallCount();
    TimeRefreshTable(state, dims, db);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

BENCHMARK(RefreshTable)
    ->ArgName("dims")
    ->Arg(1000)
    ->Arg(10000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
// Three repetitions of the largest, not five: each takes half a minute on two busy
// cores, and ./run bench is to stay within a few minutes.
BENCHMARK(RefreshTable)
    ->ArgName("dims")
    ->Arg(100000)
    ->Repetitions(3)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The statements the import reads its flagged rows with.
const std::vector<std::string> kFlaggedSelects = {
    "select dimId,dimSymbol,dimValue,upperLimit,lowerLimit from 'RURO_2_dimension' "
    "where RURO_flag=2 order by rowid",
    "select ownerId,ownerType,paramName,paramValType,paramValue,description from "
    "'RURO_2_parameter' where RURO_flag=2 order by rowid"};

void TimeUpdateTable(benchmark::State& state, int rows, const std::string& db) {
  for (auto _ : state) {
    if (Command().UpdateTable(L"dimension,parameter", base::Utf8ToWide(db).c_str()) != 0) {
      state.SkipWithError("UpdateTable failed");
      break;
    }
  }
  const long long calls = TakeCallCount();
  long long sqlite_ns = 0;
  for (int k = 0; k < kFloorTries; ++k) {
    const long long ns = TimeBareRead(db, kFlaggedSelects);
    sqlite_ns = k == 0 ? ns : std::min(sqlite_ns, ns);
  }
  state.counters["floor_calls"] =
      static_cast<double>(calls) / static_cast<double>(state.iterations());
  state.counters["floor_sqlite_ns"] = static_cast<double>(sqlite_ns);
  state.counters["rows"] = rows;
  state.counters["target"] = 1.3;
  state.counters["size"] = rows;
}

void UpdateTable(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string db = WorkDir() + "import" + std::to_string(rows) + ".db";
  try {
    Command();
    Ctl({"open", Part(rows / 20, rows / 2, 0)});
    // The part exported as a host gets it, every dimension and parameter row then
    // flagged changed (their values as they are: the import makes the same calls).
    PauseFreeClock clock;
    NewExchangeDatabase(db);
    if (Command().RefreshTable(kAllKinds, base::Utf8ToWide(db).c_str()) != 0)
      throw std::runtime_error("RefreshTable failed");
    RunSql(db,
           "update RURO_2_dimension set RURO_flag=2;"
           "update RURO_2_parameter set RURO_flag=2;");
    TakeCallCount();
    TimeUpdateTable(state, rows, db);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

BENCHMARK(UpdateTable)
    ->ArgName("rows")
    ->Arg(1000)
    ->Arg(10000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavbench
