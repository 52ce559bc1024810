#include "tests/support/fake_host.h"

#include <chrono>
#include <cwchar>

namespace tavtest {
namespace {
constexpr DISPID kFireClickMenu = 7;

std::wstring Text(BSTR bstr) { return bstr ? std::wstring(bstr, SysStringLen(bstr)) : L""; }
}  // namespace

FakeHost::FakeHost(bool implements_events) : implements_events_(implements_events) {}
FakeHost::~FakeHost() = default;

HRESULT FakeHost::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
  } else if (implements_events_ && IsEqualGUID(riid, IID_ITavCaxEvents)) {
    *object = static_cast<ITavCaxEvents*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG FakeHost::AddRef() {
  std::lock_guard<std::mutex> hold(mutex_);
  return static_cast<ULONG>(++references_);
}

ULONG FakeHost::Release() {
  std::lock_guard<std::mutex> hold(mutex_);
  return static_cast<ULONG>(--references_);  // owned by the test, never deleted here
}

HRESULT FakeHost::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT FakeHost::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT FakeHost::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (count != 1 || !names || !ids) return E_INVALIDARG;
  if (std::wcscmp(names[0], L"FireClickMenu") != 0) return DISP_E_UNKNOWNNAME;
  ids[0] = kFireClickMenu;
  return S_OK;
}

HRESULT FakeHost::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                         EXCEPINFO*, UINT*) {
  if (id != kFireClickMenu || flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
  if (!params || params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
  Call call{"FireClickMenu", {}, std::this_thread::get_id()};
  // IDispatch passes the arguments last first.
  for (UINT i = params->cArgs; i-- > 0;) {
    const VARIANT& v = params->rgvarg[i];
    call.args.push_back(v.vt == VT_BSTR ? Text(v.bstrVal) : L"<not a BSTR>");
  }
  Record(call);
  if (on_pick) on_pick(call);
  return S_OK;
}

HRESULT FakeHost::Reserved() {
  Record({"Reserved", {}, std::this_thread::get_id()});
  return S_OK;
}

HRESULT FakeHost::OnNewModel(BSTR handle) {
  Record({"OnNewModel", {Text(handle)}, std::this_thread::get_id()});
  return event_result;
}

HRESULT FakeHost::OnModelOpened(BSTR handle, BSTR modelFullName) {
  Record({"OnModelOpened", {Text(handle), Text(modelFullName)}, std::this_thread::get_id()});
  return event_result;
}

void FakeHost::Record(Call call) {
  std::lock_guard<std::mutex> hold(mutex_);
  calls_.push_back(std::move(call));
  changed_.notify_all();
}

std::vector<FakeHost::Call> FakeHost::Calls() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return calls_;
}

std::size_t FakeHost::CountOf(const std::string& method) const {
  std::lock_guard<std::mutex> hold(mutex_);
  std::size_t n = 0;
  for (const Call& c : calls_) n += c.method == method;
  return n;
}

bool FakeHost::WaitForCalls(const std::string& method, std::size_t count, int timeout_ms) const {
  std::unique_lock<std::mutex> hold(mutex_);
  return changed_.wait_for(hold, std::chrono::milliseconds(timeout_ms), [&] {
    std::size_t n = 0;
    for (const Call& c : calls_) n += c.method == method;
    return n >= count;
  });
}

long FakeHost::References() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return references_;
}

}  // namespace tavtest
