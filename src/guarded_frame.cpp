#include "src/guarded_frame.h"

#include "base/utf.h"
#include "src/fixed_names.h"
#include "src/log.h"

namespace {

void MarkCaught(TAVBASE::TX_Exception& error, const std::wstring& file, int line) {
  error.m_strCatchFile = file;
  error.m_strCatchFunction = L"";
  error.m_nCatchLine = line;
}

}  // namespace

void ReportCaught(TAVBASE::TX_Exception& error, CatchSite site, int& code, std::wstring& message) {
  MarkCaught(error, base::Utf8ToWide(site.file ? site.file : ""), site.line);
  SetStatus(code, message, -1, fixed::kFailureStatus + DescribeError(error));
}

void ReportCaught(const std::exception& error, CatchSite site, int& code, std::wstring& message) {
  const char* what = error.what();
  const std::wstring file = base::Utf8ToWide(site.file ? site.file : "");
  TAVBASE::TX_Exception wrapped(base::Utf8ToWide(what ? what : ""), file, L"", site.line);
  MarkCaught(wrapped, file, site.line);
  SetStatus(code, message, -1, fixed::kFailureStatus + DescribeError(wrapped));
}

void ReportUnexpected(CatchSite site, int& code, std::wstring& message) {
  const std::wstring file = base::Utf8ToWide(site.file ? site.file : "");
  TAVBASE::TX_Exception wrapped(L"Unexpected error.", file, L"", site.line);
  MarkCaught(wrapped, file, site.line);
  SetStatus(code, message, -1, DescribeError(wrapped));
}

void LogCaught(const wchar_t* operation, const std::wstring& message) noexcept {
  try {
    std::wstring line = std::wstring(operation) + L": " + message;
    while (!line.empty() && line.back() == L'\n') line.pop_back();
    for (wchar_t& c : line)
      if (c == L'\n') c = L' ';
    WriteLog(line);
  } catch (...) {
  }
}
