# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC in its POSIX thread
# model (std::thread and std::mutex work). The GCC runtime, the C++ library and
# winpthread are linked statically, so the DLL and the executables need no MinGW
# DLL beside them: only the system's own DLLs.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTAV_WINDOWS_DEPS_PREFIX=<folder cmake/windows_deps.sh printed>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAV_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TAV_MINGW}-windres)
set(CMAKE_AR ${TAV_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TAV_MINGW}-ranlib CACHE FILEPATH "")

# The libraries cross-built by cmake/windows_deps.sh (SQLite, libxml2, GoogleTest,
# and links to the header-only msgpack-cxx and nlohmann-json). try_compile projects
# read this file again, so the prefix is handed on to them.
set(TAV_WINDOWS_DEPS_PREFIX "" CACHE PATH "Prefix of the cross-built dependencies")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAV_WINDOWS_DEPS_PREFIX)

# Headers and libraries only from the MinGW sysroot and that prefix, never from the
# build machine's /usr; programs (tclsh, pkg-config) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TAV_MINGW} ${TAV_WINDOWS_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not answer with the build machine's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${TAV_WINDOWS_DEPS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine: CTest starts every Windows test executable through it.
find_program(TAV_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT TAV_WINE)
  find_program(TAV_WINE NAMES wine)
endif()
if(TAV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAV_WINE})
endif()
