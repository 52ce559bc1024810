#pragma once
// The status record: the last failure of an object as a code (0 = none, -1 for
// the module's own failures, else a toolkit error code) and a message, always
// set together. Objects of the module that report failures derive from it; the
// exported classes keep their own two members and use the free SetStatus.
// Not synchronised: each object's record is written by the thread running its
// operation.
#include <string>

// Sets both parts of a status record held as two separate members.
inline void SetStatus(int& code, std::wstring& message, int new_code,
                      const std::wstring& new_message) {
  code = new_code;
  message = new_message;
}

struct StatusRecord {
  int m_nStatus = 0;
  std::wstring m_strStatus;

  void SetStatus(int code, const std::wstring& message) {
    ::SetStatus(m_nStatus, m_strStatus, code, message);
  }
};
