#pragma once
// tavhost's automation object: the IDispatch it hands LoadApplication. It
// implements the event interface ITavCaxEvents, so the module reports the models
// the user creates and opens (OnNewModel, OnModelOpened), and answers
// FireClickMenu by name, so menu picks reach it.
//
// The module calls it on its listen thread; the script thread reads what arrived.
// Every member may be called from any thread. The object lives for the whole
// program (main owns it); AddRef and Release only count.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "tavproe2/com.h"

namespace tavhost {

struct ModelEvent {
  std::string name;    // "OnNewModel" or "OnModelOpened"
  std::string handle;  // the application handle text
  std::string model;   // the full name (OnModelOpened only)
};

struct Pick {
  std::string handle;
  std::string model;  // the current model's full name, "" when there is none
  std::string entry;  // the menu entry's XML
};

class HostEvents : public ITavCaxEvents {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep_info, UINT* arg_error) override;
  HRESULT Reserved() override;
  HRESULT OnNewModel(BSTR handle) override;
  HRESULT OnModelOpened(BSTR handle, BSTR modelFullName) override;

  // Every model event so far, oldest first.
  std::vector<ModelEvent> ModelEvents() const;
  // Takes the oldest pick not yet taken, waiting up to `timeout` for one; false
  // when none came.
  bool TakePick(std::chrono::milliseconds timeout, Pick* pick);

 private:
  mutable std::mutex mutex_;
  std::condition_variable picked_;
  std::vector<ModelEvent> model_events_;
  std::deque<Pick> picks_;
  ULONG references_ = 0;
};

}  // namespace tavhost
