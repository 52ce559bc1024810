#include "src/system_util.h"

#include "base/utf.h"
#include "port/env.h"

std::wstring TempPath() { return base::Utf8ToWide(port::GetEnv().TempDirectory()); }
