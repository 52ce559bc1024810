#pragma once
// The session message file: the one entry through which the module shows its
// one-line texts ("TAV: " + text) in the session's message area. The session
// reads it from the text directory it is given at connect, the module's temporary
// directory.
//
// Owned by ProeCore. Both run on the host's thread (the connector, the exported
// operations); Show calls the toolkit, so its callers keep toolkit calls apart as
// for any other. The path written last sits behind a leaf mutex.
#include <ProToolkit.h>
#include <mutex>
#include <string>

class SessionMessageFile {
 public:
  SessionMessageFile();

  // Shows "TAV: " + text in the session's message area; failures are ignored.
  void Show(const std::wstring& text);

  // Writes the file into the temporary directory unless it is there already. This
  // runs at every connect: a write that failed once, or a temporary directory that
  // changed, must not leave the session without the module's texts for the rest
  // of the process.
  void Ensure();

 private:
  wchar_t name_[PRO_FILE_NAME_SIZE] = {};
  std::mutex leaf_;
  std::string path_;  // where it was written last; guarded by leaf_
};
