#include "host/host_events.h"

#include <cwchar>

#include "host/wide_text.h"

namespace tavhost {
namespace {

constexpr DISPID kFireClickMenu = 1;

std::string Text(const VARIANT& value) {
  if (value.vt != VT_BSTR || !value.bstrVal) return "";
  return Narrow(std::wstring(value.bstrVal, SysStringLen(value.bstrVal)));
}

std::string Text(BSTR text) {
  return text ? Narrow(std::wstring(text, SysStringLen(text))) : std::string();
}

}  // namespace

HRESULT HostEvents::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch)
    *object = static_cast<IDispatch*>(this);
  else if (riid == IID_ITavCaxEvents)
    *object = static_cast<ITavCaxEvents*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG HostEvents::AddRef() {
  std::lock_guard<std::mutex> hold(mutex_);
  return ++references_;
}

ULONG HostEvents::Release() {
  std::lock_guard<std::mutex> hold(mutex_);
  return references_ ? --references_ : 0;
}

HRESULT HostEvents::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT HostEvents::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT HostEvents::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count != 1) return E_INVALIDARG;
  if (std::wcscmp(names[0], L"FireClickMenu") != 0) {
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  ids[0] = kFireClickMenu;
  return S_OK;
}

HRESULT HostEvents::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                           UINT*) {
  if (id != kFireClickMenu) return DISP_E_MEMBERNOTFOUND;
  if (!params || params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
  // The arguments come last first.
  Pick pick{Text(params->rgvarg[2]), Text(params->rgvarg[1]), Text(params->rgvarg[0])};
  std::lock_guard<std::mutex> hold(mutex_);
  picks_.push_back(std::move(pick));
  picked_.notify_all();
  return S_OK;
}

HRESULT HostEvents::Reserved() { return S_OK; }

HRESULT HostEvents::OnNewModel(BSTR handle) {
  std::lock_guard<std::mutex> hold(mutex_);
  model_events_.push_back({"OnNewModel", Text(handle), ""});
  return S_OK;
}

HRESULT HostEvents::OnModelOpened(BSTR handle, BSTR modelFullName) {
  std::lock_guard<std::mutex> hold(mutex_);
  model_events_.push_back({"OnModelOpened", Text(handle), Text(modelFullName)});
  return S_OK;
}

std::vector<ModelEvent> HostEvents::ModelEvents() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return model_events_;
}

bool HostEvents::TakePick(std::chrono::milliseconds timeout, Pick* pick) {
  std::unique_lock<std::mutex> hold(mutex_);
  if (!picked_.wait_for(hold, timeout, [this] { return !picks_.empty(); })) return false;
  *pick = std::move(picks_.front());
  picks_.pop_front();
  return true;
}

}  // namespace tavhost
