#pragma once
// The enumerator name of a toolkit error code, for status messages of the export
// and import ("():" + name). Names exist for 0 .. -58 and -93 .. -99; every other
// code gives "".
#include <string>

std::wstring ToolkitErrorName(int code);
