#pragma once
// The frame every model operation of the command object shares: reset the status
// record, hold the module-wide lock for the whole body, install the machine-fault
// translator, and turn any failure into the status record, caught at `site` (the
// operation's own TAV_CATCH_SITE). The body returns the operation's result, 0 or
// -1; a failure that escapes it gives -1.
//
//   return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
//     ... work ...
//     return 0;
//   });
#include <string>
#include <utility>

#include "port/lock.h"
#include "src/guarded_frame.h"
#include "src/seh_translator.h"
#include "src/status_record.h"
#include "src/tav_proecore.h"

template <typename Body>
int ModelOperation(int& code, std::wstring& message, CatchSite site, Body&& body) {
  SetStatus(code, message, 0, L"");
  int result = -1;
  port::Guard hold(ProeCore::Instance()->Lock());
  RunGuarded(code, message, site, [&] {
    InstallSehTranslator();
    result = std::forward<Body>(body)();
  });
  return result;
}
