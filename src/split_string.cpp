#include "src/split_string.h"

std::vector<std::wstring> SplitString(const std::wstring& text, const std::wstring& delimiter,
                                      bool drop_delimiter, bool skip_empty) {
  std::vector<std::wstring> tokens;
  if (delimiter.empty()) {
    if (!text.empty()) tokens.push_back(text);
    return tokens;
  }
  std::size_t position = 0;
  for (std::size_t found = text.find(delimiter, position); found != std::wstring::npos;
       found = text.find(delimiter, position)) {
    std::wstring token = text.substr(position, found - position);
    if (!drop_delimiter) token += delimiter;
    if (!(skip_empty && token.empty())) tokens.push_back(token);
    position = found + delimiter.size();
  }
  if (position < text.size()) tokens.push_back(text.substr(position));
  return tokens;
}
