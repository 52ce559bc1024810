#pragma once
// Formatting and code-page conversion helpers used throughout the module.
// Pure functions; callable from any thread.
#include <string>

// Code pages the module names. The narrow "ANSI code page" is UTF-8 on POSIX,
// so both give UTF-8; any other code page is treated as UTF-8 too.
constexpr unsigned kCodePageAnsi = 0;
constexpr unsigned kCodePageUtf8 = 65001;

// Wide printf into a buffer of 1024 characters. POSIX wide printf: a wide string
// argument is "%ls". An output of 1024 characters or more throws
// std::length_error ("string too long"); a format or argument that cannot be
// formatted at all throws std::invalid_argument.
std::wstring FormatString(const wchar_t* format, ...);

// Decimal text, "-" for negatives.
std::wstring IntToWString(int value);
std::wstring LongToWString(long value);

// printf "%.10f" as the "C" locale writes it (a full stop, whatever the process's
// locale), as wide text; "inf" and "nan" for values that are not finite.
std::wstring FormatDouble(double value);

// Whole-string conversions; an empty input gives an empty output. Invalid input
// is replaced, never fails (see port/text.h).
void WideToMultiByte(const std::wstring& text, std::string& out, unsigned code_page);
void MultiByteToWide(const std::string& text, std::wstring& out, unsigned code_page);
std::string WideToMultiByte(const std::wstring& text, unsigned code_page = kCodePageAnsi);
std::wstring MultiByteToWide(const std::string& text, unsigned code_page = kCodePageAnsi);
