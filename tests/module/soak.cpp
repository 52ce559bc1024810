// The soak: a host that stays open all day joins one session again and again and
// does a whole job each time (connect, open, export, import, menu, pick,
// disconnect). Its open descriptors, threads and resident memory must stay flat.
// Long, so it runs only with its own label: ./run soak (ctest -L soak).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
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

// At rest the host runs only its own thread; the listen thread has said it ended
// but may not be gone yet, so a second is given for that.
Figures Measure() {
  WaitUntil([] { return Entries("/proc/self/task") == 1; }, std::chrono::seconds(1));
  Figures f;
  f.fds = Entries("/proc/self/fd");
  f.threads = Entries("/proc/self/task");
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) f.rss_kib = std::atol(line.c_str() + 6);
  return f;
}

void Print(const char* when, int cycle, const Figures& f) {
  std::printf("soak %-6s cycle %4d: %ld descriptors, %ld threads, %ld KiB resident\n", when, cycle,
              f.fds, f.threads, f.rss_kib);
  std::fflush(stdout);
}

// Counts the picks that reach the host; keeps nothing per call, unlike FakeHost.
class CountingHost : public FakeHost {
 public:
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ++picks;
    return S_OK;
  }
  HRESULT OnNewModel(BSTR) override { return S_OK; }
  HRESULT OnModelOpened(BSTR, BSTR) override { return S_OK; }
  std::atomic<int> picks{0};
};

// The module keeps the host it was given past the fixture; this one lives on.
CountingHost& Host() {
  static CountingHost* host = new CountingHost;
  return *host;
}

class SoakTest : public ModuleTest {
 protected:
  std::string NewDatabase() {
    const std::string file = ModuleTmpDir() + "soak.db";
    return NewExchangeDatabase(file) ? file : "";
  }

  // One whole job; false (with the failure recorded) when a step fails.
  bool Cycle(int n) {
    void* reserved = nullptr;
    const std::wstring db = Wide(NewDatabase());
    const std::string value = std::to_string(4 + n % 3);
    if (db.empty()) return false;
    EXPECT_EQ(
        0, connector().LoadApplication(nullptr, Wide(display_).c_str(), &Host(), handle_, reserved))
        << Narrow(connector_.m_strStatus);
    EXPECT_EQ(0, command().OpenFile(Wide(SamplePath("bracket.prt.1")).c_str()))
        << Narrow(command_.m_strStatus);
    EXPECT_EQ(0, command().RefreshTable(L"feature,dimension,parameter,relation", db.c_str()))
        << Narrow(command_.m_strStatus);
    EXPECT_TRUE(ExecSql(Narrow(db), "update RURO_2_dimension set dimValue = " + value +
                                        ", RURO_flag = 2 where dimSymbol = 'd4'"));
    EXPECT_EQ(0, command().UpdateTable(L"feature,dimension,parameter,relation", db.c_str()))
        << Narrow(command_.m_strStatus);
    EXPECT_EQ(0, command().CreateMenu(Wide(menu_).c_str())) << Narrow(command_.m_strStatus);
    const int picks = Host().picks;
    EXPECT_EQ(0, sim_->Ctl({"pick", "PDM/Check In"}).code);
    EXPECT_TRUE(WaitUntil([&] { return Host().picks > picks; }));
    command().Disconnect();
    EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));
    return !HasFailure();
  }

  // The module's pauses pass at once; unlike the fixture's clock this one keeps
  // no record of them, which would grow with every cycle.
  port::FastClock fast_{1000.0};
  port::ScopedClock use_fast_{fast_};
  const std::string menu_ = ReadFile(TAV_SOURCE_DIR "/samples/menus/pdm_menu.xml");
};

TEST_F(SoakTest, ThousandJobsAgainstOneSessionLeaveNothingBehind) {
  StartSession();
  const auto t0 = std::chrono::steady_clock::now();
  for (int n = 1; n <= kWarmUpCycles; ++n) ASSERT_TRUE(Cycle(n)) << "cycle " << n;
  const Figures start = Measure();
  Print("start", kWarmUpCycles, start);
  for (int n = kWarmUpCycles + 1; n <= kCycles; ++n) {
    ASSERT_TRUE(Cycle(n)) << "cycle " << n;
    if (n % 100 == 0) Print("", n, Measure());
  }
  const Figures end = Measure();
  Print("end", kCycles, end);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("soak: %d cycles in %.1f s\n", kCycles, seconds);
  EXPECT_EQ(start.fds, end.fds);
  EXPECT_EQ(start.threads, end.threads);
  EXPECT_LE(end.rss_kib - start.rss_kib, kRssGrowthKiB);
}

}  // namespace
}  // namespace tavtest
