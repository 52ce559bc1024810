#include "system_util.h"

#include "port/files.h"
#include "port/last_error.h"

std::wstring TempPath() { return port::TempDirectoryW(); }

std::wstring LastErrorText() { return port::LastErrorText(); }
