// ProStringToWstring / ProWstringToString: UTF-8 <-> UTF-32, local.
#include <ProUtil.h>
#include <cstring>
#include <string>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/wide_text.h"

extern "C" {

wchar_t* ProStringToWstring(wchar_t* wstr, char* str) try {
  if (!wstr) return nullptr;
  const std::wstring w = tkclient::FromUtf8(str ? std::string_view(str) : std::string_view());
  std::memcpy(wstr, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
  return wstr;
}
TAV_C_EDGE(nullptr)

char* ProWstringToString(char* str, wchar_t* wstr) try {
  if (!str) return nullptr;
  const std::string s = tkclient::ToUtf8(wstr);
  std::memcpy(str, s.c_str(), s.size() + 1);
  return str;
}
TAV_C_EDGE(nullptr)

}  // extern "C"
