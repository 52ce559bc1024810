#pragma once
// Text at the client's edge: the toolkit speaks wchar_t (UTF-32 on POSIX) and
// narrow UTF-8, the wire speaks UTF-8. Conversions are the project's codec
// (base/utf.h): invalid input becomes U+FFFD, never an error or a fault.
// Copies into the toolkit's fixed buffers truncate at a character boundary and
// always terminate. Pure functions; any thread.
#include <cstddef>
#include <string>
#include <string_view>

namespace tkclient {

// UTF-32 to UTF-8; a null pointer gives "".
std::string ToUtf8(const wchar_t* text);
std::string ToUtf8(std::wstring_view text);

// UTF-8 to UTF-32.
std::wstring FromUtf8(std::string_view text);

// Writes utf8 into dst[capacity] as wide text: at most capacity - 1 characters,
// then a NUL. Returns false when the text had to be cut.
bool CopyToWide(std::string_view utf8, wchar_t* dst, std::size_t capacity);

// Writes narrow text into dst[capacity], cutting at a UTF-8 character boundary.
bool CopyToNarrow(std::string_view utf8, char* dst, std::size_t capacity);

}  // namespace tkclient
