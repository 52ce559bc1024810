// Machine faults on Windows: inside a translator's scope they unwind to the
// frame's catch; outside every scope they are the host's. (On POSIX the core's
// fault tests prove the same through the module's guarded frame.)
#include <windows.h>
#include <thread>

#include <gtest/gtest.h>

#include "port/fault.h"
#include "tests/support/machine_faults.h"

namespace {

struct Fault {
  unsigned code;
  void* address;
};

[[noreturn]] void ThrowFault(unsigned code, void* address) { throw Fault{code, address}; }

__attribute__((noinline)) int ExecuteIllegalInstruction() {
  __builtin_trap();
  return 0;
}

struct Counted {
  int& destroyed;
  ~Counted() { ++destroyed; }
};

TEST(FaultWin32Test, FaultInsideAScopeUnwindsToItsCatchWithCodeAndAddress) {
  const struct {
    int (*fault)();
    unsigned code;
  } cases[] = {
      {&tavtest::ReadInvalidAddress, port::kAccessViolation},
      {&tavtest::DivideByZero, port::kIntDivideByZero},
      {&ExecuteIllegalInstruction, port::kIllegalInstruction},
  };
  for (const auto& c : cases) {
    int destroyed = 0;
    Fault caught{};
    {
      const port::FaultTranslatorScope scope;
      port::SetFaultTranslator(&ThrowFault);
      try {
        Counted counted{destroyed};
        c.fault();
      } catch (const Fault& fault) {
        caught = fault;
      }
    }
    EXPECT_EQ(caught.code, c.code);
    const auto* at = static_cast<char*>(caught.address);  // the faulting instruction
    const auto* start = reinterpret_cast<char*>(c.fault);
    EXPECT_TRUE(at >= start && at < start + 64) << std::hex << c.code;
    EXPECT_EQ(destroyed, 1) << std::hex << c.code;          // the frames in between were unwound
    EXPECT_EQ(port::SetFaultTranslator(nullptr), nullptr);  // the scope removed it
  }
}

volatile bool deeper = true;

__attribute__((noinline)) int Recurse(int n) {
  volatile char frame[512];
  frame[0] = static_cast<char>(n);
  return (deeper ? Recurse(n + 1) : 0) + frame[0];
}

// On a thread of its own: Wine 8 ends the process on a stack overflow of its first
// thread before any handler runs, but hands other threads' to the handlers.
TEST(FaultWin32Test, StackOverflowInsideAScopeUnwindsAndTheGuardPageComesBack) {
  std::thread([] {
    for (int round = 0; round < 2; ++round) {  // the second needs the guard page again
      unsigned code = 0;
      {
        const port::FaultTranslatorScope scope;
        port::SetFaultTranslator(&ThrowFault);
        try {
          Recurse(0);
        } catch (const Fault& fault) {
          code = fault.code;
        }
      }
      EXPECT_EQ(code, port::kStackOverflow) << "round " << round;
    }
  }).join();
}

// The host's own last resort sees a fault of a thread without a translator.
LONG WINAPI HostFilter(EXCEPTION_POINTERS* info) {
  ::ExitProcess(info->ExceptionRecord->ExceptionCode == port::kAccessViolation ? 42 : 43);
}

TEST(FaultWin32DeathTest, FaultOutsideEveryScopeIsLeftToTheHost) {
  EXPECT_EXIT(
      {
        port::SetFaultTranslator(&ThrowFault);  // the handler is in place ...
        port::SetFaultTranslator(nullptr);      // ... but not for this thread
        ::SetUnhandledExceptionFilter(&HostFilter);
        tavtest::ReadInvalidAddress();
      },
      ::testing::ExitedWithCode(42), "");
}

}  // namespace
