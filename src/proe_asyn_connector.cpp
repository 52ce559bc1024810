#include <ProCore.h>
#include <ProWindows.h>

#include "port/clock.h"
#include "port/shell.h"
#include "src/fixed_names.h"
#include "src/guarded_frame.h"
#include "src/log.h"
#include "src/proe_connect.h"
#include "src/proe_menu_manager.h"
#include "src/res_string.h"
#include "src/seh_translator.h"
#include "src/string_util.h"
#include "src/system_util.h"
#include "src/tav_proecore.h"
#include "tavproe2/ProeAsynConnector.h"

namespace TAVCAX {
namespace TAVPROE2 {
namespace {

constexpr int kConnectTimeoutSeconds = 40;
constexpr int kConnectDeadlineSeconds = 40;
constexpr unsigned kPauseAfterStartMs = 3000;
constexpr int kLoadWindowTries = 20;

ProError Connect(const std::string& display, const std::string& text_dir,
                 ProProcessHandle* handle) {
  ProBoolean random_choice = PRO_B_FALSE;
  std::string session_id, user;
  return ProEngineerConnect(session_id.data(), const_cast<char*>(display.c_str()), user.data(),
                            const_cast<char*>(text_dir.c_str()), PRO_B_TRUE, kConnectTimeoutSeconds,
                            &random_choice, handle);
}

// Connects until the session answers or the deadline from `t0` has passed; the
// code of the last attempt.
int ConnectUntilDeadline(const std::string& display, const std::string& text_dir, std::int64_t t0,
                         ProProcessHandle* process) {
  for (;;) {
    const int status = Connect(display, text_dir, process);
    const std::int64_t t = port::NowSeconds();
    if (status == PRO_TK_NO_ERROR || t - t0 >= kConnectDeadlineSeconds) return status;
    WriteLog(FormatString(fixed::kLogConnecting, status));
  }
}

// The steps after the connect: they go on when a call fails. The session link and
// host delivery take the connection and the host; the handle text it gets.
std::wstring JoinSession(ProeCore& core, const ProProcessHandle& process, IDispatch* host) {
  core.Link().SetProcessHandle(process);
  WriteLog(fixed::kLogConnected);
  ProTermFuncSet(&ProeTermAction);
  WriteLog(fixed::kLogAfterTermFunc);
  ProWindowCurrentActivateWaiting(kLoadWindowTries);
  WriteLog(fixed::kLogAfterWindow);

  core.Messages().Show(fixed::kShowConnected);
  core.Listener().Start();
  WriteLog(fixed::kLogAfterListen);

  std::wstring joined;
  GetHandleOfCaxApp(joined);
  WriteLog(FormatString(fixed::kLogHandle, joined.c_str(), static_cast<int>(joined.size())));
  core.Link().SetHandleText(joined);
  core.Host().AttachHost(host);
  return joined;
}

// Message 5200 with the code, and 5201 appended for the missing communication program.
std::wstring ConnectErrorText(int status) {
  std::wstring text = FormatString(LoadResString(5200).c_str(), status);
  if (status == PRO_TK_CANT_MODIFY) text += LoadResString(5201);
  return text;
}

}  // namespace

ProeAsynConnector::ProeAsynConnector() : m_nStatus(0) {}
ProeAsynConnector::ProeAsynConnector(const ProeAsynConnector& other)
    : IProeAsynConnector(other), m_nStatus(other.m_nStatus), m_strStatus(other.m_strStatus) {}
ProeAsynConnector& ProeAsynConnector::operator=(const ProeAsynConnector& other) {
  m_nStatus = other.m_nStatus;
  m_strStatus = other.m_strStatus;
  return *this;
}
ProeAsynConnector::~ProeAsynConnector() = default;

void ProeAsynConnector::SetStatus(int code, const std::wstring& message) {
  m_nStatus = code;
  m_strStatus = message;
}

int ProeAsynConnector::LoadApplication(const wchar_t* startCommand, const wchar_t* display,
                                       IDispatch* hostDispatch, std::wstring& handle,
                                       void*& /*reserved*/) {
  int result = -1;
  TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {
    const std::int64_t t0 = port::NowSeconds();
    SetStatus(0, L"");
    InstallSehTranslator();

    ProeCore* core = ProeCore::Instance();
    core->Disconnect(false);
    ProeMenuManager::Instance()->Reset();
    core->Messages().Ensure();

    const std::string display_text = WideToMultiByte(display ? display : L"");
    const std::string text_dir = WideToMultiByte(TempPath());

    ProProcessHandle process = {0, 0};
    int status = Connect(display_text, text_dir, &process);
    if (status == PRO_TK_NOT_EXIST || status == PRO_TK_E_NOT_FOUND) {
      WriteLog(fixed::kLogProeMissing);
      WriteLog(FormatString(fixed::kLogStartProe, startCommand ? startCommand : L""));
      if (StartProe(startCommand) != 0) return;
      WriteLog(FormatString(fixed::kLogAfterStart, 0));
      port::Sleep(kPauseAfterStartMs);
      status = ConnectUntilDeadline(display_text, text_dir, t0, &process);
    } else {
      WriteLog(FormatString(fixed::kLogProeExists, status));
    }
    if (status != PRO_TK_NO_ERROR) {
      SetStatus(status, ConnectErrorText(status));
      return;
    }
    const std::wstring joined = JoinSession(*core, process, hostDispatch);
    // A session that died meanwhile (or does not answer) is not joined, and the connection is
    // ended.
    if (ProEngineerStatusGet() != PRO_TK_NO_ERROR) {
      core->Disconnect(false);
      ProeMenuManager::Instance()->Reset();
      SetStatus(PRO_TK_COMM_ERROR, ConnectErrorText(PRO_TK_COMM_ERROR));
      return;
    }
    handle = joined;
    result = 0;
  });
  return result;
}

int ProeAsynConnector::StartProe(const wchar_t* startCommand) {
  WriteLog(fixed::kLogStartProeIn);
  if (!startCommand) {
    SetStatus(-1, LoadResString(5203));
    return -1;
  }
  // The session starts in the temporary directory, where the module writes the
  // message files it reads; the host's own current directory is never changed.
  long pid = 0;
  const long failure =
      port::ShellOpen(std::wstring(startCommand), std::wstring(), TempPath(), &pid);
  if (failure) SetStatus(-1, FormatString(LoadResString(5202).c_str(), startCommand));
  // The shell's convention: the process on success, the failure code otherwise.
  WriteLog(FormatString(fixed::kLogStarted, static_cast<int>(failure ? failure : pid)));
  return failure ? -1 : 0;
}

}  // namespace TAVPROE2
}  // namespace TAVCAX

ProError ProeTermAction(ProeTerminationStatus status) {
  WriteLog(FormatString(fixed::kLogSessionEnded, static_cast<int>(status)));
  ProeCore::Instance()->Disconnect(true);
  ProeMenuManager::Instance()->Reset();
  return PRO_TK_NO_ERROR;
}

void GetHandleOfCaxApp(std::wstring& handle) {
  ProProcessHandle process = ProeCore::Instance()->Link().ProcessHandle();
  handle = FormatString(L"%d %ld", process.array_index, process.auth_key);
}

void ProWindowCurrentActivateWaiting(int tries) {
  int window = 0;
  int status = -1;
  for (int i = 0; i < tries; ++i) {
    if (status == PRO_TK_NO_ERROR || status == PRO_TK_COMM_ERROR) break;
    status = ProWindowCurrentGet(&window);
    if (status != PRO_TK_NO_ERROR && status != PRO_TK_COMM_ERROR) port::Sleep(1000);
  }
  if (status == PRO_TK_NO_ERROR) ProWindowActivate(window);
}
