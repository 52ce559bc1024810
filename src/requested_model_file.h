#pragma once
// What OpenFile asks before it loads: whether the session already holds a model of
// the name and type that the path names, read from another file. The session
// hands such a model back for any path of that name, which would let a host edit
// and save a revision it did not ask for.
// Runs on the caller's thread, inside the command object's frame.
#include <ProToolkit.h>
#include <string>

enum class RequestedFile {
  kLoadable,        // no model of that name in session, or the very file asked for
  kMissing,         // a model of that name is in session, and the path names no file
  kOtherInSession,  // a model of that name is in session from another file
};

// `in_session` receives the full name of the model in session, for the last two
// answers. A toolkit failure while asking is returned as such.
ProError CheckRequestedFile(const std::wstring& path, RequestedFile* answer,
                            std::wstring* in_session);
