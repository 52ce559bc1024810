#pragma once
// Starting a program the way the Windows shell's "open" verb does, for the
// module's start of the CAD session.
//
// The program is started detached, by the project's one start mechanism
// (base/spawn.h, reached through the Env of port/env.h): in a session of its
// own, standard input from /dev/null, standard output and error appended to
// kShellOutputLog in the temporary directory (as the shell gives a console
// program a console of its own: the caller's streams are never shared, so a
// caller writing into a pipe is not held open by the program), no other
// descriptor of the caller, and reaped by the caller so no zombie is left. It
// starts in the given working directory; the caller's own current directory is
// never changed. Callable from any thread.
#include <string>

namespace port {

// The file, in the temporary directory, that takes the output of the programs
// started here.
constexpr char kShellOutputLog[] = "tav_cax_session_log.txt";

// Failure codes, with the Windows shell's meanings. Unlike the shell's result,
// success is 0 and the process id comes separately: a process id may be 32 or
// less (in a fresh process-id namespace, say) and is no failure.
constexpr long kShellFileNotFound = 2;    // no such file (or not found on PATH)
constexpr long kShellPathNotFound = 3;    // the working directory does not exist
constexpr long kShellAccessDenied = 5;    // a file that may not be executed
constexpr long kShellOutOfMemory = 8;     // no process could be created
constexpr long kShellNoAssociation = 31;  // nothing can run it: a directory, or a
                                          // file the system cannot execute

// Starts `file` with the arguments in `parameters` (split at blanks; a part in
// double quotes stays one argument) in `directory` (empty: the caller's current
// directory). A `file` without '/' is looked up in the current directory, then
// on PATH. Returns 0 on success, with the program's process id in *pid when given.
//
// How failures map: missing file -> 2; missing working directory -> 3; a regular
// file without execute permission, or an execution refused by the system -> 5;
// a directory, or a file in no executable format -> 31.
long ShellOpen(const std::wstring& file, const std::wstring& parameters = std::wstring(),
               const std::wstring& directory = std::wstring(), long* pid = nullptr);
long ShellOpen(const std::string& file, const std::string& parameters = std::string(),
               const std::string& directory = std::string(), long* pid = nullptr);

}  // namespace port
