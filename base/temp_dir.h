#pragma once
// The temporary-directory rule, read in one place by every layer: the module's
// log, message and label files, and the session sockets of the client and the
// simulator all live under it. Callable from any thread.
#include <string>

namespace base {

// $TMPDIR when it is set and not empty, else /tmp; always ends with '/'. On
// Windows the system's temporary directory (GetTempPathW: TMP, TEMP, the user's
// profile), ending with '\'. Read afresh on every call, so a process (or test)
// that changes the variables is followed.
std::string TempDirectory();

}  // namespace base
