#pragma once
// The enumerator name of a toolkit error code, for status messages of the export
// and import ("():" + name). Names exist for 0 .. -58 and -93 .. -99; every other
// code gives "".
#include <string>

std::wstring ToolkitErrorName(int code);
// The status message of a toolkit code: "():" + its name.
std::wstring ToolkitStatusText(int code);
