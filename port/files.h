#pragma once
// The file-system services the module needs, with the Windows meanings it relies
// on. Wide-string forms mirror the Windows W functions (on Windows they are
// those functions); narrow paths are UTF-8. What writes goes through the
// process's Env (port/env.h). Errors are the system's codes (port::LastError():
// errno on POSIX, GetLastError() on Windows). Callable from any thread.
#include <string>

#include "port/env.h"
#include "port/system_names.h"

namespace port {

// True when something (file or directory) exists at the path, like PathFileExistsW.
bool FileExists(const std::string& path);
bool FileExists(const std::wstring& path);

// Creates one directory (mode 0777 before umask). False on failure, with the
// error set; an existing directory is a failure (EEXIST, ERROR_ALREADY_EXISTS),
// as with CreateDirectoryW.
bool CreateDirectory(const std::string& path);
bool CreateDirectory(const std::wstring& path);

// Writes `data` to the file at `path` (created if needed; truncated or appended
// to as `mode` says) and closes it. 0, or the error of the first call that
// failed; a write that makes no progress counts as ENOSPC (ERROR_DISK_FULL).
// When a write fails, a truncated file is removed (it would hold only part of
// the data); an appended one keeps what was written.
int WriteFile(const std::string& path, const std::string& data, WriteMode mode);

// Removes a file (not a directory). False on failure, with the error set.
bool DeleteFile(const std::string& path);
bool DeleteFile(const std::wstring& path);

// The process's current directory, without a trailing separator, or empty on
// failure.
std::string GetCurrentDirectory();

}  // namespace port
