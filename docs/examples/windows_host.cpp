// A Windows host of TavProe2Interface.dll in one file: it hands the module an
// IDispatch, builds a menu in the CAD session and prints the first pick the
// module delivers through IDispatch::Invoke("FireClickMenu").
//
//   windows_host START_COMMAND MENU_XML_FILE
//
// Build with MinGW-w64 (with MSVC, link TavProe2Interface.lib the same way):
//   x86_64-w64-mingw32-g++-posix -std=c++17 -municode -I<prefix>/include windows_host.cpp
//       <prefix>/lib/TavProe2Interface.dll.a -loleaut32 -lole32 -luuid -o windows_host.exe
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <tavproe2/ProeAsynCommand.h>
#include <tavproe2/ProeAsynConnector.h>

namespace tav = TAVCAX::TAVPROE2;

// The host's automation object: only FireClickMenu (DISPID 1). A host that also
// implements ITavCaxEvents hears of new and opened models.
class Host : public IDispatch {
 public:
  HANDLE picked = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return ::InterlockedDecrement(&refs_); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (count != 1 || lstrcmpW(names[0], L"FireClickMenu") != 0) return DISP_E_UNKNOWNNAME;
    ids[0] = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
    // The arguments come last first: rgvarg[2] is the first, the handle text.
    std::wprintf(L"pick: handle \"%ls\", model \"%ls\"\n  %ls\n", params->rgvarg[2].bstrVal,
                 params->rgvarg[1].bstrVal, params->rgvarg[0].bstrVal);
    ::SetEvent(picked);
    return S_OK;
  }

 private:
  LONG refs_ = 0;
};

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: windows_host START_COMMAND MENU_XML_FILE\n");
    return 2;
  }
  std::ifstream file(argv[2]);
  const std::string xml((std::istreambuf_iterator<char>(file)), {});
  const std::wstring menu(xml.begin(), xml.end());  // enough for an ASCII menu file

  Host host;
  tav::ProeAsynConnector connector;
  tav::IProeAsynConnector& connect = connector;  // the operations are called through
  std::wstring handle;                           // the public interfaces
  void* reserved = nullptr;
  if (connect.LoadApplication(argv[1], L"", &host, handle, reserved) != 0) {
    std::fwprintf(stderr, L"connect failed: %d %ls\n", connector.m_nStatus,
                  connector.m_strStatus.c_str());
    return 1;
  }
  tav::ProeAsynCommand command;
  tav::IProeAsynCommand& cmd = command;
  if (cmd.CreateMenu(menu.c_str()) != 0) {
    std::fwprintf(stderr, L"menu failed: %d %ls\n", command.m_nStatus, command.m_strStatus.c_str());
    return 1;
  }
  std::wprintf(L"connected (handle \"%ls\"); waiting a minute for a pick\n", handle.c_str());
  const bool picked = ::WaitForSingleObject(host.picked, 60000) == WAIT_OBJECT_0;
  cmd.Disconnect();
  ::CloseHandle(host.picked);
  return picked ? 0 : 1;
}
