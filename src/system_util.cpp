#include "src/system_util.h"

#include "base/temp_dir.h"
#include "base/utf.h"
#include "port/last_error.h"

std::wstring TempPath() { return base::Utf8ToWide(base::TempDirectory()); }

std::wstring LastErrorText() { return port::LastErrorText(); }
