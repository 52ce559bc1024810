#pragma once
// The guarded frame of every exported operation: runs the body and turns any
// failure that escapes it into the status record, in one place.
//
//  - TAVBASE::TX_Exception: catch file and line are recorded; status (-1,
//    "() error: " + DescribeError).
//  - any std::exception: wrapped into a TX_Exception with what() as message, then
//    reported the same way.
//  - anything else (_com_error, ...): status (-1,
//    "Unexpected error.\n"), without the "() error: " prefix.
//
// The catch site (source file and line) is the frame's call site:
//
//   TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {
//     InstallSehTranslator();
//     ... work ...
//   });
//
// On success the status record is left untouched. A fault translator the body
// installs ends with the frame: after it the thread's faults are the host's again.
#include <exception>
#include <string>
#include <utility>

#include "port/fault.h"
#include "src/status_record.h"
#include "src/tx_exception.h"

struct CatchSite {
  const char* file;
  int line;
};
#define TAV_CATCH_SITE (::CatchSite{__FILE__, __LINE__})

// The conversions of the three catch clauses, for code that must catch itself.
void ReportCaught(TAVBASE::TX_Exception& error, CatchSite site, int& code, std::wstring& message);
void ReportCaught(const std::exception& error, CatchSite site, int& code, std::wstring& message);
void ReportUnexpected(CatchSite site, int& code, std::wstring& message);

// Runs `body`; returns true when it ended normally, false when a failure was
// turned into (code, message).
template <typename Body>
bool RunGuarded(int& code, std::wstring& message, CatchSite site, Body&& body) {
  const port::FaultTranslatorScope translator;
  try {
    std::forward<Body>(body)();
    return true;
  } catch (TAVBASE::TX_Exception& error) {
    ReportCaught(error, site, code, message);
  } catch (std::exception& error) {
    ReportCaught(error, site, code, message);
  } catch (...) {
    ReportUnexpected(site, code, message);
  }
  return false;
}

// Writes a caught failure to the log as one line, "<operation>: <message>" with
// the message's line feeds as blanks. Never throws: a line that cannot be written
// is lost.
void LogCaught(const wchar_t* operation, const std::wstring& message) noexcept;

// For the operations that return nothing (Disconnect, Release), whose host may
// never look at the status record: RunGuarded, and a failure is also logged.
template <typename Body>
bool RunGuardedAndLog(const wchar_t* operation, int& code, std::wstring& message, CatchSite site,
                      Body&& body) {
  if (RunGuarded(code, message, site, std::forward<Body>(body))) return true;
  LogCaught(operation, message);
  return false;
}

// The body is a braced block; it may contain commas. Evaluates to the bool of
// RunGuarded.
#define TAV_GUARDED_FRAME(code, message, ...) \
  ::RunGuarded((code), (message), TAV_CATCH_SITE, [&]() __VA_ARGS__)
