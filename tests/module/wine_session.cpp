// Windows only, under Wine: a Windows host of TavProe2Interface.dll drives the
// Linux proe_sim the whole way. The module starts the session through its start
// path (ShellExecuteW), told by the environment to listen on TCP; the client finds
// the endpoint file the session writes in the shared temporary directory (TMP for
// Windows, TMPDIR for the session: one folder) and joins over Winsock. Paths
// handed to the session are Unix paths: Wine resolves them on drive Z:, where the
// tests run.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/utf.h"
#include "tavproe2/ProeAsynCommand.h"
#include "tavproe2/ProeAsynConnector.h"
#include "tests/support/fake_host.h"

namespace {

namespace fs = std::filesystem;
namespace tav = TAVCAX::TAVPROE2;

using UnixNameFn = char*(CDECL*)(const wchar_t*);

// Wine's own export: the Unix name of a Windows path (null outside Wine).
std::string UnixName(const fs::path& path) {
  const auto unix_name = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!unix_name) return "";
  char* name = unix_name(path.c_str());
  if (!name) return "";
  std::string result(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

void SetVariable(const std::wstring& name, const std::wstring& value) {
  _wputenv((name + L"=" + value).c_str());  // the C runtime's copy and the process's
}

// Starts a Linux program and waits for it as far as Wine lets a Windows program
// wait for a Unix one (its handle may be signalled early, and its exit code is
// not handed on): false when it did not start. Callers check outcomes instead.
bool RunLinux(const std::wstring& command_line) {
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return false;
  ::WaitForSingleObject(process.hProcess, 60000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

class WineSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (UnixName(fs::current_path()).empty()) GTEST_SKIP() << "not running under Wine";
    if (!fs::exists(TAV_LINUX_PROE_SIM)) GTEST_SKIP() << "no Linux proe_sim at " TAV_LINUX_PROE_SIM;
    // A folder both sides name: on drive Z:, under the Unix temporary directory.
    const char* tmpdir = std::getenv("TMPDIR");
    unix_dir_ = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/tav-wine-" +
                std::to_string(::GetCurrentProcessId());
    std::string windows_dir = "Z:" + unix_dir_;
    std::replace(windows_dir.begin(), windows_dir.end(), '/', '\\');
    dir_ = fs::u8path(windows_dir);
    fs::create_directories(dir_);
    SetVariable(L"TMP", dir_.wstring() + L"\\");
    SetVariable(L"TEMP", dir_.wstring() + L"\\");
    SetVariable(L"TMPDIR", base::Utf8ToWide(unix_dir_));
    SetVariable(L"PROE_SIM_LISTEN", L"tcp:127.0.0.1:0");
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetVariable(L"PRO_COMM_MSG_EXE", self);
  }
  void TearDown() override {
    if (dir_.empty()) return;
    // Wine may report the ctl finished before it has read the endpoint file, so
    // the folder goes only once the session has removed that file as it ends.
    if (Ctl(L"exit"))
      for (int waited = 0; waited < 300 && HasEndpointFile(); ++waited) ::Sleep(100);
    std::error_code ignored;
    if (!std::getenv("TAV_KEEP")) fs::remove_all(dir_, ignored);
  }

  bool HasEndpointFile() const {
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir_, error), end; !error && it != end;
         it.increment(error))
      if (it->path().extension() == ".endpoint") return true;
    return false;
  }

  bool Ctl(const std::wstring& args) { return RunLinux(L"\"" + sim_ + L"\" ctl " + args); }

  static std::wstring Sample(const std::string& name) {
    return base::Utf8ToWide(std::string(TAV_SOURCE_DIR) + "/samples/" + name);
  }

  // A new exchange database (samples/exchange_schema.sql) in the shared folder.
  std::wstring NewDatabase() {
    const fs::path db = dir_ / "exchange.db";
    std::ifstream schema(fs::u8path(TAV_SOURCE_DIR "/samples/exchange_schema.sql"));
    std::stringstream sql;
    sql << schema.rdbuf();
    sqlite3* handle = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open(base::WideToUtf8(db.wstring()).c_str(), &handle));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(handle, sql.str().c_str(), nullptr, nullptr, nullptr));
    sqlite3_close(handle);
    return base::Utf8ToWide(unix_dir_ + "/exchange.db");
  }

  std::string unix_dir_;
  fs::path dir_;
  const std::wstring sim_ = base::Utf8ToWide(TAV_LINUX_PROE_SIM);
};

TEST_F(WineSessionTest, WindowsHostDrivesALinuxSessionOverTcp) {
  tavtest::FakeHost host;
  tav::ProeAsynConnector connector;
  std::wstring handle;
  void* reserved = nullptr;
  ASSERT_EQ(0, static_cast<tav::IProeAsynConnector&>(connector).LoadApplication(
                   sim_.c_str(), L"", &host, handle, reserved))
      << base::WideToUtf8(connector.m_strStatus);

  tav::ProeAsynCommand command;
  tav::IProeAsynCommand& cmd = command;
  ASSERT_EQ(0, cmd.OpenFile(Sample("models/plate.asm.1").c_str()))
      << base::WideToUtf8(command.m_strStatus);
  std::wstring dependencies;
  ASSERT_EQ(0, cmd.GetDependencies(dependencies)) << base::WideToUtf8(command.m_strStatus);
  EXPECT_NE(std::wstring::npos, dependencies.find(L"bracket.prt.1")) << dependencies.size();

  const std::wstring db = NewDatabase();
  const wchar_t* kinds = L"feature,dimension,parameter,relation";
  ASSERT_EQ(0, cmd.RefreshTable(kinds, db.c_str())) << base::WideToUtf8(command.m_strStatus);
  ASSERT_EQ(0, cmd.UpdateTable(kinds, db.c_str())) << base::WideToUtf8(command.m_strStatus);

  std::ifstream menu_file(fs::u8path(TAV_SOURCE_DIR "/samples/menus/pdm_menu.xml"));
  std::stringstream menu;
  menu << menu_file.rdbuf();
  ASSERT_EQ(0, cmd.CreateMenu(base::Utf8ToWide(menu.str()).c_str()))
      << base::WideToUtf8(command.m_strStatus);
  ASSERT_TRUE(Ctl(L"pick \"PDM/Check In\""));
  ASSERT_TRUE(host.WaitForCalls("FireClickMenu", 1));

  ASSERT_TRUE(Ctl(L"new widget prt"));  // notification 53, File > New
  ASSERT_TRUE(host.WaitForCalls("OnNewModel", 1));
  ASSERT_TRUE(Ctl(L"open \"" + Sample("models/bolt.prt.1") + L"\""));  // 18, File > Open
  ASSERT_TRUE(host.WaitForCalls("OnModelOpened", 1));

  const auto calls = host.Calls();
  for (const auto& call : calls) {
    if (call.method == "FireClickMenu") {
      ASSERT_EQ(3u, call.args.size());
      EXPECT_EQ(handle, call.args[0]);
      EXPECT_EQ(Sample("models/plate.asm.1"), call.args[1]);
      EXPECT_NE(std::wstring::npos, call.args[2].find(L"caption=\"Check In\""))
          << call.args[2].size();
    }
    if (call.method == "OnModelOpened") {
      EXPECT_EQ((std::vector<std::wstring>{handle, Sample("models/bolt.prt.1")}), call.args);
    }
  }
  cmd.Disconnect();
  EXPECT_FALSE(cmd.ConnIsValid());
}

}  // namespace
