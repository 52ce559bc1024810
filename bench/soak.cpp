// The soak (./run soak): a host that stays open all day joins one session again and
// again and does a whole job each time (connect, open, export, import, menu, pick,
// disconnect), 1,000 times. It prints its open descriptors, threads and resident
// memory every 100 jobs, and fails (exit status 1) when they did not stay flat.
// Built with the benchmarks (-DTAV_BUILD_BENCH=ON); minutes long, so CTest never
// runs it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "base/utf.h"
#include "bench/bare_sqlite.h"
#include "bench/bench_env.h"
#include "port/clock.h"
#include "src/tav_proecore.h"
#include "tavproe2/ProeAsynCommand.h"
#include "tavproe2/ProeAsynConnector.h"
#include "tests/support/fake_host.h"

namespace tavbench {
namespace {

namespace fs = std::filesystem;

constexpr int kCycles = 1000;
constexpr int kWarmUpCycles = 10;  // one-time allocations (caches, pools) settle first
constexpr long kRssGrowthKiB = 8 * 1024;

struct Figures {
  long fds = 0;
  long threads = 0;
  long rss_kib = 0;
};

long Entries(const char* dir) {
  std::error_code ec;
  return static_cast<long>(
      std::distance(fs::directory_iterator(dir, ec), fs::directory_iterator()));
}

// Polls `done` for up to `timeout` (real time).
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// At rest the host runs only its own thread; the listen thread has said it ended
// but may not be gone yet, so a second is given for that.
Figures Measure() {
  WaitUntil([] { return Entries("/proc/self/task") == 1; }, std::chrono::seconds(1));
  return Figures{Entries("/proc/self/fd"), Entries("/proc/self/task"), MemoryOf(::getpid()).rss_kb};
}

void Print(const char* when, int cycle, const Figures& f) {
  std::printf("soak %-6s cycle %4d: %ld descriptors, %ld threads, %ld KiB resident\n", when, cycle,
              f.fds, f.threads, f.rss_kib);
  std::fflush(stdout);
}

// Counts the picks that reach the host; keeps nothing per call, unlike FakeHost.
class CountingHost : public tavtest::FakeHost {
 public:
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ++picks;
    return S_OK;
  }
  HRESULT OnNewModel(BSTR) override { return S_OK; }
  HRESULT OnModelOpened(BSTR, BSTR) override { return S_OK; }
  std::atomic<int> picks{0};
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Soak {
 public:
  // One whole job; throws std::runtime_error naming the step that failed.
  void Cycle(int n) {
    const std::string db = WorkDir() + "soak.db";
    const std::wstring wdb = base::Utf8ToWide(db);
    const wchar_t* const kinds = L"feature,dimension,parameter,relation";
    void* reserved = nullptr;
    std::wstring handle;
    NewExchangeDatabase(db);
    Check("LoadApplication",
          connector().LoadApplication(nullptr, base::Utf8ToWide(SessionDisplay()).c_str(), &host_,
                                      handle, reserved),
          connector_.m_strStatus);
    Check(
        "OpenFile",
        command().OpenFile(base::Utf8ToWide(tavtest::SampleModelsDir() + "/bracket.prt.1").c_str()),
        command_.m_strStatus);
    Check("RefreshTable", command().RefreshTable(kinds, wdb.c_str()), command_.m_strStatus);
    RunSql(db, "update RURO_2_dimension set dimValue = " + std::to_string(4 + n % 3) +
                   ", RURO_flag = 2 where dimSymbol = 'd4'");
    Check("UpdateTable", command().UpdateTable(kinds, wdb.c_str()), command_.m_strStatus);
    Check("CreateMenu", command().CreateMenu(menu_.c_str()), command_.m_strStatus);
    const int picks = host_.picks;
    Ctl({"pick", "PDM/Check In"});
    if (!WaitUntil([&] { return host_.picks > picks; }, std::chrono::seconds(10)))
      throw std::runtime_error("the pick did not reach the host");
    command().Disconnect();
    if (!ProeCore::Instance()->TEST_WaitListenThreads(0, 10000))
      throw std::runtime_error("the listen thread did not end");
  }

 private:
  // As a host calls them: through their interfaces.
  TAVCAX::TAVPROE2::IProeAsynConnector& connector() { return connector_; }
  TAVCAX::TAVPROE2::IProeAsynCommand& command() { return command_; }
  static void Check(const char* step, int result, const std::wstring& status) {
    if (result != 0) throw std::runtime_error(std::string(step) + ": " + base::WideToUtf8(status));
  }

  // The module's pauses pass at once, and no record of them grows with every cycle.
  port::FastClock fast_{1000.0};
  port::ScopedClock use_fast_{fast_};
  // The module keeps the host it was given past Disconnect: it outlives the module's objects.
  CountingHost host_;
  TAVCAX::TAVPROE2::ProeAsynConnector connector_;
  TAVCAX::TAVPROE2::ProeAsynCommand command_;
  const std::wstring menu_ =
      base::Utf8ToWide(ReadText(TAV_SOURCE_DIR "/samples/menus/pdm_menu.xml"));
};

int Run() {
  Soak soak;
  const auto t0 = std::chrono::steady_clock::now();
  Figures start;
  for (int n = 1; n <= kCycles; ++n) {
    try {
      soak.Cycle(n);
    } catch (const std::exception& e) {
      throw std::runtime_error("cycle " + std::to_string(n) + ": " + e.what());
    }
    if (n == kWarmUpCycles) Print("start", n, start = Measure());
    if (n % 100 == 0) Print("", n, Measure());
  }
  const Figures end = Measure();
  Print("end", kCycles, end);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("soak: %d cycles in %.1f s\n", kCycles, seconds);
  const bool flat = start.fds == end.fds && start.threads == end.threads &&
                    end.rss_kib - start.rss_kib <= kRssGrowthKiB;
  if (!flat)
    std::fprintf(stderr, "soak: FAILED: descriptors, threads or memory (over %ld KiB) grew\n",
                 kRssGrowthKiB);
  return flat ? 0 : 1;
}

}  // namespace
}  // namespace tavbench

int main() { return tavbench::RunInWorld("tavsoak", tavbench::Run); }
