// One toolkit round trip against the physics under it: a raw ping-pong, between
// two processes over a Unix socket pair, of frames as large as the round trip's
// request and reply; and the same two over TCP loopback (TCP_NODELAY on both
// ends of both), the session named by its address and token.
#include <ProMdl.h>
#include <cerrno>
#include <chrono>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/bench_env.h"
#include "protocol/methods.h"
#include "protocol/stream_socket.h"

namespace tavbench {
namespace {

namespace method = protocol::method;

// A request and a reply framed as the wire carries them (4-byte length first),
// with a sequence number of the size a long session reaches.
std::string Framed(const std::string& payload) {
  const auto n = static_cast<std::uint32_t>(payload.size());
  std::string frame{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
  return frame + payload;
}
const std::uint64_t kSeq = 100000;
const std::string kRequest = Framed(protocol::PackRequestOf<method::ProMdlCurrentGet>(kSeq, {}));
const std::string kReply =
    Framed(protocol::PackReplyOf<method::ProMdlCurrentGet>(kSeq, 0, {protocol::ModelHandle{1}}));

bool WriteAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t r = ::write(fd, data, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    data += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

bool ReadAll(int fd, char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t r = ::read(fd, data, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    data += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

// The echo process: reads a request-sized frame, answers a reply-sized one,
// until the stream ends. Only read and write after fork: the parent has threads.
[[noreturn]] void Echo(int fd, char* in, const char* out) {
  while (ReadAll(fd, in, kRequest.size()) && WriteAll(fd, out, kReply.size())) {
  }
  ::_exit(0);
}

// Ping-pongs between fds[0] (here) and fds[1] (the echo process); closes both.
void PingPong(benchmark::State& state, int fds[2]) {
  std::string child_in(kRequest.size(), '\0');
  std::string parent_in(kReply.size(), '\0');
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    Echo(fds[1], child_in.data(), kReply.data());
  }
  ::close(fds[1]);
  for (auto _ : state) {
    if (!WriteAll(fds[0], kRequest.data(), kRequest.size()) ||
        !ReadAll(fds[0], parent_in.data(), parent_in.size())) {
      state.SkipWithError("the echo process went away");
      break;
    }
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  state.counters["request_bytes"] = static_cast<double>(kRequest.size());
  state.counters["reply_bytes"] = static_cast<double>(kReply.size());
}

void RawPingPong(benchmark::State& state) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    state.SkipWithError("socketpair failed");
    return;
  }
  PingPong(state, fds);
}
BENCHMARK(RawPingPong)->UseRealTime();

void TcpRawPingPong(benchmark::State& state) {
  std::string why;
  protocol::TcpAddress address;
  const base::UniqueFd listener = protocol::ListenTcp({"127.0.0.1", 0}, false, &address, &why);
  base::UniqueFd here = listener.valid()
                            ? protocol::ConnectTcp(address, std::chrono::seconds(5), &why)
                            : base::UniqueFd();
  base::UniqueFd there = here.valid() ? protocol::Accept(listener.get()) : base::UniqueFd();
  if (!there.valid()) {
    state.SkipWithError(("TCP loopback: " + why).c_str());
    return;
  }
  int fds[2] = {here.release(), there.release()};
  PingPong(state, fds);
}
BENCHMARK(TcpRawPingPong)->UseRealTime();

void RoundTrip(benchmark::State& state) {
  try {
    Command();
    Ctl({"open", tavtest::SampleModelsDir() + "bolt.prt.1"});
    TakeCallCount();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  ProMdl mdl = nullptr;
  for (auto _ : state) {
    if (ProMdlCurrentGet(&mdl) != PRO_TK_NO_ERROR) {
      state.SkipWithError("ProMdlCurrentGet failed");
      break;
    }
  }
  // Anything beyond one call per iteration (the module's own event loop, say)
  // would make the figure something else than one round trip.
  if (TakeCallCount() != static_cast<long long>(state.iterations()))
    state.SkipWithError("calls other than ProMdlCurrentGet reached the session");
  state.counters["target"] = 1.5;
}

void ToolkitRoundTrip(benchmark::State& state) {
  UseTransport(tavtest::Transport::kUnixSocket);
  RoundTrip(state);
  state.counters["floor_pingpongs"] = 1;
}
BENCHMARK(ToolkitRoundTrip)->UseRealTime();

void TcpToolkitRoundTrip(benchmark::State& state) {
  UseTransport(tavtest::Transport::kTcpAddress);
  RoundTrip(state);
  UseTransport(tavtest::Transport::kUnixSocket);  // for the benchmarks after this one
  state.counters["floor_tcp_pingpongs"] = 1;
}
BENCHMARK(TcpToolkitRoundTrip)->UseRealTime();

}  // namespace
}  // namespace tavbench
