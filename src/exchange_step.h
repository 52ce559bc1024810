#pragma once
// One step of the database exchange (the export ProMdlToDb and the import
// ProDbToMdl): runs the body with the machine-fault translator installed and turns
// a failure that escapes it into the object's status record; the step then
// returns -1. A database error becomes (-1, SQLite's text and code name, as
// CppSQLite3Exception composes it), written to the log under `operation` too;
// any other failure goes through the common conversion (src/guarded_frame.h).
//
// Threads: the caller's, inside the command object's frame.
#include <utility>

#include "src/guarded_frame.h"
#include "src/seh_translator.h"
#include "src/sqlite_exception.h"
#include "src/status_record.h"

template <typename Body>
int ExchangeStep(StatusRecord& status, const wchar_t* operation, CatchSite site, Body&& body) {
  int result = -1;
  RunGuarded(status.m_nStatus, status.m_strStatus, site, [&] {
    InstallSehTranslator();
    try {
      result = std::forward<Body>(body)();
    } catch (const CppSQLite3Exception& error) {
      LogCaught(operation, error.Message());
      status.SetStatus(-1, error.Message());
      result = -1;
    }
  });
  return result;
}
