#pragma once
// Turns machine faults of the calling thread into TAVBASE::TX_Exception, the way
// the module's operations expect: installed at the start of the guarded frame of
// every operation and callback that may fault; the frame removes it again when it
// ends, so the host's own faults on that thread stay the host's.
#include <string>

// The name of a Windows exception code ("EXCEPTION_ACCESS_VIOLATION", ...), or
// "unspecified Structed exception." for a code outside the table.
std::wstring SehCodeName(unsigned code);

// Throws TX_Exception(name + "\n address:\t0x<hex, at least 8 digits> code:\t\t<code
// in decimal>", "", "", 0). `address` is that of the faulting instruction.
[[noreturn]] void SehTranslator(unsigned code, void* address);

// Installs SehTranslator as the calling thread's fault translator.
void InstallSehTranslator();
