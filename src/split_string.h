#pragma once
// Splits a text at each occurrence of a delimiter, for the host's comma-separated
// kind lists.
#include <string>
#include <vector>

// Tokens in order. With `drop_delimiter` false each token keeps the delimiter
// that ended it; with `skip_empty` true empty tokens are left out. An empty text
// gives no token, and a text ending with the delimiter gives no empty last token.
// An empty delimiter gives the whole text as one token.
std::vector<std::wstring> SplitString(const std::wstring& text, const std::wstring& delimiter,
                                      bool drop_delimiter, bool skip_empty);
