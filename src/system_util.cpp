#include "src/system_util.h"

#include "base/utf.h"
#include "port/env.h"
#include "port/last_error.h"

std::wstring TempPath() { return base::Utf8ToWide(port::GetEnv().TempDirectory()); }

std::wstring LastErrorText() { return port::LastErrorText(); }
