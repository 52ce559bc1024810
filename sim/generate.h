#pragma once
// Synthetic models for benchmarks and load tests: parts of a chosen size and
// assembly trees over them, built in memory and written as model files. Pure
// functions apart from the files they write; callable from any thread.
#include <string>
#include <vector>

#include "sim/model.h"

namespace sim {

struct PartSize {
  int features = 10;  // protrusions, cuts, holes, rounds and chamfers in turn
  int dims_per_feature = 3;
  int params = 10;         // model parameters, all value types in turn
  int relation_lines = 5;  // model relation lines; each assigns a dimension or parameter
};

// A part named `name` with the given size. Relations assign dimensions of later
// features from earlier ones (they regenerate without error); when there are
// not enough dimensions they assign parameters instead.
Model MakePart(const std::string& name, const PartSize& size);

// Writes `<dir>/<name>.prt.1` (or the next free version). Returns the file
// written, or empty with `error` set.
std::string GeneratePart(const std::string& dir, const std::string& name, const PartSize& size,
                         std::string* error = nullptr);

// Writes an assembly tree: `name`.asm with `breadth` components; at depth 1 they
// are parts, deeper they are sub-assemblies of depth-1 built the same way. Every
// node is its own model (name_a1, name_a2, ..., name_p1, ...), so a tree holds
// breadth^depth parts. Names over 31 characters fail. Returns every file written (the top assembly
// first), or an empty list with `error` set. breadth >= 1, depth >= 1.
std::vector<std::string> GenerateAssembly(const std::string& dir, const std::string& name,
                                          int breadth, int depth, const PartSize& part,
                                          std::string* error = nullptr);

// `proe_sim gen` (argv[0] is "gen"): prints the files written, one per line.
// Exit status 0, 1 when a file cannot be written, 2 for a usage error.
int GenerateMain(int argc, char** argv);

}  // namespace sim
