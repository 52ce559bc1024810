#pragma once
// Unicode case mapping of wide text, for names the CAD system keeps in upper case
// and writes to disk in lower case. Uses the C++ library's mapping in a UTF-8
// locale (one character to one character: "ß" stays as it is), independent of the
// process's own locale; without a UTF-8 locale on the system only ASCII letters
// change. Pure functions; callable from any thread.
#include <string>

namespace base {

std::wstring ToUpperCase(std::wstring text);
std::wstring ToLowerCase(std::wstring text);

}  // namespace base
