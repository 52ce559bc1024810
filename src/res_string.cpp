#include "src/res_string.h"

#include "port/string_table.h"

std::wstring LoadResString(unsigned id) {
  std::wstring text = port::LoadString(id);
  if (text.size() > 1023) text.resize(1023);  // the 1024-character buffer of the table
  return text;
}

std::wstring LoadResFormat(unsigned id) { return port::ToPosixWideFormat(LoadResString(id)); }
