#include "src/sqlite_exception.h"

#include <sqlite3.h>

#include "base/utf.h"
#include "src/string_util.h"

const wchar_t* ErrorCodeName(int code) {
  static const wchar_t* const kNames[] = {
      L"SQLITE_OK",       L"SQLITE_ERROR",     L"SQLITE_INTERNAL", L"SQLITE_PERM",
      L"SQLITE_ABORT",    L"SQLITE_BUSY",      L"SQLITE_LOCKED",   L"SQLITE_NOMEM",
      L"SQLITE_READONLY", L"SQLITE_INTERRUPT", L"SQLITE_IOERR",    L"SQLITE_CORRUPT",
      L"SQLITE_NOTFOUND", L"SQLITE_FULL",      L"SQLITE_CANTOPEN", L"SQLITE_PROTOCOL",
      L"SQLITE_EMPTY",    L"SQLITE_SCHEMA",    L"SQLITE_TOOBIG",   L"SQLITE_CONSTRAINT",
      L"SQLITE_MISMATCH", L"SQLITE_MISUSE",    L"SQLITE_NOLFS",    L"SQLITE_AUTH",
      L"SQLITE_FORMAT",   L"SQLITE_RANGE",     L"SQLITE_NOTADB",   L"SQLITE_NOTICE",
      L"SQLITE_WARNING"};
  if (code >= 0 && code < static_cast<int>(sizeof kNames / sizeof kNames[0])) return kNames[code];
  if (code == SQLITE_ROW) return L"SQLITE_ROW";
  if (code == SQLITE_DONE) return L"SQLITE_DONE";
  if (code == kCppSqliteError) return L"CPPSQLITE_ERROR";
  return L"UNKNOWN_ERROR";
}

CppSQLite3Exception::CppSQLite3Exception(int code, const wchar_t* message)
    : code_(code),
      message_((message && *message ? std::wstring(message) + L" (" : std::wstring(L"(")) +
               ErrorCodeName(code) + L"[" + IntToWString(code) + L"])") {}

std::wstring SqliteMessage(sqlite3* db) {
  const void* text = sqlite3_errmsg16(db);
  return text ? base::Utf16ToWide(static_cast<const char16_t*>(text)) : std::wstring();
}

CppSQLite3Exception SqliteError(int code, sqlite3* db) {
  // A write that a crashed writer left unfinished (a hot journal) can only be
  // rolled back by a writer; a read-only reader is refused until then.
  if (db && sqlite3_extended_errcode(db) == SQLITE_READONLY_ROLLBACK)
    return CppSQLite3Exception(code,
                               L"the database file has an unfinished write (a hot journal); "
                               L"open it once with a program that writes to it, such as "
                               L"sqlite3, to finish it");
  return CppSQLite3Exception(code, SqliteMessage(db).c_str());
}

void RaiseSqliteError(int code, sqlite3* db) { throw SqliteError(code, db); }
