#include "port/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "base/utf.h"

namespace port {
namespace {

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The shell's codes (32 and less) as the five failures of port/shell.h, so that
// the same situation gives the same code, and message, as on POSIX.
long CodeForShellResult(INT_PTR result) {
  switch (result) {
    case SE_ERR_FNF:
    case SE_ERR_PNF:  // a path to the file that does not exist: the file is not there
      return kShellFileNotFound;
    case SE_ERR_ACCESSDENIED:
      return kShellAccessDenied;
    case 0:  // "the operating system is out of memory or resources"
    case SE_ERR_OOM:
      return kShellOutOfMemory;
    default:  // ERROR_BAD_FORMAT, no association, a DLL missing, DDE ...
      return kShellNoAssociation;
  }
}

}  // namespace

long ShellOpen(const std::wstring& file, const std::wstring& parameters,
               const std::wstring& directory, long* pid) {
  if (file.empty()) return kShellFileNotFound;
  // The shell would open a folder window for a directory: as on POSIX, nothing
  // can run it. A missing working directory is found before the shell is asked.
  if (IsDirectory(file)) return kShellNoAssociation;
  if (!directory.empty() && !IsDirectory(directory)) return kShellPathNotFound;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  // The process handle gives the process id; no error dialogs, and the start is
  // complete when the call returns (the caller's thread may have no message loop).
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(info.hInstApp);
    return CodeForShellResult(result > 32 ? SE_ERR_NOASSOC : result);
  }
  if (info.hProcess) {
    if (pid) *pid = static_cast<long>(::GetProcessId(info.hProcess));
    ::CloseHandle(info.hProcess);
  } else if (pid) {
    *pid = 0;  // opened through a running program (DDE): no process of its own
  }
  return 0;
}

long ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
               long* pid) {
  return ShellOpen(base::Utf8ToWide(file), base::Utf8ToWide(parameters),
                   base::Utf8ToWide(directory), pid);
}

}  // namespace port
