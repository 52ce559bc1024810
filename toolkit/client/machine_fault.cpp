#include "toolkit/client/machine_fault.h"

#include <cstdint>

namespace tkclient {
namespace {

// Read at run time, so the compiler neither sees nor warns about the address.
volatile std::uintptr_t g_invalid_address = 0x10;

// volatile: set before the faulting store and read after the unwinding, never cached.
thread_local volatile bool t_fault_raised = false;

}  // namespace

// Not instrumented: the sanitizers would report the bad write themselves and
// abort before the signal reaches the translator. Not null either, so that no
// null-pointer check fires first.
__attribute__((noinline, no_sanitize("address", "undefined", "thread"))) void RaiseMachineFault() {
  volatile int* const invalid = reinterpret_cast<volatile int*>(g_invalid_address);
  t_fault_raised = true;
  *invalid = 0x7ac0;
  t_fault_raised = false;
}

bool TakeRaisedFault() {
  const bool raised = t_fault_raised;
  t_fault_raised = false;
  return raised;
}

}  // namespace tkclient
