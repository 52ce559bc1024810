#pragma once
// Reads tavhost commands, one per line, from a script file, a pipe or a terminal.
//
// A line is split into words at blanks. 'single quotes' keep everything up to the
// next single quote; "double quotes" keep everything up to the next unescaped
// double quote, where \" and \\ stand for " and \, and may span lines. A word
// starting with # begins a comment that runs to the end of the line. A line
// ending with a backslash outside quotes continues on the next line. Blank and
// comment lines are skipped.
#include <iosfwd>
#include <string>
#include <vector>

namespace tavhost {

struct CommandLine {
  int number = 0;                  // of the line it starts on, from 1
  std::string text;                // the command as written, all its lines
  std::vector<std::string> words;  // words[0] is the command
  std::string rest;                // the text after the command word, unsplit
  std::string error;               // a quote left open: only `rest` is usable
};

class ScriptReader {
 public:
  // `prompt` is written to standard output before each line when not empty.
  // Lines of the `verbatim` commands (headings, shell steps) take their text as
  // written: a quote they leave open does not go on to the next line.
  ScriptReader(std::istream& in, std::string prompt, std::vector<std::string> verbatim = {})
      : in_(in), prompt_(std::move(prompt)), verbatim_(std::move(verbatim)) {}

  // The next command; false at the end of the input.
  bool Next(CommandLine* line);

 private:
  std::istream& in_;
  std::string prompt_;
  std::vector<std::string> verbatim_;
  int number_ = 0;
};

// Splits one logical line (continuations already joined). Exposed for `help`
// and for error messages that quote the words back.
CommandLine SplitLine(const std::string& text, int number);

}  // namespace tavhost
