#include "sim/message_file.h"

#include <ProToolkitErrors.h>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <tuple>

#include "sim/model.h"

namespace sim {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  // A byte-order mark is not part of the first key.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool IsBlank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// One parsed conversion of a format line.
struct Conversion {
  std::size_t begin = 0, end = 0;  // span in the format
  int position = 0;
  std::string field;  // "5.3" or ""
  char letter = 0;
};

// Walks the conversions of `format`. Returns false on a malformed one. A '%' that
// does not start a conversion ("50%") is kept as text; "%%" stands for '%'.
bool ParseConversions(const std::string& format, std::vector<Conversion>* out) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) continue;
    if (format[i + 1] == '%') {
      Conversion c;
      c.begin = i;
      c.end = i + 2;
      c.letter = '%';
      out->push_back(c);
      ++i;
      continue;
    }
    if (format[i + 1] < '0' || format[i + 1] > '9') continue;
    Conversion c;
    c.begin = i;
    std::size_t j = i + 1;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
      c.position = c.position * 10 + (format[j] - '0');
      if (c.position > 99) return false;
      ++j;
    }
    if (j < format.size() && format[j] == '(') {
      std::size_t close = format.find(')', j);
      if (close == std::string::npos) return false;
      c.field = format.substr(j + 1, close - j - 1);
      if (c.field.find_first_not_of("0123456789.-") != std::string::npos) return false;
      j = close + 1;
    }
    if (j >= format.size()) return false;
    c.letter = format[j];
    if (c.letter != 'w' && c.letter != 's' && c.letter != 'd' && c.letter != 'f') return false;
    c.end = j + 1;
    out->push_back(c);
    i = j;
  }
  return true;
}

std::string Shown(const std::string& format) {
  std::size_t bar = format.find("|||");
  return bar == std::string::npos ? format : format.substr(0, bar);
}

std::string Printf(const std::string& conversion, const char* text) {
  int n = std::snprintf(nullptr, 0, conversion.c_str(), text);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) std::snprintf(out.data(), out.size() + 1, conversion.c_str(), text);
  return out;
}

template <class T>
std::string PrintfNumber(const std::string& conversion, T value) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, conversion.c_str(), value);
  if (n < 0) return std::string();
  return std::string(buf, static_cast<std::size_t>(n) < sizeof buf ? n : sizeof buf - 1);
}

// Keeps widths sane so that a hostile format cannot ask for a huge buffer.
bool FieldOk(const std::string& field) {
  std::size_t digits = 0;
  for (char ch : field) {
    if (ch >= '0' && ch <= '9') {
      if (++digits > 3) return false;
    } else {
      digits = 0;
    }
  }
  return true;
}

std::string Utf8Prefix(const std::string& text, std::size_t chars) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == chars) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

}  // namespace

MessageFile MessageFile::Parse(const std::string& text) {
  MessageFile file;
  std::vector<std::string> lines = SplitLines(text);
  std::size_t i = 0;
  while (i < lines.size()) {
    if (IsBlank(lines[i])) {
      ++i;
      continue;
    }
    std::string key = TrimRight(lines[i]);
    MessageEntry entry;
    if (key.size() >= 3 && key[0] == '%' && key[1] == 'C' &&
        std::string("PIWEC").find(key[2]) != std::string::npos) {
      entry.klass = key[2];
      key = key.substr(3);
    }
    if (i + 1 < lines.size()) entry.format = lines[i + 1];
    if (!key.empty()) file.entries_.emplace(key, std::move(entry));  // the first one wins
    i += 4;
  }
  return file;
}

const MessageEntry* MessageFile::Find(const std::string& key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

namespace {

// The first directory of `dirs` holding `file_name` as a regular file: its path
// and status. The codes of MessageFileCache::Load.
int FindMessageFile(const std::vector<std::string>& dirs, const std::string& file_name,
                    std::string* path, struct stat* st) {
  if (file_name.empty() || file_name.find('/') != std::string::npos || file_name == "." ||
      file_name == "..")
    return PRO_TK_BAD_INPUTS;
  for (const std::string& dir : dirs) {
    if (dir.empty()) continue;
    *path = dir.back() == '/' ? dir + file_name : dir + "/" + file_name;
    if (::stat(path->c_str(), st) == 0 && S_ISREG(st->st_mode)) return PRO_TK_NO_ERROR;
  }
  return PRO_TK_E_NOT_FOUND;
}

int ReadMessageFile(const std::string& path, MessageFile* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return PRO_TK_CANT_OPEN;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return PRO_TK_CANT_OPEN;
  *out = MessageFile::Parse(text.str());
  return PRO_TK_NO_ERROR;
}

}  // namespace

int MessageFileCache::Load(const std::vector<std::string>& dirs, const std::string& file_name,
                           const MessageFile** out, std::uint64_t reader) {
  if (reader != 0) {
    auto seen = known_.find(std::tie(reader, dirs, file_name));  // no copy to look
    if (seen != known_.end()) {
      *out = &seen->second->second.second;
      return PRO_TK_NO_ERROR;
    }
  }
  std::string path;
  struct stat st;
  int rc = FindMessageFile(dirs, file_name, &path, &st);
  if (rc != PRO_TK_NO_ERROR) return rc;
  const Stamp stamp{static_cast<unsigned long long>(st.st_dev),
                    static_cast<unsigned long long>(st.st_ino), static_cast<long long>(st.st_size),
                    static_cast<long long>(st.st_mtim.tv_sec),
                    static_cast<long long>(st.st_mtim.tv_nsec)};
  auto kept = files_.find(path);
  if (kept == files_.end() || kept->second.first != stamp) {
    MessageFile file;
    rc = ReadMessageFile(path, &file);
    if (rc != PRO_TK_NO_ERROR) return rc;
    if (files_.size() >= kMaxFiles) {
      files_.clear();
      known_.clear();
    }
    kept = files_.insert_or_assign(path, std::make_pair(stamp, std::move(file))).first;
  }
  if (reader != 0) known_.insert_or_assign(Known{reader, dirs, file_name}, kept);
  *out = &kept->second.second;
  return PRO_TK_NO_ERROR;
}

void MessageFileCache::Forget(std::uint64_t reader) {
  for (auto it = known_.begin(); it != known_.end();)
    it = std::get<0>(it->first) == reader ? known_.erase(it) : std::next(it);
}

int MessageArgTypes(const std::string& format, std::string* types) {
  std::vector<Conversion> conv;
  if (!ParseConversions(Shown(format), &conv)) return PRO_TK_MSG_FMT_ERROR;
  std::string t;
  for (const Conversion& c : conv) {
    if (c.letter == '%') continue;
    if (t.size() <= static_cast<std::size_t>(c.position)) t.resize(c.position + 1, '-');
    char& slot = t[c.position];
    if (slot != '-' && slot != c.letter) return PRO_TK_MSG_FMT_ERROR;
    slot = c.letter;
  }
  *types = t;
  return PRO_TK_NO_ERROR;
}

int FormatMessage(const std::string& format, const std::vector<MessageValue>& values,
                  std::string* out) {
  const std::string shown = Shown(format);
  std::vector<Conversion> conv;
  if (!ParseConversions(shown, &conv)) return PRO_TK_MSG_FMT_ERROR;
  std::string text;
  std::size_t at = 0;
  for (const Conversion& c : conv) {
    text.append(shown, at, c.begin - at);
    at = c.end;
    if (c.letter == '%') {
      text += '%';
      continue;
    }
    if (!FieldOk(c.field)) return PRO_TK_MSG_FMT_ERROR;
    if (static_cast<std::size_t>(c.position) >= values.size()) return PRO_TK_BAD_INPUTS;
    const MessageValue& v = values[c.position];
    switch (c.letter) {
      case 'w':
      case 's':
        if (v.kind != MessageValue::kText) return PRO_TK_BAD_INPUTS;
        text += c.field.empty() ? v.text : Printf("%" + c.field + "s", v.text.c_str());
        break;
      case 'd': {
        long long n;
        if (v.kind == MessageValue::kInteger)
          n = v.integer;
        else if (v.kind == MessageValue::kDouble)
          n = static_cast<long long>(v.real);
        else
          return PRO_TK_BAD_INPUTS;
        text += PrintfNumber("%" + c.field + "lld", n);
        break;
      }
      case 'f': {
        double d;
        if (v.kind == MessageValue::kDouble)
          d = v.real;
        else if (v.kind == MessageValue::kInteger)
          d = static_cast<double>(v.integer);
        else
          return PRO_TK_BAD_INPUTS;
        text += PrintfNumber("%" + c.field + "f", d);
        break;
      }
    }
  }
  text.append(shown, at, std::string::npos);
  if (CharCount(text) > static_cast<std::size_t>(kMessageLineMax)) {
    *out = Utf8Prefix(text, kMessageLineMax);
    return PRO_TK_MSG_TOO_LONG;
  }
  *out = std::move(text);
  return PRO_TK_NO_ERROR;
}

int ResolveMessage(MessageFileCache& cache, const std::vector<std::string>& dirs,
                   const std::string& file_name, const std::string& key,
                   const std::vector<MessageValue>& values, std::string* out,
                   std::uint64_t reader) {
  const MessageFile* file = nullptr;
  int rc = cache.Load(dirs, file_name, &file, reader);
  if (rc != PRO_TK_NO_ERROR) return rc;
  const MessageEntry* entry = file->Find(key);
  if (!entry) return PRO_TK_MSG_NOT_FOUND;
  return FormatMessage(entry->format, values, out);
}

std::vector<std::string> MessageSearchDirs(const std::string& client_text_dir,
                                           const std::string& session_text_dir,
                                           const std::string& working_dir) {
  std::vector<std::string> dirs;
  for (const std::string* d : {&client_text_dir, &session_text_dir}) {
    if (d->empty()) continue;
    std::string base = d->back() == '/' ? *d : *d + "/";
    dirs.push_back(base);
    dirs.push_back(base + "text/usascii/");
    dirs.push_back(base + "text/");
  }
  if (!working_dir.empty()) dirs.push_back(working_dir);
  return dirs;
}

}  // namespace sim
