#pragma once
// Message files as the session reads them for ProMessageDisplay, ProMessageToBuffer
// and menu labels: four-line entries (key, format, translation, reserved), keys
// optionally prefixed by a %C class code (%CP %CI %CW %CE %CC) that lookups ignore,
// UTF-8 text with or without a byte-order mark, CR LF or LF line ends.
//
// Formats use 0-based argument positions: %0w (wide text), %0s (narrow text), %0d
// (integer), %0f (double), with an optional field in parentheses: %1(5.3)f. The text
// before "|||" is what is shown (the rest is a keyboard-read default).
//
// Everything here is plain data and pure functions; any thread may call them.
// Codes returned are ProError values.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "protocol/values.h"

namespace sim {

constexpr int kMessageLineMax = 80;  // PRO_LINE_SIZE - 1

struct MessageEntry {
  char klass = 0;      // 'P', 'I', 'W', 'E', 'C', or 0 without a class prefix
  std::string format;  // line 2, without its line end
};

class MessageFile {
 public:
  // Never fails: lines that do not make an entry are ignored.
  static MessageFile Parse(const std::string& text);
  // The entry for `key` (without any class prefix), or null.
  const MessageEntry* Find(const std::string& key) const;
  std::size_t size() const { return entries_.size(); }

 private:
  std::map<std::string, MessageEntry> entries_;
};

// Parsed message files by path, reused while a file keeps its identity, size and
// modification time: a client resolves one label per menu entry, and reading the
// whole label file for each would make building a menu quadratic. A file a reader
// (a client connection) has already loaded is reused for that reader without
// looking at the disk again, as a session keeps an application's message files: an
// application that changes its texts writes a file under a new name. Another
// reader, or a reader's first use, looks again. Not synchronised; the session owns
// one.
class MessageFileCache {
 public:
  // Looks for `file_name` (a bare name with extension) in each directory of `dirs`,
  // in order. PRO_TK_NO_ERROR and *out filled, valid until the next Load;
  // PRO_TK_BAD_INPUTS for an empty name or one with a directory part;
  // PRO_TK_E_NOT_FOUND when no directory has it; PRO_TK_CANT_OPEN when it exists
  // but cannot be read. `reader` 0 always looks at the disk.
  int Load(const std::vector<std::string>& dirs, const std::string& file_name,
           const MessageFile** out, std::uint64_t reader = 0);
  // Forgets what `reader` has loaded: its next Load looks at the disk.
  void Forget(std::uint64_t reader);

 private:
  using Stamp = std::tuple<unsigned long long, unsigned long long, long long, long long, long long>;
  using Parsed = std::map<std::string, std::pair<Stamp, MessageFile>>;
  using Known = std::tuple<std::uint64_t, std::vector<std::string>, std::string>;
  static constexpr std::size_t kMaxFiles = 64;
  Parsed files_;
  std::map<Known, Parsed::iterator, std::less<>> known_;  // (reader, dirs, name) -> what it loaded
};

// One substitution value, as the client read it through its pointer.
using MessageValue = protocol::MessageValue;

// One letter per argument position used by `format`: 'w', 's', 'd', 'f', and '-'
// for a position the format skips. PRO_TK_MSG_FMT_ERROR when a conversion is
// malformed or one position is used with two types.
int MessageArgTypes(const std::string& format, std::string* types);

// Substitutes `values` into `format` (the part before "|||"). PRO_TK_NO_ERROR;
// PRO_TK_MSG_FMT_ERROR for a malformed format; PRO_TK_BAD_INPUTS when a value is
// missing or cannot stand for its conversion; PRO_TK_MSG_TOO_LONG when the text is
// longer than kMessageLineMax characters (*out then holds it cut to that length).
int FormatMessage(const std::string& format, const std::vector<MessageValue>& values,
                  std::string* out);

// Load through `cache`, find, format: the whole of ProMessageToBuffer.
// PRO_TK_MSG_NOT_FOUND when the file lacks the key; otherwise the codes above.
int ResolveMessage(MessageFileCache& cache, const std::vector<std::string>& dirs,
                   const std::string& file_name, const std::string& key,
                   const std::vector<MessageValue>& values, std::string* out,
                   std::uint64_t reader = 0);

// The directories searched for a client's message files: its own text directory
// (and the text/usascii and text subfolders the CAD system also looks in), then the
// session's text directory, then its working directory. Empty entries are skipped.
std::vector<std::string> MessageSearchDirs(const std::string& client_text_dir,
                                           const std::string& session_text_dir,
                                           const std::string& working_dir);

}  // namespace sim
