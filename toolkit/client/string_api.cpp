// ProStringToWstring / ProWstringToString: UTF-8 <-> UTF-32, local.
#include <ProUtil.h>
#include <cstring>
#include <string>

#include "toolkit/client/wide_text.h"

extern "C" {

wchar_t* ProStringToWstring(wchar_t* wstr, char* str) {
  if (!wstr) return nullptr;
  const std::wstring w = tkclient::FromUtf8(str ? std::string_view(str) : std::string_view());
  std::memcpy(wstr, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
  return wstr;
}

char* ProWstringToString(char* str, wchar_t* wstr) {
  if (!str) return nullptr;
  const std::string s = tkclient::ToUtf8(wstr);
  std::memcpy(str, s.c_str(), s.size() + 1);
  return str;
}

}  // extern "C"
