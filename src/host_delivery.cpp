#include "src/host_delivery.h"

#include <ProMdl.h>
#include <ProNotify.h>

#include "src/com_owners.h"
#include "src/fixed_names.h"
#include "src/guarded_frame.h"
#include "src/model_name.h"
#include "src/seh_translator.h"
#include "src/string_util.h"
#include "src/tav_proecore.h"

namespace {

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
        FormatString(fixed::kHostCallFailed, method, static_cast<unsigned>(hr)), L"", L"", 0);
}

// File > New: the host hears of a new model.
ProError OnFileNew(ProMdlType, int, wchar_t*) {
  return AnswerNotification(fixed::kWhereFileNew, [] {
    HostDelivery& delivery = ProeCore::Instance()->Host();
    ITavCaxEvents* events = delivery.AcquireForNotifications();
    if (!events) return;
    ComReleaser release(events);
    BstrOwner handle(delivery.Link().HandleText());
    CheckHostCall(L"OnNewModel", events->OnNewModel(handle.get()));
  });
}

// File > Open: the host hears of the model that was opened.
ProError OnFileOpen(ProModel*) {
  return AnswerNotification(fixed::kWhereFileOpen, [] {
    HostDelivery& delivery = ProeCore::Instance()->Host();
    ITavCaxEvents* events = delivery.AcquireForNotifications();
    if (!events) return;
    ComReleaser release(events);
    ProMdl model = nullptr;
    if (ProMdlCurrentGet(&model) != PRO_TK_NO_ERROR) model = nullptr;
    std::wstring name = MdlFullName(model);
    if (name.empty()) return;
    BstrOwner handle(delivery.Link().HandleText());
    BstrOwner full_name(name);
    CheckHostCall(L"OnModelOpened", events->OnModelOpened(handle.get(), full_name.get()));
  });
}

}  // namespace

void HostDelivery::AttachHost(IDispatch* host) {
  bool held;
  {
    std::lock_guard<std::mutex> hold(leaf_);
    if (host) {
      if (events_) events_->Release();
      events_ = nullptr;
      void* events = nullptr;
      if (SUCCEEDED(host->QueryInterface(IID_ITavCaxEvents, &events)))
        events_ = static_cast<ITavCaxEvents*>(events);
      picks_open_ = true;
    }
    held = events_ != nullptr;
  }
  if (held) {
    ProNotificationSet(PRO_FILE_OPEN_OK, AsProFunction(&OnFileNew));
    ProNotificationSet(PRO_MDL_RETRIEVE_POST, AsProFunction(&OnFileOpen));
  }
}

void HostDelivery::ClosePicks() {
  std::lock_guard<std::mutex> hold(leaf_);
  picks_open_ = false;
}

ITavCaxEvents* HostDelivery::AcquireForNotifications() { return Acquire(false); }
ITavCaxEvents* HostDelivery::AcquireForPicks() { return Acquire(true); }

ITavCaxEvents* HostDelivery::Acquire(bool for_picks) {
  std::lock_guard<std::mutex> hold(leaf_);
  if (!events_ || (for_picks && !picks_open_)) return nullptr;
  events_->AddRef();
  return events_;
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

  wchar_t* names[] = {const_cast<wchar_t*>(fixed::kPickMethod)};
  DISPID dispid = 0;
  if (FAILED(events->GetIDsOfNames(IID_NULL, names, 1, 1024, &dispid))) return;
  DISPPARAMS params = {args.data(), nullptr, 3, 0};
  VariantArray<1> result;
  events->Invoke(dispid, IID_NULL, 1024, DISPATCH_METHOD, &params, result.data(), nullptr, nullptr);
}
