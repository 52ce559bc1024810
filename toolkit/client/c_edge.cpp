#include "toolkit/client/c_edge.h"

#include <cstdio>

#include "toolkit/client/machine_fault.h"

namespace tkclient {

void LogAtEdge(const char* function) {
  if (TakeRaisedFault()) throw;
  try {
    throw;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "toolkit client: %s: %s\n", function, e.what());
  } catch (...) {
    std::fprintf(stderr, "toolkit client: %s: an exception of unknown type\n", function);
  }
}

}  // namespace tkclient
