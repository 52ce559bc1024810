#pragma once
// The module's messages to the host (ids 5200-5203, 5210-5214, 5220) in the
// user's language (port::CurrentLanguage()). An id without text gives "".
// Texts with a placeholder are formats for FormatString ("%ls" a wide string,
// "%d" a number).
#include <string>

std::wstring LoadResString(unsigned id);
