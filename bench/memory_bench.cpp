// What the session holds: a fresh proe_sim of its own opens a generated part of
// 100,000 dimensions (10,000 features of ten); the time is the open, the figures
// are the session's resident memory once it holds the part and its peak on the way.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/bench_env.h"

namespace tavbench {
namespace {

void SessionHoldingPart(benchmark::State& state) {
  const int dims = static_cast<int>(state.range(0));
  const int features = dims / 10;
  std::string part;
  try {
    part = Generate({"part", WorkDir() + "parts", "dims" + std::to_string(dims), "--features",
                     std::to_string(features), "--dims", "10"})
               .front();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  Memory empty, holding;
  for (auto _ : state) {
    state.PauseTiming();
    tavtest::SimProcessOptions options;
    options.tmpdir = WorkDir();
    options.display = "memory";
    auto sim = std::make_unique<tavtest::SimProcess>(options);
    empty = MemoryOf(sim->pid());
    state.ResumeTiming();
    const tavtest::CtlResult r = sim->Ctl({"open", part});
    state.PauseTiming();
    holding = MemoryOf(sim->pid());
    sim.reset();
    state.ResumeTiming();
    if (r.code != 0) {
      state.SkipWithError(r.output.c_str());
      break;
    }
  }
  state.counters["size"] = dims;
  state.counters["sim_empty_kb"] = static_cast<double>(empty.rss_kb);
  state.counters["sim_rss_kb"] = static_cast<double>(holding.rss_kb);
  state.counters["sim_peak_kb"] = static_cast<double>(holding.peak_kb);
}
BENCHMARK(SessionHoldingPart)
    ->ArgName("dims")
    ->Arg(100000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavbench
