#include "tests/module/module_env.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <future>
#include <sstream>
#include <thread>
#include <unistd.h>

#include <sqlite3.h>

#include "base/utf.h"
#include "src/tav_proecore.h"
#include "tests/support/temp_dir.h"

namespace tavtest {
namespace {

std::string tmp_dir;  // set by main() before any test runs

std::string LogPath() { return ModuleTmpDir() + "tav_cax_log.txt"; }

}  // namespace

const std::string& ModuleTmpDir() { return tmp_dir; }

std::string SamplePath(const std::string& file) { return SampleModelsDir() + "/" + file; }

// Displays with a '/', a blank and a non-ASCII letter, as hosts name them: the
// module and proe_sim must agree on where such a session listens.
std::string UniqueDisplay() {
  static std::atomic<int> counter{0};
  return "ws/Prüfstand " + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

std::size_t LogSize() { return ReadFile(LogPath()).size(); }

std::vector<std::string> LogLinesSince(std::size_t mark) {
  std::string text = ReadFile(LogPath());
  return Lines(mark <= text.size() ? text.substr(mark) : std::string());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

::testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                   const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const std::string& want : expected) {
    while (at < lines.size() && lines[at] != want) ++at;
    if (at == lines.size()) {
      std::string all;
      for (const std::string& l : lines) all += "  " + l + "\n";
      return ::testing::AssertionFailure() << "missing or out of order: \"" << want << "\" in:\n"
                                           << all;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::wstring Wide(const std::string& utf8) { return base::Utf8ToWide(utf8); }
std::string Narrow(const std::wstring& wide) { return base::WideToUtf8(wide); }

namespace {

std::vector<std::string> DirectoryEntries(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir))
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  ::closedir(dir);
  return names;
}

}  // namespace

int OpenDescriptors() {
  return static_cast<int>(DirectoryEntries("/proc/self/fd").size()) - 1;  // less opendir's own
}

std::vector<std::string> LabelFiles() {
  std::vector<std::string> labels;
  for (const std::string& name : DirectoryEntries(ModuleTmpDir()))
    if (name.rfind("TxMsgFile", 0) == 0) labels.push_back(name);
  return labels;
}

bool ModuleLockIsFree() {
  // The thread stays blocked for good when the lock leaked; it is left behind then,
  // and the test fails.
  auto entered = std::make_shared<std::promise<void>>();
  std::future<void> done = entered->get_future();
  std::thread([entered] {
    port::Guard hold(ProeCore::Instance()->Lock());
    entered->set_value();
  }).detach();
  return done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
}

CtlResult CtlOn(const std::string& display, const std::vector<std::string>& args) {
  return SimCtl(ModuleTmpDir(), display, args);
}

bool ExecSql(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  char* error = nullptr;
  const bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
                  sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
  EXPECT_TRUE(ok) << (error ? error : sqlite3_errmsg(db)) << " in " << sql;
  sqlite3_free(error);
  sqlite3_close(db);
  return ok;
}

std::vector<std::string> TableRows(const std::string& file, const std::string& kind,
                                   std::vector<long long>* rowids) {
  sqlite3* db = nullptr;
  sqlite3_stmt* query = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_prepare_v2(db, ("select rowid, * from RURO_2_" + kind).c_str(), -1, &query, nullptr);
  std::vector<std::string> rows;
  while (sqlite3_step(query) == SQLITE_ROW) {
    if (rowids) rowids->push_back(sqlite3_column_int64(query, 0));
    std::string row;
    for (int i = 1; i < sqlite3_column_count(query); ++i) {
      char real[32] = "NULL";
      const int type = sqlite3_column_type(query, i);
      if (type == SQLITE_FLOAT)
        std::snprintf(real, sizeof real, "%.17g", sqlite3_column_double(query, i));
      row += std::string(i > 1 ? "|" : "") +
             (type == SQLITE_NULL || type == SQLITE_FLOAT
                  ? real
                  : reinterpret_cast<const char*>(sqlite3_column_text(query, i)));
    }
    rows.push_back(row);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return rows;
}

bool NewExchangeDatabase(const std::string& file, const std::string& sql) {
  std::remove(file.c_str());
  return ExecSql(file, ReadFile(TAV_SOURCE_DIR "/samples/exchange_schema.sql") + sql);
}

void TestClock::Sleep(unsigned milliseconds) {
  {
    std::unique_lock<std::mutex> hold(mutex_);
    pauses_[std::this_thread::get_id()].push_back(milliseconds);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(hold, [&] { return !held_; });
    --waiting_;
  }
  fast_.Sleep(milliseconds);
}

std::vector<unsigned> TestClock::TakePauses(std::thread::id thread) {
  std::lock_guard<std::mutex> hold(mutex_);
  return std::move(pauses_[thread]);
}

bool TestClock::HoldSleeper() {
  std::unique_lock<std::mutex> hold(mutex_);
  held_ = true;
  return changed_.wait_for(hold, std::chrono::seconds(10), [&] { return waiting_ > 0; });
}

void TestClock::Release() {
  std::lock_guard<std::mutex> hold(mutex_);
  held_ = false;
  changed_.notify_all();
}

ModuleTest::ModuleTest() = default;

ModuleTest::~ModuleTest() {
  // The listen thread sleeps on the fixture's clock; let it end before the clock goes.
  clock_.Release();
  command().Disconnect();
  EXPECT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));
}

void ModuleTest::StartSession(const std::vector<std::string>& extra_args) {
  SimProcessOptions options;
  options.tmpdir = ModuleTmpDir();
  options.display = display_;
  options.args = {"--search-path", SampleModelsDir()};
  options.args.insert(options.args.end(), extra_args.begin(), extra_args.end());
  sim_ = std::make_unique<SimProcess>(options);
}

void ModuleTest::Connect(IDispatch* host) {
  void* reserved = nullptr;
  ASSERT_EQ(0,
            connector().LoadApplication(nullptr, Wide(display_).c_str(), host, handle_, reserved))
      << connector_.m_nStatus << " " << Narrow(connector_.m_strStatus);
}

std::vector<std::string> ModuleTest::Messages() const {
  return Lines(sim_->Ctl({"messages"}).output);
}

long long ModuleTest::TakeCallCount() const {
  const std::string text = sim_->Ctl({"stats", "reset"}).output;
  const std::size_t at = text.rfind("total ");
  return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + 6);
}

int ModuleTest::ModelsInSession() const {
  return static_cast<int>(Lines(sim_->Ctl({"models"}).output).size());
}

}  // namespace tavtest

int main(int argc, char** argv) {
  // Before anything of the module runs: its singletons read TMPDIR once.
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tavmodule-XXXXXX";
  if (!::mkdtemp(pattern.data())) return 2;
  tavtest::tmp_dir = pattern + "/";
  ::setenv("TMPDIR", tavtest::tmp_dir.c_str(), 1);
  ::setenv("PRO_COMM_MSG_EXE", "/bin/true", 1);
  ::setenv("LANG", "C.UTF-8", 1);
  ::unsetenv("LANGUAGE");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  std::string cleanup = "rm -rf '" + tavtest::tmp_dir + "'";
  if (std::system(cleanup.c_str()) != 0) return result ? result : 3;
  return result;
}
