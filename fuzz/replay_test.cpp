// Replays a fuzz target's seed corpus and every input that once broke it
// (fuzz/corpus/<target>/, fuzz/regressions/<target>/) through the target's own
// entry point, built with the normal compiler: what a fuzzer found stays found.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesOf(const fs::path& dir) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FuzzReplay, EverySeedAndRegressionPasses) {
  const fs::path root = TAV_FUZZ_DIR;
  std::size_t seeds = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    for (const fs::path& file : FilesOf(root / kind / TAV_FUZZ_TARGET)) {
      SCOPED_TRACE(file.string());
      const std::string input = tavtest::ReadFile(file.string());
      EXPECT_EQ(0, LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()),
                                          input.size()));
      if (kind == std::string("corpus")) ++seeds;
    }
  }
  EXPECT_GT(seeds, 0u) << "no seed corpus for " << TAV_FUZZ_TARGET;
}

}  // namespace
