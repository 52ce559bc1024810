#include "src/tav_proecore.h"

#include <ProCore.h>

#include "port/clock.h"
#include "src/fixed_names.h"
#include "src/guarded_frame.h"
#include "src/log.h"
#include "src/seh_translator.h"

ProeCore* ProeCore::Instance() {
  // Created on the host's thread before any other module thread exists; never deleted.
  static ProeCore* instance = new ProeCore();
  return instance;
}

ProeCore::ProeCore() = default;

void ProeCore::Disconnect(bool proe_gone) {
  TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {
    InstallSehTranslator();
    if (!link_.IsConnected()) return;
    listener_.Stop();
    WriteLog(fixed::kLogListenStopped);
    if (!proe_gone) {
      // A failure of the request must not keep the module joined to a session it
      // has left: the state below is reset whatever happens here.
      RunGuarded(m_nStatus, m_strStatus, TAV_CATCH_SITE, [this] {
        ProProcessHandle handle = link_.ProcessHandle();
        ProEngineerDisconnect(&handle, 5);
      });
    }
    WriteLog(fixed::kLogDisconnected);
    link_.Clear();
    WriteLog(fixed::kLogDisconnectDone);
    port::Sleep(60);
  });
}
