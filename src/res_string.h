#pragma once
// Message texts of the module's string table (ids 5200-5203, 5210-5214, 5220) in
// the language of the process's locale variables. An id without text gives "".
// Placeholders keep the Windows convention ("%s" is a wide string): format them
// with LoadResFormat, not by handing the text to FormatString directly.
#include <string>

std::wstring LoadResString(unsigned id);

// LoadResString(id) with "%s" turned into "%ls", ready for FormatString.
std::wstring LoadResFormat(unsigned id);
