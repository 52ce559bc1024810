#pragma once
// <windows.h> defines CreateDirectory, DeleteFile, GetCurrentDirectory and
// LoadString as macros for their W functions, and the platform layer has
// functions of those names. Including it here, before any port header declares
// them, and undoing the macros keeps both usable in one file: a later
// #include <windows.h> does nothing again. Nothing on other systems.
#ifdef _WIN32
#include <windows.h>
#undef CreateDirectory
#undef DeleteFile
#undef GetCurrentDirectory
#undef LoadString
#endif
