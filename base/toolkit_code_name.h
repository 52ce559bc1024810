#pragma once
// The enumerator names of the toolkit's error codes ("PRO_TK_BAD_INPUTS" for -2),
// kept once for the module and the simulator. Names exist for 0 .. -58 and
// -93 .. -99. Stateless; any thread.
namespace base {

// The code's name, or null for a code without one.
const char* ToolkitCodeName(int code);

}  // namespace base
