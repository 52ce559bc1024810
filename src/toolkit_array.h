#pragma once
// Owns one toolkit array (ProArray) that the module made with ProArrayAlloc or
// received from a toolkit call, and frees it when it goes out of scope, also when
// an exception or a machine fault ends the walk over it. An array of wide strings
// that the toolkit filled (relation lines) is freed with the toolkit's string-array
// free, which releases its strings too; an array that only points at the module's
// own strings (lines handed to the toolkit) says so with `FreeStrings` false and
// is freed alone. One thread, like the toolkit call.
#include <ProArray.h>
#include <ProToolkit.h>
#include <ProWstring.h>
#include <type_traits>

template <typename T, bool FreeStrings = std::is_same_v<T, ProWstring>>
class ToolkitArray {
 public:
  ToolkitArray() = default;
  ~ToolkitArray() { Free(); }
  ToolkitArray(const ToolkitArray&) = delete;
  ToolkitArray& operator=(const ToolkitArray&) = delete;

  // An empty array of elements of T (for the calls that append to the caller's
  // array); the element size is that of T, a pointer for strings.
  ProError Alloc() {
    Free();
    ProArray array = nullptr;
    const ProError rc = ProArrayAlloc(0, static_cast<int>(sizeof(T)), 1, &array);
    items_ = static_cast<T*>(array);
    return rc;
  }

  // Appends one element (ProArrayObjectAdd at PRO_VALUE_UNUSED).
  ProError Append(T item) {
    ProArray array = items_;
    const ProError rc = ProArrayObjectAdd(&array, PRO_VALUE_UNUSED, 1, &item);
    items_ = static_cast<T*>(array);
    return rc;
  }

  // Where a toolkit call writes or extends the array.
  T** address() { return &items_; }
  T* data() const { return items_; }
  T& operator[](int index) const { return items_[index]; }

  // ProArraySizeGet; a null array has no elements.
  ProError SizeGet(int* size) const {
    *size = 0;
    return items_ ? ProArraySizeGet(items_, size) : PRO_TK_NO_ERROR;
  }
  int size() const {
    int n = 0;
    SizeGet(&n);
    return n;
  }

  ProError Free() {
    if (!items_) return PRO_TK_NO_ERROR;
    ProError rc;
    if constexpr (FreeStrings) {
      rc = ProWstringproarrayFree(items_);
    } else {
      ProArray array = items_;
      rc = ProArrayFree(&array);
    }
    items_ = nullptr;
    return rc;
  }

 private:
  T* items_ = nullptr;
};
