#pragma once
// The few things tavhost asks of the operating system that POSIX and Windows
// spell differently, in one place. Any thread; SetEnvironment not concurrently
// with other environment readers.
#include <filesystem>
#include <string>

namespace tavhost {

// Creates a new directory of the user's own from `pattern`, whose last six
// characters are "XXXXXX"; false when it cannot.
bool MakeTempDir(std::string* pattern);

void SetEnvironment(const char* name, const std::string& value);

// Whether standard input (0), output (1) or error (2) is a terminal.
bool IsTerminal(int fd);

// This program's file; empty when it cannot be told.
std::filesystem::path SelfPath();

// Runs `command` with the system's shell (/bin/sh, or cmd.exe on Windows), its
// input empty and `programs` first on the PATH; its output in *output. The exit
// code, 128 + the signal for a command a signal ended, -1 when it cannot start.
int RunShell(const std::string& command, const std::string& programs, std::string* output);

// The columns a letter takes on a terminal (wcwidth; 1 where that is unknown).
int LetterWidth(wchar_t letter);

}  // namespace tavhost
