#pragma once
// The COM automation types between a host and the TavProe2Interface module.
//
// A host hands the module its IDispatch; the module calls the host back through
// it (by name, and through the ITavCaxEvents interface it obtains with
// QueryInterface) and passes texts as BSTRs inside VARIANTs.
//
// On Windows these are the system's own (<oleauto.h>, oleaut32 and ole32; link
// oleaut32, ole32 and uuid), and this header adds only what the module defines:
// ITavCaxEvents with its IID, and TAVPROE2_API (dllexport while building the
// DLL, where TAVPROE2_EXPORTS is defined; dllimport for hosts; nothing with
// TAVPROE2_STATIC).
//
// Elsewhere (POSIX) the module exports stand-ins with the names, member order
// and virtual slot order they have on Windows, so host code written against the
// Windows headers compiles unchanged. Where they cannot be binary-compatible:
//  - wchar_t is 32 bits there, so OLECHAR and BSTR hold UTF-32 text. A BSTR keeps
//    the Windows layout otherwise: a 32-bit byte count right before the text and
//    a terminating zero character after it.
//  - There is no __stdcall: virtual functions use the platform's C++ ABI.
//  - LONG/ULONG are 32 bits (as on Windows), not the platform's `long`.
//
// Ownership: a BSTR belongs to whoever the COM rules say (the callee frees an
// [in] BSTR only when told to); free it with SysFreeString. VariantClear frees
// what a VARIANT owns (a BSTR, a reference on an interface).
//
// Threads: the functions below may be called from any thread.
#ifdef _WIN32
#include <windows.h>
#include <comdef.h>
#include <oaidl.h>
#include <oleauto.h>

#ifndef TAVPROE2_API
#if defined(TAVPROE2_STATIC)
#define TAVPROE2_API
#elif defined(TAVPROE2_EXPORTS)
#define TAVPROE2_API __declspec(dllexport)
#else
#define TAVPROE2_API __declspec(dllimport)
#endif
#endif

// {3EF6644E-096C-48E9-8E99-936D2E583BE4}: defined here (C++17 inline), so a host
// needs no import of data for it.
inline const IID IID_ITavCaxEvents = {
    0x3EF6644E, 0x096C, 0x48E9, {0x8E, 0x99, 0x93, 0x6D, 0x2E, 0x58, 0x3B, 0xE4}};

// The host's event interface, obtained from the host's IDispatch.
MIDL_INTERFACE("3EF6644E-096C-48E9-8E99-936D2E583BE4")
ITavCaxEvents : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;  // never called
  // The user confirmed a new model in File > New.
  virtual HRESULT STDMETHODCALLTYPE OnNewModel(BSTR handle) = 0;
  // The user opened a model.
  virtual HRESULT STDMETHODCALLTYPE OnModelOpened(BSTR handle, BSTR modelFullName) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ITavCaxEvents, 0x3EF6644E, 0x096C, 0x48E9, 0x8E, 0x99, 0x93, 0x6D, 0x2E, 0x58, 0x3B,
                0xE4)
#endif

#else  // POSIX
#include <cstddef>
#include <cstdint>
#include <cstring>

#define TAVPROE2_API __attribute__((visibility("default")))

typedef std::int32_t HRESULT;
typedef std::int32_t SCODE;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef std::uint16_t WORD;
typedef std::uint16_t USHORT;
typedef std::int16_t SHORT;
typedef std::uint8_t BYTE;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef float FLOAT;
typedef double DOUBLE;
typedef wchar_t OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR;
typedef std::uint16_t VARTYPE;
typedef std::int16_t VARIANT_BOOL;
typedef LONG DISPID;
typedef DWORD LCID;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)

#define DISPID_UNKNOWN ((DISPID)-1)
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define LOCALE_USER_DEFAULT ((LCID)0x0400)
#define LOCALE_SYSTEM_DEFAULT ((LCID)0x0800)

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const GUID& REFGUID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

extern TAVPROE2_API const IID IID_NULL;
extern TAVPROE2_API const IID IID_IUnknown;       // {00000000-0000-0000-C000-000000000046}
extern TAVPROE2_API const IID IID_IDispatch;      // {00020400-0000-0000-C000-000000000046}
extern TAVPROE2_API const IID IID_ITavCaxEvents;  // {3EF6644E-096C-48E9-8E99-936D2E583BE4}

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // released, never deleted through this interface
};

struct ITypeInfo;  // opaque: the module asks for no type information
struct tagVARIANT;
typedef tagVARIANT VARIANT;
typedef tagVARIANT VARIANTARG;

struct DISPPARAMS {
  VARIANTARG* rgvarg;  // arguments in reverse order, as on Windows
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excep_info, UINT* arg_error) = 0;

 protected:
  ~IDispatch() = default;
};

// The host's event interface, obtained from the host's IDispatch.
struct ITavCaxEvents : IDispatch {
  virtual HRESULT Reserved() = 0;  // never called
  // The user confirmed a new model in File > New.
  virtual HRESULT OnNewModel(BSTR handle) = 0;
  // The user opened a model.
  virtual HRESULT OnModelOpened(BSTR handle, BSTR modelFullName) = 0;

 protected:
  ~ITavCaxEvents() = default;
};

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_BYREF = 0x4000,
};

struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    char cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    int intVal;
    unsigned int uintVal;
    void* byref;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } record;  // sizes the union as on Windows (two pointers)
  };
};

#define V_VT(v) ((v)->vt)
#define V_BSTR(v) ((v)->bstrVal)
#define V_I4(v) ((v)->lVal)
#define V_ERROR(v) ((v)->scode)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_UNKNOWN(v) ((v)->punkVal)

extern "C" {
// A copy of `text` (up to its zero), or null for a null text or no memory.
TAVPROE2_API BSTR SysAllocString(const OLECHAR* text);
// `length` characters copied from `text` (zero-filled when `text` is null), plus a
// terminating zero; null when out of memory.
TAVPROE2_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// Frees a BSTR; null is allowed.
TAVPROE2_API void SysFreeString(BSTR text);
// Length in characters (from the prefix, not by searching a zero); 0 for null.
TAVPROE2_API UINT SysStringLen(BSTR text);
// Length in bytes; 0 for null.
TAVPROE2_API UINT SysStringByteLen(BSTR text);

// Sets the type to VT_EMPTY.
TAVPROE2_API void VariantInit(VARIANTARG* variant);
// Frees what the variant owns (BSTR; one reference on VT_UNKNOWN/VT_DISPATCH) and
// sets it to VT_EMPTY. S_OK, or E_INVALIDARG for null.
TAVPROE2_API HRESULT VariantClear(VARIANTARG* variant);
// Clears `dest`, then copies `source` into it (a BSTR is duplicated, an
// interface gets AddRef). S_OK, E_INVALIDARG or E_OUTOFMEMORY.
TAVPROE2_API HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source);
}

// The error a host's COM wrappers throw for a failed HRESULT. Like the Windows
// class it does not derive from std::exception.
class _com_error {
 public:
  explicit _com_error(HRESULT hr, const IID& iid = IID_NULL) : hr_(hr), iid_(iid) {}
  HRESULT Error() const { return hr_; }
  const IID& Iid() const { return iid_; }
  SCODE WCode() const { return hr_; }

 private:
  HRESULT hr_;
  IID iid_;
};

#endif  // _WIN32
