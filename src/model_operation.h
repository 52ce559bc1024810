#pragma once
// The frame every model operation of the command object shares: reset the status
// record, hold the module-wide lock for the whole body, install the machine-fault
// translator, and turn any failure into the status record, caught at `site` (the
// operation's own TAV_CATCH_SITE). The body returns the operation's result, 0 or
// -1; a failure that escapes it gives -1, and so does a session that no longer
// answers after it.
//
//   return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
//     ... work ...
//     return 0;
//   });
#include <ProCore.h>
#include <string>
#include <utility>

#include "port/lock.h"
#include "src/guarded_frame.h"
#include "src/seh_translator.h"
#include "src/status_record.h"
#include "src/tav_proecore.h"
#include "src/toolkit_error_name.h"

// After an operation's work: a session that died on the way took the work with it
// (a model opened, a menu built), whatever its last calls, whose own failures do
// not matter, said. 0 while it answers; else -1 with (PRO_TK_COMM_ERROR,
// "():PRO_TK_COMM_ERROR").
inline int SessionStillAnswers(int& code, std::wstring& message) {
  if (ProEngineerStatusGet() == PRO_TK_NO_ERROR) return 0;
  SetStatus(code, message, PRO_TK_COMM_ERROR, ToolkitStatusText(PRO_TK_COMM_ERROR));
  return -1;
}

// `ask_session` false: the body asked the session itself before its last step
// (RefreshTable commits its rows only after that).
template <typename Body>
int ModelOperation(int& code, std::wstring& message, CatchSite site, bool ask_session,
                   Body&& body) {
  SetStatus(code, message, 0, L"");
  int result = -1;
  port::Guard hold(ProeCore::Instance()->Lock());
  RunGuarded(code, message, site, [&] {
    InstallSehTranslator();
    result = std::forward<Body>(body)();
    if (result == 0 && ask_session) result = SessionStillAnswers(code, message);
  });
  return result;
}

template <typename Body>
int ModelOperation(int& code, std::wstring& message, CatchSite site, Body&& body) {
  return ModelOperation(code, message, site, true, std::forward<Body>(body));
}
