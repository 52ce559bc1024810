#include "src/tav_proecore.h"

#include <ProMdl.h>
#include <ProMessage.h>
#include <ProNotify.h>
#include <ProUtil.h>

#include "base/text_case.h"
#include "port/clock.h"
#include "port/files.h"
#include "port/thread.h"
#include "src/com_owners.h"
#include "src/guarded_frame.h"
#include "src/log.h"
#include "src/seh_translator.h"
#include "src/string_util.h"
#include "src/system_util.h"

namespace {

const char kMessageFileName[] = "morvel_msg_ugmessage.txt";

// Notification callbacks have per-type signatures but register as the generic
// ProFunction; the toolkit calls each with its own type's arguments.
template <typename F>
ProFunction AsProFunction(F* callback) {
  return reinterpret_cast<ProFunction>(reinterpret_cast<void (*)()>(callback));
}

// The toolkit calls these from C: nothing is thrown back into it. A host call
// that fails, or any other failure, is logged as "<handler>: <why>".
template <typename Body>
ProError AnswerNotification(const wchar_t* handler, Body&& body) noexcept {
  int code = 0;
  std::wstring message;
  return RunGuardedAndLog(handler, code, message, TAV_CATCH_SITE, std::forward<Body>(body))
             ? PRO_TK_NO_ERROR
             : PRO_TK_GENERAL_ERROR;
}

void CheckHostCall(const wchar_t* method, HRESULT hr) {
  if (FAILED(hr))
    throw TAVBASE::TX_Exception(
        FormatString(L"the host's %ls failed (0x%08x)", method, static_cast<unsigned>(hr)), L"",
        L"", 0);
}

// File > New: the host hears of a new model.
ProError OnFileNew(ProMdlType, int, wchar_t*) {
  return AnswerNotification(L"File > New", [] {
    ITavCaxEvents* events = ProeCore::Instance()->AcquireHostEvents();
    if (!events) return;
    ComReleaser release(events);
    BstrOwner handle(ProeCore::Instance()->HandleText());
    CheckHostCall(L"OnNewModel", events->OnNewModel(handle.get()));
  });
}

// File > Open: the host hears of the model that was opened.
ProError OnFileOpen(ProModel*) {
  return AnswerNotification(L"File > Open", [] {
    ITavCaxEvents* events = ProeCore::Instance()->AcquireHostEvents();
    if (!events) return;
    ComReleaser release(events);
    ProMdl model = nullptr;
    if (ProMdlCurrentGet(&model) != PRO_TK_NO_ERROR) model = nullptr;
    std::wstring name = MdlFullName(model);
    if (name.empty()) return;
    BstrOwner handle(ProeCore::Instance()->HandleText());
    BstrOwner full_name(name);
    CheckHostCall(L"OnModelOpened", events->OnModelOpened(handle.get(), full_name.get()));
  });
}

}  // namespace

ProeCore* ProeCore::Instance() {
  // Created on the host's thread before any other module thread exists; never deleted.
  static ProeCore* instance = new ProeCore();
  return instance;
}

ProeCore::ProeCore() {
  ProStringToWstring(message_file_, const_cast<char*>(kMessageFileName));
  EnsureMessageFile();
}

bool ProeCore::IsConnected() const {
  return process_handle_.load() != 0 || connection_word_.load() != 0;
}

ProProcessHandle ProeCore::ProcessHandle() const {
  ProProcessHandle handle;
  handle.array_index = process_handle_.load();
  handle.auth_key = connection_word_.load();
  return handle;
}

void ProeCore::SetProcessHandle(const ProProcessHandle& handle) {
  process_handle_.store(handle.array_index);
  connection_word_.store(handle.auth_key);
}

std::wstring ProeCore::HandleText() const {
  std::lock_guard<std::mutex> hold(leaf_);
  return handle_text_;
}

void ProeCore::SetHandleText(const std::wstring& text) {
  std::lock_guard<std::mutex> hold(leaf_);
  handle_text_ = text;
}

ITavCaxEvents* ProeCore::AcquireHostEvents() {
  std::lock_guard<std::mutex> hold(leaf_);
  if (host_events_) host_events_->AddRef();
  return host_events_;
}

void ProeCore::ShowMessage(const std::wstring& text) {
  ProMessageClear();
  ProMessageDisplay(message_file_, "UserMsg_1", text.c_str());
}

void ProeCore::EnsureMessageFile() {
  const std::string path = WideToMultiByte(TempPath()) + kMessageFileName;
  std::lock_guard<std::mutex> hold(leaf_);
  if (path == message_file_path_ && port::FileExists(path)) return;
  message_file_path_ = WriteMessageFile(path) ? path : std::string();
}

bool ProeCore::WriteMessageFile(const std::string& path) {
  // The one entry ShowMessage names, "UserMsg_1", with the CR LF line ends the
  // session reads message files with.
  std::string entry;
  for (const wchar_t* line : {L"%CIUserMsg_1", L"TAV: %0w", L"#", L"#"})
    entry += WideToMultiByte(line) + "\r\n";
  // A file that cannot be written is not reported.
  return port::WriteFile(path, entry, port::WriteMode::kTruncate) == 0;
}

void ProeCore::Reset() {
  process_handle_.store(0);
  connection_word_.store(0);
  SetHandleText(L"");
}

void ProeCore::StartListenThread() {
  if (m_nListen.load() >= 1) return;
  const int listen = ++m_nListen;
  WriteLog(FormatString(L"m_nListen=%d", listen));
  int generation = ++listen_generation_;
  ++listen_threads_running_;
  bool started = port::StartDetachedThread([this, generation] { ListenLoop(generation); });
  if (started) {
    WriteLog(L"after create thread.");
  } else {
    --listen_threads_running_;
    WriteLog(L"create thread errlr.");
    m_nListen.store(0);
  }
}

void ProeCore::ListenLoop(int generation) {
  port::Sleep(30);
  for (;;) {
    port::Sleep(30);
    if (m_nListen.load() <= 0 || listen_generation_.load() != generation) break;
    port::Guard hold(lock_);
    ProEventProcess();
  }
  WriteLog(L"get stop thread message");
  WriteLog(L"listen thread stoped");
  std::lock_guard<std::mutex> hold(leaf_);
  --listen_threads_running_;
  listen_exited_.notify_all();
}

bool ProeCore::TEST_WaitListenThreads(int count, int timeout_ms) {
  std::unique_lock<std::mutex> hold(leaf_);
  return listen_exited_.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                                 [&] { return listen_threads_running_.load() == count; });
}

void ProeCore::Disconnect(bool proe_gone) {
  TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {
    InstallSehTranslator();
    if (!IsConnected()) return;
    m_nListen.store(0);
    WriteLog(L"stoped listen thread, [ProeMenuManager::Disconnect()]");
    if (!proe_gone) {
      // A failure of the request must not keep the module joined to a session it
      // has left: the state below is reset whatever happens here.
      RunGuarded(m_nStatus, m_strStatus, TAV_CATCH_SITE, [this] {
        ProProcessHandle handle = ProcessHandle();
        ProEngineerDisconnect(&handle, 5);
      });
    }
    WriteLog(L"after ProEngineerDisconnect, [ProeMenuManager::Disconnect()]");
    Reset();
    WriteLog(L"after init, [ProeMenuManager::Disconnect()]");
    port::Sleep(60);
  });
}

void ProeCore::AttachHost(IDispatch* host) {
  bool held;
  {
    std::lock_guard<std::mutex> hold(leaf_);
    if (host) {
      if (host_events_) host_events_->Release();
      host_events_ = nullptr;
      void* events = nullptr;
      if (SUCCEEDED(host->QueryInterface(IID_ITavCaxEvents, &events)))
        host_events_ = static_cast<ITavCaxEvents*>(events);
    }
    held = host_events_ != nullptr;
  }
  if (held) {
    ProNotificationSet(PRO_FILE_OPEN_OK, AsProFunction(&OnFileNew));
    ProNotificationSet(PRO_MDL_RETRIEVE_POST, AsProFunction(&OnFileOpen));
  }
}

std::wstring MdlFullName(ProMdl model) {
  std::wstring name;
  MdlFullName(model, name);
  return name;
}

ProError MdlFullName(ProMdl model, std::wstring& name) {
  ProMdldata data;
  if (!model) return PRO_TK_BAD_INPUTS;
  const ProError rc = ProMdlDataGet(model, &data);
  if (rc != PRO_TK_NO_ERROR) return rc;
  std::wstring device(data.device);
  std::wstring base = device.empty() ? L"" : device + L":";
  base +=
      std::wstring(data.path) + base::ToLowerCase(data.name) + L"." + base::ToLowerCase(data.type);
  std::wstring versioned = base + L"." + IntToWString(data.version);
  name = data.version == 1 && !port::FileExists(versioned) ? base : versioned;
  return PRO_TK_NO_ERROR;
}

void NotifyMenuPick(IDispatch* events, const std::wstring& handle_text,
                    const std::wstring& model_name, const std::wstring& menu_xml) {
  port::CriticalSection& lock = ProeCore::Instance()->Lock();
  lock.Leave();
  struct Reenter {
    port::CriticalSection& lock;
    ~Reenter() { lock.Enter(); }
  } reenter{lock};

  InstallSehTranslator();
  events->AddRef();
  ComReleaser release(events);

  // FireClickMenu(handle, model, menu): DISPPARAMS holds the arguments last first.
  VariantArray<3> args;
  args.SetBstr(0, menu_xml);
  args.SetBstr(1, model_name);
  args.SetBstr(2, handle_text);

  wchar_t name[] = L"FireClickMenu";
  wchar_t* names[] = {name};
  DISPID dispid = 0;
  if (FAILED(events->GetIDsOfNames(IID_NULL, names, 1, 1024, &dispid))) return;
  DISPPARAMS params = {args.data(), nullptr, 3, 0};
  VariantArray<1> result;
  events->Invoke(dispid, IID_NULL, 1024, DISPATCH_METHOD, &params, result.data(), nullptr, nullptr);
}
