#include "src/toolkit_error_name.h"

#include <string>

#include "base/toolkit_code_name.h"
#include "src/fixed_names.h"

std::wstring ToolkitErrorName(int code) {
  const char* name = base::ToolkitCodeName(code);
  return name ? std::wstring(name, name + std::char_traits<char>::length(name)) : std::wstring();
}

std::wstring ToolkitStatusText(int code) { return fixed::kToolkitStatus + ToolkitErrorName(code); }
