#pragma once
// A host for module tests: implements IDispatch (FireClickMenu) and, unless told
// otherwise, the event interface ITavCaxEvents, and records every call with the
// thread it came on. Tests wait for calls on a condition, never by sleeping.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tavproe2/com.h"

namespace tavtest {

class FakeHost : public ITavCaxEvents {
 public:
  struct Call {
    std::string method;              // "OnNewModel", "OnModelOpened", "FireClickMenu", ...
    std::vector<std::wstring> args;  // in the host method's parameter order
    std::thread::id thread;
  };

  explicit FakeHost(bool implements_events = true);
  virtual ~FakeHost();

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  // IDispatch
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep_info, UINT* arg_error) override;
  // ITavCaxEvents
  HRESULT Reserved() override;
  HRESULT OnNewModel(BSTR handle) override;
  HRESULT OnModelOpened(BSTR handle, BSTR modelFullName) override;

  std::vector<Call> Calls() const;
  // Waits (real time) until at least `count` calls of `method` were recorded.
  bool WaitForCalls(const std::string& method, std::size_t count, int timeout_ms = 10000) const;
  std::size_t CountOf(const std::string& method) const;
  // References held by others (the module) right now.
  long References() const;

  // What OnNewModel and OnModelOpened answer after recording the call.
  HRESULT event_result = S_OK;
  // Runs inside FireClickMenu, after the call is recorded (e.g. to call the module back).
  std::function<void(const Call&)> on_pick;

 private:
  void Record(Call call);

  const bool implements_events_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Call> calls_;
  long references_ = 0;
};

}  // namespace tavtest
