// A host with crash handling of its own, as a JVM or a crash reporter has: it sets
// its SIGSEGV action before it uses the module (a shared library it links), runs an
// operation that faults inside the module, then faults in its own code.
//
//   guest_host siginfo|plain|default DISPLAY MODEL_FILE
//
// Prints "operation: <return> <status>" for the faulting OpenFile. Its own fault
// then ends it: "host handler: siginfo" or "host handler: plain" and exit code 3
// from its handler, or death by SIGSEGV with the default action.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "tavproe2/ProeAsynCommand.h"
#include "tavproe2/ProeAsynConnector.h"

namespace {

constexpr int kHandled = 3;
volatile std::uintptr_t g_invalid_address = 0x10;

void Say(const char* text) {
  if (::write(STDOUT_FILENO, text, std::strlen(text)) < 0) _exit(1);
}

// The kernel's own arguments must arrive: SIGSEGV, an unmapped address, that address.
void OnSiginfo(int signal, siginfo_t* info, void*) {
  const bool same = signal == SIGSEGV && info->si_code == SEGV_MAPERR &&
                    info->si_addr == reinterpret_cast<void*>(g_invalid_address);
  Say(same ? "host handler: siginfo\n" : "host handler: other arguments\n");
  _exit(kHandled);
}

void OnPlain(int signal) {
  Say(signal == SIGSEGV ? "host handler: plain\n" : "host handler: other signal\n");
  _exit(kHandled);
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadInvalidAddress() {
  return *reinterpret_cast<volatile int*>(g_invalid_address);
}

std::wstring Widen(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string mode = argv[1];
  struct sigaction action = {};
  sigemptyset(&action.sa_mask);
  if (mode == "siginfo") {
    action.sa_sigaction = &OnSiginfo;
    action.sa_flags = SA_SIGINFO;
  } else if (mode == "plain") {
    action.sa_handler = &OnPlain;
  } else if (mode == "default") {
    action.sa_handler = SIG_DFL;
    const struct rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
  } else {
    return 2;
  }
  sigaction(SIGSEGV, &action, nullptr);

  TAVCAX::TAVPROE2::ProeAsynConnector connector;
  TAVCAX::TAVPROE2::IProeAsynConnector& connect = connector;
  std::wstring handle;
  void* reserved = nullptr;
  if (connect.LoadApplication(nullptr, Widen(argv[2]).c_str(), nullptr, handle, reserved) != 0) {
    std::printf("connect failed: %ls\n", connector.m_strStatus.c_str());
    return 1;
  }
  TAVCAX::TAVPROE2::ProeAsynCommand command;
  TAVCAX::TAVPROE2::IProeAsynCommand& cmd = command;
  const int rc = cmd.OpenFile(Widen(argv[3]).c_str());
  std::printf("operation: %d %ls\n", rc, command.m_strStatus.c_str());
  std::fflush(stdout);

  ReadInvalidAddress();
  Say("no fault\n");
  return 1;
}
