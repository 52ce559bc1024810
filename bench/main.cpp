// The benchmark run: a fresh temporary directory for the run (the session's
// socket, generated models, the module's log), the toolkit client's
// communication program, then Google Benchmark's own command line.
#include <benchmark/benchmark.h>

#include "bench/bench_env.h"

int main(int argc, char** argv) {
  return tavbench::RunInWorld("tavbench", [&] {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  });
}
