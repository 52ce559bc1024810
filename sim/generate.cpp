#include "sim/generate.h"

#include <ProFeatType.h>
#include <ProObjects.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "sim/model_file.h"
#include "sim/store.h"

namespace sim {

namespace {

const int kFeatureTypes[] = {PRO_FEAT_PROTRUSION, PRO_FEAT_CUT, PRO_FEAT_HOLE, PRO_FEAT_ROUND,
                             PRO_FEAT_CHAMFER};
const char* const kSubtypes[] = {"EXTRUDE", "EXTRUDE", "STRAIGHT", "SIMPLE", "EDGE"};

// Writes the next version of `m` into `dir`; `versions` knows what is there.
std::string WriteNext(const std::string& dir, const Model& m, DirectoryVersions* versions,
                      std::string* error) {
  Model copy = m;
  std::string why;
  if (!Store::Normalise(copy, &why)) {
    if (error) *error = m.name + ": " + why;
    return "";
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int v = versions->Highest(dir, m.name, m.type) + 1;
    const std::string file = DirWithSlash(dir) + ModelFileName(m.name, m.type, v);
    const ProError err = WriteModelFile(file, copy);
    versions->Record(dir, m.name, m.type, v);  // written now, or by someone else before
    if (err == PRO_TK_NO_ERROR) return file;
    if (err != PRO_TK_E_FOUND) break;
  }
  if (error) *error = DirWithSlash(dir) + ModelFileName(m.name, m.type, 0) + ": cannot be written";
  return "";
}

Model MakeAssembly(const std::string& name, const std::vector<ModelRef>& comps) {
  Model m;
  m.name = ToUpper(name);
  m.type = PRO_MDL_ASSEMBLY;
  const char* datums[] = {"ASM_RIGHT", "ASM_TOP", "ASM_FRONT"};
  int id = 1;
  for (const char* d : datums) {
    Feature f;
    f.id = id;
    id += 2;
    f.name = d;
    f.type = PRO_FEAT_DATUM;
    f.type_name = DefaultFeatureTypeName(f.type);
    m.features.push_back(f);
  }
  int dim = 0;
  for (const ModelRef& r : comps) {
    Feature f;
    f.id = id++;
    f.type = PRO_FEAT_COMPONENT;
    f.type_name = DefaultFeatureTypeName(f.type);
    f.comp_name = r.name;
    f.comp_type = r.type;
    Dimension d;  // the placement offset
    d.id = dim++;
    d.symbol = "d" + std::to_string(d.id);
    d.value = 10.0 * dim;
    m.dimensions.push_back(d);
    f.dims.push_back(d.id);
    m.features.push_back(f);
  }
  m.params.push_back(
      Parameter{"DESCRIPTION", ParamValue::String("Generated assembly " + m.name), "", ""});
  return m;
}

// Sub-assemblies are numbered name_a1, name_a2, ... and parts name_p1, ... across
// the whole tree, so names stay short at any depth.
struct Counters {
  std::string base;
  int assemblies = 0;
  int parts = 0;
  DirectoryVersions versions;  // the tree's directory, listed once
};

bool BuildTree(const std::string& dir, const std::string& name, int breadth, int depth,
               const PartSize& part, Counters* n, std::vector<std::string>* files,
               std::string* error) {
  std::vector<ModelRef> comps;
  std::vector<std::pair<std::string, bool>> children;  // name, is assembly
  for (int k = 1; k <= breadth; ++k) {
    const bool sub = depth > 1;
    children.emplace_back(n->base + (sub ? "_a" + std::to_string(++n->assemblies)
                                         : "_p" + std::to_string(++n->parts)),
                          sub);
    comps.push_back(
        ModelRef{ToUpper(children.back().first), sub ? PRO_MDL_ASSEMBLY : PRO_MDL_PART});
  }
  const std::string top = WriteNext(dir, MakeAssembly(name, comps), &n->versions, error);
  if (top.empty()) return false;
  files->push_back(top);
  for (const auto& [child, sub] : children) {
    if (sub) {
      if (!BuildTree(dir, child, breadth, depth - 1, part, n, files, error)) return false;
    } else {
      const std::string f = WriteNext(dir, MakePart(child, part), &n->versions, error);
      if (f.empty()) return false;
      files->push_back(f);
    }
  }
  return true;
}

// The k-th parameter: a mix of every value type.
Parameter MakeParameter(int k) {
  Parameter p;
  p.name = "PARAM_" + std::to_string(k);
  switch (k % 5) {
    case 0:
      p.value = ParamValue::Double(1.25 * (k + 1));
      p.units = "mm";
      break;
    case 1:
      p.value = ParamValue::String("value " + std::to_string(k));
      break;
    case 2:
      p.value = ParamValue::Integer(k * 10);
      break;
    case 3:
      p.value = ParamValue::Boolean(k % 2 == 1);
      break;
    case 4:
      p.value = ParamValue::Double(0.5 * k);
      p.units = "kg";
      break;
  }
  return p;
}

// Relations that drive the upper half of the dimensions from the lower half;
// beyond that, computed real parameters.
RelationSet MakeRelations(int count, std::size_t dimensions) {
  RelationSet lines;
  lines.push_back("/* generated relations");
  const int ndims = static_cast<int>(dimensions);
  for (int r = 0; r < count; ++r) {
    const int target = ndims / 2 + r;
    if (ndims >= 2 && target < ndims) {
      lines.push_back("d" + std::to_string(target) + " = d" + std::to_string(r % (ndims / 2)) +
                      " * 1.5 + " + std::to_string(r % 7));
    } else {
      lines.push_back("CALC_" + std::to_string(r) + " = " + std::to_string(r) + " * 2 + sqrt(" +
                      std::to_string(r + 1) + ")");
    }
  }
  return lines;
}

}  // namespace

Model MakePart(const std::string& name, const PartSize& size) {
  Model m;
  m.name = ToUpper(name);
  m.type = PRO_MDL_PART;
  int dim = 0;
  for (int k = 0; k < size.features; ++k) {
    Feature f;
    f.id = 1 + 2 * k;  // the CAD system leaves gaps in feature ids
    const int kind = k % 5;
    f.type = k == 0 ? PRO_FEAT_PROTRUSION : kFeatureTypes[kind];
    f.type_name = DefaultFeatureTypeName(f.type);
    f.subtype = kSubtypes[k == 0 ? 0 : kind];
    if (k % 3 == 0) f.name = "F" + std::to_string(k) + "_" + f.type_name.substr(0, 4);
    for (int j = 0; j < size.dims_per_feature; ++j) {
      Dimension d;
      d.id = dim++;
      d.symbol = "d" + std::to_string(d.id);
      d.value = 5.0 + (d.id * 7) % 95 + 0.5 * (j % 2);
      d.dim_type =
          f.type == PRO_FEAT_HOLE && j == 0 ? 4 : (f.type == PRO_FEAT_ROUND && j == 0 ? 3 : 9);
      if (d.id % 4 == 0) {
        d.tol_type = 2;
        d.upper = 0.1;
        d.lower = 0.1;
      }
      f.dims.push_back(d.id);
      m.dimensions.push_back(d);
    }
    m.features.push_back(std::move(f));
  }
  for (int k = 0; k < size.params; ++k) m.params.push_back(MakeParameter(k));
  if (size.relation_lines > 0)
    m.relations = MakeRelations(size.relation_lines, m.dimensions.size());
  return m;
}

std::string GeneratePart(const std::string& dir, const std::string& name, const PartSize& size,
                         std::string* error) {
  DirectoryVersions versions;
  return WriteNext(dir, MakePart(name, size), &versions, error);
}

std::vector<std::string> GenerateAssembly(const std::string& dir, const std::string& name,
                                          int breadth, int depth, const PartSize& part,
                                          std::string* error) {
  std::vector<std::string> files;
  if (breadth < 1 || depth < 1) {
    if (error) *error = "breadth and depth must be at least 1";
    return {};
  }
  Counters n;
  n.base = name;
  if (!BuildTree(dir, name, breadth, depth, part, &n, &files, error)) return {};
  return files;
}

namespace {

const char kGenUsage[] =
    "usage: proe_sim gen part DIR NAME [--features N] [--dims M] [--params P] [--relations R]\n"
    "       proe_sim gen assembly DIR NAME --breadth B --depth D [part options]\n"
    "Writes synthetic version-1 model files into DIR (created when missing) and\n"
    "prints their paths, one per line.\n"
    "  part          one part NAME\n"
    "  assembly      an assembly NAME, B components wide and D levels deep, whose\n"
    "                leaves are parts\n"
    "  --features N  features per part (default 10)\n"
    "  --dims M      dimensions per feature (default 3)\n"
    "  --params P    model parameters of mixed value types per part (default 10)\n"
    "  --relations R relation lines per part (default 5)\n"
    "  --breadth B   components per assembly level (1 to 1000, default 2)\n"
    "  --depth D     assembly levels (1 to 20, default 2)\n"
    "Example: proe_sim gen assembly /tmp/models BIG --breadth 4 --depth 3 --features 50\n";

bool ParseCount(const char* text, int max, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < 0 || v > max) return false;
  *out = static_cast<int>(v);
  return true;
}

// Reads the options after the name; false, with the usage printed, on a bad one.
bool ParseGenOptions(int argc, char** argv, PartSize* sizes, int* breadth, int* depth) {
  PartSize& size = *sizes;
  for (int i = 4; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) {
      std::cerr << kGenUsage;
      return false;
    }
    const char* v = argv[++i];
    bool ok = false;
    if (a == "--features")
      ok = ParseCount(v, 100000, &size.features);
    else if (a == "--dims")
      ok = ParseCount(v, 1000, &size.dims_per_feature);
    else if (a == "--params")
      ok = ParseCount(v, 100000, &size.params);
    else if (a == "--relations")
      ok = ParseCount(v, 100000, &size.relation_lines);
    else if (a == "--breadth")
      ok = ParseCount(v, 1000, breadth) && *breadth >= 1;
    else if (a == "--depth")
      ok = ParseCount(v, 20, depth) && *depth >= 1;
    if (!ok) {
      std::cerr << "proe_sim gen: bad option " << a << " " << v << "\n" << kGenUsage;
      return false;
    }
  }
  return true;
}

}  // namespace

int GenerateMain(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kGenUsage;
    return 0;
  }
  if (argc < 4) {
    std::cerr << kGenUsage;
    return 2;
  }
  const std::string what = argv[1];
  const std::string dir = argv[2];
  const std::string name = argv[3];
  PartSize size;
  int breadth = 2, depth = 2;
  if (!ParseGenOptions(argc, argv, &size, &breadth, &depth)) return 2;
  if (name.empty() || name.find_first_of("./ ") != std::string::npos) {
    std::cerr << "proe_sim gen: the name must be a plain model name\n";
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string error;
  std::vector<std::string> files;
  if (what == "part") {
    const std::string f = GeneratePart(dir, name, size, &error);
    if (!f.empty()) files.push_back(f);
  } else if (what == "assembly") {
    files = GenerateAssembly(dir, name, breadth, depth, size, &error);
  } else {
    std::cerr << kGenUsage;
    return 2;
  }
  if (files.empty()) {
    std::cerr << "proe_sim gen: " << error << "\n";
    return 1;
  }
  for (const std::string& f : files) std::cout << f << "\n";
  return 0;
}

}  // namespace sim
