#pragma once
// Owners for the COM-style resources the module hands to the host: a BSTR, an
// interface reference, and a fixed array of VARIANTs. Each frees what it holds on
// destruction, so an exception between allocation and release loses nothing.
#include <cstddef>
#include <string>

#include "tavproe2/com.h"

class BstrOwner {
 public:
  explicit BstrOwner(const std::wstring& text) : bstr_(SysAllocString(text.c_str())) {}
  ~BstrOwner() { SysFreeString(bstr_); }
  BstrOwner(const BstrOwner&) = delete;
  BstrOwner& operator=(const BstrOwner&) = delete;
  BSTR get() const { return bstr_; }

 private:
  BSTR bstr_;
};

// Releases one reference of an interface when it goes out of scope.
class ComReleaser {
 public:
  explicit ComReleaser(IUnknown* unknown) : unknown_(unknown) {}
  ~ComReleaser() {
    if (unknown_) unknown_->Release();
  }
  ComReleaser(const ComReleaser&) = delete;
  ComReleaser& operator=(const ComReleaser&) = delete;

 private:
  IUnknown* unknown_;
};

template <std::size_t N>
class VariantArray {
 public:
  VariantArray() {
    for (VARIANT& v : items_) VariantInit(&v);
  }
  ~VariantArray() {
    for (VARIANT& v : items_) VariantClear(&v);
  }
  VariantArray(const VariantArray&) = delete;
  VariantArray& operator=(const VariantArray&) = delete;

  // A text as VT_BSTR; when a non-empty text cannot be allocated the element
  // becomes VT_ERROR with E_OUTOFMEMORY, as the automation convention has it.
  void SetBstr(std::size_t i, const std::wstring& text) {
    VariantClear(&items_[i]);
    BSTR bstr = SysAllocString(text.c_str());
    if (!bstr && !text.empty()) {
      items_[i].vt = VT_ERROR;
      items_[i].scode = E_OUTOFMEMORY;
      return;
    }
    items_[i].vt = VT_BSTR;
    items_[i].bstrVal = bstr;
  }
  VARIANT* data() { return items_; }

 private:
  VARIANT items_[N];
};
