#pragma once
// Formatting and narrow/wide conversion helpers used throughout the module.
// Pure functions; callable from any thread.
#include <string>

// Wide printf into a buffer of 1024 characters. POSIX wide printf: a wide string
// argument is "%ls". An output of 1024 characters or more throws
// std::length_error ("string too long"); a format or argument that cannot be
// formatted at all throws std::invalid_argument.
std::wstring FormatString(const wchar_t* format, ...);

// Decimal text, "-" for negatives.
std::wstring IntToWString(int value);

// printf "%.10f" as the "C" locale writes it (a full stop, whatever the process's
// locale), as wide text; "inf" and "nan" for values that are not finite.
std::wstring FormatDouble(double value);

// Whole-string conversions between wide text and the narrow text of file names
// and the toolkit (UTF-8); an empty input gives an empty output. Invalid input is
// replaced, never fails (see base/utf.h).
std::string WideToMultiByte(const std::wstring& text);
std::wstring MultiByteToWide(const std::string& text);
