// The benchmark run: a fresh temporary directory for the run (the session's
// socket, generated models, the module's log), the toolkit client's
// communication program, then Google Benchmark's own command line.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/bench_env.h"

int main(int argc, char** argv) {
  // Before anything of the module runs: its singletons read TMPDIR once.
  const char* base = std::getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/tavbench-XXXXXX";
  if (!::mkdtemp(dir.data())) return 2;
  ::setenv("TMPDIR", dir.c_str(), 1);
  ::setenv("PRO_COMM_MSG_EXE", "/bin/true", 1);
  ::setenv("LANG", "C.UTF-8", 1);

  benchmark::Initialize(&argc, argv);
  int status = 0;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    status = 2;
  } else {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  try {
    tavbench::EndRun();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tav_bench: %s\n", e.what());
    status = 1;
  }
  const std::string cleanup = "rm -rf '" + dir + "'";
  if (std::system(cleanup.c_str()) != 0 && status == 0) status = 3;
  return status;
}
