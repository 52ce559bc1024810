#pragma once
// The file-system services the module needs, with the Windows meanings it relies
// on. Wide-string forms mirror the Windows W functions; paths are converted to
// UTF-8. Callable from any thread.
#include <string>

namespace port {

// True when something (file or directory) exists at the path, like PathFileExistsW.
bool FileExists(const std::string& path);
bool FileExists(const std::wstring& path);

// Creates one directory (mode 0777 before umask). False on failure, with errno
// set; an existing directory is a failure (EEXIST), as with CreateDirectoryW.
bool CreateDirectory(const std::string& path);
bool CreateDirectory(const std::wstring& path);

// Removes a file (not a directory). False on failure, with errno set.
bool DeleteFile(const std::string& path);
bool DeleteFile(const std::wstring& path);

// The process's current directory, without a trailing '/', or empty on failure.
std::string GetCurrentDirectory();

}  // namespace port
