#pragma once
// The frame every model operation of the command object shares: reset the status
// record, hold the module-wide lock for the whole body, install the machine-fault
// translator, and turn any failure into the status record. The body sets `result`
// to 0 on success; it stays -1 otherwise.
#include "port/lock.h"
#include "src/guarded_frame.h"
#include "src/seh_translator.h"
#include "src/tav_proecore.h"

#define TAV_MODEL_OPERATION(body)                    \
  int result = -1;                                   \
  SetStatus(0, L"");                                 \
  {                                                  \
    port::Guard hold_(ProeCore::Instance()->Lock()); \
    TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {      \
      InstallSehTranslator();                        \
      body                                           \
    });                                              \
  }
