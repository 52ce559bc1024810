// The import (UpdateTable, ProDbToMdl) given any exchange database: the input is a
// program that builds an SQLite file, which is then imported into a sample model
// of a fresh in-process session. Whatever the file holds, UpdateTable returns 0,
// or -1 with the status record set; the file is unchanged byte for byte (the
// import only reads it) and the import keeps no descriptor open.
//
// The program, read byte by byte (a missing byte reads as 0):
//   byte 0   the model: bracket.prt.1, plate.asm.1 or plate.drw.1 (value % 3)
//   byte 1   the kind list: bit 0 feature, 1 dimension, 2 parameter, 3 relation,
//            bit 4 adds a token that is no kind, bit 5 writes the list backwards
//   then operations, each chosen by one byte (value % 5):
//   0 create table: NAME, a column count 1 + (byte % 12), then per column NAME TYPE
//   1 add column to the current table: NAME TYPE
//   2 insert a row into the current table: one VALUE per column it was made with
//   3 set RURO_flag of the last row: byte b, b < 0xF0 gives b % 5, else INT32
//   4 make another table current: byte % tables made
// NAME: byte b < 0xF0 picks a known table or column name (value % count), else
// TEXT. TYPE: byte % 7 picks none, integer, real, text, blob, numeric, or integer
// not null default 0. TEXT: a length byte, then that many bytes as they are
// (UTF-8 or not). VALUE: byte % 9: NULL; a small integer (one signed byte); an
// INT64 (8 bytes); a double (8 bytes, NaN and infinities included); TEXT; raw
// UTF-16 units (a count byte, then two bytes each) bound as UTF-16; TEXT with an
// unpaired surrogate appended, bound as UTF-16; a huge text (1 to 4 MiB of one
// byte, at most 24 MiB per input); a blob (TEXT's bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "base/utf.h"
#include "src/tav_proecore.h"
#include "tavproe2/ProeAsynCommand.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"
#include "toolkit/client/test_hooks.h"

namespace {

namespace fs = std::filesystem;

const char* const kModels[] = {"bracket.prt.1", "plate.asm.1", "plate.drw.1"};
const char* const kTables[] = {"RURO_2_feature",  "RURO_2_dimension", "RURO_2_parameter",
                               "RURO_2_relation", "ruro_2_FEATURE",   "notes"};
const char* const kColumns[] = {
    "RURO_flag",  "featId",       "featName",    "featType", "featSubtype", "featStatus",
    "featIndex",  "dimId",        "dimSymbol",   "dimValue", "dimType",     "tolType",
    "upperLimit", "lowerLimit",   "isReldriven", "ownerId",  "ownerName",   "ownerType",
    "paramName",  "paramValType", "paramValue",  "units",    "description", "relation"};
const char* const kTypes[] = {
    "", "integer", "real", "text", "blob", "numeric", "integer not null default 0"};
const char* const kKinds[] = {"feature", "dimension", "parameter", "relation"};

constexpr std::size_t kHugeBudget = 24u << 20;

struct World {
  // The module's log and message file, and the session's files, stay in a
  // directory of the run.
  tavtest::TempDir tmp;
  tavtest::ScopedEnv tmpdir{"TMPDIR", tmp.path().c_str()};
  // Kept for the whole run: its destructor would leave a session that is gone.
  TAVCAX::TAVPROE2::ProeAsynCommand* command = new TAVCAX::TAVPROE2::ProeAsynCommand;
};

World& TheWorld() {
  static World* world = new World;
  return *world;
}

class Program {
 public:
  Program(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Bytes(std::size_t n) {
    n = std::min(n, size_ - std::min(at_, size_));
    std::string out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
  }
  std::uint64_t Word64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | Byte();
    return v;
  }
  std::string Text() { return Bytes(Byte()); }
  std::string Pick(const char* const* names, std::size_t count) {
    const std::uint8_t b = Byte();
    return b < 0xF0 ? names[b % count] : Text();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// Builds the database; statements SQLite refuses are simply skipped, as a host's
// odd file would have whatever it has.
class Builder {
 public:
  Builder(sqlite3* db, Program* program) : db_(db), p_(*program) {}

  void Run() {
    Exec("begin");
    while (!p_.Done()) {
      switch (p_.Byte() % 5) {
        case 0:
          CreateTable();
          break;
        case 1:
          AddColumn();
          break;
        case 2:
          Insert();
          break;
        case 3:
          SetFlag();
          break;
        default:
          SelectTable();
          break;
      }
    }
    Exec("commit");
  }

 private:
  // A column definition; its quoted name in *name.
  std::string Column(std::string* name) {
    *name = Quoted(p_.Pick(kColumns, std::size(kColumns)));
    return *name + " " + kTypes[p_.Byte() % std::size(kTypes)];
  }

  void CreateTable() {
    const std::string table = p_.Pick(kTables, std::size(kTables));
    std::vector<std::string> columns;
    std::string sql;
    for (int n = 1 + p_.Byte() % 12; n > 0; --n) {
      columns.emplace_back();
      sql += (sql.empty() ? "" : ", ") + Column(&columns.back());
    }
    current_ = table;
    if (Exec("create table " + Quoted(table) + " (" + sql + ")")) tables_[table] = columns;
  }

  void AddColumn() {
    std::string name;
    const std::string column = Column(&name);
    if (tables_.count(current_) &&
        Exec("alter table " + Quoted(current_) + " add column " + column))
      tables_[current_].push_back(name);
  }

  // The row's values are read from the program whether or not SQLite takes the
  // row, so that the rest of the program reads the same either way.
  void Insert() {
    auto found = tables_.find(current_);
    if (found == tables_.end()) return;
    std::string names, marks;
    for (const std::string& column : found->second) {
      names += (names.empty() ? "" : ",") + column;
      marks += marks.empty() ? "?" : ",?";
    }
    sqlite3_stmt* stmt = nullptr;
    const std::string sql =
        "insert into " + Quoted(current_) + " (" + names + ") values (" + marks + ")";
    const bool prepared = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK;
    for (int i = 1; i <= static_cast<int>(found->second.size()); ++i) {
      const Value value = ReadValue();
      if (prepared) value.Bind(stmt, i);
    }
    if (prepared) sqlite3_step(stmt);
    sqlite3_finalize(stmt);
  }

  struct Value {
    enum Kind { kNull, kInt, kReal, kText, kText16, kBlob } kind = kNull;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;  // text (UTF-8 or not), UTF-16 units, or blob

    void Bind(sqlite3_stmt* stmt, int i) const {
      const int size = static_cast<int>(bytes.size());
      switch (kind) {
        case kNull:
          sqlite3_bind_null(stmt, i);
          break;
        case kInt:
          sqlite3_bind_int64(stmt, i, integer);
          break;
        case kReal:
          sqlite3_bind_double(stmt, i, real);
          break;
        case kText:
          sqlite3_bind_text(stmt, i, bytes.data(), size, SQLITE_TRANSIENT);
          break;
        case kText16:
          sqlite3_bind_text16(stmt, i, bytes.data(), size & ~1, SQLITE_TRANSIENT);
          break;
        case kBlob:
          sqlite3_bind_blob(stmt, i, bytes.data(), size, SQLITE_TRANSIENT);
          break;
      }
    }
  };

  Value ReadValue() {
    Value v;
    switch (p_.Byte() % 9) {
      case 0:
        break;
      case 1:
        v.kind = Value::kInt;
        v.integer = static_cast<std::int8_t>(p_.Byte());
        break;
      case 2:
        v.kind = Value::kInt;
        v.integer = static_cast<std::int64_t>(p_.Word64());
        break;
      case 3: {
        const std::uint64_t bits = p_.Word64();
        v.kind = Value::kReal;
        std::memcpy(&v.real, &bits, sizeof v.real);
        break;
      }
      case 4:
        v.kind = Value::kText;
        v.bytes = p_.Text();
        break;
      case 5:
        v.kind = Value::kText16;
        v.bytes = p_.Bytes(2u * p_.Byte());
        break;
      case 6: {
        std::u16string units;
        for (char c : p_.Text()) units += static_cast<char16_t>(static_cast<unsigned char>(c));
        units += (p_.Byte() & 1) ? u'\xDC00' : u'\xD800';
        v.kind = Value::kText16;
        v.bytes.assign(reinterpret_cast<const char*>(units.data()), units.size() * 2);
        break;
      }
      case 7: {
        const std::size_t size = (1u + p_.Byte() % 4) << 20;
        const char c = static_cast<char>(p_.Byte());
        if (huge_ + size > kHugeBudget) break;
        huge_ += size;
        v.kind = Value::kText;
        v.bytes.assign(size, c);
        break;
      }
      default:
        v.kind = Value::kBlob;
        v.bytes = p_.Text();
        break;
    }
    return v;
  }

  void SetFlag() {
    const std::uint8_t b = p_.Byte();
    const std::int64_t flag = b < 0xF0 ? b % 5 : static_cast<std::int32_t>(p_.Word64() >> 32);
    Exec("update " + Quoted(current_) + " set RURO_flag = " + std::to_string(flag) +
         " where rowid = (select max(rowid) from " + Quoted(current_) + ")");
  }

  void SelectTable() {
    if (tables_.empty()) return;
    auto it = tables_.begin();
    std::advance(it, p_.Byte() % tables_.size());
    current_ = it->first;
  }

  bool Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }

  sqlite3* db_;
  Program& p_;
  std::map<std::string, std::vector<std::string>> tables_;
  std::string current_;
  std::size_t huge_ = 0;
};

std::wstring KindList(std::uint8_t bits) {
  std::vector<std::string> kinds;
  for (int k = 0; k < 4; ++k)
    if (bits & (1u << k)) kinds.push_back(kKinds[k]);
  if (bits & 0x10) kinds.push_back("Feature");
  if (bits & 0x20) std::reverse(kinds.begin(), kinds.end());
  std::string list;
  for (const std::string& kind : kinds) list += (list.empty() ? "" : ",") + kind;
  return base::Utf8ToWide(list);
}

std::size_t OpenDescriptors() {
  std::error_code ec;
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd", ec), fs::directory_iterator()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& world = TheWorld();
  Program program(data, size);
  const std::string model = kModels[program.Byte() % std::size(kModels)];
  const std::wstring kinds = KindList(program.Byte());

  const std::string path = world.tmp.file("exchange.db");
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
  Builder(db, &program).Run();
  if (sqlite3_close(db) != SQLITE_OK) std::abort();
  const std::string before = tavtest::ReadFile(path);

  tkclient::TEST_ResetClient();
  {
    tavtest::SimHarness session;
    if (session.Ctl({"open", tavtest::SampleModelsDir() + model}).code != 0) std::abort();
    ProProcessHandle handle{};
    if (tkclient::TEST_AttachStream(session.Connect(), session.display().c_str(),
                                    world.tmp.path().c_str(), 0, &handle) != PRO_TK_NO_ERROR)
      std::abort();

    const std::size_t fds = OpenDescriptors();
    const std::wstring wide_path = base::Utf8ToWide(path);
    TAVCAX::TAVPROE2::ProeAsynCommand& command = *world.command;
    const int result = static_cast<TAVCAX::TAVPROE2::IProeAsynCommand&>(command).UpdateTable(
        kinds.c_str(), wide_path.c_str());
    if (result != 0 && (result != -1 || command.m_nStatus == 0 || command.m_strStatus.empty()))
      std::abort();
    if (OpenDescriptors() != fds) std::abort();
    if (tavtest::ReadFile(path) != before) std::abort();
    tkclient::TEST_ResetClient();
  }

  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(world.tmp.path(), ec))
    if (entry.path().filename() == "tav_cax_log.txt") fs::remove(entry.path(), ec);
  return 0;
}
