#include "tests/module/swept_operations.h"

#include <algorithm>
#include <cstdio>
#include <regex>
#include <stdexcept>

#include <sqlite3.h>

#include "port/files.h"
#include "src/tav_proecore.h"

namespace tavtest {
namespace {

// A small assembly, so that the sweeps stay quick: each kind of item once, two
// components (one with a non-ASCII name), a parameter and a dimension to edit.
const char kAssembly[] = "sweep.asm.1";
const char kAssemblyText[] = R"({
  "format": "tavproe-model", "format_version": 1, "name": "SWEEP", "type": "ASM",
  "parameters": [{"name": "TORQUE", "type": "double", "value": 25.0, "units": "N*m"}],
  "features": [
    {"id": 1, "name": "ASM_RIGHT", "type": 923, "type_name": "DATUM PLANE"},
    {"id": 9, "type": 1000, "type_name": "COMPONENT", "component": {"name": "TRÄGER", "type": "PRT"}},
    {"id": 10, "type": 1000, "type_name": "COMPONENT", "component": {"name": "BOLT", "type": "PRT"},
     "dimensions": [{"id": 0, "symbol": "d0", "value": 25.0, "type": "linear"}]}
  ]
})";
const char* const kModelFiles[] = {"träger.prt.1", "bolt.prt.1"};
const wchar_t kKinds[] = L"feature,dimension,parameter,relation";

// The host's edits for UpdateTable: a feature renamed, a dimension and a parameter
// of the assembly changed; applying them again changes nothing more.
const char kEdits[] =
    "update RURO_2_feature set featName = 'ASM_SIDE', RURO_flag = 2 where featId = 1;"
    "update RURO_2_dimension set dimValue = 30, RURO_flag = 2 where featId = 10;"
    "update RURO_2_parameter set paramValue = '40', RURO_flag = 2"
    "  where ownerId = 0 and paramName = 'TORQUE';";

int& CommandStatus(SweepTest& t) { return t.command_.m_nStatus; }
std::wstring& CommandText(SweepTest& t) { return t.command_.m_strStatus; }

// The operations that return nothing report a failure through the status record only.
int FromStatus(SweepTest& t) { return t.command_.m_nStatus == 0 ? 0 : -1; }

std::string WithoutVersion(const std::wstring& full_name) {
  std::string name = Narrow(full_name);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The menu bar without command ids: a session gives new ones after each reconnect.
std::string Menubar(SweepTest& t) {
  static const std::regex id("command=[0-9]+");
  return std::regex_replace(t.Ctl({"menubar"}), id, "command=#");
}

std::string MenuXml() { return ReadFile(TAV_SOURCE_DIR "/samples/menus/pdm_menu.xml"); }

// Every row of the exchange database that RefreshTable fills.
std::string AllRows(SweepTest& t) {
  std::string rows;
  for (const char* kind : {"feature", "dimension", "parameter", "relation"})
    for (const std::string& row : TableRows(t.refresh_db(), kind)) rows += row + "\n";
  return rows;
}

std::string Dump(SweepTest& t) { return t.Ctl({"dump", "sweep.asm"}); }

void Joined(SweepTest& t) {
  if (!ProeCore::Instance()->IsConnected()) t.Reconnect();
}

const std::vector<SweptOperation> kOperations = {
    {"LoadApplication", [](SweepTest& t) { t.command().Disconnect(); },
     [](SweepTest& t, std::string* produced) {
       std::wstring handle;
       void* reserved = nullptr;
       const int result = t.connector().LoadApplication(nullptr, Wide(t.display_).c_str(), &t.host_,
                                                        handle, reserved);
       *produced = (handle.empty() ? "no handle" : "handle") + std::string(", ") +
                   (ProeCore::Instance()->IsConnected() ? "joined" : "not joined");
       return result;
     },
     [](SweepTest& t) -> int& { return t.connector_.m_nStatus; },
     [](SweepTest& t) -> std::wstring& { return t.connector_.m_strStatus; }},
    {"OpenFile",
     [](SweepTest& t) {
       Joined(t);
       t.command().CloseFile(L"");  // loaded afresh each time
     },
     [](SweepTest& t, std::string* produced) {
       const int result = t.command().OpenFile(Wide(t.models_.file(kAssembly)).c_str());
       *produced = t.Ctl({"windows"});
       return result;
     },
     CommandStatus, CommandText},
    {"CloseFile", [](SweepTest& t) { t.OpenAssembly(); },
     [](SweepTest& t, std::string* produced) {
       const int result = t.command().CloseFile(L"sweep.asm");
       *produced = t.Ctl({"models"});
       return result;
     },
     CommandStatus, CommandText},
    {"SaveFile", [](SweepTest& t) { t.OpenAssembly(); },
     [](SweepTest& t, std::string* produced) {
       std::wstring saved;
       const int result = t.command().SaveFile(saved);
       *produced = WithoutVersion(saved) + (port::FileExists(saved) ? "" : " (no file)");
       return result;
     },
     CommandStatus, CommandText},
    {"GetDependencies", [](SweepTest& t) { t.OpenAssembly(); },
     [](SweepTest& t, std::string* produced) {
       std::wstring list = L"(untouched)";
       const int result = t.command().GetDependencies(list);
       *produced = Narrow(list);
       return result;
     },
     CommandStatus, CommandText, /*may_leave_out=*/true},
    {"GetCurrentMdlFullName", [](SweepTest& t) { t.OpenAssembly(); },
     [](SweepTest& t, std::string* produced) {
       std::wstring name = L"(untouched)";
       t.command().GetCurrentMdlFullName(name);
       *produced = Narrow(name);
       return FromStatus(t);
     },
     CommandStatus, CommandText},
    {"RefreshTable",
     [](SweepTest& t) {
       t.OpenAssembly();
       t.NewRefreshDatabase();
     },
     [](SweepTest& t, std::string* produced) {
       const int result = t.command().RefreshTable(kKinds, Wide(t.refresh_db()).c_str());
       *produced = AllRows(t);
       return result;
     },
     CommandStatus, CommandText, false, AllRows},
    {"UpdateTable",
     [](SweepTest& t) {
       // The assembly as stored, so that the edits change it.
       t.OpenAssembly();
       t.command().CloseFile(L"");
       t.OpenAssembly();
     },
     [](SweepTest& t, std::string* produced) {
       const int result = t.command().UpdateTable(kKinds, Wide(t.update_db()).c_str());
       *produced = Dump(t);
       return result;
     },
     CommandStatus, CommandText, false, Dump, /*failure_may_be_done=*/true},
    {"CreateMenu",
     [](SweepTest& t) {
       t.Reconnect();
       t.OpenAssembly();
     },
     [](SweepTest& t, std::string* produced) {
       const int result = t.command().CreateMenu(Wide(MenuXml()).c_str());
       // A failed look-up of "TVProAction1" reads as a session without it: then
       // there is nothing to hide. An entry left out may still show, dead, from the
       // menu of the connection before.
       static const std::regex left("  button \"TVProAction1\".*\n|.* dead help=.*\n");
       *produced = std::regex_replace(Menubar(t), left, "");
       std::replace(produced->begin(), produced->end(), '\n', '|');
       return result;
     },
     CommandStatus, CommandText, /*may_leave_out=*/true},
    {"Disconnect",
     [](SweepTest& t) {
       t.Reconnect();
       t.OpenAssembly();
       ASSERT_EQ(0, t.command().CreateMenu(Wide(MenuXml()).c_str()))
           << Narrow(t.command_.m_strStatus);
     },
     [](SweepTest& t, std::string* produced) {
       t.command().Disconnect();
       *produced = Menubar(t) + (ProeCore::Instance()->IsConnected() ? "joined" : "left");
       return FromStatus(t);
     },
     CommandStatus, CommandText},
};

}  // namespace

std::vector<const SweptOperation*> SweptOperations() {
  std::vector<const SweptOperation*> all;
  for (const SweptOperation& op : kOperations) all.push_back(&op);
  return all;
}

::testing::AssertionResult SameSuccess(const SweptOperation& operation,
                                       const std::string& reference, const std::string& produced) {
  if (produced == reference) return ::testing::AssertionSuccess();
  if (operation.may_leave_out) {
    const auto items = [](const std::string& list) {
      std::vector<std::string> out;
      for (std::size_t begin = 0, end = 0; !list.empty() && end != std::string::npos;
           begin = end + 1)
        out.push_back(list.substr(begin, (end = list.find('|', begin)) - begin));
      return out;
    };
    const std::vector<std::string> all = items(reference);
    auto at = all.begin();
    for (const std::string& item : items(produced)) {
      at = std::find(at, all.end(), item);
      if (at == all.end()) return ::testing::AssertionFailure() << "not listed before: " << item;
      ++at;
    }
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "a success that is not one:\n"
                                       << produced << "\ninstead of\n"
                                       << reference;
}

const SweptOperation& SweptOperationNamed(const std::string& name) {
  for (const SweptOperation& op : kOperations)
    if (name == op.name) return op;
  throw std::invalid_argument("no swept operation " + name);
}

std::string NameOf(const ::testing::TestParamInfo<const SweptOperation*>& info) {
  return info.param->name;
}

SweepTest::SweepTest() {
  for (const char* file : kModelFiles) WriteFile(models_.file(file), ReadFile(SamplePath(file)));
  WriteFile(models_.file(kAssembly), kAssemblyText);
  refresh_db_ = data_.file("refresh.db");
  update_db_ = data_.file("update.db");
}

long long SweepTest::ReferenceRun(std::string* reference) {
  operation().prepare(*this);
  TakeCallCount();
  const int result = RunOperation(reference);
  EXPECT_EQ(0, result) << Narrow(StatusText());
  const long long calls = TakeCallCount();
  return result == 0 ? calls : -1;
}

bool SweepTest::StartAndConnect() {
  StartSession();
  Connect(&host_);
  if (::testing::Test::HasFatalFailure()) return false;
  // The database UpdateTable reads: an export of the assembly with the edits.
  if (port::FileExists(Wide(update_db_))) return true;
  OpenAssembly();
  NewRefreshDatabase();
  EXPECT_EQ(0, command().RefreshTable(kKinds, Wide(refresh_db_).c_str()))
      << Narrow(command_.m_strStatus);
  EXPECT_EQ(0, std::rename(refresh_db_.c_str(), update_db_.c_str()));
  EXPECT_TRUE(ExecSql(update_db_, kEdits));
  return !::testing::Test::HasFailure();
}

void SweepTest::OpenAssembly() {
  Joined(*this);
  ASSERT_EQ(0, command().OpenFile(Wide(models_.file("sweep.asm")).c_str()))
      << Narrow(command_.m_strStatus);
}

void SweepTest::Reconnect() {
  command().Disconnect();
  Connect(&host_);
}

void SweepTest::NewRefreshDatabase() { ASSERT_TRUE(NewExchangeDatabase(refresh_db_)); }

::testing::AssertionResult SweepTest::DatabaseIsFree(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_stmt* check = nullptr;
  std::string verdict = "cannot open";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "pragma integrity_check", -1, &check, nullptr) == SQLITE_OK &&
      sqlite3_step(check) == SQLITE_ROW)
    verdict = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
  sqlite3_finalize(check);
  if (verdict == "ok" &&
      sqlite3_exec(db, "begin exclusive; rollback;", nullptr, nullptr, nullptr) != SQLITE_OK)
    verdict = "locked: " + std::string(sqlite3_errmsg(db));
  sqlite3_close(db);
  if (verdict == "ok") return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << file << ": " << verdict;
}

}  // namespace tavtest
