#include "host/script_reader.h"

#include <algorithm>
#include <iostream>

namespace tavhost {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// How a physical line ends: complete, continued by a final backslash outside
// quotes, or inside an open double quote (the quoted text then holds the line
// break). A single quote left open is an apostrophe in a heading or a shell
// step, not a text going on.
enum class LineEnd { kComplete, kBackslash, kOpenQuote };

LineEnd EndOf(const std::string& text) {
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!quote) {
      if (text[i] == '#' && (i == 0 || IsBlank(text[i - 1]))) return LineEnd::kComplete;
      if (text[i] == '\'' || text[i] == '"') quote = text[i];
    } else if (text[i] == quote) {
      quote = 0;
    } else if (quote == '"' && text[i] == '\\' && i + 1 < text.size()) {
      ++i;
    }
  }
  if (quote == '"') return LineEnd::kOpenQuote;
  return !quote && !text.empty() && text.back() == '\\' ? LineEnd::kBackslash : LineEnd::kComplete;
}

}  // namespace

CommandLine SplitLine(const std::string& text, int number) {
  CommandLine line;
  line.number = number;
  line.text = text;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size() || text[i] == '#') break;
    if (line.words.size() == 1) {
      line.rest = text.substr(i);
      while (!line.rest.empty() && IsBlank(line.rest.back())) line.rest.pop_back();
    }
    std::string word;
    while (i < text.size() && !IsBlank(text[i])) {
      const char c = text[i++];
      if (c == '\'' || c == '"') {
        const std::size_t start = i;
        while (i < text.size() && text[i] != c) {
          if (c == '"' && text[i] == '\\' && i + 1 < text.size() &&
              (text[i + 1] == '"' || text[i + 1] == '\\'))
            ++i;
          word += text[i++];
        }
        if (i == text.size()) {
          const std::size_t line_start = text.rfind('\n', start - 1);
          const long breaks =
              std::count(text.begin(), text.begin() + static_cast<long>(start), '\n');
          line.error =
              std::string("the ") + c + " quote opened on line " + std::to_string(number + breaks) +
              ", column " +
              std::to_string(line_start == std::string::npos ? start : start - line_start - 1) +
              " is never closed";
          return line;
        }
        ++i;
      } else {
        word += c;
      }
    }
    line.words.push_back(word);
  }
  return line;
}

bool ScriptReader::Next(CommandLine* line) {
  for (;;) {
    if (!prompt_.empty()) std::cout << prompt_ << std::flush;
    std::string text;
    if (!std::getline(in_, text)) {
      if (!prompt_.empty()) std::cout << '\n';
      return false;
    }
    const int first = ++number_;
    std::string written = text;
    const std::vector<std::string> words = SplitLine(text, first).words;
    const std::string command = words.empty() ? std::string() : words[0];
    const bool verbatim = std::find(verbatim_.begin(), verbatim_.end(), command) != verbatim_.end();
    for (LineEnd end = EndOf(text); end != LineEnd::kComplete; end = EndOf(text)) {
      if (verbatim && end == LineEnd::kOpenQuote) break;
      std::string more;
      if (!prompt_.empty()) std::cout << "... " << std::flush;
      if (!std::getline(in_, more)) break;
      ++number_;
      written += "\n" + more;
      if (end == LineEnd::kBackslash) text.pop_back();
      text += (end == LineEnd::kOpenQuote ? "\n" : "") + more;
    }
    *line = SplitLine(text, first);
    line->text = written;
    if (!line->words.empty() || !line->error.empty()) return true;
  }
}

}  // namespace tavhost
