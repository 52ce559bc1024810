#include "sim/model_file.h"

#include <ProObjects.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace sim {

namespace fs = std::filesystem;

bool SplitModelPath(const std::string& path, ModelPath* out) {
  ModelPath p;
  const size_t slash = path.rfind('/');
  std::string base = path;
  if (slash != std::string::npos) {
    p.dir = path.substr(0, slash + 1);
    base = path.substr(slash + 1);
  }
  if (base.empty()) return false;
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = base.find('.', start);
    parts.push_back(base.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() > 3 || parts[0].empty()) return false;
  p.name = parts[0];
  if (parts.size() >= 2) {
    p.type = ModelTypeFromText(parts[1]);
    if (p.type < 0) return false;
  }
  if (parts.size() == 3) {
    const std::string& v = parts[2];
    if (v.empty() || v.size() > 9) return false;
    for (char c : v)
      if (c < '0' || c > '9') return false;
    p.version = std::stoi(v);
    if (p.version <= 0) return false;
  }
  *out = std::move(p);
  return true;
}

std::string ModelFileName(const std::string& name, int type, int version) {
  std::string f = ToLower(name) + "." + ToLower(ModelTypeText(type));
  if (version > 0) f += "." + std::to_string(version);
  return f;
}

namespace {

// Calls `found(name.ext, version)` for every versioned file name in `dir`.
template <class F>
void ListVersions(const std::string& dir, F found) {
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? "." : dir, ec);
  if (ec) return;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const std::string f = it->path().filename().string();
    const std::size_t dot = f.rfind('.');
    if (dot == std::string::npos || dot == 0) continue;
    const std::string v = f.substr(dot + 1);
    if (v.empty() || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos)
      continue;
    found(f.substr(0, dot), std::stoi(v));
  }
}

}  // namespace

int HighestVersion(const std::string& dir, const std::string& name, int type) {
  const std::string wanted = ModelFileName(name, type, 0);
  int best = 0;
  ListVersions(dir, [&](const std::string& file, int version) {
    if (file == wanted) best = std::max(best, version);
  });
  return best;
}

std::map<std::string, int>& DirectoryVersions::Listing(const std::string& dir) {
  // Not a structured binding: C++17 lets no lambda capture one.
  const auto emplaced = dirs_.try_emplace(dir);
  std::map<std::string, int>& listing = emplaced.first->second;
  if (emplaced.second) {
    ListVersions(dir, [&](const std::string& file, int version) {
      int& best = listing[file];
      best = std::max(best, version);
    });
  }
  return listing;
}

int DirectoryVersions::Highest(const std::string& dir, const std::string& name, int type) {
  const std::map<std::string, int>& listing = Listing(dir);
  const auto it = listing.find(ModelFileName(name, type, 0));
  return it == listing.end() ? 0 : it->second;
}

void DirectoryVersions::Record(const std::string& dir, const std::string& name, int type,
                               int version) {
  int& best = Listing(dir)[ModelFileName(name, type, 0)];
  best = std::max(best, version);
}

ProError ReadModelFile(const std::string& file, Model* model, std::string* error) {
  ModelPath mp;
  if (!SplitModelPath(file, &mp) || mp.type < 0) {
    if (error) *error = file + ": not a model file name";
    return PRO_TK_INVALID_FILE;
  }
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    if (error) *error = file + ": no such file";
    return PRO_TK_E_NOT_FOUND;
  }
  if (fs::is_directory(file, ec)) {
    if (error) *error = file + ": is a directory";
    return PRO_TK_CANT_OPEN;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (error) *error = file + ": cannot be read";
    return PRO_TK_CANT_OPEN;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) {
    if (error) *error = file + ": cannot be read";
    return PRO_TK_CANT_OPEN;
  }
  Model m;
  m.name = ToUpper(mp.name);
  m.type = mp.type;
  std::string why;
  if (!ModelFromText(ss.str(), &m, &why)) {
    if (error) *error = file + ": " + why;
    return PRO_TK_INVALID_FILE;
  }
  if (!EqualNoCase(m.name, mp.name) || m.type != mp.type) {
    if (error)
      *error = file + ": holds " + m.name + "." + ModelTypeText(m.type) +
               ", not the model its name says";
    return PRO_TK_INVALID_FILE;
  }
  m.name = ToUpper(m.name);
  m.dir = mp.dir.empty() ? "./" : mp.dir;
  m.version = mp.version;
  *model = std::move(m);
  return PRO_TK_NO_ERROR;
}

ProError WriteModelFile(const std::string& file, const Model& model) {
  const std::string text = ModelToText(model);
  std::FILE* f = std::fopen(file.c_str(), "wx");  // exclusive: never replace a version
  if (!f) return errno == EEXIST ? PRO_TK_E_FOUND : PRO_TK_CANT_WRITE;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owner(f, &std::fclose);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(owner.release()) == 0;
  if (!ok || !closed) {
    std::remove(file.c_str());  // a half-written version must not be loaded later
    return PRO_TK_CANT_WRITE;
  }
  return PRO_TK_NO_ERROR;
}

std::string DirWithSlash(const std::string& dir) {
  if (dir.empty() || dir.back() == '/') return dir;
  return dir + "/";
}

std::string AbsoluteDir(const std::string& dir, const std::string& base) {
  if (!dir.empty() && dir[0] == '/') return DirWithSlash(dir);
  std::string d = dir;
  while (d.compare(0, 2, "./") == 0) d.erase(0, 2);
  if (d == ".") d.clear();
  return DirWithSlash(DirWithSlash(base) + d);
}

}  // namespace sim
