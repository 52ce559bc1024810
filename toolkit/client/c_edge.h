#pragma once
// The edge of every extern "C" function of the client: no C++ exception leaves
// it. The function's body is a function-try-block closed by the macro:
//
//   ProError ProMdlSave(ProMdl handle) try {
//     ...
//   } TAV_C_EDGE(PRO_TK_GENERAL_ERROR)
//
// An exception that reaches the edge is logged on standard error ("toolkit
// client: <function>: <what>") and the function returns its failure value; for a
// ProError function, memory exhaustion gives PRO_TK_OUT_OF_MEMORY.
//
// The one exception that passes is a machine fault the session asked for (a
// "crash" reply): it stands for a crash inside the toolkit, which the caller's
// fault translator turns into an exception that unwinds out of the call.
#include <ProToolkit.h>
#include <exception>

namespace tkclient {

// Logs the exception being handled; rethrows it when it is a requested machine
// fault. Call only from a catch clause.
void LogAtEdge(const char* function);

inline ProError FailAtEdge(const char* function, ProError failure) {
  LogAtEdge(function);
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return PRO_TK_OUT_OF_MEMORY;
  } catch (...) {
    return failure;
  }
}

template <class R>
R FailAtEdge(const char* function, R failure) {
  LogAtEdge(function);
  return failure;
}

inline void FailAtEdge(const char* function) { LogAtEdge(function); }

}  // namespace tkclient

#define TAV_C_EDGE(failure)                             \
  catch (...) {                                         \
    return ::tkclient::FailAtEdge(__func__, (failure)); \
  }

#define TAV_C_EDGE_VOID               \
  catch (...) {                       \
    ::tkclient::FailAtEdge(__func__); \
  }
