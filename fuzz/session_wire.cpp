// The simulator given whatever a client may send: the input is the byte stream
// of one connection to a fresh session whose search path holds a copy of the
// sample models (a save writes beside the model it saves; the repository's
// samples stay untouched, and each input starts from the same files). The
// session answers each request, or ends the connection at the first frame that
// is too large, cut short or no request; it never crashes, and it ends cleanly
// afterwards.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "base/unique_fd.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // `ctl delay` makes later calls sleep for up to an hour: that tests the clock,
  // not the decoding, and only slows the search down.
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (input.find("delay") != std::string::npos) return 0;
  tavtest::TempDir models;
  std::filesystem::copy(tavtest::SampleModelsDir(), models.path());
  tavtest::SimHarness session("", models.path());
  base::UniqueFd fd(session.Connect());
  // The answers are drained meanwhile, so a long stream of requests never stalls
  // on a full socket.
  std::thread writer([&] {
    for (std::size_t at = 0; at < input.size();) {
      const ssize_t n = ::send(fd.get(), input.data() + at, input.size() - at, MSG_NOSIGNAL);
      if (n <= 0) break;
      at += static_cast<std::size_t>(n);
    }
    ::shutdown(fd.get(), SHUT_WR);
  });
  char answers[4096];
  while (::read(fd.get(), answers, sizeof answers) > 0) {
  }
  writer.join();
  return 0;
}
