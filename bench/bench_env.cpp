#include "bench/bench_env.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include "base/utf.h"
#include "src/tav_proecore.h"
#include "tavproe2/ProeAsynConnector.h"

namespace tavbench {
namespace {

struct Run {
  tavtest::Transport transport = tavtest::Transport::kUnixSocket;
  tavtest::SessionRoute route;  // before sim: its token outlives the session
  std::unique_ptr<tavtest::SimProcess> sim;
  std::unique_ptr<TAVCAX::TAVPROE2::ProeAsynConnector> connector;
  std::unique_ptr<TAVCAX::TAVPROE2::ProeAsynCommand> command;
};

Run& TheRun() {
  static Run run;
  return run;
}

std::string Display() { return "bench-" + std::to_string(::getpid()); }

// One "Vm...:   123 kB" line of /proc/PID/status, in kibibytes.
long StatusField(const std::string& status, const std::string& field) {
  const std::size_t at = status.find("\n" + field + ":");
  return at == std::string::npos ? 0 : std::atol(status.c_str() + at + field.size() + 2);
}

std::string Quoted(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

const std::string& WorkDir() {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string d = tmp && *tmp ? tmp : "/tmp";
    return d.back() == '/' ? d : d + "/";
  }();
  return dir;
}

tavtest::SimProcess& Sim() {
  Run& run = TheRun();
  if (!run.sim) {
    tavtest::SimProcessOptions options;
    options.tmpdir = WorkDir();
    options.display = Display();
    options.listen = tavtest::ListenAddressFor(run.transport);
    options.args = {"--search-path", tavtest::SampleModelsDir()};
    run.sim = std::make_unique<tavtest::SimProcess>(options);
    run.route = tavtest::RouteTo(run.transport, Display(), run.sim->address());
  }
  return *run.sim;
}

const std::string& SessionDisplay() {
  Sim();
  return TheRun().route.display;
}

std::string Ctl(const std::vector<std::string>& args) {
  tavtest::CtlResult r = Sim().Ctl(args);
  if (r.code != 0) throw std::runtime_error("proe_sim ctl " + args.front() + ": " + r.output);
  return r.output;
}

long long TakeCallCount() {
  const std::string text = Ctl({"stats", "reset"});
  const std::size_t at = text.rfind("total ");
  if (at == std::string::npos) throw std::runtime_error("ctl stats: no total in " + text);
  return std::atoll(text.c_str() + at + 6);
}

std::vector<std::string> Generate(const std::vector<std::string>& args) {
  std::string command = Quoted(TAV_PROE_SIM) + " gen";
  for (const std::string& a : args) command += " " + Quoted(a);
  std::vector<std::string> files;
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + command);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  if (::pclose(pipe) != 0) throw std::runtime_error(command + ": " + output);
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) files.push_back(line);
  return files;
}

TAVCAX::TAVPROE2::IProeAsynCommand& Command() {
  Run& run = TheRun();
  if (!run.command) {
    Sim();
    run.connector = std::make_unique<TAVCAX::TAVPROE2::ProeAsynConnector>();
    run.command = std::make_unique<TAVCAX::TAVPROE2::ProeAsynCommand>();
    std::wstring handle;
    void* reserved = nullptr;
    TAVCAX::TAVPROE2::IProeAsynConnector& connector = *run.connector;  // as a host calls it
    if (connector.LoadApplication(nullptr, base::Utf8ToWide(run.route.display).c_str(), nullptr,
                                  handle, reserved) != 0)
      throw std::runtime_error("the module cannot join the session: " +
                               base::WideToUtf8(run.connector->m_strStatus));
  }
  return *run.command;
}

void EndRun() {
  Run& run = TheRun();
  if (run.command) {
    Command().Disconnect();
    ProeCore::Instance()->TEST_WaitListenThreads(0, 10000);
  }
  run.command.reset();
  run.connector.reset();
  run.sim.reset();
  run.route = {};
}

int RunInWorld(const char* program, const std::function<int()>& body) {
  // Before anything of the module runs: its singletons read TMPDIR once.
  const char* base = std::getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/" + program + "-XXXXXX";
  if (!::mkdtemp(dir.data())) return 2;
  ::setenv("TMPDIR", dir.c_str(), 1);
  ::setenv("PRO_COMM_MSG_EXE", "/bin/true", 1);
  ::setenv("LANG", "C.UTF-8", 1);
  int status = 0;
  try {
    status = body();
    EndRun();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: FAILED: %s\n", program, e.what());
    status = 1;
  }
  const std::string cleanup = "rm -rf '" + dir + "'";
  if (std::system(cleanup.c_str()) != 0 && status == 0) status = 3;
  return status;
}

void UseTransport(tavtest::Transport transport) {
  if (TheRun().transport == transport) return;
  EndRun();
  TheRun().transport = transport;
}

Memory MemoryOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::stringstream text;
  text << "\n" << in.rdbuf();
  return Memory{StatusField(text.str(), "VmRSS"), StatusField(text.str(), "VmHWM")};
}

PeakRssProbe::PeakRssProbe() {
  ::malloc_trim(0);
  // "5" resets the high-water mark to what is resident now (Linux 4.0 and later).
  std::ofstream("/proc/self/clear_refs") << "5";
  start_kb_ = MemoryOf(::getpid()).rss_kb;
}

long PeakRssProbe::GrowthKb() const { return MemoryOf(::getpid()).peak_kb - start_kb_; }

PauseFreeClock::PauseFreeClock() : timed_thread_(std::this_thread::get_id()), installed_(*this) {}

void PauseFreeClock::Sleep(unsigned milliseconds) {
  if (std::this_thread::get_id() == timed_thread_)
    skipped_ms_ += milliseconds;
  else
    real_.Sleep(milliseconds);
}

}  // namespace tavbench
