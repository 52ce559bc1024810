// The simulator's model file reader given any text, as a load reads a file: the
// text is parsed (ModelFromText), then the model's invariants are checked and
// normalised (Store::Normalise: unique ids and names, lengths, relation lines).
// Each step accepts or says why not, never crashes. A model both accept is
// written back to a text that reads and normalises to the same model, and
// regenerating it (relations evaluated over its dimensions and parameters)
// succeeds or fails with a reason.
#include "sim/model_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/regenerate.h"
#include "sim/store.h"

namespace {

// Reads a model as a load does; false with the reason.
bool Read(const std::string& text, sim::Model* model, std::string* why) {
  return sim::ModelFromText(text, model, why) && sim::Store::Normalise(*model, why);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sim::Model model;
  model.name = "FUZZ";  // as the file name would give it
  std::string why;
  if (!Read(std::string(reinterpret_cast<const char*>(data), size), &model, &why)) {
    if (why.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const std::string written = sim::ModelToText(model);
  sim::Model again;
  again.name = model.name;
  if (!Read(written, &again, &why) || !(again == model)) {
    std::fprintf(stderr, "the model does not survive writing and reading: %s\n%s\n", why.c_str(),
                 written.c_str());
    std::abort();
  }
  if (!sim::RegenerateModel(model, &why) && why.empty()) std::abort();
  return 0;
}
