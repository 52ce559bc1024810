#pragma once
// The module's error record. Thrown inside operations (machine faults are turned
// into one by the fault translator) and caught at the operation's guarded frame,
// which fills in where it was caught and turns it into the status record.
// A plain value: copyable, copies carry every member.
#include <exception>
#include <string>

namespace TAVBASE {

class TX_Exception : public std::exception {
 public:
  // The catch members start as "", "", 0; the catcher sets them.
  TX_Exception(const std::wstring& message, const std::wstring& file, const std::wstring& function,
               int line);

  std::wstring m_strMessage;
  std::wstring m_strFile;      // the thrower's source file path
  std::wstring m_strFunction;  // empty at every site of the module
  int m_nLine;
  std::wstring m_strCatchFile;
  std::wstring m_strCatchFunction;
  int m_nCatchLine;
};

}  // namespace TAVBASE

// The record's message followed by a single line feed.
std::wstring DescribeError(const TAVBASE::TX_Exception& error);
