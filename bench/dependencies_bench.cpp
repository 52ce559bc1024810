// GetDependencies of generated assembly trees, ten components wide: depth 3
// holds 1,111 models, depth 4 holds 11,111. Its floor is the round trips it makes.
#include <algorithm>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/bench_env.h"

namespace tavbench {
namespace {

constexpr int kBreadth = 10;

// The tree's top assembly, generated once per run.
const std::string& Tree(int depth) {
  static std::map<int, std::string> tops;
  std::string& top = tops[depth];
  if (top.empty()) {
    const std::string name = "tree" + std::to_string(depth);
    top = Generate({"assembly", WorkDir() + name, name, "--breadth", std::to_string(kBreadth),
                    "--depth", std::to_string(depth), "--features", "2", "--dims", "2", "--params",
                    "2", "--relations", "0"})
              .front();
  }
  return top;
}

int ModelsIn(int depth) {
  int models = 1, level = 1;
  for (int d = 0; d < depth; ++d) models += level *= kBreadth;
  return models;
}

void GetDependencies(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  const long long expected = ModelsIn(depth) - 1;  // every model but the top one
  try {
    Command();
    Ctl({"open", Tree(depth)});
    TakeCallCount();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  std::wstring list;
  long growth_kb = 0;
  for (auto _ : state) {
    PeakRssProbe probe;
    if (Command().GetDependencies(list) != 0) {
      state.SkipWithError("GetDependencies failed");
      break;
    }
    growth_kb = std::max(growth_kb, probe.GrowthKb());
  }
  long long listed = list.empty() ? 0 : 1;
  for (wchar_t c : list) listed += c == L'|';
  if (listed != expected) state.SkipWithError("GetDependencies left models out");
  state.counters["floor_calls"] =
      static_cast<double>(TakeCallCount()) / static_cast<double>(state.iterations());
  state.counters["target"] = 2.0;
  state.counters["size"] = ModelsIn(depth);
  state.counters["host_peak_kb"] = static_cast<double>(growth_kb);
}
BENCHMARK(GetDependencies)
    ->ArgName("depth")
    ->Arg(3)
    ->Arg(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavbench
