#include "base/spawn.h"

#include <windows.h>
#include <cerrno>
#include <memory>

#include "base/utf.h"

namespace base {
namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct AttributeListDeleter {
  void operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const {
    ::DeleteProcThreadAttributeList(list);
    ::HeapFree(::GetProcessHeap(), 0, list);
  }
};

// One argument as the C runtime of the program will split it again: quoted when
// it holds blanks or quotes, with the backslashes before a quote doubled.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

HANDLE OpenInheritable(const wchar_t* path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:  // the working directory
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      return ENOMEM;
    default:  // ERROR_BAD_EXE_FORMAT and the like: nothing here can run it
      return ENOEXEC;
  }
}

}  // namespace

int SpawnDetached(const std::string& path, const std::vector<std::string>& argv,
                  const SpawnOptions& options, long* pid) {
  // Standard input from NUL, output and error appended to the output file (or
  // NUL); these two handles are the only ones the program inherits.
  const UniqueHandle input(OpenInheritable(L"NUL", GENERIC_READ, OPEN_EXISTING));
  UniqueHandle output;
  if (!options.output_file.empty())
    output.reset(
        OpenInheritable(Utf8ToWide(options.output_file).c_str(), FILE_APPEND_DATA, OPEN_ALWAYS));
  if (!output || output.get() == INVALID_HANDLE_VALUE)
    output.reset(OpenInheritable(L"NUL", GENERIC_WRITE, OPEN_EXISTING));
  if (input.get() == INVALID_HANDLE_VALUE || output.get() == INVALID_HANDLE_VALUE)
    return ErrnoFor(::GetLastError());

  SIZE_T size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::unique_ptr<_PROC_THREAD_ATTRIBUTE_LIST, AttributeListDeleter> attributes(
      static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(::HeapAlloc(::GetProcessHeap(), 0, size)));
  if (!attributes) return ENOMEM;
  if (!::InitializeProcThreadAttributeList(attributes.get(), 1, 0, &size)) {
    ::HeapFree(::GetProcessHeap(), 0, attributes.release());
    return ENOMEM;
  }
  HANDLE inherited[] = {input.get(), output.get()};
  if (!::UpdateProcThreadAttribute(attributes.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   inherited, sizeof inherited, nullptr, nullptr))
    return ErrnoFor(::GetLastError());

  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input.get();
  startup.StartupInfo.hStdOutput = output.get();
  startup.StartupInfo.hStdError = output.get();
  startup.lpAttributeList = attributes.get();

  std::wstring line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += L' ';
    AppendQuoted(line, Utf8ToWide(arg));
  }
  const std::wstring application = Utf8ToWide(path);
  const std::wstring directory = Utf8ToWide(options.directory);
  PROCESS_INFORMATION process = {};
  // No console of its own and a process group of its own: a Ctrl-C at the
  // caller's console reaches the caller only.
  if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                        DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT |
                            EXTENDED_STARTUPINFO_PRESENT,
                        nullptr, directory.empty() ? nullptr : directory.c_str(),
                        &startup.StartupInfo, &process))
    return ErrnoFor(::GetLastError());
  // Windows keeps no zombie: closing the handles is all the reaping there is.
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  *pid = static_cast<long>(process.dwProcessId);
  return 0;
}

}  // namespace base
