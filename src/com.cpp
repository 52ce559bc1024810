// The COM helpers of include/tavproe2/com.h, exported from the module's shared
// library for hosts on POSIX. On Windows they are the system's (oleaut32).
#include "tavproe2/com.h"

#ifndef _WIN32

#include <cstdlib>
#include <cwchar>

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ITavCaxEvents = {
    0x3EF6644E, 0x096C, 0x48E9, {0x8E, 0x99, 0x93, 0x6D, 0x2E, 0x58, 0x3B, 0xE4}};

namespace {

// The byte count sits right before the text, as on Windows. The block starts
// with a full wchar_t-aligned header so the text is aligned too.
constexpr std::size_t kPrefix = sizeof(std::uint32_t) > alignof(wchar_t) ? sizeof(std::uint32_t)
                                                                         : alignof(wchar_t);
constexpr UINT kMaxLength = (0xFFFFFFFFu - 16) / sizeof(OLECHAR);

char* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - kPrefix; }

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > kMaxLength) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(OLECHAR);
  char* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  const std::uint32_t count = static_cast<std::uint32_t>(bytes);
  std::memcpy(block + kPrefix - sizeof count, &count, sizeof count);
  BSTR result = reinterpret_cast<BSTR>(block + kPrefix);
  if (text)
    std::memcpy(result, text, bytes);
  else
    std::memset(result, 0, bytes);
  result[length] = 0;
  return result;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
  if (text) std::free(BlockOf(text));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  std::uint32_t count;
  std::memcpy(&count, BlockOf(text) + kPrefix - sizeof count, sizeof count);
  return count;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

void VariantInit(VARIANTARG* variant) {
  if (variant) variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* variant) {
  if (!variant) return E_INVALIDARG;
  switch (variant->vt) {
    case VT_BSTR:
      SysFreeString(variant->bstrVal);
      break;
    case VT_UNKNOWN:
      if (variant->punkVal) variant->punkVal->Release();
      break;
    case VT_DISPATCH:
      if (variant->pdispVal) variant->pdispVal->Release();
      break;
    default:
      break;
  }
  variant->vt = VT_EMPTY;
  variant->llVal = 0;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VARIANT copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal) {
    copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  } else if (source->vt == VT_UNKNOWN && source->punkVal) {
    source->punkVal->AddRef();
  } else if (source->vt == VT_DISPATCH && source->pdispVal) {
    source->pdispVal->AddRef();
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

}  // extern "C"

#endif  // _WIN32
