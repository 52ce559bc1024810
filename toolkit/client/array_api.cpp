// ProArray family and ProWstringproarrayFree: local, no round trip.
#include <ProArray.h>
#include <ProWstring.h>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/pro_array.h"

namespace tkclient {
namespace {

constexpr std::uint32_t kMark = 0x50524152;  // "PRAR"

struct alignas(16) Header {
  std::uint32_t mark;
  int size;
  int capacity;
  int element_size;
  int step;
};

// The header of a valid array, or null. Arrays are always aligned like their
// header, so a misaligned pointer is refused without reading before it.
Header* HeaderOf(ProArray array) {
  if (!array || reinterpret_cast<std::uintptr_t>(array) % alignof(Header) != 0) return nullptr;
  Header* h = reinterpret_cast<Header*>(static_cast<char*>(array) - sizeof(Header));
  return h->mark == kMark ? h : nullptr;
}

void* DataOf(Header* h) { return reinterpret_cast<char*>(h) + sizeof(Header); }

bool BytesFor(int count, int element_size, std::size_t* bytes) {
  const std::size_t n = static_cast<std::size_t>(count);
  const std::size_t e = static_cast<std::size_t>(element_size);
  if (e != 0 && n > (SIZE_MAX - sizeof(Header)) / e) return false;
  *bytes = sizeof(Header) + n * e;
  return true;
}

}  // namespace

ProArray NewArray(int n, int element_size, int step) {
  if (n < 0 || element_size <= 0 || step <= 0) return nullptr;
  const int capacity = n > 0 ? n : step;
  std::size_t bytes;
  if (!BytesFor(capacity, element_size, &bytes)) return nullptr;
  auto* h = static_cast<Header*>(std::calloc(1, bytes));
  if (!h) return nullptr;
  h->mark = kMark;
  h->size = n;
  h->capacity = capacity;
  h->element_size = element_size;
  h->step = step;
  return DataOf(h);
}

int ArrayElementSize(ProArray array) {
  Header* h = HeaderOf(array);
  return h ? h->element_size : 0;
}

int ArraySize(ProArray array) {
  Header* h = HeaderOf(array);
  return h ? h->size : 0;
}

void ArrayShrink(ProArray array, int size) {
  Header* h = HeaderOf(array);
  if (h && size >= 0 && size < h->size) h->size = size;
}

namespace {

ProError Insert(ProArray* p_array, int index, int n, const void* src) {
  Header* h = HeaderOf(*p_array);
  if (!h || n <= 0 || !src || index > h->size) return PRO_TK_BAD_INPUTS;
  if (index < 0) index = h->size;
  if (n > INT_MAX - h->size) return PRO_TK_OUT_OF_MEMORY;
  const std::size_t e = static_cast<std::size_t>(h->element_size);
  const std::size_t add = static_cast<std::size_t>(n) * e;
  // The source may lie inside the array itself; copy it before moving memory.
  std::vector<char> copy(static_cast<const char*>(src), static_cast<const char*>(src) + add);
  if (h->size + n > h->capacity) {
    long long wanted = static_cast<long long>(h->capacity) + h->step;
    if (wanted < static_cast<long long>(h->size) + n) wanted = static_cast<long long>(h->size) + n;
    if (wanted > INT_MAX) return PRO_TK_OUT_OF_MEMORY;
    std::size_t bytes;
    if (!BytesFor(static_cast<int>(wanted), h->element_size, &bytes)) return PRO_TK_OUT_OF_MEMORY;
    auto* grown = static_cast<Header*>(std::realloc(h, bytes));
    if (!grown) return PRO_TK_OUT_OF_MEMORY;
    h = grown;
    h->capacity = static_cast<int>(wanted);
  }
  char* data = static_cast<char*>(DataOf(h));
  std::memmove(data + (static_cast<std::size_t>(index) + n) * e, data + index * e,
               static_cast<std::size_t>(h->size - index) * e);
  std::memcpy(data + index * e, copy.data(), add);
  h->size += n;
  *p_array = data;
  return PRO_TK_NO_ERROR;
}

}  // namespace

bool ArrayAppend(ProArray* array, const void* src, int n) {
  if (n == 0) return HeaderOf(*array) != nullptr;
  return Insert(array, -1, n, src) == PRO_TK_NO_ERROR;
}

bool AppendToCallerArray(ProArray* slot, int element_size, const void* src, int n) {
  if (!*slot) {
    ProArray fresh = NewArray(0, element_size, n > 0 ? n : 1);
    if (!fresh) return false;
    if (!ArrayAppend(&fresh, src, n)) {
      ProArrayFree(&fresh);
      return false;
    }
    *slot = fresh;
    return true;
  }
  if (ArrayElementSize(*slot) != element_size) return false;
  return ArrayAppend(slot, src, n);
}

}  // namespace tkclient

using tkclient::HeaderOf;

extern "C" {

ProError ProArrayAlloc(int n_objs, int obj_size, int reallocation_size, ProArray* p_array) try {
  if (!p_array || n_objs < 0 || obj_size <= 0 || reallocation_size <= 0) return PRO_TK_BAD_INPUTS;
  ProArray a = tkclient::NewArray(n_objs, obj_size, reallocation_size);
  if (!a) return PRO_TK_OUT_OF_MEMORY;
  *p_array = a;
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProArraySizeGet(ProArray array, int* p_size) try {
  tkclient::Header* h = HeaderOf(array);
  if (!h || !p_size) return PRO_TK_BAD_INPUTS;
  *p_size = h->size;
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProArrayObjectAdd(ProArray* p_array, int index, int n_objects, void* p_object) try {
  if (!p_array) return PRO_TK_BAD_INPUTS;
  return tkclient::Insert(p_array, index, n_objects, p_object);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProArrayFree(ProArray* p_array) try {
  if (!p_array) return PRO_TK_BAD_INPUTS;
  tkclient::Header* h = HeaderOf(*p_array);
  if (!h) return PRO_TK_BAD_INPUTS;
  h->mark = 0;
  std::free(h);
  *p_array = nullptr;
  return PRO_TK_NO_ERROR;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProWstringproarrayFree(ProWstring* array) try {
  tkclient::Header* h = HeaderOf(array);
  if (!h || h->element_size != static_cast<int>(sizeof(ProWstring))) return PRO_TK_BAD_INPUTS;
  for (int i = 0; i < h->size; ++i) std::free(array[i]);
  ProArray a = array;
  return ProArrayFree(&a);
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

}  // extern "C"
