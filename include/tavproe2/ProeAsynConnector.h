#pragma once
// The connector: the first object a host creates. Its one operation joins a running
// CAD session (or starts one and joins it), starts the module's listen thread and
// hands back the application handle text that accompanies every later notification.
//
// Binary layout (fixed, hosts read the members directly): virtual table pointer,
// int m_nStatus, std::wstring m_strStatus. The operation is private in the class;
// a host calls it through IProeAsynConnector, whose slot order is the class's.
// Call from one host thread at a time.
#include <string>

#include "tavproe2/com.h"

namespace TAVCAX {
namespace TAVPROE2 {

class IProeAsynConnector {
 public:
  // startCommand: the file to open (like the shell's "open" verb) when no session
  //   runs; may be null when the host knows one runs.
  // display: where the session to join runs ("" the default display); not null.
  // hostDispatch: the host's automation object; the module asks it for the event
  //   interface ITavCaxEvents (notifications) and calls FireClickMenu on it (picks).
  // handle: receives the application handle text on success, unchanged on failure.
  // reserved: neither read nor written.
  // Returns 0 on success, -1 on failure with m_nStatus / m_strStatus saying why.
  virtual int LoadApplication(const wchar_t* startCommand, const wchar_t* display,
                              IDispatch* hostDispatch, std::wstring& handle, void*& reserved) = 0;

 protected:
  IProeAsynConnector() = default;
  IProeAsynConnector(const IProeAsynConnector&) = default;
  IProeAsynConnector& operator=(const IProeAsynConnector&) = default;
  ~IProeAsynConnector() = default;  // no virtual destructor: the layout is fixed
};

class TAVPROE2_API ProeAsynConnector : public IProeAsynConnector {
 public:
  ProeAsynConnector();
  ProeAsynConnector(const ProeAsynConnector& other);
  ProeAsynConnector& operator=(const ProeAsynConnector& other);
  ~ProeAsynConnector();

  int m_nStatus;             // 0, or the failure code of the last call
  std::wstring m_strStatus;  // "", or the failure text of the last call

 private:
  int LoadApplication(const wchar_t* startCommand, const wchar_t* display, IDispatch* hostDispatch,
                      std::wstring& handle, void*& reserved) override;
  int StartProe(const wchar_t* startCommand);
  void SetStatus(int code, const std::wstring& message);
};

}  // namespace TAVPROE2
}  // namespace TAVCAX
