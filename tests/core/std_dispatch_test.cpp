// Windows only: a menu pick reaches a host whose IDispatch is oleaut32's own
// (CreateStdDispatch over a type description), as hosts written with automation
// tools have it. oleaut32 maps Invoke's DISPPARAMS, last argument first, onto
// the method's parameters, so the order the module passes them in is checked by
// the system itself.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "src/tav_proecore.h"

namespace {

// The object behind the standard IDispatch: FireClickMenu is its first virtual
// function (vtable slot 0), as the type description below says.
class ClickTarget {
 public:
  virtual HRESULT STDMETHODCALLTYPE FireClickMenu(BSTR handle, BSTR model, BSTR menu) {
    picks.push_back({Text(handle), Text(model), Text(menu)});
    return S_OK;
  }
  std::vector<std::vector<std::wstring>> picks;

 private:
  static std::wstring Text(BSTR text) { return std::wstring(text, SysStringLen(text)); }
};

struct ComRelease {
  void operator()(IUnknown* unknown) const { unknown->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease>;

TEST(StdDispatchTest, MenuPickArgumentsArriveInTheMethodsOrder) {
  PARAMDATA params[] = {{const_cast<OLECHAR*>(L"handle"), VT_BSTR},
                        {const_cast<OLECHAR*>(L"model"), VT_BSTR},
                        {const_cast<OLECHAR*>(L"menu"), VT_BSTR}};
  METHODDATA method = {const_cast<OLECHAR*>(L"FireClickMenu"),
                       params,
                       1,
                       0,
                       CC_STDCALL,
                       3,
                       DISPATCH_METHOD,
                       VT_HRESULT};
  INTERFACEDATA description = {&method, 1};
  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(S_OK, CreateDispTypeInfo(&description, LOCALE_SYSTEM_DEFAULT, &coclass));
  const ComPtr<ITypeInfo> coclass_owner(coclass);
  // The description comes as a class implementing the interface; dispatch
  // goes through the interface.
  HREFTYPE interface_ref = 0;
  ITypeInfo* info = nullptr;
  ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &interface_ref));
  ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(interface_ref, &info));
  const ComPtr<ITypeInfo> info_owner(info);
  ClickTarget target;
  IUnknown* unknown = nullptr;
  ASSERT_EQ(S_OK, CreateStdDispatch(nullptr, &target, info, &unknown));
  const ComPtr<IUnknown> unknown_owner(unknown);
  void* dispatch = nullptr;
  ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IDispatch, &dispatch));
  const ComPtr<IDispatch> host(static_cast<IDispatch*>(dispatch));

  port::CriticalSection& lock = ProeCore::Instance()->Lock();
  lock.Enter();
  NotifyMenuPick(host.get(), L"12 34", L"Z:\\models\\bracket.prt.1", L"<mnu id=\"7\"/>");
  lock.Leave();
  ASSERT_EQ(1u, target.picks.size());
  EXPECT_EQ((std::vector<std::wstring>{L"12 34", L"Z:\\models\\bracket.prt.1", L"<mnu id=\"7\"/>"}),
            target.picks[0]);
}

}  // namespace
