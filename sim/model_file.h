#pragma once
// Model files: our own JSON text format (docs/model-format.md), file naming as the
// CAD system does it (`bracket.prt.3`: lower-case name, type extension, version),
// and finding the file a load request means. Used by the store and the generator;
// no state, callable from any thread.
#include <ProToolkit.h>
#include <map>
#include <string>
#include <vector>

#include "sim/model.h"

namespace sim {

// A model path split into its parts: "dir/name.ext.version".
struct ModelPath {
  std::string dir;   // as given, possibly empty; ends with '/' when not empty
  std::string name;  // as given
  int type = -1;     // from the extension; -1 when there is none
  int version = 0;   // 0 when there is none
};

// Splits `path`. False if the last component is empty, has an unknown extension,
// or a version that is not a positive number.
bool SplitModelPath(const std::string& path, ModelPath* out);

// "bracket.prt.3" for (BRACKET, part, 3); version 0 leaves it out.
std::string ModelFileName(const std::string& name, int type, int version);

// The highest version of name.ext present in `dir` (0 if none).
int HighestVersion(const std::string& dir, const std::string& name, int type);

// HighestVersion for many models at once: each directory is listed once, when it
// is first asked about, instead of once per model (an assembly of thousands of
// models in one directory). For one operation: files that others add later are
// not seen, those written through Record are.
class DirectoryVersions {
 public:
  int Highest(const std::string& dir, const std::string& name, int type);
  // `dir` now holds this version of name.ext.
  void Record(const std::string& dir, const std::string& name, int type, int version);

 private:
  std::map<std::string, int>& Listing(const std::string& dir);
  // dir -> "name.ext" -> its highest version
  std::map<std::string, std::map<std::string, int>> dirs_;
};

// Turns a model into file text / reads it back. Reading checks the structure and
// every value's type; a reason is given on failure. The name and type come from
// the text ("name", "type"); readers that know the file name pass them to check.
std::string ModelToText(const Model& model);
bool ModelFromText(const std::string& text, Model* model, std::string* error);

// Reads a model file. E_NOT_FOUND (missing), CANT_OPEN (unreadable), INVALID_FILE
// (not a model file or inconsistent with its file name). The model's dir and
// version are set from the path.
ProError ReadModelFile(const std::string& file, Model* model, std::string* error = nullptr);

// Creates `file` with the model's text; never replaces an existing file
// (E_FOUND then). CANT_WRITE on any other failure.
ProError WriteModelFile(const std::string& file, const Model& model);

// Directory helpers: adds a trailing '/', and makes a relative one absolute
// against `base` (itself absolute).
std::string DirWithSlash(const std::string& dir);
std::string AbsoluteDir(const std::string& dir, const std::string& base);

}  // namespace sim
